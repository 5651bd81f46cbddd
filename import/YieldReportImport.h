#pragma once
// The import of one report file: each line's fields set on a new record of
// tblYieldReport, the record stored, every problem shown in its box.
#include <QString>

class ImportProgress;
class Recordset;
class ReportReadAhead;

namespace modReportGeneration {

// Appends one yield record per non-blank line of the report file to
// `recordset`, each stored as soon as its fields are set. Every problem
// shows the error box (through `progress`, which may be null); a refused
// field or a failed row never stops the lines after it. The lines come
// through `readAhead`; the file it leaves out is not imported.
void ImportYieldReportFile(const QString& path, Recordset& recordset, ImportProgress* progress,
                           ReportReadAhead& readAhead);
// The same with the shared recordset and the current progress, the file
// read when asked for.
void ImportYieldReportFile(const QString& path);

}  // namespace modReportGeneration
