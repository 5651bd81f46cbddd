#pragma once
// The program's command line: the report files to import, and the options
// that answer on standard output and end the program without a window
// (--help, --version). It is read before the application object exists, so
// those answers need no window system, not even a display.
#include "ReportRequest.h"

#include <QStringList>

#include <optional>

struct CommandLineOptions {
  QStringList files;                    // report files to import once the main window is shown
  std::optional<int> exitCode;          // set when the command line has been answered: end with this code
  std::optional<ReportRequest> report;  // --report: a report written without a window
};

// Reads the arguments (argv[0] first) and answers --help, --version,
// unknown options and a report's wrong options on the standard streams. The window system's own options
// (-platform, -style, ...) are left to the application object.
CommandLineOptions ReadCommandLine(int argc, char** argv);

// The texts of --help (the manual page is made from it) and --version.
QString CommandLineHelpText(const QString& programName);
QString CommandLineVersionText();
