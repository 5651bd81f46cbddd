#pragma once
// The one entry of every import of report files: the paths in the order
// their records are to be stored, and what the import works with, all
// handed in by the caller; nothing current is looked up. The file
// selection window's batch, files dropped on the main window and files
// named on a command line all come here.
#include <QStringList>

class ImportProgress;
class Recordset;
class ReportReadAhead;

namespace modReportGeneration {

// Appends the records of each file, in `paths` order, to `recordset` (open
// on tblYieldReport). `progress` (may be null) is told of the batch by
// bytes over all files, of each file and the lines read, and ends the batch
// after the current line when a stop is asked for; each problem gets its
// box through it. `readAhead` was made over the same paths. Traps nothing
// beyond the boxes of files and lines: other failures pass to the caller.
void ImportReportFiles(const QStringList& paths, Recordset& recordset, ImportProgress* progress,
                       ReportReadAhead& readAhead);

// Report files in the order an import takes them when no list orders them
// (files dropped or named together, possibly from several folders): by file
// name as a folder's list sorts them, then by path.
QStringList InImportOrder(QStringList paths);

}  // namespace modReportGeneration
