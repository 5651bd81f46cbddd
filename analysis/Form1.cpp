// The main window's construction, layout, and its start and stop handlers.
#include "Form1.h"

#include "common/AppInfo.h"
#include "common/ErrorBoxes.h"
#include "controls/WindowLayout.h"
#include "frmGetFiles.h"

#include <QApplication>
#include <QCloseEvent>

namespace {

QFont namedFont(const QString& family, double points) {
  QFont f(family);
  f.setStyleHint(QFont::SansSerif);  // the platform's sans font where the family is missing
  f.setPointSizeF(points);
  f.setWeight(QFont::Normal);
  return f;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

QComboBox* dropDown(QWidget* parent, const QString& name) {
  auto* c = new QComboBox(parent);  // pick-only: not editable
  c->setObjectName(name);
  return c;
}

QLabel* label(QWidget* parent, const QString& name, const QString& caption) {
  auto* l = new QLabel(caption, parent);
  l->setObjectName(name);
  return l;
}

// A label keeps its place and grows to its caption when the font needs more room.
void placeLabel(QLabel* l, int left, int top, int width, int height) {
  PlaceTwips(l, left, top, width, height);
  const QSize hint = l->sizeHint();
  l->resize(std::max(l->width(), hint.width()), std::max(l->height(), hint.height()));
}

}  // namespace

Form1::Form1() {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Corvane Yield Report Analysis V2.0"));
  SetClientSizeTwips(this, 10770, 10005);
  BuildControls();
  LaySummaryLabels();
  CenterOnScreen(this);
  setAcceptDrops(true);
  cmdSelectFiles->setFocus();
}

Form1::~Form1() = default;

void Form1::BuildControls() {
  cmdSelectFiles = button(this, "cmdSelectFiles", QStringLiteral("Select Files"));
  fgRS = new BoundGridControl(this);
  fgRS->setObjectName(QStringLiteral("fgRS"));
  cmboJobNames = dropDown(this, QStringLiteral("cmboJobNames"));
  Label1 = label(this, QStringLiteral("Label1"), QStringLiteral("Job Names"));
  cmdFilter = button(this, "cmdFilter", QStringLiteral("Filter"));
  cmboMaterial = dropDown(this, QStringLiteral("cmboMaterial"));
  cmboWidth = dropDown(this, QStringLiteral("cmboWidth"));
  Label2 = label(this, QStringLiteral("Label2"), QStringLiteral("Material"));
  Label3 = label(this, QStringLiteral("Label3"), QStringLiteral("Width"));
  cmboDate[0] = dropDown(this, QStringLiteral("cmboDate(0)"));
  cmboDate[1] = dropDown(this, QStringLiteral("cmboDate(1)"));
  Label4[0] = label(this, QStringLiteral("Label4(0)"), QStringLiteral("Start Date"));
  Label4[1] = label(this, QStringLiteral("Label4(1)"), QStringLiteral("End Date"));
  cmdSummary = button(this, "cmdSummary", QStringLiteral("Summary"));
  fgSummary = new GridControl(this);
  fgSummary->setObjectName(QStringLiteral("fgSummary"));
  cmdPrint = button(this, "cmdPrint", QStringLiteral("Print"));
  cmdCopy = button(this, "cmdCopy", QStringLiteral("Copy"));
  cmdCopy2 = button(this, "cmdCopy2", QStringLiteral("Copy"));
  Label5 = label(this, QStringLiteral("Label5"), QStringLiteral("Supplier"));
  cmboSupplier = dropDown(this, QStringLiteral("cmboSupplier"));
  cmdExit = button(this, "cmdExit", QStringLiteral("Exit"));
  CommonDialog1 = new QObject(this);
  CommonDialog1->setObjectName(QStringLiteral("CommonDialog1"));

  PlaceTwips(cmdSelectFiles, 180, 180, 1455, 375);
  PlaceTwips(fgRS, 180, 2100, 10035, 2895);
  PlaceTwips(cmboJobNames, 8700, 6420, 1635, 315);
  placeLabel(Label1, 8760, 6060, 795, 195);
  PlaceTwips(cmdFilter, 240, 1620, 1335, 375);
  PlaceTwips(cmboMaterial, 2520, 1140, 1875, 315);
  PlaceTwips(cmboWidth, 4500, 1140, 1515, 315);
  placeLabel(Label2, 2520, 840, 555, 195);
  placeLabel(Label3, 4560, 780, 420, 195);
  PlaceTwips(cmboDate[0], 6180, 660, 1395, 315);
  PlaceTwips(cmboDate[1], 6180, 1500, 1395, 315);
  placeLabel(Label4[0], 6240, 360, 720, 195);
  placeLabel(Label4[1], 6180, 1140, 675, 195);
  PlaceTwips(cmdSummary, 180, 5160, 1335, 375);
  PlaceTwips(fgSummary, 240, 5640, 10155, 4215);
  PlaceTwips(cmdPrint, 2160, 5220, 1335, 315);
  PlaceTwips(cmdCopy, 4260, 5220, 1215, 315);
  PlaceTwips(cmdCopy2, 2220, 1620, 1035, 375);
  placeLabel(Label5, 360, 780, 570, 195);
  PlaceTwips(cmboSupplier, 360, 1140, 1935, 315);
  PlaceTwips(cmdExit, 8760, 960, 975, 375);
  cmboJobNames->setVisible(false);
  Label1->setVisible(false);
  BuildBreakdownCommands();
  BuildExportCommands();
  BuildHelp();

  // Keyboard order, as laid out; labels take no focus.
  QWidget* order[] = {cmdSelectFiles, fgRS,         cmboJobNames, cmdFilter,   cmboMaterial, cmboWidth,
                      cmboDate[0],    cmboDate[1],  cmdSummary,   fgSummary,   cmdPrint,     cmdCopy,
                      cmdCopy2,       cmboSupplier, cmdExit,      cmdBreakdown};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

  fgRS->setFont(namedFont(QStringLiteral("MS Sans Serif"), 8.25));
  fgRS->SetRows(1);
  fgRS->SetCols(10);
  fgSummary->setFont(namedFont(QStringLiteral("Microsoft Sans Serif"), 9.75));
  fgSummary->SetRows(20);
  fgSummary->SetCols(7);
  const int widths[] = {960, 2025, 960, 960, 960, 960, 1140};
  for (int c = 0; c < 7; ++c) fgSummary->SetColWidth(c, widths[c]);

  connect(cmdSelectFiles, &QPushButton::clicked, this, &Form1::cmdSelectFiles_Click);
  connect(cmdExit, &QPushButton::clicked, this, &Form1::cmdExit_Click);
  connect(cmdFilter, &QPushButton::clicked, this, &Form1::cmdFilter_Click);
  connect(cmdSummary, &QPushButton::clicked, this, &Form1::cmdSummary_Click);
  connect(cmdCopy, &QPushButton::clicked, this, &Form1::cmdCopy_Click);
  connect(cmdCopy2, &QPushButton::clicked, this, &Form1::cmdCopy2_Click);
  connect(cmdPrint, &QPushButton::clicked, this, &Form1::cmdPrint_Click);
}

void Form1::LaySummaryLabels() {
  const struct {
    int row, col;
    const char* text;
  } labels[] = {{1, 2, "Supplier"},      {1, 3, "Material"},         {1, 4, "Width"},          {1, 5, "Start Date"},
                {1, 6, "End Date"},      {4, 1, "Total Length"},     {5, 1, "Net Length"},     {6, 1, "Clear Length"},
                {7, 1, "Clear %"},       {8, 1, "Length Parts Cut"}, {10, 1, "Total Yield %"}, {11, 1, "Net Yield %"},
                {12, 1, "Clear Yield %"}};
  for (const auto& l : labels) fgSummary->SetTextMatrix(l.row, l.col, QString::fromLatin1(l.text));
}

void Form1::cmdSelectFiles_Click() {
  TrapInWindowBox([&] {
    if (!fileWindow_) fileWindow_ = new frmGetFiles(this);
    fileWindow_->show();
    fileWindow_->raise();
    fileWindow_->activateWindow();
  });
}

void Form1::cmdExit_Click() { shutdown(); }

void Form1::closeEvent(QCloseEvent* event) {
  event->accept();  // never cancelled
  shutdown();
}

void Form1::shutdown() {
  // Unloading this window raises its close request, which lands here again.
  if (shuttingDown_) return;
  shuttingDown_ = true;
  if (fileWindow_) {
    fileWindow_->FinishWritingBehind(true);  // every imported row in the file first
    fileWindow_->close();
    delete fileWindow_.data();
  }
  if (breakdownWindow_) {
    breakdownWindow_->close();
    delete breakdownWindow_.data();
  }
  hide();
  deleteLater();
  QCoreApplication::quit();
}
