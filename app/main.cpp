// Corvane Yield Report Analysis: the executable only wires the subsystems.
// Report files named on the command line (a file manager's "Open With") are
// imported as if dropped on the main window, once it is shown.
#include "CommandLine.h"
#include "Form1.h"
#include "Module1.h"

#include "GuardedApplication.h"

#include <QTimer>

int main(int argc, char** argv) {
  // Before the application object: --help and --version need no display.
  const CommandLineOptions options = ReadCommandLine(argc, argv);
  if (options.exitCode) return *options.exitCode;
  GuardedApplication app(argc, argv);
  const int startUp = Module1::Main();
  if (startUp != 0) return startUp;
  const QStringList files = options.files;
  if (!files.isEmpty())
    QTimer::singleShot(0, &app, [files] {
      if (Form1* main = Module1::MainForm()) main->ImportReportFiles(files);
    });
  return app.exec();
}
