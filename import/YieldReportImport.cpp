#include "YieldReportImport.h"

#include "ImportProgress.h"
#include "ReportDatabase.h"
#include "ReportReadAhead.h"
#include "YieldColumns.h"
#include "common/AppInfo.h"
#include "common/ErrorBoxes.h"
#include "common/RuntimeErrors.h"

#include <QDir>
#include <QFileInfo>

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>

namespace modReportGeneration {

namespace {

// The columns of the fourteen fields of a report line, by field position.
constexpr std::array<YieldColumn, 14> kFieldColumns = {
    YieldColumn::BDate,          YieldColumn::Btime,         YieldColumn::Operator,       YieldColumn::Supplier,
    YieldColumn::Type,           YieldColumn::Material,      YieldColumn::Width,          YieldColumn::BoardLength,
    YieldColumn::LengthPartsCut, YieldColumn::TotalYieldPer, YieldColumn::NetBoardLength, YieldColumn::ClearLength,
    YieldColumn::ClearPer,       YieldColumn::ClearYieldPer};

// Lines between two reports of progress: often enough for a window kept
// painted every few dozen milliseconds, rare enough to cost nothing.
constexpr qsizetype kLinesPerProgress = 512;

// Where the next comma is at or after `from` (or the text's end), four
// characters a step: a field is a few characters long, too short for the
// library's search to pay for its call.
qsizetype nextComma(QStringView text, qsizetype from) {
  constexpr uint64_t kLowBits = 0x0001000100010001ULL, kHighBits = 0x8000800080008000ULL;
  constexpr uint64_t kCommas = 0x002C002C002C002CULL;
  const QChar* chars = text.data();
  qsizetype i = from;
  for (; i + 4 <= text.size(); i += 4) {
    uint64_t four;
    std::memcpy(&four, chars + i, sizeof four);
    const uint64_t x = four ^ kCommas;  // a comma's character becomes zero
    // The lowest flagged character is the first zero one (higher flags may
    // be false, from the borrow).
    if (const uint64_t zero = (x - kLowBits) & ~x & kHighBits) return i + std::countr_zero(zero) / 16;
  }
  for (; i < text.size(); ++i)
    if (chars[i] == u',') return i;
  return text.size();
}

bool stopRequested(const ImportProgress* progress) { return progress && progress->StopRequested(); }

}  // namespace

void ImportYieldReportFile(const QString& path) {
  const std::shared_ptr<Recordset> shared = YieldRecordset;
  if (!shared) {
    ShowImportErrorBox(CurrentImportProgress(),
                       {91, QStringLiteral("Object variable or With block variable not set"), AppSourceName()},
                       {QFileInfo(path).fileName(), 0, 0, {}, {}});
    return;
  }
  ReportReadAhead readWhenAsked({}, ReportDatabaseFile);
  ImportYieldReportFile(path, *shared, CurrentImportProgress(), readWhenAsked);
}

void ImportYieldReportFile(const QString& path, Recordset& recordset, ImportProgress* progress,
                           ReportReadAhead& readAhead) {
  const QString fileName = QFileInfo(path).fileName();
  std::optional<ReportLines> lines;
  try {
    if (readAhead.LeavesOut(path)) return;  // the program's own database
    lines.emplace(readAhead.Read(path));
  } catch (...) {
    // A file that cannot be opened or read ends its import after one box.
    const ErrorInfo error = CurrentError();
    ShowImportErrorBox(progress, error, {fileName, 0, 0, {}, {}});
    return;
  }

  // The fields are looked up once per file when the recordset allows it;
  // otherwise every assignment looks its field up and reports its own failure.
  std::array<std::optional<Field>, 14> fields;
  try {
    for (size_t k = 0; k < kFieldColumns.size(); ++k) fields[k] = recordset.Fields(ColumnName(kFieldColumns[k]));
  } catch (...) {
    fields = {};
  }

  const qint64 fileBytes = lines->Bytes();
  std::array<QStringView, 14> values;
  QString line;
  for (qsizetype n = 0; n < lines->Count(); ++n) {
    if (progress && n % kLinesPerProgress == 0) {
      progress->Advanced(n, fileBytes * n / lines->Count());
      if (progress->StopRequested()) return;  // stopped between two lines
    }
    lines->Line(n, line);
    // The first fourteen fields; any further ones are ignored.
    const QStringView text(line);
    qsizetype count = 0;
    for (qsizetype start = 0; count < 14;) {
      const qsizetype comma = nextComma(text, start);
      values[size_t(count++)] = text.sliced(start, comma - start);
      if (comma == text.size()) break;
      start = comma + 1;
    }
    // Runs one step of the row pass; a failure shows its box, saying where
    // it came from, and the pass goes on with the next step.
    const auto trapped = [&](auto&& step, const QString& column) {
      try {
        step();
      } catch (...) {
        const ErrorInfo error = CurrentError();
        ShowImportErrorBox(progress, error, {fileName, lines->FileLineNumber(n), n + 1, column, {}});
      }
    };
    trapped([&] { recordset.AddNew(); }, QString());
    for (size_t k = 0; k < kFieldColumns.size() && !stopRequested(progress); ++k) {
      trapped(
          [&] {
            if (qsizetype(k) >= count)
              RaiseError(kErrSubscript, QStringLiteral("Subscript out of range"), AppSourceName());
            Field field = fields[k] ? *fields[k] : recordset.Fields(ColumnName(kFieldColumns[k]));
            field.SetValue(values[k]);
          },
          ColumnName(kFieldColumns[k]));
    }
    // "Stop Import" pressed on a box of this line: the line is left out
    // whole, so the last stored row is a whole line.
    if (stopRequested(progress)) return;
    trapped([&] { recordset.Update(); }, QString());
    if (stopRequested(progress)) return;
  }
  if (progress) progress->Advanced(lines->Count(), fileBytes);
}

}  // namespace modReportGeneration
