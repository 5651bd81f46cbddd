#pragma once
// The database side of the record store: the one connection to the report
// database, the shared recordset over the yield records, and emptying the
// yield table. Both references live until the process ends.
#include "Connection.h"
#include "Recordset.h"

#include <memory>

namespace modReportGeneration {

extern std::shared_ptr<Connection> ReportConnection;
extern std::shared_ptr<Recordset> YieldRecordset;
// The database file the connection was opened on.
extern QString ReportDatabaseFile;

// Opens the report database (beside the program, or the user's copy of it:
// DatabaseLocation.h); shows the error box on failure.
void OpenReportDatabase();
// Deletes every row of tblYieldReport; passes failures to the caller.
void ClearYieldReport();
// Replaces the shared recordset with a new one over the table, sorted by
// date, material and width; shows the error box on failure.
void OpenYieldRecordset();
// The shared recordset itself (not a copy); empty before the first open.
std::shared_ptr<Recordset> GetYieldRecordset();

// After an import: its rows go on reaching the file behind the grid, which
// shows them from memory meanwhile.
void WriteStoredRowsBehind();
// Whether rows are still on their way to the file.
bool StoredRowsPending();
// Waits for the rows on their way to the file. When some could not be kept
// it shows the box that counts them (unless another statement met the
// failure first and showed it) and returns false: the grid then shows rows
// the file does not hold, and is to be opened again from the file.
bool FinishStoredRows();

}  // namespace modReportGeneration
