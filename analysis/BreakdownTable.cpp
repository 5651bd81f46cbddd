#include "BreakdownTable.h"

#include <QFont>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <numeric>

void BreakdownTable::SetBreakdown(YieldBreakdown breakdown) {
  beginResetModel();
  breakdown_ = std::move(breakdown);
  Reorder();
  endResetModel();
  emit OrderChanged();
}

int BreakdownTable::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(breakdown_.groups.size()) + 1;
}

int BreakdownTable::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kFirstMeasureColumn + kBreakdownMeasureCount;
}

const BreakdownGroup& BreakdownTable::GroupAt(int row) const {
  return row < int(order_.size()) ? breakdown_.groups[size_t(order_[size_t(row)])] : breakdown_.all;
}

double BreakdownTable::Number(const BreakdownGroup& g, int column) const {
  if (column == kRecordsColumn) return double(g.records);
  return g.Measure(MeasureOfColumn(column));
}

QString BreakdownTable::Text(int row, int column) const {
  const BreakdownGroup& g = GroupAt(row);
  if (column == 0) return g.label;
  if (column == kRecordsColumn) return QLocale().toString(g.records);
  return BreakdownNumberText(Number(g, column));
}

QString BreakdownTable::HeaderText(int column) const {
  if (column == 0) return BreakdownGroupingNames().value(int(breakdown_.grouping));
  if (column == kRecordsColumn) return QStringLiteral("Records");
  return BreakdownMeasureName(MeasureOfColumn(column));
}

QVariant BreakdownTable::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  switch (role) {
    case Qt::DisplayRole: return Text(index.row(), index.column());
    case Qt::TextAlignmentRole: return QVariant(Alignment(index.column()));
    case Qt::FontRole:
      if (index.row() == rowCount() - 1) {
        QFont bold;
        bold.setBold(true);
        return bold;
      }
      return {};
    default: return {};
  }
}

QVariant BreakdownTable::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return QAbstractTableModel::headerData(section, orientation, role);
  if (role == Qt::InitialSortOrderRole) return Qt::AscendingOrder;  // a first click sorts upward
  if (role == Qt::TextAlignmentRole) return QVariant(Alignment(section));
  if (role != Qt::DisplayRole) return {};
  return HeaderText(section);
}

Qt::ItemFlags BreakdownTable::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void BreakdownTable::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= columnCount()) return;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  sortColumn_ = column;
  sortOrder_ = order;
  Reorder();
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
  emit OrderChanged();
}

void BreakdownTable::Reorder() {
  order_.resize(breakdown_.groups.size());
  std::iota(order_.begin(), order_.end(), 0);
  if (sortColumn_ > 0) {
    // Empty cells (no divisor) come before every number, as the smallest;
    // ties keep the groups' natural order.
    const auto key = [&](int i) { return Number(breakdown_.groups[size_t(i)], sortColumn_); };
    std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
      const double x = key(a), y = key(b);
      if (std::isnan(x) || std::isnan(y)) return std::isnan(x) && !std::isnan(y);
      return x < y;
    });
  }
  if (sortOrder_ == Qt::DescendingOrder) std::reverse(order_.begin(), order_.end());
}

Qt::Alignment BreakdownTable::Alignment(int column) const {
  // Numbers line up on their last digit; widths are numbers too.
  const bool number = column > 0 || breakdown_.grouping == BreakdownGrouping::Width;
  return (number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

QString BreakdownTable::CopyText() const {
  // Numbers without group separators, as the record grid's copy writes
  // them, so that a spreadsheet or a script reads them as numbers.
  QLocale plain;
  plain.setNumberOptions(plain.numberOptions() | QLocale::OmitGroupSeparator);
  const auto cell = [&](int r, int c) {
    const BreakdownGroup& g = GroupAt(r);
    if (c == 0) return g.label;
    if (c == kRecordsColumn) return plain.toString(g.records);
    const double v = Number(g, c);
    return std::isnan(v) ? QString() : plain.toString(v, 'f', 2);
  };
  QString out;
  for (int c = 0; c < columnCount(); ++c) out += (c ? QStringLiteral("\t") : QString()) + HeaderText(c);
  for (int r = 0; r < rowCount(); ++r) {
    out += QLatin1Char('\n');
    for (int c = 0; c < columnCount(); ++c) out += (c ? QStringLiteral("\t") : QString()) + cell(r, c);
  }
  return out;
}

std::vector<const BreakdownGroup*> BreakdownTable::ShownGroups() const {
  std::vector<const BreakdownGroup*> shown;
  shown.reserve(order_.size());
  for (int i : order_) shown.push_back(&breakdown_.groups[size_t(i)]);
  return shown;
}
