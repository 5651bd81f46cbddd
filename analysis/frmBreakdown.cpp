#include "frmBreakdown.h"

#include "BreakdownChart.h"
#include "BreakdownPrint.h"
#include "common/AppInfo.h"
#include "common/ErrorBoxes.h"
#include "common/RuntimeErrors.h"
#include "controls/ClipboardSeam.h"
#include "controls/FileDialogSeam.h"
#include "controls/PointerSeam.h"
#include "controls/PrinterSeam.h"
#include "controls/WindowLayout.h"
#include "database/Recordset.h"

#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QSplitter>
#include <QStandardPaths>
#include <QSvgGenerator>
#include <QVBoxLayout>

namespace {

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

// Large enough for a report page or a slide at full width.
constexpr QSize kReportChartSize(1600, 900);

const QString kPngFilter = QStringLiteral("PNG image (*.png)");
const QString kSvgFilter = QStringLiteral("SVG image (*.svg)");

[[noreturn]] void cannotWrite(const QString& path) {
  RaiseError(kErrPathFileAccess, QStringLiteral("Path/File access error: %1").arg(QDir::toNativeSeparators(path)),
             AppSourceName());
}

}  // namespace

frmBreakdown::frmBreakdown(QWidget* owner) : QWidget(owner, Qt::Window) {
  setObjectName(QStringLiteral("frmBreakdown"));
  setWindowTitle(QStringLiteral("Yield Breakdown"));
  BuildControls();
  cmdCopy->setToolTip(QStringLiteral("Copy the table to the clipboard for a spreadsheet"));
  cmdPrint->setToolTip(QStringLiteral("Print the table and the chart"));
  cmdSaveChart->setToolTip(QStringLiteral("Save the chart as a PNG or SVG picture"));
  cmdExport->setToolTip(
      QStringLiteral("Save the table and the chart as an Excel workbook, or the table as a CSV file"));
  resize(1100, 760);
  // Beside the main window where the screen has room, else cascaded below
  // its buttons; the table, the chart and the commands need about this much.
  if (owner) PlaceBesideOwner(this, owner, QSize(560, 240));
}

frmBreakdown::~frmBreakdown() = default;

void frmBreakdown::BuildControls() {
  cmboGroupBy = new QComboBox(this);
  cmboGroupBy->setObjectName(QStringLiteral("cmboGroupBy"));
  cmboGroupBy->addItems(BreakdownGroupingNames());
  cmboMeasure = new QComboBox(this);
  cmboMeasure->setObjectName(QStringLiteral("cmboMeasure"));
  for (BreakdownMeasure m : ChartMeasures()) cmboMeasure->addItem(BreakdownMeasureName(m));
  auto* groupLabel = new QLabel(QStringLiteral("Group by"), this);
  groupLabel->setBuddy(cmboGroupBy);
  auto* measureLabel = new QLabel(QStringLiteral("Chart"), this);
  measureLabel->setBuddy(cmboMeasure);
  cmdCopy = button(this, "cmdCopy", QStringLiteral("Copy"));
  cmdPrint = button(this, "cmdPrint", QStringLiteral("Print"));
  cmdSaveChart = button(this, "cmdSaveChart", QStringLiteral("Save Chart…"));
  cmdExport = button(this, "cmdExport", QStringLiteral("Export…"));
  lblRecords = new QLabel(this);
  lblRecords->setObjectName(QStringLiteral("lblRecords"));

  tblBreakdown = new QTableView(this);
  tblBreakdown->setObjectName(QStringLiteral("tblBreakdown"));
  tblBreakdown->setModel(&table_);
  tblBreakdown->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tblBreakdown->setSelectionBehavior(QAbstractItemView::SelectRows);
  tblBreakdown->verticalHeader()->hide();
  tblBreakdown->verticalHeader()->setDefaultSectionSize(tblBreakdown->fontMetrics().height() + 6);
  tblBreakdown->setSortingEnabled(true);
  tblBreakdown->sortByColumn(0, Qt::AscendingOrder);
  chtBreakdown = new QChartView(this);
  chtBreakdown->setObjectName(QStringLiteral("chtBreakdown"));
  chtBreakdown->setRenderHint(QPainter::Antialiasing);

  auto* top = new QHBoxLayout;
  top->addWidget(groupLabel);
  top->addWidget(cmboGroupBy);
  top->addSpacing(16);
  top->addWidget(measureLabel);
  top->addWidget(cmboMeasure);
  top->addStretch(1);
  // Left of the buttons that were there before it, which keep their places.
  top->addWidget(cmdExport);
  top->addWidget(cmdCopy);
  top->addWidget(cmdPrint);
  top->addWidget(cmdSaveChart);
  auto* split = new QSplitter(Qt::Vertical, this);
  split->addWidget(tblBreakdown);
  split->addWidget(chtBreakdown);
  split->setChildrenCollapsible(false);
  // The chart's labels need the room more than the table's rows, which scroll.
  split->setSizes({150, 510});
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(lblRecords);
  layout->addWidget(split, 1);

  connect(cmboGroupBy, &QComboBox::currentIndexChanged, this, [this] { TrapInWindowBox([this] { Refresh(); }); });
  connect(cmboMeasure, &QComboBox::currentIndexChanged, this, [this] { TrapInWindowBox([this] { RedrawChart(); }); });
  // Bars follow the table's order; lines always run in time order.
  connect(&table_, &BreakdownTable::OrderChanged, this, [this] { TrapInWindowBox([this] { RedrawChart(); }); });
  connect(cmdCopy, &QPushButton::clicked, this, &frmBreakdown::cmdCopy_Click);
  connect(cmdPrint, &QPushButton::clicked, this, &frmBreakdown::cmdPrint_Click);
  connect(cmdSaveChart, &QPushButton::clicked, this, &frmBreakdown::cmdSaveChart_Click);
  connect(cmdExport, &QPushButton::clicked, this, &frmBreakdown::cmdExport_Click);
}

QChart* frmBreakdown::Chart() const { return chtBreakdown->chart(); }

void frmBreakdown::SetSource(const std::shared_ptr<Recordset>& records, const QString& filterInForce) {
  records_ = records;
  filterInForce_ = filterInForce;
  stale_ = true;
  if (isVisible()) TrapInWindowBox([this] { Refresh(); });
}

void frmBreakdown::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (stale_) TrapInWindowBox([this] { Refresh(); });
}

void frmBreakdown::Refresh() {
  stale_ = false;
  const auto records = records_.lock();
  const auto grouping = BreakdownGrouping(cmboGroupBy->currentIndex());
  // Another grouping starts in its own natural order; a new filter or
  // import keeps the sort the user chose.
  if (grouping != table_.Breakdown().grouping)
    tblBreakdown->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
  table_.SetBreakdown(BreakDown(records.get(), grouping));
  const YieldBreakdown& b = table_.Breakdown();
  const QLocale locale;
  lblRecords->setText(
      b.leftOut ? QStringLiteral("%1 records shown; %2 without one of the four lengths left out of "
                                 "the sums")
                      .arg(locale.toString(b.shown), locale.toString(b.leftOut))
                : QStringLiteral("%1 records shown; none left out of the sums").arg(locale.toString(b.shown)));
  tblBreakdown->resizeColumnsToContents();
}

QChart* frmBreakdown::MakeChart() const {
  const YieldBreakdown& b = table_.Breakdown();
  return MakeBreakdownChart(table_.ShownGroups(), b.all, b.grouping,
                            ChartMeasures().at(size_t(std::max(0, cmboMeasure->currentIndex()))));
}

void frmBreakdown::RedrawChart() {
  QChart* chart = MakeChart();
  QChart* old = chtBreakdown->chart();
  chtBreakdown->setChart(chart);
  delete old;
}

QStringList frmBreakdown::HeadingLines() const {
  const YieldBreakdown& b = table_.Breakdown();
  const QLocale locale;
  QString records = QStringLiteral("Records: %1").arg(locale.toString(b.shown));
  if (b.leftOut)
    records += QStringLiteral(", of which %1 without one of the four lengths left out of the sums")
                   .arg(locale.toString(b.leftOut));
  return {QStringLiteral("Yield Breakdown by %1").arg(BreakdownGroupingNames().value(int(b.grouping))),
          QStringLiteral("Filter: %1").arg(filterInForce_.isEmpty() ? QStringLiteral("none") : filterInForce_),
          records};
}

void frmBreakdown::cmdCopy_Click() {
  TrapInWindowBox([&] {
    ClipboardClear();
    ClipboardSetText(table_.CopyText());
  });
}

void frmBreakdown::cmdPrint_Click() {
  TrapInWindowBox(
      [&] {
        SetMousePointer(this, vbHourglass);
        PrintDocument(windowTitle(),
                      [this](QPrinter& printer) { PaintBreakdownPages(printer, HeadingLines(), table_, Chart()); });
        SetMousePointer(this, vbDefault);
      },
      [this] { SetMousePointer(this, vbDefault); });
}

void frmBreakdown::cmdSaveChart_Click() {
  TrapInWindowBox([&] {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QString suggested = QDir(folder).filePath(Chart()->title() + QStringLiteral(".png"));
    QString filter = kPngFilter;
    QString path = AskSaveFileName(this, QStringLiteral("Save Chart"), suggested,
                                   kPngFilter + QStringLiteral(";;") + kSvgFilter, &filter);
    if (path.isEmpty()) return;  // cancelled
    // The name's own ending decides; a name without one takes the kind picked.
    const QString suffix = QFileInfo(path).suffix().toLower();
    bool svg = suffix == QStringLiteral("svg");
    if (suffix != QStringLiteral("svg") && suffix != QStringLiteral("png")) {
      svg = filter == kSvgFilter;
      path += svg ? QStringLiteral(".svg") : QStringLiteral(".png");
    }
    SaveChart(path, svg);
  });
}

void frmBreakdown::SaveChart(const QString& path, bool svg) {
  // Drawn anew at a size fit for a report, whatever the window's, with the
  // filter under the title.
  const QSize size = chtBreakdown->size().expandedTo(kReportChartSize);
  QGraphicsScene scene;
  QChart* chart = MakeChart();
  scene.addItem(chart);  // the scene owns the chart
  chart->setTitle(QStringLiteral("%1<br><small>%2</small>")
                      .arg(chart->title().toHtmlEscaped(), HeadingLines().at(1).toHtmlEscaped()));
  chart->setGeometry(QRectF(QPointF(0, 0), size));
  if (chart->layout()) chart->layout()->activate();
  const QRectF area(QPointF(0, 0), size);
  const auto paint = [&](QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, area, area);
  };
  if (!svg) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    paint(painter);
    painter.end();
    if (!image.save(path, "PNG")) cannotWrite(path);
    return;
  }
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) cannotWrite(path);
  QSvgGenerator generator;
  generator.setOutputDevice(&file);
  generator.setSize(size);
  generator.setViewBox(area);
  generator.setTitle(Chart()->title());
  QPainter painter;
  if (!painter.begin(&generator)) cannotWrite(path);
  paint(painter);
  painter.end();
  if (!file.flush() || file.error() != QFileDevice::NoError) cannotWrite(path);
}
