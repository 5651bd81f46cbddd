#include "ReportDatabase.h"

#include "DatabaseLocation.h"
#include "StoreStatements.h"
#include "common/AppInfo.h"
#include "common/ErrorBoxes.h"
#include "common/MessageBoxSeam.h"
#include "common/RuntimeErrors.h"
#include "sqlite/SqliteSession.h"

namespace modReportGeneration {

std::shared_ptr<Connection> ReportConnection;
std::shared_ptr<Recordset> YieldRecordset;
QString ReportDatabaseFile;

void OpenReportDatabase() {
  const DatabasePlace place = ChooseReportDatabase();
  MakeCopyServe(place);
  OpenReportDatabase(place.file);
}

void OpenReportDatabase(const QString& file) {
  try {
    ReportConnection = std::make_shared<Connection>();
    ReportDatabaseFile = file;
    const QString connectionString = QStringLiteral("Data Source=") + ReportDatabaseFile;
    ReportConnection->SetProvider(Connection::EngineProvider());
    ReportConnection->SetCursorLocation(adUseClient);
    ReportConnection->Open(connectionString, QString(), QString(), adOptionUnspecified);
  } catch (...) {
    ShowErrorBox(CurrentError());
  }
}

void ClearYieldReport() {
  if (!ReportConnection)
    RaiseError(kErrObjectClosed, QStringLiteral("Operation is not allowed when the object is closed."),
               QStringLiteral("Connection"));
  int recordsAffected = 0;
  ReportConnection->Execute(Statements::ClearYieldReport, &recordsAffected, adCmdText | adExecuteNoRecords);
  // The import's rows are kept in memory too: the lists and the grid read
  // them back from there.
  ReportConnection->MirrorEmptiedTable(Statements::YieldTable);
}

void OpenYieldRecordset() {
  try {
    YieldRecordset = std::make_shared<Recordset>();
    YieldRecordset->Open(Statements::YieldRecords, ReportConnection, adOpenKeyset, adLockOptimistic, adCmdText);
  } catch (...) {
    ShowErrorBox(CurrentError());
  }
}

std::shared_ptr<Recordset> GetYieldRecordset() { return YieldRecordset; }

void WriteStoredRowsBehind() {
  if (ReportConnection && ReportConnection->IsOpen()) ReportConnection->Session()->Writer().WriteBehind();
}

bool StoredRowsPending() {
  if (!ReportConnection || !ReportConnection->IsOpen()) return false;
  TableWriter& writer = ReportConnection->Session()->Writer();
  return writer.WritingBehind() && writer.Busy();
}

QMetaObject::Connection WhenStoredRowsWritten(QObject* receiver, std::function<void()> done) {
  if (!ReportConnection || !ReportConnection->IsOpen()) return {};
  return QObject::connect(&ReportConnection->Session()->Writer(), &TableWriter::RowsBehindDone, receiver,
                          std::move(done));
}

bool FinishStoredRows() {
  if (!ReportConnection || !ReportConnection->Session()) return true;
  const std::shared_ptr<SqliteSession> session = ReportConnection->Session();
  try {
    session->Writer().Finish();
    // A failure that another statement met first (and reported) dropped the
    // mirror the records are shown from.
    const std::shared_ptr<Recordset> shown = YieldRecordset;
    return !shown || !shown->IsOpen() || !shown->AnsweredFromMemory() ||
           session->Writer().IsMirror(Statements::YieldTable, &shown->Store());
  } catch (...) {
    ShowErrorBox(CurrentError());
  }
  return false;
}

bool ReportChangeByAnotherProgram() {
  if (!ReportConnection || !ReportConnection->Session()) return false;
  bool changed = false;
  try {
    changed = ReportConnection->Session()->Writer().WrittenByAnotherConnection();
  } catch (...) {
    ShowErrorBox(CurrentError());
    return true;
  }
  if (changed)
    ShowMessageBox(AppTitle(), QStringLiteral("The database was changed by another program; the records are read "
                                              "again from it."));
  return changed;
}

}  // namespace modReportGeneration
