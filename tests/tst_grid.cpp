// The grid control layer: a bound grid as a live view of a recordset, the
// light grid's own cells, selections and Clip, column fitting, printing.
#include "WindowTestMain.h"
#include "common/ErrorInfo.h"
#include "common/RuntimeErrors.h"
#include "controls/GridControl.h"
#include "controls/PrinterSeam.h"
#include "database/Connection.h"
#include "database/Recordset.h"

#include <QAbstractItemModelTester>

#include <QDate>
#include <QHeaderView>
#include <QProcess>
#include <QStandardPaths>
#include <QStyleOptionViewItem>
#include <QTextLayout>

#include <cmath>

namespace {

// The view's own option for its cells, which the grid keeps protected.
template <class Grid>
struct Probe : Grid {
  using Grid::Grid;
  using Grid::initViewItemOption;
};

// Texts the view cannot show whole. The style draws a cell's text in the
// view's font inside the cell less its item margins, and elides a text whose
// laid-out width is larger.
template <class Grid>
QStringList cutTexts(Probe<Grid>& grid) {
  QStringList cut;
  for (int r = 0; r < grid.model()->rowCount(); ++r)
    for (int c = 0; c < grid.model()->columnCount(); ++c) {
      const QModelIndex index = grid.model()->index(r, c);
      QStyleOptionViewItem option;
      grid.initViewItemOption(&option);
      option.rect = grid.visualRect(index);
      const int margin = grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, &grid) + 1;
      QTextLayout layout(index.data().toString(), option.font);
      layout.beginLayout();
      QTextLine line = layout.createLine();
      line.setLineWidth(1e6);
      layout.endLayout();
      if (line.naturalTextWidth() > option.rect.width() - 2 * margin)
        cut << QStringLiteral("%1 (%2 px in %3)")
                   .arg(layout.text())
                   .arg(line.naturalTextWidth())
                   .arg(option.rect.width());
    }
  return cut;
}

std::shared_ptr<Recordset> makeRecords(const TempProgramFolder& folder, const QStringList& lines) {
  auto c = std::make_shared<Connection>();
  c->SetProvider(Connection::EngineProvider());
  c->Open("Data Source=" + folder.DatabasePath());
  const QString sql = "SELECT * FROM tblYieldReport order by bdate,material,width";
  auto rs = std::make_shared<Recordset>();
  rs->Open(sql, c, 1, 3, 1);
  const QStringList cols = {"BDate", "Btime", "Operator", "Supplier", "Type", "Material", "Width", "BoardLength"};
  for (const QString& line : lines) {
    const QStringList f = line.split(u',');
    rs->AddNew();
    for (int k = 0; k < f.size(); ++k) rs->Fields(cols[k]).SetValue(f[k]);
    rs->Update();
  }
  auto sorted = std::make_shared<Recordset>();
  sorted->Open(sql, c, 1, 3, 1);
  return sorted;
}

}  // namespace

class TestGrid : public QObject {
  Q_OBJECT

 private slots:
  // The record grid's copy is made as a gather of each distinct value's
  // text, on two threads for a large grid: it must read exactly as the
  // cells do, whatever the values (Nulls, decimals beyond two, -0, numbers
  // too large for the fast slots, long and non-ASCII texts, any selection).
  void boundGridCopyReadsAsItsCells() {
    TempProgramFolder folder;
    QStringList lines;
    const QStringList names = {"Acme", "Birch & Sons", "Nörthwood ☃", "", QString(70, u'x') + "ü", "Ash"};
    const QStringList numbers = {"4",    "4.5",   "10.25", "0.1234567", "-3.75",   "-0",    "12345678.91",
                                 "1e-7", "99.99", "",      "1310.71",   "1310.72", "0.005", "1.1"};
    for (int i = 0; i < 30000; ++i) {
      const QString date = i % 97 == 0 ? QString() : QDate(2023, 1, 1).addDays((i * 7) % 800).toString(Qt::ISODate);
      lines << QStringLiteral("%1,t%2,,%3,,%4,%5,%6")
                   .arg(date)
                   .arg(i % 5000)
                   .arg(names[i % names.size()], names[(i / 3) % names.size()], numbers[i % numbers.size()],
                        numbers[(i / 7) % numbers.size()]);
    }
    auto rs = makeRecords(folder, lines);
    BoundGridControl grid;
    grid.SetDataSource(rs);
    const auto expected = [&](int r1, int r2, int c1, int c2) {
      QStringList rows;
      for (int r = r1; r <= r2; ++r) {
        QStringList cells;
        for (int c = c1; c <= c2; ++c) cells << grid.TextMatrix(r, c);
        rows << cells.join(u'\t');
      }
      return rows.join(u'\n');
    };
    const auto check = [&](int r1, int r2, int c1, int c2) {
      grid.Select(r1, c1, r2, c2);
      const QString clip = QString::fromUtf8(grid.ClipUtf8());
      const QString want = expected(r1, r2, c1, c2);
      if (clip != want) {
        qsizetype at = 0;
        while (at < clip.size() && at < want.size() && clip[at] == want[at]) ++at;
        QFAIL(qPrintable(QStringLiteral("rows %1-%2, cols %3-%4 differ at %5: '%6' vs '%7'")
                             .arg(r1)
                             .arg(r2)
                             .arg(c1)
                             .arg(c2)
                             .arg(at)
                             .arg(clip.mid(at - 20, 60), want.mid(at - 20, 60))));
      }
    };
    check(0, grid.Rows() - 1, 0, grid.Cols() - 1);  // everything, header and fixed column
    check(5, 29000, 3, 8);
    check(1, grid.Rows() - 1, 1, 1);
    rs->SetFilter("Supplier = 'Acme'");
    check(0, grid.Rows() - 1, 0, grid.Cols() - 1);
  }

  void boundGridFollowsTheRecordset() {
    TempProgramFolder folder;
    auto rs = makeRecords(folder, {"2024-03-08,b,,Acme,,Oak,4,120", "2024-03-07,a,,Birch,,Pine,10.5,96",
                                   "2024-03-09,c,,Acme,,Oak,4,144"});
    BoundGridControl grid;
    QCOMPARE(grid.Rows(), 0);
    grid.SetRows(1);
    grid.SetCols(10);
    QCOMPARE(grid.Rows(), 1);
    QCOMPARE(grid.Cols(), 10);

    grid.SetDataSource(rs);
    // Qt's own checks of the model through every change below.
    QAbstractItemModelTester boundTester(grid.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(grid.Rows(), 4);
    QCOMPARE(grid.Cols(), 16);
    QCOMPARE(grid.TextMatrix(0, 0), QString());
    QCOMPARE(grid.TextMatrix(0, 1), QStringLiteral("JobName"));
    QCOMPARE(grid.TextMatrix(0, 2), QStringLiteral("BDate"));
    QCOMPARE(grid.TextMatrix(0, 15), QStringLiteral("Type"));
    QCOMPARE(grid.TextMatrix(1, 0), QString());
    QCOMPARE(grid.TextMatrix(1, 2), QStringLiteral("2024-03-07"));
    QCOMPARE(grid.TextMatrix(1, 7), QStringLiteral("10.5"));
    QCOMPARE(grid.TextMatrix(3, 8), QStringLiteral("144"));
    QCOMPARE(grid.model()->rowCount(), 3);  // the view shows data rows; row 0 is its header
    QCOMPARE(grid.model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("BDate"));

    rs->SetFilter("Supplier = 'Acme'");
    QCOMPARE(grid.Rows(), 3);
    QCOMPARE(grid.TextMatrix(2, 3), QStringLiteral("c"));
    QCOMPARE(grid.model()->rowCount(), 2);
    rs->SetFilter("Supplier = 'Nobody'");
    QCOMPARE(grid.Rows(), 1);
    QCOMPARE(grid.TextMatrix(0, 6), QStringLiteral("Material"));
    rs->SetFilter("");
    QCOMPARE(grid.Rows(), 4);

    rs->SetFilter("Material = 'Pine'");
    grid.SetDataSource(nullptr);
    grid.SetDataSource(rs);
    QCOMPARE(grid.Rows(), 2);

    // Users cannot edit; writing the cells of a bound grid is refused.
    QCOMPARE(grid.editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(!(grid.model()->flags(grid.model()->index(0, 0)) & Qt::ItemIsEditable));
    try {
      grid.SetTextMatrix(1, 1, "x");
      QFAIL("bound cells written");
    } catch (const ErrorInfo& e) {
      QCOMPARE(e.Number, kErrNotAllowed);
    }
  }

  void lightGridCellsSelectionAndClip() {
    GridControl grid;
    QAbstractItemModelTester cellsTester(grid.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    grid.SetRows(4);
    grid.SetCols(3);
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 3; ++c) grid.SetTextMatrix(r, c, QStringLiteral("r%1c%2").arg(r).arg(c));
    grid.SetTextMatrix(2, 2, QString());
    grid.Select(1, 1, 3, 2);
    QCOMPARE(grid.Clip(), QStringLiteral("r1c1\tr1c2\nr2c1\t\nr3c1\tr3c2"));
    grid.Select(3, 2, 0, 0);  // corners in either order
    QCOMPARE(grid.Clip(), QStringLiteral("r0c0\tr0c1\tr0c2\nr1c0\tr1c1\tr1c2\nr2c0\tr2c1\t\nr3c0\tr3c1\tr3c2"));
    grid.Select(1, 1);
    QCOMPARE(grid.Clip(), QStringLiteral("r1c1"));
    QCOMPARE(grid.Row(), 1);
    QCOMPARE(grid.ColSel(), 1);
    QCOMPARE(grid.selectionModel()->selectedIndexes().size(), 1);

    grid.SetRows(5);  // growing keeps the cells
    QCOMPARE(grid.TextMatrix(3, 2), QStringLiteral("r3c2"));
    QCOMPARE(grid.TextMatrix(4, 2), QString());
    for (auto bad : {std::pair{5, 0}, std::pair{0, 3}, std::pair{-1, 0}}) {
      try {
        grid.TextMatrix(bad.first, bad.second);
        QFAIL("out of range read");
      } catch (const ErrorInfo& e) {
        QCOMPARE(e.Number, kErrSubscript);
      }
    }
  }

  void autoSizeFitsTheWidestText() {
    GridControl grid;
    grid.SetRows(3);
    grid.SetCols(4);
    grid.SetTextMatrix(0, 1, "Head");
    grid.SetTextMatrix(1, 1, "a much longer cell text");
    grid.SetTextMatrix(2, 1, "short");
    grid.SetTextMatrix(1, 2, "xy");
    grid.SetColWidth(0, 960);
    grid.SetColWidth(3, 1234);
    grid.AutoSize(1, 2, false, 50);
    QCOMPARE(grid.ColWidth(1), grid.TextWidthTwips("a much longer cell text") + 50);
    QCOMPARE(grid.ColWidth(2), grid.TextWidthTwips("xy") + 50);
    QVERIFY(grid.ColWidth(1) > grid.ColWidth(2));
    QCOMPARE(grid.ColWidth(0), 960);  // outside the range: unchanged
    QCOMPARE(grid.ColWidth(3), 1234);
    QCOMPARE(grid.columnWidth(0), grid.ColWidth(1) / kTwipsPerPixel);
    grid.AutoSize(1, 2, true, 0);
    QCOMPARE(grid.ColWidth(2), grid.ColWidth(1));

    // A bound grid measures the texts it shows, header included.
    TempProgramFolder folder;
    auto rs =
        makeRecords(folder, {"2024-03-08,b,,Acme,,Oak,4,120", "2024-03-07,a,,Birch and Sons Timber,,Pine,10.25,96"});
    BoundGridControl bound;
    bound.SetDataSource(rs);
    bound.AutoSize(1, bound.Cols() - 1, false, 50);
    QCOMPARE(bound.ColWidth(5), bound.TextWidthTwips("Birch and Sons Timber") + 50);
    // The header row is drawn by the header, with its own margins.
    const auto header = [&](int col) { return bound.horizontalHeader()->sectionSizeHint(col - 1) * kTwipsPerPixel; };
    QCOMPARE(bound.ColWidth(7), std::max(bound.TextWidthTwips("Width"), header(7)) + 50);
    QCOMPARE(bound.ColWidth(2), bound.TextWidthTwips("2024-03-08") + 50);
    QCOMPARE(bound.ColWidth(1), std::max(bound.TextWidthTwips("JobName"), header(1)) + 50);
    rs->SetFilter("Supplier = 'Acme'");  // a filter does not refit, and widths survive it
    QCOMPARE(bound.ColWidth(5), bound.TextWidthTwips("Birch and Sons Timber") + 50);
    QCOMPARE(bound.columnWidth(4), bound.ColWidth(5) / kTwipsPerPixel);

    // Values far from the rest (negative, large, a century earlier) are
    // measured as well as the common ones.
    TempProgramFolder farFolder;
    auto far = makeRecords(farFolder, {"2024-03-08,b,,Acme,,Oak,4,120", "1850-01-01,a,,Acme,,Oak,-12345.67,96",
                                       "2024-03-09,c,,Acme,,Oak,12345678.5,96"});
    BoundGridControl farGrid;
    farGrid.SetDataSource(far);
    farGrid.AutoSize(1, farGrid.Cols() - 1, false, 50);
    QCOMPARE(farGrid.ColWidth(7),
             std::max(farGrid.TextWidthTwips("-12345.67"), farGrid.TextWidthTwips("12345678.5")) + 50);
    QCOMPARE(farGrid.ColWidth(2), std::max({farGrid.TextWidthTwips("2024-03-08"), farGrid.TextWidthTwips("1850-01-01"),
                                            farGrid.TextWidthTwips("2024-03-09")}) +
                                      50);
  }

  // After AutoSize every text shows whole, as drawn on the display it runs
  // on (tests/run_on_x11.sh runs this on X too): lengths of up to 15 digits
  // in the fonts the main window asks for (which fall back to what is
  // installed) and in others, plain and bold.
  void fittedColumnsShowEveryTextWhole_data() {
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");
    QTest::newRow("summary font") << "Microsoft Sans Serif" << 9.75 << false;
    QTest::newRow("record grid font") << "MS Sans Serif" << 8.25 << false;
    QTest::newRow("bold") << "Microsoft Sans Serif" << 9.75 << true;
    QTest::newRow("serif") << "DejaVu Serif" << 11.0 << false;
    QTest::newRow("gothic") << "URW Gothic" << 10.5 << true;
  }

  void fittedColumnsShowEveryTextWhole() {
    QFETCH(QString, family);
    QFETCH(double, points);
    QFETCH(bool, bold);
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    const QLocale locale;
    QStringList texts = {"120,017,364.05", "114,012,887.18", "96,063,053.05", "Length Parts Cut", "2024-03-05"};
    for (int digits = 1; digits <= 15; ++digits) {
      const double v = std::pow(10.0, digits - 1) * 9.87654321;
      texts << locale.toString(v, 'f', 2) << locale.toString(-v, 'f', 2);
    }
    Probe<GridControl> grid;
    grid.setFont(font);
    grid.SetRows(int(texts.size()) + 1);
    grid.SetCols(3);
    for (int r = 0; r < texts.size(); ++r) {
      grid.SetTextMatrix(r + 1, 1, texts[r]);
      grid.SetTextMatrix(r + 1, 2, texts[texts.size() - 1 - r]);
    }
    grid.resize(800, 900);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.AutoSize(1, 2, false, 50);
    QCOMPARE(cutTexts(grid), QStringList());

    // The record grid's own measuring of numbers, dates and texts.
    TempProgramFolder folder;
    QStringList lines;
    for (int digits = 1; digits <= 15; ++digits)
      lines << QStringLiteral("2024-03-05,t,,Birch and Sons Timber,,Oak,%1,%2")
                   .arg(std::pow(10.0, digits - 1) * 1.11, 0, 'f', 2)
                   .arg(-std::pow(10.0, digits - 1) * 9.99, 0, 'f', 2);
    Probe<BoundGridControl> bound;
    bound.setFont(font);
    bound.SetDataSource(makeRecords(folder, lines));
    bound.resize(1200, 900);
    bound.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bound));
    bound.AutoSize(1, bound.Cols() - 1, false, 50);
    QCOMPARE(cutTexts(bound), QStringList());
  }

  // Many texts of nearly the widest width, then one a fraction of a pixel
  // wider: the last is the one to fit.
  void autoSizeKeepsALateWidestText() {
    GridControl grid;
    QFont font = grid.font();
    font.setHintingPreference(QFont::PreferNoHinting);  // advances in fractions of a pixel
    font.setPointSizeF(10.5);
    grid.setFont(font);
    grid.SetRows(42);
    grid.SetCols(2);
    for (int r = 1; r < 41; ++r) grid.SetTextMatrix(r, 1, "ffff");
    grid.SetTextMatrix(41, 1, "ffft");
    grid.AutoSize(1, 1, false, 0);
    QCOMPARE(grid.ColWidth(1), std::max(grid.TextWidthTwips("ffft"), grid.TextWidthTwips("ffff")));
  }

  void printsHeadingAndCells() {
    GridControl grid;
    grid.SetRows(3);
    grid.SetCols(3);
    grid.SetTextMatrix(1, 1, "Total Length");
    grid.SetTextMatrix(1, 2, "1,234.50");
    QTemporaryDir dir;
    const QString pdf = dir.path() + "/grid.pdf";
    PdfPrinterBackend printer(pdf);
    SetPrinterBackend(&printer);
    grid.PrintGrid();
    SetPrinterBackend(nullptr);
    QVERIFY(QFileInfo(pdf).size() > 0);
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty()) QSKIP("pdftotext is not installed");
    QProcess p;
    p.start(pdftotext, {"-layout", pdf, "-"});
    QVERIFY(p.waitForFinished());
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    QVERIFY2(text.contains("Corvane Yield Report Analysis V2.0"), qPrintable(text));
    QVERIFY2(text.contains("Total Length"), qPrintable(text));
    QVERIFY2(text.contains("1,234.50"), qPrintable(text));
  }
};

CORVANE_WINDOW_TEST_MAIN(TestGrid)
#include "tst_grid.moc"
