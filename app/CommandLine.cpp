#include "CommandLine.h"

#include "common/AppInfo.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>

namespace {

// What --help says about the program, before its options.
const char* const kDescription =
    "Corvane Yield Report Analysis: loads yield report files (.yrp) of cross-cut lines,\n"
    "shows the boards in a grid, narrows them by material, supplier, width and dates,\n"
    "and builds a summary of length totals and length-weighted yields.\n"
    "Report files named on the command line are imported once the main window is shown.";

// The options the window system reads for itself; accepted here so that they
// are neither refused nor taken for report files.
const char* const kWindowSystemValueOptions[] = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",  "qmljsdebugger", "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "display", "geometry",      "style",
    "stylesheet"};
const char* const kWindowSystemFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

struct Parser {
  QCommandLineParser parser;
  QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and exit.")};
  QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                             QStringLiteral("Show the program's version and exit.")};

  Parser() {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);  // -platform, as Qt reads it
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.addOption(help);
    parser.addOption(version);
    for (const char* name : kWindowSystemValueOptions) hidden(name, QStringLiteral("value"));
    for (const char* name : kWindowSystemFlags) hidden(name, QString());
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Yield report files (.yrp) to import."),
                                 QStringLiteral("[files...]"));
  }
  void hidden(const char* name, const QString& valueName) {
    QCommandLineOption option(QString::fromLatin1(name), QString(), valueName);
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }
};

void print(FILE* stream, const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), stream);
  std::fflush(stream);
}

}  // namespace

QString CommandLineVersionText() {
  return QStringLiteral("CorvaneYieldReport (Corvane Yield Report Analysis) %1\n").arg(AppVersion());
}

QString CommandLineHelpText(const QString& programName) {
  Parser p;
  // The parser names the program by its path as started; the help names it plainly.
  QString text = p.parser.helpText();
  const qsizetype usage = text.indexOf(QStringLiteral("[options]"));
  return QStringLiteral("Usage: %1 ").arg(programName) + text.mid(usage);
}

CommandLineOptions ReadCommandLine(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const QString programName = QFileInfo(arguments.value(0, QStringLiteral("CorvaneYieldReport"))).fileName();
  Parser p;
  CommandLineOptions options;
  if (!p.parser.parse(arguments)) {
    print(stderr,
          QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n").arg(programName, p.parser.errorText()));
    options.exitCode = 1;
  } else if (p.parser.isSet(p.help)) {
    print(stdout, CommandLineHelpText(programName));
    options.exitCode = 0;
  } else if (p.parser.isSet(p.version)) {
    print(stdout, CommandLineVersionText());
    options.exitCode = 0;
  } else {
    options.files = p.parser.positionalArguments();
  }
  return options;
}
