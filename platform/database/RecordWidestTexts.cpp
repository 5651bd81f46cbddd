// The widest texts of a recordset's field for column fitting: each distinct
// value of the visible records is measured once, read straight from the
// column store (fast over a million cells).
#include "database/Recordset.h"
#include "table/KeyIndex.h"
#include "table/ValueText.h"

#include <QLocale>

#include <charconv>
#include <cmath>

void Recordset::WidestTextsOf(int field, const TextMeasure& widths, WidestTexts& widest) const {
  const ColumnStore& store = *store_;
  const ColumnStore::Column& column = store.At(field);
  widest.Offer(widths.Width(column.name), column.name);
  const qint64 n = IsOpen() ? RecordCount() : 0;
  switch (column.type) {
    case ColumnType::Text: {
      // Measure each distinct text once.
      std::vector<char> seen(store.Pool().Size(), 0);
      for (qint64 r = 0; r < n; ++r) {
        const uint32_t id = column.text[StoreRow(r)];
        if (seen[id]) continue;
        seen[id] = 1;
        const QString& text = store.Pool().At(id);
        widest.Offer(widths.Width(text), text);
      }
      break;
    }
    case ColumnType::Date: {
      // Days within 90 years of the first one are told apart without hashing.
      FirstSeen seen(size_t(1) << 16);
      qint32 base = kNullDate;
      for (qint64 r = 0; r < n; ++r) {
        const qint32 d = column.date[StoreRow(r)];
        if (d == kNullDate) continue;
        if (base == kNullDate) base = d - qint32(seen.Indexes() / 2);
        const qint64 k = qint64(d) - base;
        const bool inserted =
            k >= 0 && k < qint64(seen.Indexes()) ? seen.FirstIndex(size_t(k)) : seen.FirstKey(uint32_t(d));
        if (inserted) {
          const QString text = DateText(d);
          widest.Offer(widths.Width(text), text);
        }
      }
      break;
    }
    case ColumnType::Number: {
      const QString dp = QLocale().decimalPoint();
      const double dpWidth = widths.Width(dp);
      const double dotWidth = widths.Width(QStringLiteral("."));
      char buf[400];
      // Lengths and percentages kept as hundredths are told apart without
      // hashing; other values by their bits.
      const NumberColumn& numbers = column.number;
      const bool compact = numbers.Compact();
      FirstSeen seen(compact ? size_t(1) << 20 : 0);
      for (qint64 r = 0; r < n; ++r) {
        const qint64 row = StoreRow(r);
        const int32_t h = compact ? numbers.HundredthsAt(size_t(row)) : -1;
        const bool direct = h >= 0 && size_t(h) < seen.Indexes();
        if (direct && !seen.FirstIndex(size_t(h))) continue;
        double v = column.number[size_t(row)];
        if (std::isnan(v)) continue;
        if (v == 0) v = 0;
        if (!direct && !seen.FirstKey(DoubleKey(v))) continue;  // each distinct value is measured once
        const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
        const int len = int(res.ptr - buf);
        double w = widths.Width(buf, len);
        if (std::char_traits<char>::find(buf, len, '.')) w += dpWidth - dotWidth;
        if (widest.Wants(w)) widest.Offer(w, store.Text(field, row));  // the cell's own text
      }
      break;
    }
  }
}
