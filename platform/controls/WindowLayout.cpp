#include "controls/WindowLayout.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <functional>

void PlaceTwips(QWidget* control, int left, int top, int width, int height) {
  control->setGeometry(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
}

void SetClientSizeTwips(QWidget* window, int width, int height) {
  window->setFixedSize(TwipsToPixels(width), TwipsToPixels(height));
}

namespace {

// What the window manager adds around the window, as the platform knows it
// now (nothing before the window is shown, or without a window manager).
QMargins frameOf(QWidget* window) {
  return window->windowHandle() ? window->windowHandle()->frameMargins() : QMargins();
}

// The frame's top-left corner that centres the window, frame included.
QPoint centredPosition(QWidget* window) {
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return window->pos();
  const QRect area = screen->geometry();
  const QSize frame = window->size().grownBy(frameOf(window));
  const double left = area.x() + (area.width() - frame.width()) / 2.0;
  const double top = area.y() + (area.height() - frame.height()) / 2.0;
  return {int(left), int(top)};
}

// A window manager frames the window only once it is shown, and may place it
// itself as it maps it; neither is known when the window is placed. For a
// short while after the frame first appears this puts the window's frame
// again where it belongs whenever it stands elsewhere; then it lets the user
// move it.
class PlaceWhenFramed : public QObject {
 public:
  // target: where the frame belongs, its size included.
  PlaceWhenFramed(QWidget* window, std::function<QRect()> target)
      : QObject(window), window_(window), target_(std::move(target)) {
    window->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != window_ || !window_->isVisible()) return false;
    switch (event->type()) {
      case QEvent::Show:
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::UpdateRequest:
      case QEvent::Paint:
      case QEvent::WindowActivate: break;
      default: return false;
    }
    if (frameOf(window_).isNull()) return false;  // not framed yet, or no window manager
    if (!framed_.isValid()) framed_.start();
    if (framed_.elapsed() > kSettleMs) {
      window_->removeEventFilter(this);
      deleteLater();
      return false;
    }
    // Through the client area the frame holds, size and place at once: a
    // frame reaching past the screen's edge would be moved by the window
    // manager its own way.
    const QRect client = target_().marginsRemoved(frameOf(window_));
    if (window_->geometry() != client) window_->setGeometry(client);
    return false;
  }

 private:
  static constexpr qint64 kSettleMs = 1000;
  QWidget* window_;
  std::function<QRect()> target_;
  QElapsedTimer framed_;
};

QRect frameRect(QWidget* window) { return QRect(window->pos(), window->size().grownBy(frameOf(window))); }

}  // namespace

void CenterOnScreen(QWidget* window) {
  window->winId();  // a native window that is framed already tells its frame now
  window->move(centredPosition(window));
  new PlaceWhenFramed(window,
                      [window] { return QRect(centredPosition(window), window->size().grownBy(frameOf(window))); });
}

QRect PlaceBeside(const QRect& owner, const QRect& keepClear, const QSize& wanted, const QSize& minimum,
                  const QRect& screen) {
  const int screenRight = screen.x() + screen.width(), screenBottom = screen.y() + screen.height();
  const int height = std::min(wanted.height(), screen.height());
  const int top = std::clamp(owner.top(), screen.top(), screenBottom - height);
  const int rightRoom = screenRight - (owner.x() + owner.width()), leftRoom = owner.x() - screen.x();
  if (std::max(rightRoom, leftRoom) >= minimum.width()) {
    const int width = std::min(wanted.width(), std::max(rightRoom, leftRoom));
    const int left = rightRoom >= leftRoom ? owner.x() + owner.width() : owner.x() - width;
    return {left, top, width, height};
  }
  // Cascaded: a step right of the owner, below what must stay clear, as
  // tall as the screen leaves; only a screen too small for even the
  // smallest window covers it.
  const int width = std::min(wanted.width(), screen.width());
  const int left = std::clamp(owner.x() + kCascadeStep, screen.x(), screenRight - width);
  int below = keepClear.isNull() ? owner.y() + kCascadeStep : keepClear.y() + keepClear.height() + kCascadeStep / 2;
  below = std::max(below, screen.y());
  if (screenBottom - below >= minimum.height())
    return {left, below, width, std::min(wanted.height(), screenBottom - below)};
  const int least = std::min(minimum.height(), screen.height());
  return {left, screenBottom - least, width, least};
}

QRect ButtonsArea(const QWidget* window) {
  QRect area;
  for (const QPushButton* b : window->findChildren<QPushButton*>())
    if (b->window() == window && b->isVisibleTo(window)) area |= QRect(b->mapToGlobal(QPoint(0, 0)), b->size());
  return area;
}

void PlaceBesideOwner(QWidget* window, QWidget* owner, const QSize& minimum) {
  // Until the window is framed, the owner's frame stands in for its own.
  const QSize wanted = window->size().grownBy(frameOf(owner));
  const auto target = [=] {
    QScreen* screen = owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), wanted);
    return PlaceBeside(frameRect(owner), ButtonsArea(owner), wanted, minimum.grownBy(frameOf(owner)), area);
  };
  window->winId();
  const QRect frame = target();
  const QMargins margins = frameOf(window).isNull() ? frameOf(owner) : frameOf(window);
  window->resize(frame.size().shrunkBy(margins));
  window->move(frame.topLeft());
  new PlaceWhenFramed(window, target);
}
