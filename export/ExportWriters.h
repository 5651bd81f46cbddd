#pragma once
// The writers of an export: CSV (RFC 4180, UTF-8) and Excel workbooks
// through libxlsxwriter in its constant-memory mode. Each writes to a
// temporary file beside the destination and renames it only when whole, so
// a failed or stopped export leaves nothing under the chosen name. A path
// that cannot be written raises error 75 (ErrorInfo).
#include "ExportTable.h"

#include <QString>

#include <vector>

// Rows a worksheet holds, its header included.
inline constexpr qint64 kSheetRows = 1048576;

struct ExportSheet {
  QString name;  // "Records"; further sheets of the same table "Records 2", ...
  ExportTable* table = nullptr;
  bool headerRow = true;   // the first row in bold, frozen
  bool autofilter = true;  // on the header row
  const ExportChart* chart = nullptr;
};

// Returns false when the progress asked to stop (no file is left then).
bool WriteCsv(ExportTable& table, const QString& path, ExportProgress* progress);
bool WriteXlsx(const std::vector<ExportSheet>& sheets, const QString& path, ExportProgress* progress,
               qint64 sheetRows = kSheetRows);

// The format a destination's name asks for.
enum class ExportFormat { Xlsx, Csv };
