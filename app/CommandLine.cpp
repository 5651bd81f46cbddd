#include "CommandLine.h"

#include "ReportRun.h"
#include "YieldBreakdown.h"
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
    "Report files named on the command line are imported once the main window is shown.\n"
    "With --report, no window opens: the files are imported into a private database,\n"
    "filtered as the lists would (an option left out means ALL), and the summary (and,\n"
    "with --group-by, the breakdown) is written to <file>: .xlsx, .csv or .pdf.\n"
    "Problems of report lines go to standard error as file:line: text.\n"
    "Exit codes: 0 written, 1 not written or a wrong option, 2 a report file unread\n"
    "or no dated record read, 3 the summary refused (its error box on standard error,\n"
    "no file written).";

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
  QCommandLineOption report{QStringLiteral("report"),
                            QStringLiteral("Write a report to <file> (.xlsx, .csv or .pdf) without a window."),
                            QStringLiteral("file")};
  QCommandLineOption material{QStringLiteral("material"), QStringLiteral("Report: the material, as its list shows it."),
                              QStringLiteral("material")};
  QCommandLineOption supplier{QStringLiteral("supplier"), QStringLiteral("Report: the supplier, as its list shows it."),
                              QStringLiteral("supplier")};
  QCommandLineOption width{QStringLiteral("width"), QStringLiteral("Report: the width, as its list shows it."),
                           QStringLiteral("width")};
  QCommandLineOption from{QStringLiteral("from"), QStringLiteral("Report: the start date, YYYY-MM-DD."),
                          QStringLiteral("date")};
  QCommandLineOption to{QStringLiteral("to"), QStringLiteral("Report: the end date, YYYY-MM-DD."),
                        QStringLiteral("date")};
  QCommandLineOption groupBy{QStringLiteral("group-by"),
                             QStringLiteral("Report: add the yield breakdown by <grouping>: %1.")
                                 .arg(BreakdownGroupingNames().join(QStringLiteral(", "))),
                             QStringLiteral("grouping")};

  Parser() {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);  // -platform, as Qt reads it
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.addOption(help);
    parser.addOption(version);
    for (const QCommandLineOption* o : {&report, &material, &supplier, &width, &from, &to, &groupBy})
      parser.addOption(*o);
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

// A value option's text, or a null text when it is left out.
QString valueOf(const Parser& p, const QCommandLineOption& option) {
  return p.parser.isSet(option) ? p.parser.value(option) : QString();
}

ReportRequest reportRequest(const Parser& p) {
  ReportRequest r;
  r.output = p.parser.value(p.report);
  r.material = valueOf(p, p.material);
  r.supplier = valueOf(p, p.supplier);
  r.width = valueOf(p, p.width);
  r.from = valueOf(p, p.from);
  r.to = valueOf(p, p.to);
  r.groupBy = valueOf(p, p.groupBy);
  r.files = p.parser.positionalArguments();
  return r;
}

// The name of a report's option given without --report, or an empty text.
QString reportOnlyOption(const Parser& p) {
  for (const QCommandLineOption* o : {&p.material, &p.supplier, &p.width, &p.from, &p.to, &p.groupBy})
    if (p.parser.isSet(*o)) return o->names().constFirst();
  return {};
}

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
  } else if (p.parser.isSet(p.report)) {
    options.report = reportRequest(p);
    if (const QString wrong = CheckReportRequest(*options.report); !wrong.isEmpty()) {
      print(stderr, QStringLiteral("%1: %2\n").arg(programName, wrong));
      options.exitCode = 1;
    }
  } else if (const QString option = reportOnlyOption(p); !option.isEmpty()) {
    print(stderr, QStringLiteral("%1: --%2 needs --report\n").arg(programName, option));
    options.exitCode = 1;
  } else {
    options.files = p.parser.positionalArguments();
  }
  return options;
}
