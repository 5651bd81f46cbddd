#pragma once
// A small table held in memory, cell by cell: the summary's layout, the
// breakdown's table and the facts beside it.
#include "ExportTable.h"

#include <QByteArray>
#include <QDate>
#include <QStringList>

#include <vector>

class CellsTable : public ExportTable {
 public:
  explicit CellsTable(QStringList header = {}) : header_(std::move(header)) {}

  // Starts a new row; the cells below fill it from the left.
  void AddRow() { rows_.emplace_back(); }
  void AddEmpty() { rows_.back().push_back({}); }
  void AddText(const QString& text);
  void AddNumber(double value, bool whole = false);  // NaN: an empty cell
  void AddDate(const QDate& date);                   // invalid: an empty cell

  int ColumnCount() const override;
  QString Header(int column) const override { return header_.value(column); }
  qint64 RowCount() const override { return qint64(rows_.size()); }
  void ReadRow(qint64 row, ExportCell* cells) override;
  bool ReadableFromTwoThreads() const override { return true; }  // ReadRow only reads

 private:
  struct Value {
    ExportCell cell;
    QByteArray text;
  };
  QStringList header_;
  std::vector<std::vector<Value>> rows_;
};
