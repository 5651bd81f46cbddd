#include "GuardedApplication.h"

#include "ErrorBoxes.h"

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    // Last line of defence: each handler traps its own errors; one that
    // slipped through is reported, and the user's work goes on.
    try {
      ShowWindowErrorBox(CurrentError());
    } catch (...) {
      // Not even a box could be shown; the event is dropped, the program lives.
    }
    return true;
  }
}
