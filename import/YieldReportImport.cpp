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
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Splits a line at its commas into at most `max` fields; returns how many.
// Eight characters are compared a step where the processor allows it: the
// commas of ten million lines are the import's most frequent search.
int splitFields(QStringView text, QStringView* fields, int max) {
  const char16_t* chars = reinterpret_cast<const char16_t*>(text.data());
  const qsizetype size = text.size();
  int count = 0;
  qsizetype start = 0;
  const auto comma = [&](qsizetype at) {
    fields[count++] = text.sliced(start, at - start);
    start = at + 1;
    return count == max;
  };
  qsizetype i = 0;
#if defined(__SSE2__)
  const __m128i commas = _mm_set1_epi16(u',');
  for (; i + 8 <= size; i += 8) {
    const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars + i));
    // Two mask bits a character.
    for (unsigned bits = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi16(eight, commas))); bits;) {
      const int low = std::countr_zero(bits);
      bits &= ~(3u << low);
      if (comma(i + low / 2)) return count;
    }
  }
#endif
  for (; i < size; ++i)
    if (chars[i] == u',' && comma(i)) return count;
  fields[count++] = text.sliced(start);
  return count;
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
    const qsizetype count = splitFields(text, values.data(), int(values.size()));
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
