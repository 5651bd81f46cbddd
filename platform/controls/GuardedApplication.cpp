#include "GuardedApplication.h"

#include "ErrorBoxes.h"
#include "MessageBoxSeam.h"

#include <QMessageBox>

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {
  SetMessageBoxDisplay([](const MessageBoxRecord& r) {
    QMessageBox box(QMessageBox::NoIcon, r.title, r.text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
  });
}

GuardedApplication::~GuardedApplication() { SetMessageBoxDisplay({}); }

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
