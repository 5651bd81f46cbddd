// CSV as RFC 4180 has it: commas, fields holding a comma, quote or line
// break quoted with their quotes doubled, CRLF after every row, UTF-8.
// Numbers with "." and the fewest digits that read back to the same value,
// dates as yyyy-mm-dd, Null as an empty field.
#include "ExportFiles.h"
#include "ExportWriters.h"
#include "table/ValueText.h"

#include <QFile>

#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr size_t kFlushBytes = size_t(1) << 20;
constexpr qint64 kRowsPerCheck = 4096;  // rows between two looks at the progress

void appendText(std::string& out, QByteArrayView text) {
  const char* b = text.data();
  const size_t n = size_t(text.size());
  bool quote = false;
  for (size_t i = 0; i < n && !quote; ++i) {
    const char c = b[i];
    quote = c == ',' || c == '"' || c == '\r' || c == '\n';
  }
  if (!quote) {
    out.append(b, n);
    return;
  }
  out.push_back('"');
  for (size_t i = 0; i < n; ++i) {
    if (b[i] == '"') out.push_back('"');
    out.push_back(b[i]);
  }
  out.push_back('"');
}

void appendHundredths(std::string& out, int32_t h) {
  // Whole hundredths spelled with integers: "12.5" for 1250, "-3" for -300.
  int64_t v = h;
  if (v < 0) {
    out.push_back('-');
    v = -v;
  }
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, v / 100).ptr;
  out.append(digits, size_t(end - digits));
  const int frac = int(v % 100);
  if (frac == 0) return;
  out.push_back('.');
  out.push_back(char('0' + frac / 10));
  if (frac % 10) out.push_back(char('0' + frac % 10));
}

void appendNumber(std::string& out, const ExportCell& cell) {
  if (cell.hundredths != ExportCell::kNoHundredths) return appendHundredths(out, cell.hundredths);
  double v = cell.number;
  if (v == 0) v = 0;  // -0 is written as 0, as the grid shows it
  char digits[40];
  // A whole number in full: a count of 300000 is not "3e+05", though that is
  // shorter, and reads back as an integer.
  auto end = std::abs(v) < 1e15 && v == std::trunc(v)
                 ? std::to_chars(digits, digits + sizeof digits, static_cast<long long>(v)).ptr
                 : std::to_chars(digits, digits + sizeof digits, v).ptr;
  out.append(digits, size_t(end - digits));
}

void appendCell(std::string& out, const ExportCell& cell) {
  switch (cell.type) {
    case ExportCell::Empty: break;
    case ExportCell::Number: appendNumber(out, cell); break;
    case ExportCell::Date: {
      char chars[10];
      DateChars(cell.day, chars);
      out.append(chars, sizeof chars);
      break;
    }
    case ExportCell::Text: appendText(out, cell.text); break;
  }
}

}  // namespace

bool WriteCsv(ExportTable& table, const QString& path, ExportProgress* progress) {
  TemporaryBeside temporary(path);
  QFile file(temporary.Path());
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) RaiseCannotWrite(path);
  std::string out;
  out.reserve(kFlushBytes + 4096);
  const auto flush = [&] {
    if (file.write(out.data(), qint64(out.size())) != qint64(out.size())) RaiseCannotWrite(path);
    out.clear();
  };

  const int columns = table.ColumnCount();
  bool header = false;  // a layout without column names (the summary) has no header line
  for (int c = 0; c < columns; ++c) header = header || !table.Header(c).isEmpty();
  for (int c = 0; header && c < columns; ++c) {
    if (c) out.push_back(',');
    appendText(out, table.Header(c).toUtf8());
  }
  if (header) out.append("\r\n");
  std::vector<ExportCell> cells(size_t(std::max(columns, 1)));
  const qint64 rows = table.RowCount();
  for (qint64 r = 0; r < rows; ++r) {
    if (r % kRowsPerCheck == 0 && progress) {
      if (progress->StopRequested()) return false;
      progress->Advanced(r, rows);
    }
    table.ReadRow(r, cells.data());
    for (int c = 0; c < columns; ++c) {
      if (c) out.push_back(',');
      appendCell(out, cells[size_t(c)]);
    }
    out.append("\r\n");
    if (out.size() >= kFlushBytes) flush();
  }
  flush();
  if (progress) {
    if (progress->StopRequested()) return false;
    progress->Advanced(rows, rows);
  }
  if (!file.flush()) RaiseCannotWrite(path);
  file.close();
  temporary.Commit();
  return true;
}
