#include "sqlite/StoreRowBatch.h"

#include "sqlite/RowBatch.h"
#include "table/ColumnStore.h"
#include "table/ValueText.h"

#include <cmath>
#include <cstring>

void AppendStoreRows(RowBatch& batch, const ColumnStore& store, qint64 first, qint64 end) {
  qint32 day = kNullDate;  // rows of a day come together: its text is made once
  char dayChars[10];
  for (qint64 row = first; row < end; ++row) {
    batch.BeginRow();
    for (int i = 0; i < store.ColumnCount(); ++i) {
      const ColumnStore::Column& c = store.At(i);
      switch (c.type) {
        case ColumnType::Number: {
          const double v = c.number[size_t(row)];
          if (std::isnan(v))
            batch.AddNull();
          else
            batch.AddNumber(v);
          break;
        }
        case ColumnType::Date: {
          const qint32 d = c.date[size_t(row)];
          if (d == kNullDate) {
            batch.AddNull();
            break;
          }
          if (d != day) DateChars(day = d, dayChars);
          std::memcpy(batch.AddTextRoom(10), dayChars, 10);
          break;
        }
        case ColumnType::Text: {
          const uint32_t id = c.text[size_t(row)];
          if (id == 0) {
            batch.AddNull();
            break;
          }
          // Exactly the text's bytes: the bytes after the pool's last text
          // may be changing on the thread that appends.
          const QByteArrayView utf8 = store.Pool().Utf8(id);
          batch.AddText(utf8.data(), uint32_t(utf8.size()));
          break;
        }
      }
    }
  }
}
