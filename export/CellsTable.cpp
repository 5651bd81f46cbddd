#include "CellsTable.h"

#include <algorithm>
#include <cmath>

void CellsTable::AddText(const QString& text) {
  Value v;
  if (!text.isEmpty()) {
    v.cell.type = ExportCell::Text;
    v.text = text.toUtf8();
  }
  rows_.back().push_back(std::move(v));
}

void CellsTable::AddNumber(double value, bool whole) {
  Value v;
  if (!std::isnan(value)) {
    v.cell.type = ExportCell::Number;
    v.cell.number = value;
    v.cell.whole = whole;
  }
  rows_.back().push_back(std::move(v));
}

void CellsTable::AddDate(const QDate& date) {
  Value v;
  if (date.isValid()) {
    v.cell.type = ExportCell::Date;
    v.cell.day = qint32(date.toJulianDay());
  }
  rows_.back().push_back(std::move(v));
}

int CellsTable::ColumnCount() const {
  size_t n = size_t(header_.size());
  for (const auto& row : rows_) n = std::max(n, row.size());
  return int(n);
}

void CellsTable::ReadRow(qint64 row, ExportCell* cells) {
  const auto& values = rows_[size_t(row)];
  const int columns = ColumnCount();
  for (int c = 0; c < columns; ++c) {
    if (size_t(c) >= values.size()) {
      cells[c] = ExportCell{};
      continue;
    }
    cells[c] = values[size_t(c)].cell;
    if (cells[c].type == ExportCell::Text) cells[c].text = values[size_t(c)].text;
  }
}
