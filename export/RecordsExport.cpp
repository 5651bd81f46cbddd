#include "RecordsExport.h"

#include "database/Recordset.h"

#include <cmath>

RecordsTable::RecordsTable(std::shared_ptr<const Recordset> records) : records_(std::move(records)) {
  if (!records_ || !records_->IsOpen()) return;
  lock_ = records_->Store().ReadLock();
  rows_ = records_->RecordCount();
}

RecordsTable::~RecordsTable() = default;

int RecordsTable::ColumnCount() const { return records_ && records_->IsOpen() ? records_->FieldCount() : 0; }

QString RecordsTable::Header(int column) const { return records_->FieldName(column); }

void RecordsTable::ReadRow(qint64 row, ExportCell* cells) {
  const ColumnStore& store = records_->Store();
  const qint64 at = records_->StoreRow(row);
  const int columns = store.ColumnCount();
  for (int c = 0; c < columns; ++c) {
    const ColumnStore::Column& column = store.At(c);
    ExportCell& cell = cells[c];
    cell = ExportCell{};
    switch (column.type) {
      case ColumnType::Text: {
        const uint32_t id = column.text[size_t(at)];
        if (id == 0) break;
        cell.type = ExportCell::Text;
        cell.text = store.Pool().Utf8(id);
        break;
      }
      case ColumnType::Number: {
        if (column.number.Compact()) {
          const int32_t h = column.number.HundredthsAt(size_t(at));
          if (h == NumberColumn::kNullHundredths) break;
          cell.type = ExportCell::Number;
          cell.hundredths = h;
          cell.number = NumberColumn::HundredthsValue(h);
          break;
        }
        const double v = column.number[size_t(at)];
        if (std::isnan(v)) break;
        cell.type = ExportCell::Number;
        cell.number = v;
        break;
      }
      case ColumnType::Date: {
        const qint32 day = column.date[size_t(at)];
        if (day == kNullDate) break;
        cell.type = ExportCell::Date;
        cell.day = day;
        break;
      }
    }
  }
}
