#pragma once
// The report's file by its name's ending: a workbook, a CSV file or a PDF
// of the printouts. Each is written beside its destination and renamed when
// whole; a failure raises an ErrorInfo (75 for a path that cannot be
// written) and leaves no file under the name.
#include <QString>

class Form1;
class frmBreakdown;

enum class ReportFormat { Xlsx, Csv, Pdf };

// The format `path` asks for; false for another ending.
bool ReportFormatOf(const QString& path, ReportFormat& format);

// The summary (and the breakdown, when given) as the windows hold them.
void WriteReport(const QString& path, ReportFormat format, const Form1& form, frmBreakdown* breakdown);

// A report that says that no record matches the filter (`picks`).
void WriteEmptyReport(const QString& path, ReportFormat format, const Form1& form, const QString& picks);

// The text of such a report.
inline constexpr const char* kNoRecordsText = "No records match the filter.";
