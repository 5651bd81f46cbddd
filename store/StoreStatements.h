#pragma once
// Every statement the record store runs, in one place. The emptying starts
// the table mirror, and each SELECT below is then answered from memory
// instead of by the engine: that is what makes the road after an import
// fast. A test checks that each of them still reads as a statement the
// mirror answers; keep their shape (SELECT * ... ORDER BY columns, or SELECT
// DISTINCT c ... ORDER BY c) when editing them.
#include <QString>

namespace modReportGeneration::Statements {

// The table the statements name; emptied, it is mirrored in memory.
inline const QString YieldTable = QStringLiteral("tblYieldReport");
inline const QString ClearYieldReport = QStringLiteral("Delete * from tblYieldReport");
inline const QString YieldRecords = QStringLiteral("SELECT * FROM tblYieldReport order by bdate,material,width");
inline const QString JobNames = QStringLiteral("SELECT DISTINCT JobName FROM tblYieldReport order by jobname");
inline const QString Materials = QStringLiteral("SELECT DISTINCT material FROM tblYieldReport order by material");
inline const QString Suppliers = QStringLiteral("SELECT DISTINCT Supplier FROM tblYieldReport order by Supplier");
inline const QString Widths = QStringLiteral("SELECT DISTINCT Width FROM tblYieldReport order by Width");
inline const QString Dates = QStringLiteral("SELECT DISTINCT bdate FROM tblYieldReport order by bdate");

}  // namespace modReportGeneration::Statements
