#include "WindowLayout.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void PlaceTwips(QWidget* control, int left, int top, int width, int height) {
  control->setGeometry(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
}

void SetClientSizeTwips(QWidget* window, int width, int height) {
  window->setFixedSize(TwipsToPixels(width), TwipsToPixels(height));
}

void CenterOnScreen(QWidget* window) {
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->geometry();
  // The native window knows its frame; make it now so the frame counts.
  window->winId();
  // move() places the frame's top-left corner.
  const QRect frame = window->frameGeometry();
  const double left = area.x() + (area.width() - frame.width()) / 2.0;
  const double top = area.y() + (area.height() - frame.height()) / 2.0;
  window->move(int(left), int(top));
}
