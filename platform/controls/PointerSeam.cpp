#include "controls/PointerSeam.h"

#include <QWidget>

namespace {
PointerObserver& observer() {
  static PointerObserver o;
  return o;
}
}  // namespace

void SetPointerObserver(PointerObserver o) { observer() = std::move(o); }

void SetMousePointer(QWidget* window, int pointer) {
  window->setProperty("MousePointer", pointer);
  if (pointer == vbHourglass)
    window->setCursor(Qt::WaitCursor);
  else
    window->unsetCursor();
  if (observer()) observer()(window, pointer);
}

int MousePointer(const QWidget* window) { return window->property("MousePointer").toInt(); }
