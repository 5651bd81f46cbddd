#pragma once
// The application object of the program and its window tests: it shows the
// message boxes, and every event passes through it, so an error that a
// handler failed to trap is shown in the window error box instead of ending
// the program.
#include <QApplication>

class GuardedApplication : public QApplication {
 public:
  GuardedApplication(int& argc, char** argv);
  ~GuardedApplication() override;
  bool notify(QObject* receiver, QEvent* event) override;
};
