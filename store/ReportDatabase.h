#pragma once
// The database side of the record store: the one connection to the report
// database, the shared recordset over the yield records, and emptying the
// yield table. Both references live until the process ends.
#include "database/Connection.h"
#include "database/Recordset.h"

#include <QMetaObject>
#include <QObject>

#include <functional>
#include <memory>

namespace modReportGeneration {

extern std::shared_ptr<Connection> ReportConnection;
extern std::shared_ptr<Recordset> YieldRecordset;
// The database file the connection was opened on.
extern QString ReportDatabaseFile;

// Opens the report database (beside the program, or the user's copy of it:
// DatabaseLocation.h); shows the error box on failure.
void OpenReportDatabase();
// The same on a file chosen before (start-up checks for a running copy on
// it before anything opens it).
void OpenReportDatabase(const QString& file);
// Deletes every row of tblYieldReport and starts its mirror (the rows stored
// next are read back from memory); passes failures to the caller.
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
// Calls `done` in `receiver`'s thread when no row is on its way to the file
// any more after WriteStoredRowsBehind (it may come more than once).
QMetaObject::Connection WhenStoredRowsWritten(QObject* receiver, std::function<void()> done);
// Waits for the rows on their way to the file. When some could not be kept
// it shows the box that counts them (unless another statement met the
// failure first and showed it) and returns false: the grid then shows rows
// the file does not hold, and is to be opened again from the file.
bool FinishStoredRows();
// After FinishStoredRows: when another program has written to the database
// since the import emptied the table (a sqlite3 shell deleting rows), the
// records shown from memory may not be what the file holds. Shows a box
// saying so and returns true: the grid is then to be read again from the file.
bool ReportChangeByAnotherProgram();

}  // namespace modReportGeneration
