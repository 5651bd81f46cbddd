// Corvane Yield Report Analysis: the executable only wires the subsystems.
// Report files named on the command line (a file manager's "Open With") are
// imported as if dropped on the main window, once it is shown; by the copy
// already running on the same database, if there is one.
#include "Module1.h"

#include "GuardedApplication.h"

int main(int argc, char** argv) {
  GuardedApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("Corvane Yield Report Analysis"));
  if (const std::optional<int> ended = Module1::Main(app.arguments().mid(1))) return *ended;
  return app.exec();
}
