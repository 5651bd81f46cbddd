#include "controls/GridControl.h"

#include "common/AppInfo.h"
#include "common/ErrorBoxes.h"
#include "common/ErrorInfo.h"
#include "common/RuntimeErrors.h"
#include "controls/ClipboardSeam.h"
#include "controls/GridModels.h"
#include "controls/GridPrint.h"
#include "controls/PrinterSeam.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelection>
#include <QKeyEvent>
#include <QStyle>

namespace {
constexpr int kDefaultColWidthTwips = 960;
}

GridControl::GridControl(QWidget* parent) : QTableView(parent), cells_(new CellGridModel(this)) {
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setWordWrap(false);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setHighlightSections(false);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  // The fixed row and column in the button-face colour of the system.
  const QString face = QApplication::palette().button().color().name();
  horizontalHeader()->setStyleSheet(QStringLiteral("QHeaderView::section { background-color: %1; }").arg(face));
  verticalHeader()->setStyleSheet(QStringLiteral("QHeaderView::section { background-color: %1; }").arg(face));
  // The user's resizing of a column becomes its width.
  connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section, int, int newSize) {
    const int col = section + 1;
    if (col < int(widthsTwips_.size())) widthsTwips_[col] = newSize * kTwipsPerPixel;
  });
  UseModel(nullptr);
}

GridControl::~GridControl() = default;

void GridControl::UseModel(GridModel* model) {
  model_ = model ? model : cells_;
  setModel(model_);
  connect(model_, &QAbstractItemModel::modelReset, this, &GridControl::OnModelReset, Qt::UniqueConnection);
  row_ = col_ = rowSel_ = colSel_ = std::min(1, std::min(Rows() - 1, Cols() - 1));
  ApplyColumnWidths();
}

void GridControl::setSelectionModel(QItemSelectionModel* selectionModel) {
  QItemSelectionModel* old = horizontalHeader()->selectionModel();
  QTableView::setSelectionModel(selectionModel);
  // The column header keeps a selection of its own that stays empty. Given
  // the grid's, each paint asks whether the columns beside every section are
  // wholly selected, which walks every row of them: seconds at ten million
  // records once the whole grid is selected. Its sections are never
  // highlighted (see the constructor), so the header looks the same.
  if (!selectionModel || !model()) return;
  horizontalHeader()->setSelectionModel(new QItemSelectionModel(model(), horizontalHeader()));
  if (old && old->parent() == horizontalHeader()) old->deleteLater();
}

void GridControl::OnModelReset() {
  ApplyColumnWidths();
  ShowSelection();
}

int GridControl::Rows() const { return model_->GridRows(); }
int GridControl::Cols() const { return model_->GridCols(); }

void GridControl::SetRows(int rows) {
  if (rows < 0) RaiseError(kErrBadArguments, QStringLiteral("Invalid Rows value: %1").arg(rows), AppSourceName());
  cells_->SetShape(rows, cells_->GridCols());
}

void GridControl::SetCols(int cols) {
  if (cols < 0) RaiseError(kErrBadArguments, QStringLiteral("Invalid Cols value: %1").arg(cols), AppSourceName());
  cells_->SetShape(cells_->GridRows(), cols);
  ApplyColumnWidths();
}

void GridControl::CheckCell(int row, int col) const {
  if (row < 0 || row >= Rows())
    RaiseError(kErrSubscript, QStringLiteral("Invalid row value: %1").arg(row), AppSourceName());
  if (col < 0 || col >= Cols())
    RaiseError(kErrSubscript, QStringLiteral("Invalid column value: %1").arg(col), AppSourceName());
}

QString GridControl::TextMatrix(int row, int col) const {
  CheckCell(row, col);
  return model_->CellText(row, col);
}

bool GridControl::NumberMatrix(int row, int col, double& value) const {
  CheckCell(row, col);
  return model_->CellNumber(row, col, value);
}

int GridControl::NumberMatrices(int row, int col, int count, double* values) const {
  if (count <= 0) return 0;
  CheckCell(row, col);
  CheckCell(row + count - 1, col);
  return model_->CellNumbers(row, col, count, values);
}

void GridControl::SetTextMatrix(int row, int col, const QString& text) {
  CheckCell(row, col);
  if (model_ != cells_)
    RaiseError(kErrNotAllowed, QStringLiteral("The cells of a bound grid cannot be written."), AppSourceName());
  cells_->SetCell(row, col, text);
}

void GridControl::Select(int row, int col) { Select(row, col, row, col); }

void GridControl::Select(int row, int col, int rowSel, int colSel) {
  CheckCell(row, col);
  CheckCell(rowSel, colSel);
  row_ = row;
  col_ = col;
  rowSel_ = rowSel;
  colSel_ = colSel;
  ShowSelection();
}

void GridControl::ShowSelection() {
  // The view shows the part of the selection that lies in the scrolling cells.
  if (!selectionModel()) return;
  const int r1 = std::max(1, std::min(row_, rowSel_)) - 1, r2 = std::max(row_, rowSel_) - 1;
  const int c1 = std::max(1, std::min(col_, colSel_)) - 1, c2 = std::max(col_, colSel_) - 1;
  if (r2 < r1 || c2 < c1 || r2 >= model_->rowCount() || c2 >= model_->columnCount()) {
    selectionModel()->clearSelection();
    return;
  }
  const QItemSelection range(model_->index(r1, c1), model_->index(r2, c2));
  selectionModel()->select(range, QItemSelectionModel::ClearAndSelect);
  selectionModel()->setCurrentIndex(model_->index(r1, c1), QItemSelectionModel::NoUpdate);
}

QString GridControl::Clip() const { return QString::fromUtf8(ClipUtf8()); }

void GridControl::CopySelectedCells() {
  TrapInWindowBox([&] {
    // The selection is one rectangle (contiguous selection); its ranges are
    // read, never its indexes, which would be a million for a whole grid.
    const QItemSelection selected = selectionModel() ? selectionModel()->selection() : QItemSelection();
    if (selected.isEmpty()) return;
    int top = INT_MAX, left = INT_MAX, bottom = -1, right = -1;
    for (const QItemSelectionRange& range : selected) {
      top = std::min(top, range.top());
      left = std::min(left, range.left());
      bottom = std::max(bottom, range.bottom());
      right = std::max(right, range.right());
    }
    // View row and column r are the grid's r + 1, after its fixed row and column.
    QByteArray text;
    model_->AppendRowsUtf8(text, top + 1, bottom + 1, left + 1, right + 1);
    ClipboardClear();
    ClipboardSetText(text);
  });
}

void GridControl::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    CopySelectedCells();
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

QByteArray GridControl::ClipUtf8() const {
  const int r1 = std::min(row_, rowSel_), r2 = std::max(row_, rowSel_);
  const int c1 = std::min(col_, colSel_), c2 = std::max(col_, colSel_);
  if (r1 < 0 || c1 < 0 || r2 >= Rows() || c2 >= Cols()) return {};
  QByteArray out;
  model_->AppendRowsUtf8(out, r1, r2, c1, c2);
  return out;  // not squeezed: that would copy 100 MB again to save a tenth
}

std::function<QByteArray()> GridControl::ClipUtf8Later() const {
  const int r1 = std::min(row_, rowSel_), r2 = std::max(row_, rowSel_);
  const int c1 = std::min(col_, colSel_), c2 = std::max(col_, colSel_);
  if (r1 < 0 || c1 < 0 || r2 >= Rows() || c2 >= Cols()) return [] { return QByteArray(); };
  return model_->RowsUtf8Later(r1, r2, c1, c2);
}

int GridControl::CellWidthPixels(const QString& text) const {
  // As the view draws a cell: in the font and with the item margins of its
  // style (text wider than this is elided), plus the grid line the cell
  // gives up.
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.features |= QStyleOptionViewItem::HasDisplay;
  option.text = text;
  const int width = style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).width();
  return width + (showGrid() ? 1 : 0);
}

int GridControl::TextWidthTwips(const QString& text) const { return CellWidthPixels(text) * kTwipsPerPixel; }

int GridControl::FittedWidthPixels(int col, const TextWidths& widths) const {
  WidestTexts widest;
  model_->WidestTextsOf(col, widths, widest);
  int pixels = 0;
  for (const QString& text : widest.Texts()) pixels = std::max(pixels, CellWidthPixels(text));
  // Row 0 is drawn by the header, in its own style and margins.
  if (col > 0 && Rows() > 0 && !model_->CellText(0, col).isEmpty())
    pixels = std::max(pixels, horizontalHeader()->sectionSizeHint(col - 1));
  return pixels;
}

void GridControl::AutoSize(int firstCol, int lastCol, bool equalWidths, int extraTwips) {
  if (firstCol > lastCol) std::swap(firstCol, lastCol);
  CheckCell(0, firstCol);
  CheckCell(0, lastCol);
  const TextWidths widths(font());
  std::vector<int> twips;
  for (int c = firstCol; c <= lastCol; ++c) twips.push_back(FittedWidthPixels(c, widths) * kTwipsPerPixel + extraTwips);
  if (equalWidths) {
    const int widest = *std::max_element(twips.begin(), twips.end());
    std::fill(twips.begin(), twips.end(), widest);
  }
  for (int c = firstCol; c <= lastCol; ++c) SetColWidth(c, twips[c - firstCol]);
}

int GridControl::ColWidth(int col) const {
  CheckCell(0, col);
  return col < int(widthsTwips_.size()) ? widthsTwips_[col] : kDefaultColWidthTwips;
}

void GridControl::SetColWidth(int col, int twips) {
  CheckCell(0, col);
  if (col >= int(widthsTwips_.size())) widthsTwips_.resize(col + 1, kDefaultColWidthTwips);
  widthsTwips_[col] = std::max(0, twips);
  ApplyColumnWidths();
}

void GridControl::ApplyColumnWidths() {
  const int cols = Cols();
  if (int(widthsTwips_.size()) < cols) widthsTwips_.resize(cols, kDefaultColWidthTwips);
  const std::vector<int> wanted = widthsTwips_;  // resizing sections reports back
  verticalHeader()->setFixedWidth(cols > 0 ? wanted[0] / kTwipsPerPixel : 0);
  for (int c = 1; c < cols; ++c) setColumnWidth(c - 1, wanted[c] / kTwipsPerPixel);
  widthsTwips_ = wanted;
}

void GridControl::PrintGrid(const QStringList& headingLines) {
  GridPrintLayout layout = LayoutGridForPrint(*this);
  layout.headingLines = headingLines;
  PrintDocument(AppDisplayName(), [&](QPrinter& printer) { PaintGridLayout(layout, printer); });
}

// ---- BoundGridControl ----

BoundGridControl::~BoundGridControl() = default;

void BoundGridControl::SetDataSource(std::shared_ptr<RecordSource> records) {
  GridModel* old = bound_;
  bound_ = records ? new RecordsetGridModel(std::move(records), this) : nullptr;
  UseModel(bound_);
  delete old;
}

std::shared_ptr<RecordSource> BoundGridControl::DataSource() const {
  return bound_ ? static_cast<RecordsetGridModel*>(bound_)->Source() : nullptr;
}
