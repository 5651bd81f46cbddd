#pragma once
// The grid control: cells addressed by (row, column) from 0, row 0 and
// column 0 fixed header cells; users select, resize columns, never edit.
// GridControl is the light variant with cells of its own; BoundGridControl
// also shows a recordset bound through DataSource.
#include <QStringList>
#include <QTableView>

#include <functional>
#include <memory>
#include <vector>

class CellGridModel;
class TextWidths;
class GridModel;
class RecordSource;

inline constexpr int kTwipsPerPixel = 15;

class GridControl : public QTableView {
  Q_OBJECT

 public:
  explicit GridControl(QWidget* parent = nullptr);
  ~GridControl() override;

  int Rows() const;
  int Cols() const;
  // Shape of the grid's own cells (the light grid's design-time shape).
  void SetRows(int rows);
  void SetCols(int cols);

  QString TextMatrix(int row, int col) const;
  // The number a cell shows, read without going through its text when the
  // cell holds a number value; false when only the text can tell.
  bool NumberMatrix(int row, int col, double& value) const;
  void SetTextMatrix(int row, int col, const QString& text);
  // NumberMatrix of `count` cells from (row, col) down, into values: how
  // many of them, from the first, hold a number value.
  int NumberMatrices(int row, int col, int count, double* values) const;

  // Selects one cell, or the rectangle between two corners.
  void Select(int row, int col);
  void Select(int row, int col, int rowSel, int colSel);
  int Row() const { return row_; }
  int Col() const { return col_; }
  int RowSel() const { return rowSel_; }
  int ColSel() const { return colSel_; }

  // Text of the selection: cells joined by a tab, rows by "\n", no final break.
  QString Clip() const;
  // Ctrl+C: the cells the user has selected in the view, as Clip() gives
  // them, go to the clipboard (nothing selected: the clipboard is kept).
  void CopySelectedCells();
  // The same text as UTF-8: half the memory of a QString for a big grid.
  QByteArray ClipUtf8() const;
  // The same text made when the returned function is called, of the cells
  // selected and shown now.
  std::function<QByteArray()> ClipUtf8Later() const;

  // Each column from first to last becomes as wide as its widest text plus
  // extraTwips; equalWidths gives them all the widest column's width.
  void AutoSize(int firstCol, int lastCol, bool equalWidths = false, int extraTwips = 0);

  int ColWidth(int col) const;  // twips
  void SetColWidth(int col, int twips);
  // Width in twips a cell needs to show a text whole, as the view draws it.
  int TextWidthTwips(const QString& text) const;

  // Print preview of the grid: a heading with the program's name and the
  // date and time, the caller's lines under it, then the cells as a table
  // with the grid's column widths.
  void PrintGrid(const QStringList& headingLines = {});

 protected:
  GridModel* Model() const { return model_; }
  // Shows another model (nullptr: the grid's own cells).
  void UseModel(GridModel* model);
  void keyPressEvent(QKeyEvent* event) override;
  void setSelectionModel(QItemSelectionModel* selectionModel) override;

 private slots:
  void OnModelReset();

 private:
  void CheckCell(int row, int col) const;
  void ApplyColumnWidths();
  void ShowSelection();
  int CellWidthPixels(const QString& text) const;
  int FittedWidthPixels(int col, const TextWidths& widths) const;

  CellGridModel* cells_;
  GridModel* model_ = nullptr;
  std::vector<int> widthsTwips_;
  int row_ = 0, col_ = 0, rowSel_ = 0, colSel_ = 0;
};

class BoundGridControl : public GridControl {
  Q_OBJECT

 public:
  using GridControl::GridControl;
  ~BoundGridControl() override;

  // Binds the grid to a recordset; nullptr unbinds it.
  void SetDataSource(std::shared_ptr<RecordSource> records);
  std::shared_ptr<RecordSource> DataSource() const;

 private:
  GridModel* bound_ = nullptr;
};
