#include "GridModels.h"

#include "RecordTextCopy.h"

#include "KeyIndex.h"
#include "Recordset.h"
#include "ValueText.h"

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

// ---- WidestTexts ----

void WidestTexts::Offer(double width, QStringView text) {
  if (Wants(width)) Keep(width, text.toString());
}

void WidestTexts::Keep(double width, QString text) {
  if (width > widest_) {
    // A new widest is always kept, in place of the narrowest when full.
    widest_ = width;
    std::erase_if(found_, [&](const auto& f) { return !Wanted(f.first); });
    if (found_.size() >= kMaxTexts)
      found_.erase(std::min_element(found_.begin(), found_.end(),
                                    [](const auto& a, const auto& b) { return a.first < b.first; }));
  } else if (found_.size() >= kMaxTexts) {
    return;
  }
  found_.emplace_back(width, std::move(text));
}

std::vector<QString> WidestTexts::Texts() const {
  std::vector<QString> texts;
  for (const auto& f : found_) texts.push_back(f.second);
  return texts;
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

RecordsetGridModel::RecordsetGridModel(std::shared_ptr<Recordset> recordset, QObject* parent)
    : GridModel(parent), decimalPoint_(QLocale().decimalPoint().toUtf8()), recordset_(std::move(recordset)) {
  connect(recordset_.get(), &Recordset::Changed, this, [this] {
    beginResetModel();
    endResetModel();
  });
}

int RecordsetGridModel::GridRows() const { return recordset_->IsOpen() ? int(1 + recordset_->RecordCount()) : 1; }

int RecordsetGridModel::GridCols() const { return 1 + recordset_->FieldCount(); }

QString RecordsetGridModel::CellText(int row, int col) const {
  if (col == 0) return {};
  if (row == 0) return recordset_->FieldName(col - 1);
  return recordset_->CellText(row - 1, col - 1);
}

void RecordsetGridModel::AppendCellUtf8(QByteArray& out, int row, int col) const {
  if (col == 0) return;
  if (row == 0) {
    out += recordset_->FieldName(col - 1).toUtf8();
    return;
  }
  recordset_->Store().AppendUtf8(out, col - 1, recordset_->StoreRow(row - 1), decimalPoint_);
}

void RecordsetGridModel::AppendRowsUtf8(QByteArray& out, int r1, int r2, int c1, int c2) const {
  if (r1 == 0) AppendRowUtf8(out, 0, c1, c2);  // the field names
  RecordTextRange range;
  range.firstRow = std::max(r1, 1) - 1;
  range.lastRow = qint64(r2) - 1;
  range.firstField = std::max(c1, 1) - 1;
  range.lastField = c2 - 1;
  range.leadingEmptyCell = c1 == 0;
  range.newlineFirst = r1 == 0;
  AppendRecordText(out, *recordset_, range, decimalPoint_);
}

bool RecordsetGridModel::CellNumber(int row, int col, double& value) const {
  if (row == 0 || col == 0) return false;
  return recordset_->Store().Number(col - 1, recordset_->StoreRow(row - 1), value);
}

void RecordsetGridModel::WidestTextsOf(int col, const TextWidths& widths, WidestTexts& widest) const {
  if (col == 0) return;
  const int field = col - 1;
  const ColumnStore& store = recordset_->Store();
  const ColumnStore::Column& column = store.At(field);
  widest.Offer(widths.Width(column.name), column.name);
  const qint64 n = recordset_->IsOpen() ? recordset_->RecordCount() : 0;
  switch (column.type) {
    case ColumnType::Text: {
      // Measure each distinct text once.
      std::vector<char> seen(store.Pool().Size(), 0);
      for (qint64 r = 0; r < n; ++r) {
        const uint32_t id = column.text[recordset_->StoreRow(r)];
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
        const qint32 d = column.date[recordset_->StoreRow(r)];
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
      const int32_t* hundredths = column.number.Hundredths();
      FirstSeen seen(hundredths ? size_t(1) << 20 : 0);
      for (qint64 r = 0; r < n; ++r) {
        const qint64 row = recordset_->StoreRow(r);
        const bool direct = hundredths && hundredths[row] >= 0 && size_t(hundredths[row]) < seen.Indexes();
        if (direct && !seen.FirstIndex(size_t(hundredths[row]))) continue;
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
