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
  if (ReportConnection && ReportConnection->Session()) ReportConnection->Session()->WriteLaterRowsBehind();
}

bool StoredRowsPending() {
  return ReportConnection && ReportConnection->Session() && ReportConnection->Session()->WritingBehind() &&
         ReportConnection->Session()->WriterBusy();
}

bool FinishStoredRows() {
  if (!ReportConnection || !ReportConnection->Session()) return true;
  const std::shared_ptr<SqliteSession> session = ReportConnection->Session();
  try {
    session->CommitPendingCountingLost();
    // A failure that another statement met first (and reported) dropped the
    // mirror the records are shown from.
    const std::shared_ptr<Recordset> shown = YieldRecordset;
    return !shown || !shown->IsOpen() || !shown->AnsweredFromMemory() ||
           session->IsMirror(QStringLiteral("tblYieldReport"), &shown->Store());
  } catch (...) {
    ShowErrorBox(CurrentError());
  }
  return false;
}

bool ReportChangeByAnotherProgram() {
  if (!ReportConnection || !ReportConnection->Session()) return false;
  bool changed = false;
  try {
    changed = ReportConnection->Session()->WrittenByAnotherConnection();
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
