#include "controls/GridModels.h"

#include <QApplication>
#include <QDate>
#include <QLocale>
#include <QPalette>

#include <charconv>
#include <cmath>

TextWidths::TextWidths(const QFont& font) : metrics_(font) {
  for (int c = 0; c < 256; ++c) latin1_[c] = metrics_.horizontalAdvance(QChar(c));
}

double TextWidths::Width(QStringView text) const {
  double w = 0;
  for (QChar c : text) {
    if (c.unicode() >= 256) return metrics_.horizontalAdvance(text.toString());
    w += latin1_[c.unicode()];
  }
  return w;
}

double TextWidths::Width(const char* ascii, int length) const {
  double w = 0;
  for (int i = 0; i < length; ++i) w += latin1_[static_cast<unsigned char>(ascii[i])];
  return w;
}

// ---- GridModel ----

void GridModel::WidestTextsOf(int col, const TextWidths& widths, WidestTexts& widest) const {
  for (int r = 0, n = GridRows(); r < n; ++r) {
    const QString text = CellText(r, col);
    widest.Offer(widths.Width(text), text);
  }
}

void GridModel::AppendRowUtf8(QByteArray& out, int row, int c1, int c2) const {
  for (int c = c1; c <= c2; ++c) {
    if (c > c1) out += '\t';
    AppendCellUtf8(out, row, c);
  }
}

void GridModel::AppendRowsUtf8(QByteArray& out, int r1, int r2, int c1, int c2) const {
  qsizetype rowStart = 0;
  for (int r = r1; r <= r2; ++r) {
    // Room for the rest, judged by the row before (a grid's rows are alike).
    if (r == r1 + 2) out.reserve(out.size() + (out.size() - rowStart) * (qsizetype(r2) - r + 1) * 11 / 10);
    rowStart = out.size();
    if (r > r1) out += '\n';
    AppendRowUtf8(out, r, c1, c2);
  }
}

std::function<QByteArray()> GridModel::RowsUtf8Later(int r1, int r2, int c1, int c2) const {
  // A few cells of the grid's own: made now, they cannot change meanwhile.
  QByteArray out;
  AppendRowsUtf8(out, r1, r2, c1, c2);
  return [out] { return out; };
}

int GridModel::CellNumbers(int row, int col, int count, double* values) const {
  for (int i = 0; i < count; ++i)
    if (!CellNumber(row + i, col, values[i])) return i;
  return count;
}

int GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : std::max(0, GridRows() - 1); }

int GridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : std::max(0, GridCols() - 1);
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (role == Qt::DisplayRole) return CellText(index.row() + 1, index.column() + 1);
  return {};
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role == Qt::DisplayRole) {
    const int row = orientation == Qt::Horizontal ? 0 : section + 1;
    const int col = orientation == Qt::Horizontal ? section + 1 : 0;
    if (row >= GridRows() || col >= GridCols()) return {};
    return CellText(row, col);
  }
  if (role == Qt::BackgroundRole) return QApplication::palette().button();
  return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;  // never editable
}

// ---- CellGridModel ----

QString CellGridModel::CellText(int row, int col) const { return cells_[size_t(row) * cols_ + col]; }

void CellGridModel::SetShape(int rows, int cols) {
  beginResetModel();
  std::vector<QString> cells(size_t(rows) * cols);
  for (int r = 0; r < std::min(rows, rows_); ++r)
    for (int c = 0; c < std::min(cols, cols_); ++c) cells[size_t(r) * cols + c] = cells_[size_t(r) * cols_ + c];
  cells_ = std::move(cells);
  rows_ = rows;
  cols_ = cols;
  endResetModel();
}

void CellGridModel::SetCell(int row, int col, const QString& text) {
  cells_[size_t(row) * cols_ + col] = text;
  if (row == 0 && col > 0)
    emit headerDataChanged(Qt::Horizontal, col - 1, col - 1);
  else if (col == 0 && row > 0)
    emit headerDataChanged(Qt::Vertical, row - 1, row - 1);
  else if (row > 0 && col > 0)
    emit dataChanged(index(row - 1, col - 1), index(row - 1, col - 1));
}

// ---- RecordsetGridModel ----

RecordsetGridModel::RecordsetGridModel(std::shared_ptr<RecordSource> records, QObject* parent)
    : GridModel(parent), decimalPoint_(QLocale().decimalPoint().toUtf8()), records_(std::move(records)) {
  records_->ConnectChanged(this, [this] {
    beginResetModel();
    endResetModel();
  });
}

int RecordsetGridModel::GridRows() const { return records_->IsOpen() ? int(1 + records_->RecordCount()) : 1; }

int RecordsetGridModel::GridCols() const { return 1 + records_->FieldCount(); }

QString RecordsetGridModel::CellText(int row, int col) const {
  if (col == 0) return {};
  if (row == 0) return records_->FieldName(col - 1);
  return records_->CellText(row - 1, col - 1);
}

void RecordsetGridModel::AppendCellUtf8(QByteArray& out, int row, int col) const {
  if (col == 0) return;
  if (row == 0) {
    out += records_->FieldName(col - 1).toUtf8();
    return;
  }
  records_->AppendCellUtf8(out, row - 1, col - 1, decimalPoint_);
}

namespace {

// The records of grid rows r1..r2 and columns c1..c2 (row 0 and column 0
// being the header's), as the record copy reads them.
RecordTextRange recordRange(int r1, int r2, int c1, int c2) {
  RecordTextRange range;
  range.firstRow = std::max(r1, 1) - 1;
  range.lastRow = qint64(r2) - 1;
  range.firstField = std::max(c1, 1) - 1;
  range.lastField = c2 - 1;
  range.leadingEmptyCell = c1 == 0;
  range.newlineFirst = r1 == 0;
  return range;
}

}  // namespace

void RecordsetGridModel::AppendRowsUtf8(QByteArray& out, int r1, int r2, int c1, int c2) const {
  if (r1 == 0) AppendRowUtf8(out, 0, c1, c2);  // the field names
  records_->AppendRecordText(out, recordRange(r1, r2, c1, c2), decimalPoint_);
}

std::function<QByteArray()> RecordsetGridModel::RowsUtf8Later(int r1, int r2, int c1, int c2) const {
  QByteArray names;  // the field names now; the records' text when asked for
  if (r1 == 0) AppendRowUtf8(names, 0, c1, c2);
  std::function<void(QByteArray&)> records = records_->RecordTextLater(recordRange(r1, r2, c1, c2), decimalPoint_);
  return [names, records] {
    QByteArray out = names;
    records(out);
    return out;
  };
}

bool RecordsetGridModel::CellNumber(int row, int col, double& value) const {
  if (row == 0 || col == 0) return false;
  return records_->CellNumber(row - 1, col - 1, value);
}

int RecordsetGridModel::CellNumbers(int row, int col, int count, double* values) const {
  if (row == 0 || col == 0) return GridModel::CellNumbers(row, col, count, values);
  return int(records_->CellNumbers(row - 1, col - 1, count, values));
}

void RecordsetGridModel::WidestTextsOf(int col, const TextWidths& widths, WidestTexts& widest) const {
  if (col == 0) return;
  records_->WidestTextsOf(col - 1, widths, widest);
}
