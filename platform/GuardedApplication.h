#pragma once
// The application object of the program and its tests: every event passes
// through here, so an error that a handler failed to trap is shown in the
// window error box instead of ending the program.
#include <QApplication>

class GuardedApplication : public QApplication {
 public:
  GuardedApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};
