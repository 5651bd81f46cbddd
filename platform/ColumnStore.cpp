#include "ColumnStore.h"

#include "ValueText.h"

#include <QDate>

#include <cmath>

int CompareText(QStringView a, QStringView b) {
  // UTF-16 order differs from code point order only where surrogates meet
  // characters from U+E000 up; shift those so surrogates sort above them.
  const auto key = [](char16_t c) -> int {
    if (c >= 0xD800 && c <= 0xDFFF) return c + 0x2000;
    if (c >= 0xE000) return c - 0x800;
    return c;
  };
  const qsizetype n = std::min(a.size(), b.size());
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t x = a[i].unicode(), y = b[i].unicode();
    if (x != y) return key(x) < key(y) ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

uint32_t TextPool::Intern(const QString& text) {
  auto it = ids_.constFind(text);
  if (it != ids_.constEnd()) return it.value();
  const uint32_t id = uint32_t(strings_.size());
  strings_.push_back(text);
  ids_.insert(text, id);
  return id;
}

void ColumnStore::AddColumn(const QString& name, ColumnType type) {
  Column c;
  c.name = name;
  c.type = type;
  columns_.push_back(std::move(c));
}

int ColumnStore::FindColumn(QStringView name) const {
  for (int i = 0; i < int(columns_.size()); ++i)
    if (name.compare(columns_[i].name, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

void ColumnStore::Reserve(qint64 rows) {
  for (Column& c : columns_) {
    switch (c.type) {
      case ColumnType::Text: c.text.reserve(rows); break;
      case ColumnType::Number: c.number.reserve(rows); break;
      case ColumnType::Date: c.date.reserve(rows); break;
    }
  }
}

void ColumnStore::AppendRow(const std::vector<CellValue>& cells) {
  for (int i = 0; i < int(columns_.size()); ++i) {
    const CellValue& v = cells[i];
    Column& c = columns_[i];
    switch (c.type) {
      case ColumnType::Text: c.text.push_back(v.isNull ? 0 : pool_.Intern(v.text)); break;
      case ColumnType::Number: c.number.push_back(v.isNull ? std::nan("") : v.number); break;
      case ColumnType::Date: c.date.push_back(v.isNull ? kNullDate : v.date); break;
    }
  }
  ++rows_;
}

bool ColumnStore::IsNull(int column, qint64 row) const {
  const Column& c = columns_[column];
  switch (c.type) {
    case ColumnType::Text: return c.text[row] == 0;
    case ColumnType::Number: return std::isnan(c.number[row]);
    case ColumnType::Date: return c.date[row] == kNullDate;
  }
  return true;
}

QVariant ColumnStore::Value(int column, qint64 row) const {
  if (IsNull(column, row)) return {};
  const Column& c = columns_[column];
  switch (c.type) {
    case ColumnType::Text: return pool_.At(c.text[row]);
    case ColumnType::Number: return c.number[row];
    case ColumnType::Date: return QDate::fromJulianDay(c.date[row]);
  }
  return {};
}

QString ColumnStore::Text(int column, qint64 row) const {
  if (IsNull(column, row)) return {};
  const Column& c = columns_[column];
  switch (c.type) {
    case ColumnType::Text: return pool_.At(c.text[row]);
    case ColumnType::Number: return NumberText(c.number[row]);
    case ColumnType::Date: return DateText(c.date[row]);
  }
  return {};
}
