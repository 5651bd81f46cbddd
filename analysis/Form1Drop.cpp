// Report files dropped on the main window from a file manager, or named on
// the command line of this start or a later one: handed by path to the
// import, along the same road as from the file selection window, in the
// order of their names whatever folders they come from.
#include "ExportRun.h"
#include "Form1.h"
#include "ImportProgress.h"
#include "ReportDatabase.h"
#include "ReportFilesImport.h"
#include "ReportReadAhead.h"
#include "common/ErrorBoxes.h"
#include "common/RuntimeErrors.h"

#include <QApplication>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>

namespace {

QStringList localFiles(const QMimeData* data) {
  QStringList files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) files << url.toLocalFile();
  return files;
}

bool isReportFile(const QFileInfo& file) {
  return file.isFile() && file.suffix().compare(QLatin1String("yrp"), Qt::CaseInsensitive) == 0;
}

}  // namespace

void Form1::dragEnterEvent(QDragEnterEvent* event) {
  if (!localFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event) {
  const QStringList dropped = localFiles(event->mimeData());
  if (dropped.isEmpty()) return;
  event->acceptProposedAction();
  ImportReportFiles(dropped);
}

void Form1::ImportReportFiles(const QStringList& paths) {
  TrapInWindowBox([&] {
    QStringList reports, missing, others;
    for (const QString& path : paths) {
      const QFileInfo file(path);
      if (isReportFile(file))
        reports << file.absoluteFilePath();
      else if (!file.exists())
        missing << path;
      else
        others << file.fileName();
    }
    reports.removeDuplicates();  // a file dropped twice is imported once
    // A name given on the command line that names no file is told apart from
    // a file that is no report: "not a report" would send the user looking
    // at a file that is not there.
    if (!missing.isEmpty())
      ShowWindowErrorBox(
          {kErrFileNotFound, QStringLiteral("File not found: %1").arg(missing.join(QStringLiteral(", "))), QString()});
    // Anything else is left out, with one box naming it; the report files go on.
    if (!others.isEmpty())
      ShowWindowErrorBox(
          {kErrBadCall,
           QStringLiteral("Not a yield report file (*.yrp), left out: %1").arg(others.join(QStringLiteral(", "))),
           QString()});
    if (reports.isEmpty()) return;
    const QStringList ordered = modReportGeneration::InImportOrder(reports);
    if (!fileWindow_) fileWindow_ = new frmGetFiles(this);  // it owns the road
    fileWindow_->ImportAlongRoad([&](Recordset& records, ImportProgress& progress) {
      ReportReadAhead readAhead(ordered, modReportGeneration::ReportDatabaseFile);
      modReportGeneration::ImportReportFiles(ordered, records, &progress, readAhead);
    });
  });
}

void Form1::ImportRequestedFiles(const QStringList& paths) {
  if (shuttingDown_) return;
  if (isMinimized()) showNormal();
  raise();
  activateWindow();
  if (paths.isEmpty()) return;
  requested_ << paths;
  if (!requestsWaiting_.isActive()) {
    requestsWaiting_.setInterval(50);
    connect(&requestsWaiting_, &QTimer::timeout, this, &Form1::ImportNextRequest, Qt::UniqueConnection);
    requestsWaiting_.start();
  }
}

void Form1::ImportNextRequest() {
  // Never an import inside another, nor under a box waiting for its answer.
  if (CurrentImportProgress() || QApplication::activeModalWidget() || ExportRunning()) return;
  if (requested_.isEmpty() || shuttingDown_) {
    requestsWaiting_.stop();
    return;
  }
  ImportReportFiles(requested_.takeFirst());
}
