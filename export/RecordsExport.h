#pragma once
// The records a recordset shows, in its order, as a table to export: every
// field under its name, read straight from the column store (numbers as
// numbers, dates as days, texts as their UTF-8), never through cell texts.
#include "ExportTable.h"

#include <memory>
#include <shared_mutex>

class Recordset;

class RecordsTable : public ExportTable {
 public:
  // Holds the store's read lock while it lives, so that it may be read on
  // another thread than the one that appends rows.
  explicit RecordsTable(std::shared_ptr<const Recordset> records);
  ~RecordsTable() override;

  int ColumnCount() const override;
  QString Header(int column) const override;
  qint64 RowCount() const override { return rows_; }
  void ReadRow(qint64 row, ExportCell* cells) override;
  // ReadRow only reads the store, which the lock held keeps in place.
  bool ReadableFromTwoThreads() const override { return true; }

 private:
  std::shared_ptr<const Recordset> records_;
  std::shared_lock<std::shared_mutex> lock_;
  qint64 rows_ = 0;
};
