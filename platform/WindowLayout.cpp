#include "WindowLayout.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void PlaceTwips(QWidget* control, int left, int top, int width, int height) {
  control->setGeometry(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
}

void SetClientSizeTwips(QWidget* window, int width, int height) {
  window->setFixedSize(TwipsToPixels(width), TwipsToPixels(height));
}

namespace {

// move() places the frame's top-left corner; the frame's size is the window's
// size plus what the window manager adds around it, once that is known.
void centre(QWidget* window) {
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->geometry();
  const QSize frame = window->frameGeometry().size();
  const double left = area.x() + (area.width() - frame.width()) / 2.0;
  const double top = area.y() + (area.height() - frame.height()) / 2.0;
  window->move(int(left), int(top));
}

// A window manager adds its frame only after the window is shown, so the
// first centring cannot count it. This watches the window until the frame is
// known and centres it once more then; that happens as the window appears,
// before the user could have moved it.
class CentreWhenFramed : public QObject {
 public:
  explicit CentreWhenFramed(QWidget* window) : QObject(window), window_(window) { window->installEventFilter(this); }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != window_ || !window_->isVisible()) return false;
    switch (event->type()) {
      case QEvent::Show:
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::WindowActivate:
      case QEvent::UpdateRequest:
        break;
      default:
        return false;
    }
    if (window_->frameGeometry().size() == window_->size()) return false;  // no frame yet, or none at all
    window_->removeEventFilter(this);
    deleteLater();
    centre(window_);
    return false;
  }

 private:
  QWidget* window_;
};

}  // namespace

void CenterOnScreen(QWidget* window) {
  // The native window knows its frame once it has one; make it now so that
  // a frame known already counts at once.
  window->winId();
  centre(window);
  if (window->frameGeometry().size() == window->size()) new CentreWhenFramed(window);
}
