#pragma once
#include <QString>

namespace modReportGeneration {

// Appends one yield record per non-blank line of the report file to
// tblYieldReport through the shared recordset, each stored as soon as its
// fields are set. Every problem shows the error box; a refused field or a
// failed row never stops the lines after it.
void ImportYieldReportFile(const QString& path);

}  // namespace modReportGeneration
