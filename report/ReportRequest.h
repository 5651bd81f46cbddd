#pragma once
// A report asked for on the command line: where to write it, the filter
// lists' picks, the breakdown's grouping and the report files to import.
#include <QString>
#include <QStringList>

struct ReportRequest {
  QString output;  // .xlsx, .csv or .pdf
  // The lists' values as they show them; a null text (option left out) or
  // "ALL" means no restriction.
  QString material, supplier, width, from, to;
  QString groupBy;  // a grouping of the breakdown; null: the summary alone
  QStringList files;
};

// Exit codes of a report run.
inline constexpr int kReportWritten = 0;
inline constexpr int kReportNotWritten = 1;  // also a wrong option
inline constexpr int kReportFileUnread = 2;
inline constexpr int kReportRefused = 3;  // the summary's error box

// Checks what can be checked before anything is read: the output's format,
// the dates' form, the grouping, some files. Returns the one-line message of
// what is wrong, or an empty text.
QString CheckReportRequest(const ReportRequest& request);
