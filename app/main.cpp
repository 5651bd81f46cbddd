// Corvane Yield Report Analysis: the executable only wires the subsystems.
// Report files named on the command line (a file manager's "Open With") are
// imported as if dropped on the main window, once it is shown; by the copy
// already running on the same database, if there is one. With --report the
// program writes a report and ends, without a window.
#include "CommandLine.h"
#include "Module1.h"
#include "ReportRun.h"

#include "controls/GuardedApplication.h"

int main(int argc, char** argv) {
  // Before the application object: --help and --version need no display.
  const CommandLineOptions options = ReadCommandLine(argc, argv);
  if (options.exitCode) return *options.exitCode;
  if (options.report) {
    // No copy already running is asked: the report has a database of its own.
    PrepareReportRun();
    GuardedApplication app(argc, argv);
    return RunReport(*options.report);
  }
  GuardedApplication app(argc, argv);
  if (const std::optional<int> ended = Module1::Main(options.files)) return *ended;
  return app.exec();
}
