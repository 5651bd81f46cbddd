#pragma once
// The breakdown as a read-only table: one row per group and a last row
// "All". Sorting by a column reorders the groups (numbers by value, groups in
// their natural order); "All" stays last.
#include "YieldBreakdown.h"

#include <QAbstractTableModel>

class BreakdownTable : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  // Keeps the sort the user chose.
  void SetBreakdown(YieldBreakdown breakdown);
  const YieldBreakdown& Breakdown() const { return breakdown_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

  // A cell's text as shown; row rowCount()-1 is "All".
  QString Text(int row, int column) const;
  QString HeaderText(int column) const;
  // Header row first, a tab between cells, "\n" between rows; numbers
  // without group separators.
  QString CopyText() const;
  // Numbers (Width's labels too) to the right, texts to the left.
  Qt::Alignment Alignment(int column) const;
  // The groups in the order shown (without "All").
  std::vector<const BreakdownGroup*> ShownGroups() const;
  int SortColumn() const { return sortColumn_; }
  Qt::SortOrder SortOrder() const { return sortOrder_; }

  static constexpr int kRecordsColumn = 1;
  static constexpr int kFirstMeasureColumn = 2;
  static BreakdownMeasure MeasureOfColumn(int column) { return BreakdownMeasure(column - kFirstMeasureColumn); }

 signals:
  // The groups were reordered or replaced.
  void OrderChanged();

 private:
  const BreakdownGroup& GroupAt(int row) const;
  double Number(const BreakdownGroup& g, int column) const;
  void Reorder();

  YieldBreakdown breakdown_;
  std::vector<int> order_;  // shown row -> group index
  int sortColumn_ = 0;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};
