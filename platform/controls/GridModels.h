#pragma once
// Models behind the grid control. Grid coordinates count from 0 with row 0
// and column 0 fixed: the view shows row 0 in its column header and column 0
// in its row header, so both stay in place while the cells scroll.
#include <QAbstractTableModel>
#include <QFontMetrics>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/RecordSource.h"
#include "common/WidestTexts.h"

// Width of texts in one font, summing cached fractional character advances:
// measuring a million cells one QString at a time would dominate column
// fitting. Close to, not exactly, what the text takes when drawn (shaping,
// font fallback): it picks the widest texts, which are then measured as the
// view draws them.
class TextWidths final : public TextMeasure {
 public:
  explicit TextWidths(const QFont& font);
  double Width(QStringView text) const override;
  double Width(const char* ascii, int length) const override;

 private:
  QFontMetricsF metrics_;
  std::array<double, 256> latin1_{};
};

class GridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  virtual int GridRows() const = 0;
  virtual int GridCols() const = 0;
  virtual QString CellText(int row, int col) const = 0;
  // The widest texts of a grid column over all its rows.
  virtual void WidestTextsOf(int col, const TextWidths& widths, WidestTexts& widest) const;
  // Appends a cell's text as UTF-8 (copying a million rows should not make
  // a temporary string per cell).
  virtual void AppendCellUtf8(QByteArray& out, int row, int col) const { out += CellText(row, col).toUtf8(); }
  // Appends the cells c1..c2 of a row joined by tabs.
  void AppendRowUtf8(QByteArray& out, int row, int c1, int c2) const;
  // Appends rows r1..r2 (cells c1..c2) with "\n" between rows.
  virtual void AppendRowsUtf8(QByteArray& out, int r1, int r2, int c1, int c2) const;
  // The same text, made when the returned function is called, of the cells
  // as they are now.
  virtual std::function<QByteArray()> RowsUtf8Later(int r1, int r2, int c1, int c2) const;
  // The number a cell's text stands for, when the cell holds a number value
  // (its text reads back to exactly this value); false otherwise.
  virtual bool CellNumber(int, int, double&) const { return false; }
  // CellNumber of the cells from (row, col) down, into values: how many of
  // them, from the first, hold a number.
  virtual int CellNumbers(int row, int col, int count, double* values) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
};

// The light grid's own cells.
class CellGridModel : public GridModel {
  Q_OBJECT

 public:
  using GridModel::GridModel;
  int GridRows() const override { return rows_; }
  int GridCols() const override { return cols_; }
  QString CellText(int row, int col) const override;
  void SetShape(int rows, int cols);  // keeps the cells that remain
  void SetCell(int row, int col, const QString& text);

 private:
  int rows_ = 0;
  int cols_ = 0;
  std::vector<QString> cells_;
};

// A live view of records (a recordset): row 0 the field names, then one row
// per record passing the filter; column 0 empty, field k in column k + 1.
class RecordsetGridModel : public GridModel {
  Q_OBJECT

 public:
  RecordsetGridModel(std::shared_ptr<RecordSource> records, QObject* parent);
  int GridRows() const override;
  int GridCols() const override;
  QString CellText(int row, int col) const override;
  void WidestTextsOf(int col, const TextWidths& widths, WidestTexts& widest) const override;
  void AppendCellUtf8(QByteArray& out, int row, int col) const override;
  void AppendRowsUtf8(QByteArray& out, int r1, int r2, int c1, int c2) const override;
  std::function<QByteArray()> RowsUtf8Later(int r1, int r2, int c1, int c2) const override;
  bool CellNumber(int row, int col, double& value) const override;
  int CellNumbers(int row, int col, int count, double* values) const override;
  const std::shared_ptr<RecordSource>& Source() const { return records_; }

 private:
  QByteArray decimalPoint_;

 private:
  std::shared_ptr<RecordSource> records_;
};
