#include "ReportRun.h"

#include "DatabaseLocation.h"
#include "Form1.h"
#include "ImportProgress.h"
#include "PrivateDatabase.h"
#include "ReportDatabase.h"
#include "ReportFilesImport.h"
#include "ReportOutput.h"
#include "ReportReadAhead.h"
#include "YieldBreakdown.h"
#include "common/ErrorBoxes.h"
#include "common/MessageBoxSeam.h"
#include "common/RuntimeErrors.h"
#include "frmBreakdown.h"
#include "table/ValueParse.h"
#include "table/ValueText.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void printError(const QString& line) {
  std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
  std::fflush(stderr);
}

// A problem's text quotes the line it found; control characters of a file
// that is no report (a binary named by a wide pattern) are written as \xNN,
// not sent to the terminal.
QString printable(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (const QChar c : text) {
    if (c.category() == QChar::Other_Control)
      out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    else
      out += c;
  }
  return out;
}

// The files in the order given, each once, however it is named (a path
// through "..", a link).
QStringList eachOnce(const QStringList& files) {
  QStringList once;
  QSet<QString> seen;
  for (const QString& file : files) {
    const QString canonical = QFileInfo(file).canonicalFilePath();
    if (seen.contains(canonical.isEmpty() ? file : canonical)) continue;
    seen.insert(canonical.isEmpty() ? file : canonical);
    once << file;
  }
  return once;
}

// Every box of the run is answered with its first button and kept, so that
// the step that raised it can end the run with its text on standard error.
class BoxesToStderr {
 public:
  BoxesToStderr() {
    SetMessageBoxHandler([this](const MessageBoxRecord& box) {
      texts_ << box.text;
      return 0;
    });
  }
  ~BoxesToStderr() { SetMessageBoxHandler({}); }
  // Writes the boxes shown since the last call; true when there were any.
  bool Report() {
    for (const QString& text : texts_) printError(text);
    const bool any = !texts_.isEmpty();
    texts_.clear();
    return any;
  }

 private:
  QStringList texts_;
};

// The import's progress on standard error: each problem as "file:line: text"
// (the file as named), none shown as a box.
class ProblemsToStderr : public ImportProgress {
 public:
  ProblemsToStderr() { IgnoreProblems(); }
  void BatchStarted(int, qint64) override {}
  void FileStarted(int, const QString& path, qint64) override {
    Flush();
    path_ = path;
    lastLine_ = 0;
  }
  void Advanced(qint64, qint64) override { Flush(); }
  // Writes the problems not written yet, of the file being imported.
  void Flush() {
    const auto& listed = Problems().List();
    for (; written_ < listed.size(); ++written_) {
      const ImportProblem& p = listed[written_];
      if (p.line == 0) ++filesUnread_;
      // A line refused field after field (a short line) is one problem here.
      if (p.line && p.line == lastLine_ && p.text == lastText_) continue;
      lastLine_ = p.line;
      lastText_ = p.text;
      printError(p.line ? QStringLiteral("%1:%2: %3").arg(path_).arg(p.line).arg(printable(p.text))
                        : QStringLiteral("%1: %2").arg(path_, printable(p.text)));
    }
  }
  // After the batch: the problems beyond those listed, counted.
  void Finish() {
    Flush();
    if (const qint64 more = Problems().Count() - qint64(written_); more > 0)
      printError(QStringLiteral("%1 more problems not listed").arg(more));
  }
  int FilesUnread() const { return filesUnread_; }

 private:
  QString path_;
  qint64 lastLine_ = 0;
  QString lastText_;
  size_t written_ = 0;
  int filesUnread_ = 0;
};

// A list picks the value as it shows it; "ALL" (or the option left out) is
// its first entry. A value the list lacks (a material no record has, a date
// between two shown) is added and picked: the filter then reads it as the
// window's would, and may match nothing.
void pick(QComboBox* list, const QString& value) {
  if (value.isNull() || value == QLatin1String("ALL")) return list->setCurrentIndex(0);
  int index = list->findText(value, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index < 1) {
    list->addItem(value);
    index = list->count() - 1;
  }
  list->setCurrentIndex(index);
}

// Whether a date list holds a date beside its "ALL".
bool hasDates(const QComboBox* list) {
  for (int i = 1; i < list->count(); ++i)
    if (!list->itemText(i).isEmpty()) return true;
  return false;
}

int groupingIndex(const QString& name) {
  const QStringList& names = BreakdownGroupingNames();
  for (int i = 0; i < names.size(); ++i)
    if (names[i].compare(name, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

bool isDateAsListed(const QString& text) {
  qint32 day = 0;
  return ParseDate(text, day) && DateText(day) == text;
}

QString templateOfRun() {
  const modReportGeneration::DatabasePlace place = modReportGeneration::ChooseReportDatabase();
  return place.templatePath.isEmpty() ? place.file : place.templatePath;
}

// Everything from the import to the written file, on the open database.
int makeReport(const ReportRequest& request, BoxesToStderr& boxes) {
  using namespace modReportGeneration;
  ReportFormat format = ReportFormat::Xlsx;
  ReportFormatOf(request.output, format);
  ClearYieldReport();
  OpenYieldRecordset();
  const std::shared_ptr<Recordset> records = GetYieldRecordset();
  if (!records || boxes.Report()) return kReportNotWritten;

  const QStringList ordered = InImportOrder(eachOnce(request.files));
  ProblemsToStderr progress;
  {
    const ImportProgressScope importing(&progress);
    ReportReadAhead readAhead(ordered, ReportDatabaseFile);
    ImportReportFiles(ordered, *records, &progress, readAhead);
  }
  progress.Finish();
  if (progress.FilesUnread()) return kReportFileUnread;
  WriteStoredRowsBehind();
  OpenYieldRecordset();

  // The main window, never shown, does what its buttons do.
  Form1 form;
  form.GetRecordSet();
  form.DisplayRecordSet();
  form.GetSuppliers();
  form.GetMaterials();
  form.GetWidths();
  form.Getdates();
  if (boxes.Report()) return kReportNotWritten;
  // The filter always bounds the dates: files with no dated record (no
  // yield reports, empty, or every date unreadable) could only give "no
  // records match the filter", which would hide the mistake.
  if (!hasDates(form.cmboDate[0])) {
    printError(QStringLiteral("No record with a date was read from the files named"));
    return kReportFileUnread;
  }
  pick(form.cmboMaterial, request.material);
  pick(form.cmboSupplier, request.supplier);
  pick(form.cmboWidth, request.width);
  pick(form.cmboDate[0], request.from);
  pick(form.cmboDate[1], request.to);
  form.cmdFilter_Click();
  if (boxes.Report()) return kReportRefused;
  if (form.fgRS->Rows() < 2) {
    WriteEmptyReport(request.output, format, form, form.PicksText());
    return kReportWritten;
  }
  form.cmdSummary_Click();
  if (boxes.Report()) return kReportRefused;

  frmBreakdown* breakdown = nullptr;
  if (!request.groupBy.isNull()) {
    form.cmdBreakdown_Click();
    breakdown = form.BreakdownWindow();
    if (breakdown) breakdown->cmboGroupBy->setCurrentIndex(groupingIndex(request.groupBy));
    // The chart lays itself out on posted events, as it would on screen.
    QCoreApplication::sendPostedEvents();
    if (boxes.Report() || !breakdown) return kReportRefused;
  }
  WriteReport(request.output, format, form, breakdown);
  return kReportWritten;
}

}  // namespace

void PrepareReportRun() {
  // No display is needed, nor used when there is one (a server, cron).
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Standard error carries the report's problems and nothing else: the
  // platform's remarks on a missing display or runtime folder stay out.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) printError(text);
  });
}

QString CheckReportRequest(const ReportRequest& request) {
  ReportFormat format;
  if (!ReportFormatOf(request.output, format))
    return QStringLiteral("the report's name must end in .xlsx, .csv or .pdf: %1").arg(request.output);
  for (const QString& date : {request.from, request.to})
    if (!date.isNull() && date != QLatin1String("ALL") && !isDateAsListed(date))
      return QStringLiteral("not a date as the date lists show it (YYYY-MM-DD): %1").arg(date);
  if (!request.groupBy.isNull() && groupingIndex(request.groupBy) < 0)
    return QStringLiteral("unknown grouping %1; one of: %2")
        .arg(request.groupBy, BreakdownGroupingNames().join(QStringLiteral(", ")));
  if (request.files.isEmpty()) return QStringLiteral("no report files named");
  return {};
}

int RunReport(const ReportRequest& request) {
  using namespace modReportGeneration;
  BoxesToStderr boxes;
  QTemporaryDir folder;
  if (!folder.isValid()) {
    printError(QStringLiteral("Error: %1, cannot make a temporary folder: %2")
                   .arg(kErrPathFileAccess)
                   .arg(folder.errorString()));
    return kReportNotWritten;
  }
  int code = kReportNotWritten;
  try {
    const QString database = folder.filePath(QStringLiteral("ReportGenTemplate.mdb"));
    MakePrivateDatabase(templateOfRun(), database);
    OpenReportDatabase(database);
    if (ReportConnection && ReportConnection->IsOpen()) code = makeReport(request, boxes);
  } catch (...) {
    printError(WindowErrorBoxText(CurrentError()));
    code = kReportNotWritten;
  }
  // The writer done with the file before the folder goes.
  FinishStoredRows();
  YieldRecordset.reset();
  ReportConnection.reset();
  boxes.Report();
  return code;
}
