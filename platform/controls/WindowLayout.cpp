#include "WindowLayout.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

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
// itself as it maps it; neither is known when the window centres itself. For
// a short while after the frame first appears this centres the window again,
// frame included, whenever it stands elsewhere; then it lets the user move it.
class CentreWhenFramed : public QObject {
 public:
  explicit CentreWhenFramed(QWidget* window) : QObject(window), window_(window) { window->installEventFilter(this); }

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
    // Through the native window, which knows its frame even when the
    // widget's own record of it is not up to date yet.
    const QPoint target = centredPosition(window_);
    if (window_->windowHandle()->framePosition() != target) window_->windowHandle()->setFramePosition(target);
    return false;
  }

 private:
  static constexpr qint64 kSettleMs = 1000;
  QWidget* window_;
  QElapsedTimer framed_;
};

}  // namespace

void CenterOnScreen(QWidget* window) {
  window->winId();  // a native window that is framed already tells its frame now
  window->move(centredPosition(window));
  new CentreWhenFramed(window);
}
