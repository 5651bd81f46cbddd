// Filter, summary, copy and print, driven through the real main window after
// a real import from the file selection window.
#include "WindowDriver.h"
#include "YieldColumns.h"
#include "common/ErrorInfo.h"
#include "controls/ClipboardSeam.h"
#include "controls/PointerSeam.h"
#include "controls/PrinterSeam.h"

#include <QClipboard>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>

namespace {

// date,time,operator,supplier,type,material,width,board,parts,total%,net,clear,clear%,clearyield%
QByteArray line(const QString& date, const QString& time, const QString& supplier, const QString& material,
                const QString& width, const QString& board = "120", const QString& parts = "90",
                const QString& net = "110", const QString& clear = "80") {
  return QStringLiteral("%1,%2,Ann,%3,RIP,%4,%5,%6,%7,75,%8,%9,72.7,88.9\r\n")
      .arg(date, time, supplier, material, width, board, parts, net, clear)
      .toUtf8();
}

QByteArray mixedFile() {
  return line("2024-03-07", "t1", "Acme", "Oak", "4") + line("2024-03-07", "t2", "Birch", "Oak", "6") +
         line("2024-03-08", "t3", "Acme", "Pete's Oak", "4") + line("2024-03-08", "t4", "Acme", "Ash", "4") +
         line("2024-03-09", "t5", "Birch", "ALL", "4") + line("", "t6", "Acme", "Oak", "4") +
         line("2024-03-09", "t7", "Acme", "Oak", "4.5");
}

class FailingClipboard : public ClipboardBackend {
 public:
  void Clear() override {}
  void SetText(const QString&) override { RaiseError(521, "Can't open Clipboard", "CorvaneYieldReport"); }
};

class FailingPrinter : public PrinterBackend {
 public:
  void Print(const QString&, const PrintRenderer&) override {
    RaiseError(482, "Printer error: no printer is installed", "CorvaneYieldReport");
  }
};

}  // namespace

class TestAnalysis : public QObject {
  Q_OBJECT

  static QStringList shownTimes(Form1* f) {
    QStringList t;
    for (int r = 1; r < f->fgRS->Rows(); ++r) t << f->fgRS->TextMatrix(r, 3);
    return t;
  }

  static QString filterWith(Form1* f, const QString& material, const QString& supplier, const QString& width,
                            const QString& start, const QString& end) {
    WindowDriver::Pick(f->cmboMaterial, material);
    WindowDriver::Pick(f->cmboSupplier, supplier);
    WindowDriver::Pick(f->cmboWidth, width);
    WindowDriver::Pick(f->cmboDate[0], start);
    WindowDriver::Pick(f->cmboDate[1], end);
    WindowDriver::Click(f->cmdFilter);
    return f->RecordsetInUse()->Filter();
  }

 private slots:
  void filterTextsAndGrids() {
    WindowDriver d;
    Form1* f = d.StartWithImport({{"m.yrp", mixedFile()}});
    QVERIFY(f);
    QCOMPARE(WindowDriver::Entries(f->cmboDate[0]), QStringList({"ALL", "", "2024-03-07", "2024-03-08", "2024-03-09"}));
    QCOMPARE(shownTimes(f).size(), 7);

    // Every list at "ALL": records with a date, bounded by the first and last dates.
    QCOMPARE(filterWith(f, "ALL", "ALL", "ALL", "ALL", "ALL"),
             QStringLiteral("BDate >= 2024-03-07 AND BDate <=2024-03-09"));
    QCOMPARE(shownTimes(f), QStringList({"t1", "t2", "t4", "t3", "t5", "t7"}));
    QCOMPARE(filterWith(f, "Oak", "ALL", "4", "ALL", "ALL"),
             QStringLiteral("Material = 'Oak'AND Width = '4' And BDate >= 2024-03-07 AND BDate <=2024-03-09"));
    QCOMPARE(shownTimes(f), QStringList({"t1"}));
    QCOMPARE(
        filterWith(f, "Oak", "Acme", "4.5", "ALL", "ALL"),
        QStringLiteral(
            "Material = 'Oak'AND Supplier = 'Acme'AND Width = '4.5' And BDate >= 2024-03-07 AND BDate <=2024-03-09"));
    QCOMPARE(shownTimes(f), QStringList({"t7"}));
    QCOMPARE(filterWith(f, "ALL", "Birch", "ALL", "ALL", "ALL"),
             QStringLiteral("Supplier = 'Birch' And BDate >= 2024-03-07 AND BDate <=2024-03-09"));
    QCOMPARE(shownTimes(f), QStringList({"t2", "t5"}));
    QCOMPARE(filterWith(f, "ALL", "ALL", "6", "ALL", "ALL"),
             QStringLiteral("Width = '6' And BDate >= 2024-03-07 AND BDate <=2024-03-09"));
    QCOMPARE(shownTimes(f), QStringList({"t2"}));

    // Date bounds.
    QCOMPARE(filterWith(f, "ALL", "ALL", "ALL", "2024-03-08", "2024-03-08"),
             QStringLiteral("BDate >= 2024-03-08 AND BDate <=2024-03-08"));
    QCOMPARE(shownTimes(f), QStringList({"t4", "t3"}));
    QCOMPARE(filterWith(f, "ALL", "ALL", "ALL", "ALL", "2024-03-07"),
             QStringLiteral("BDate >= 2024-03-07 AND BDate <=2024-03-07"));
    QCOMPARE(filterWith(f, "ALL", "ALL", "ALL", "2024-03-08", "ALL"),
             QStringLiteral("BDate >= 2024-03-08 AND BDate <=2024-03-09"));
    QCOMPARE(shownTimes(f), QStringList({"t4", "t3", "t5", "t7"}));
    filterWith(f, "ALL", "ALL", "ALL", "2024-03-09", "2024-03-07");
    QCOMPARE(f->fgRS->Rows(), 1);
    QCOMPARE(f->fgRS->TextMatrix(0, 6), QStringLiteral("Material"));
    // Each column where the summary and the filter expect it.
    for (size_t c = 0; c < modReportGeneration::kYieldColumnNames.size(); ++c) {
      const auto column = modReportGeneration::YieldColumn(c);
      QCOMPARE(f->fgRS->TextMatrix(0, modReportGeneration::GridColumn(column)),
               modReportGeneration::ColumnName(column));
    }

    // A value with a quote filters exactly; a stored "ALL" is a value like any
    // other, and only the list's own first entry means no restriction.
    QCOMPARE(filterWith(f, "Pete's Oak", "ALL", "ALL", "ALL", "ALL"),
             QStringLiteral("Material = 'Pete''s Oak' And BDate >= 2024-03-07 AND BDate <=2024-03-09"));
    QCOMPARE(shownTimes(f), QStringList({"t3"}));
    f->cmboMaterial->setCurrentIndex(f->cmboMaterial->findText("ALL", Qt::MatchExactly) + 1);  // the first real entry
    QCOMPARE(f->cmboMaterial->currentText(), QStringLiteral("ALL"));
    WindowDriver::Click(f->cmdFilter);
    QCOMPARE(f->RecordsetInUse()->Filter(),
             QStringLiteral("Material = 'ALL' And BDate >= 2024-03-07 AND BDate <=2024-03-09"));
    QCOMPARE(shownTimes(f), QStringList({"t5"}));
    f->cmboMaterial->setCurrentIndex(0);
    WindowDriver::Click(f->cmdFilter);
    QCOMPARE(shownTimes(f).size(), 6);

    // Pressing twice gives the same grid; another pick starts from all records.
    filterWith(f, "Oak", "ALL", "ALL", "ALL", "ALL");
    const QStringList once = shownTimes(f);
    WindowDriver::Click(f->cmdFilter);
    QCOMPARE(shownTimes(f), once);
    QCOMPARE(filterWith(f, "Ash", "ALL", "ALL", "ALL", "ALL").left(17), QStringLiteral("Material = 'Ash' "));
    QCOMPARE(shownTimes(f), QStringList({"t4"}));
    QVERIFY(d.boxes.boxes.empty());
  }

  void filterEarlyExitsAndUndatedRecords() {
    WindowDriver d;
    QCOMPARE(d.Start(), 0);
    WindowDriver::Click(d.Main()->cmdFilter);  // before any import: nothing
    QVERIFY(d.boxes.boxes.empty());

    WindowDriver e;
    Form1* f =
        e.StartWithImport({{"undated.yrp", line("", "u1", "Acme", "Oak", "4") + line(" ", "u2", "Acme", "Oak", "4")}});
    QCOMPARE(f->fgRS->Rows(), 3);
    WindowDriver::Click(f->cmdFilter);  // no date at all: no record, no box
    QCOMPARE(f->fgRS->Rows(), 1);
    QVERIFY(e.boxes.boxes.empty());

    WindowDriver g;
    f = g.StartWithImport({{"empty.yrp", "\r\n"}});
    WindowDriver::Click(f->cmdFilter);
    QCOMPARE(f->RecordsetInUse()->Filter(), QString());
    QVERIFY(g.boxes.boxes.empty());
  }

  void summaryWorkedExample() {
    WindowDriver d;
    Form1* f =
        d.StartWithImport({{"w.yrp", line("2024-03-07", "a", "Acme", "Oak", "4", "120", "90", "110", "80") +
                                         line("2024-03-07", "b", "Acme", "Oak", "4", "96", "70", "90", "60") +
                                         line("2024-03-08", "c", "Acme", "Oak", "4", "144", "115", "130", "100")}});
    WindowDriver::Pick(f->cmboDate[0], "2024-03-07");
    WindowDriver::Pick(f->cmboDate[1], "2024-03-08");
    WindowDriver::Click(f->cmdSummary);
    QVERIFY(d.boxes.boxes.empty());
    const GridControl* s = f->fgSummary;
    QCOMPARE(QStringList({s->TextMatrix(2, 2), s->TextMatrix(2, 3), s->TextMatrix(2, 4), s->TextMatrix(2, 5),
                          s->TextMatrix(2, 6)}),
             QStringList({"ALL", "ALL", "ALL", "2024-03-07", "2024-03-08"}));
    QStringList values;
    for (int r : {4, 5, 6, 7, 8, 10, 11, 12}) values << s->TextMatrix(r, 2);
    QCOMPARE(values, QStringList({"360.00", "330.00", "240.00", "72.73", "275.00", "76.39", "83.33", "114.58"}));
    for (int r : {0, 3, 9, 13, 19})
      for (int c = 0; c < 7; ++c) QCOMPARE(s->TextMatrix(r, c), QString());
    QCOMPARE(s->ColWidth(0), 960);
    QCOMPARE(s->ColWidth(1), s->TextWidthTwips("Length Parts Cut") + 50);

    // Copy of the summary: rows 1 to 19, columns 1 to 6, then cell (1, 1) selected.
    WindowDriver::Click(f->cmdCopy);
    const QStringList copied = QGuiApplication::clipboard()->text().split('\n');
    QCOMPARE(copied.size(), 19);
    QCOMPARE(copied[0], QStringLiteral("\tSupplier\tMaterial\tWidth\tStart Date\tEnd Date"));
    QCOMPARE(copied[1], QStringLiteral("\tALL\tALL\tALL\t2024-03-07\t2024-03-08"));
    QCOMPARE(copied[2], QStringLiteral("\t\t\t\t\t"));
    QCOMPARE(copied[3], QStringLiteral("Total Length\t360.00\t\t\t\t"));
    QCOMPARE(copied[11], QStringLiteral("Clear Yield %\t114.58\t\t\t\t"));
    QCOMPARE(copied[18], QStringLiteral("\t\t\t\t\t"));
    QCOMPARE(QList<int>({s->Row(), s->Col(), s->RowSel(), s->ColSel()}), QList<int>({1, 1, 1, 1}));

    // Copy of the record grid: header row and fixed column included.
    WindowDriver::Click(f->cmdCopy2);
    const QStringList records = QGuiApplication::clipboard()->text().split('\n');
    QCOMPARE(records.size(), 4);
    QCOMPARE(records[0], QStringLiteral("\tJobName\tBDate\tBtime\tOperator\tSupplier\tMaterial\tWidth\tBoardLength\t"
                                        "NetBoardLength\tClearLength\tClearPer\tLengthPartsCut\tTotalYieldPer\t"
                                        "ClearYieldPer\tType"));
    QCOMPARE(records[1], QStringLiteral("\t\t2024-03-07\ta\tAnn\tAcme\tOak\t4\t120\t110\t80\t72.7\t90\t75\t88.9\tRIP"));
    QVERIFY(!QGuiApplication::clipboard()->text().endsWith('\n'));
    QCOMPARE(QList<int>({f->fgRS->Row(), f->fgRS->Col(), f->fgRS->RowSel(), f->fgRS->ColSel()}),
             QList<int>({1, 1, 1, 1}));

    // No record shown: the summary is untouched and the record copy does nothing.
    WindowDriver::Pick(f->cmboDate[0], "2024-03-08");
    WindowDriver::Pick(f->cmboDate[1], "2024-03-07");
    WindowDriver::Click(f->cmdFilter);
    QGuiApplication::clipboard()->setText("kept");
    WindowDriver::Click(f->cmdCopy2);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    WindowDriver::Click(f->cmdSummary);
    QCOMPARE(s->TextMatrix(2, 5), QStringLiteral("2024-03-07"));
    QCOMPARE(s->TextMatrix(4, 2), QStringLiteral("360.00"));
    QVERIFY(d.boxes.boxes.empty());
  }

  // The record grid's copy is offered and made when pasted: of the records
  // shown at the Copy, byte for byte, whatever is filtered or imported
  // before the paste, and as often as it is pasted. The offer holds the
  // grid's own list of rows when every record is shown.
  void recordCopyIsOfTheRecordsShownAtCopy_data() {
    QTest::addColumn<QString>("material");
    QTest::addColumn<QString>("supplier");
    QTest::addColumn<QString>("then");  // the material filtered before the paste
    QTest::newRow("two Acme Oak records") << QStringLiteral("Oak") << QStringLiteral("Acme") << QStringLiteral("ALL");
    QTest::newRow("every record") << QStringLiteral("ALL") << QStringLiteral("ALL") << QStringLiteral("Oak");
  }
  void recordCopyIsOfTheRecordsShownAtCopy() {
    QFETCH(QString, material);
    QFETCH(QString, supplier);
    QFETCH(QString, then);
    WindowDriver d;
    Form1* f = d.StartWithImport({{"m.yrp", mixedFile()}});
    filterWith(f, material, supplier, "ALL", "ALL", "ALL");
    f->fgRS->Select(0, 0, f->fgRS->Rows() - 1, f->fgRS->Cols() - 1);
    const QByteArray shown = f->fgRS->ClipUtf8();
    QCOMPARE(shown.count('\n'), f->fgRS->Rows() - 1);  // the header and each record shown
    QVERIFY(f->fgRS->Rows() > (material == "ALL" ? 3 : 2));
    WindowDriver::Click(f->cmdCopy2);
    filterWith(f, then, "ALL", "ALL", "ALL", "ALL");
    QCOMPARE(QGuiApplication::clipboard()->mimeData()->data("text/plain"), shown);
    d.ImportFolder(d.MakeFolder("next", {{"n.yrp", line("2024-03-07", "t9", "Acme", "Oak", "4")}}));
    QCOMPARE(f->fgRS->Rows(), 2);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8(shown));
    QVERIFY(d.boxes.boxes.empty());
  }

  // Ctrl+C in either grid copies the cells selected with the mouse, as a
  // spreadsheet does: no header, tabs between cells, a line per row.
  void ctrlCCopiesTheSelectedCells_data() {
    QTest::addColumn<bool>("summary");
    QTest::addColumn<QRect>("cells");  // of the view: columns x, rows y
    QTest::addColumn<QString>("copied");
    QTest::newRow("record grid") << false << QRect(1, 1, 3, 2)
                                 << QStringLiteral("2024-03-07\tt1\tAnn\n2024-03-07\tt2\tAnn");
    QTest::newRow("summary grid") << true << QRect(0, 3, 2, 2)
                                  << QStringLiteral("Total Length\t840.00\nNet Length\t770.00");
  }
  void ctrlCCopiesTheSelectedCells() {
    QFETCH(bool, summary);
    QFETCH(QRect, cells);
    QFETCH(QString, copied);
    WindowDriver d;
    Form1* f = d.StartWithImport({{"m.yrp", mixedFile()}});
    WindowDriver::Click(f->cmdSummary);
    GridControl* grid = summary ? f->fgSummary : static_cast<GridControl*>(f->fgRS);
    const auto at = [&](int row, int col) { return grid->visualRect(grid->model()->index(row, col)).center(); };
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at(cells.top(), cells.left()));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, at(cells.bottom(), cells.right()));
    QGuiApplication::clipboard()->setText("before");
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), copied);
    QVERIFY(d.boxes.boxes.empty());
  }

  void summaryLargeTotalsAndStops() {
    WindowDriver d;
    Form1* f =
        d.StartWithImport({{"big.yrp", line("2024-03-07", "a", "Acme", "Oak", "4", "1234567.891", "-5", "2", "1")}});
    WindowDriver::Click(f->cmdSummary);
    QCOMPARE(f->fgSummary->TextMatrix(4, 2), QStringLiteral("1,234,567.89"));
    QCOMPARE(f->fgSummary->TextMatrix(8, 2), QStringLiteral("-5.00"));
    QCOMPARE(f->fgSummary->TextMatrix(11, 2), QStringLiteral("-250.00"));

    // All net lengths 0: rows 2, 4, 5 and 6 are written, then the box; row 7 on keeps its content.
    WindowDriver z;
    f = z.StartWithImport({{"zero.yrp", line("2024-03-07", "a", "Birch", "Oak", "4", "100", "0", "0", "0") +
                                            line("2024-03-07", "b", "Birch", "Oak", "4", "50", "0", "0", "0")}});
    f->fgSummary->SetTextMatrix(7, 2, "earlier");
    f->fgSummary->SetTextMatrix(12, 2, "earlier");
    WindowDriver::Click(f->cmdSummary);
    QCOMPARE(z.boxes.Texts(), QStringList{"Error: 11, Division by zero"});
    QCOMPARE(f->fgSummary->TextMatrix(2, 2), QStringLiteral("ALL"));
    QCOMPARE(f->fgSummary->TextMatrix(4, 2), QStringLiteral("150.00"));
    QCOMPARE(f->fgSummary->TextMatrix(6, 2), QStringLiteral("0.00"));
    QCOMPARE(f->fgSummary->TextMatrix(7, 2), QStringLiteral("earlier"));
    QCOMPARE(f->fgSummary->TextMatrix(12, 2), QStringLiteral("earlier"));
    QCOMPARE(f->fgSummary->ColWidth(1), 2025);  // not fitted after a stop

    // A record without a board length stops the summary with a type mismatch.
    WindowDriver m;
    f = m.StartWithImport({{"gap.yrp", line("2024-03-07", "a", "Acme", "Oak", "4", "", "1", "1", "1")}});
    WindowDriver::Click(f->cmdSummary);
    QCOMPARE(m.boxes.boxes.size(), size_t(1));
    QVERIFY(m.boxes.boxes[0].text.startsWith("Error: 13, Type mismatch"));
  }

  void clipboardFailureIsReported() {
    WindowDriver d;
    Form1* f = d.StartWithImport({{"a.yrp", line("2024-03-07", "a", "Acme", "Oak", "4")}});
    FailingClipboard failing;
    SetClipboardBackend(&failing);
    WindowDriver::Click(f->cmdCopy);
    WindowDriver::Click(f->cmdCopy2);
    SetClipboardBackend(nullptr);
    QCOMPARE(d.boxes.Texts(), QStringList(2, "Error: 521, Can't open Clipboard"));
  }

  void printsTheSummary() {
    WindowDriver d;
    Form1* f = d.StartWithImport(
        {{"w.yrp", line("2024-03-07", "a", "Acme", "Oak", "4", "1234.5", "90", "110", "80") +
                       line("", "b", "Acme", "Oak", "4") + line("2024-03-09", "c", "Acme", "Ash", "4") +
                       line("2024-03-10", "d", "Birch", "Oak", "4")}});
    WindowDriver::Pick(f->cmboSupplier, "Acme");
    WindowDriver::Click(f->cmdFilter);
    WindowDriver::Click(f->cmdSummary);
    QTemporaryDir dir;
    const QString pdf = dir.path() + "/summary.pdf";
    PdfPrinterBackend printer(pdf);
    SetPrinterBackend(&printer);
    d.pointerLog.clear();
    WindowDriver::Click(f->cmdPrint);
    SetPrinterBackend(nullptr);
    QCOMPARE(d.Pointers("Form1"), std::vector<int>({vbHourglass, vbDefault}));
    QVERIFY(QFileInfo(pdf).size() > 0);
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (!pdftotext.isEmpty()) {
      QProcess p;
      p.start(pdftotext, {"-layout", pdf, "-"});
      QVERIFY(p.waitForFinished());
      const QString text = QString::fromUtf8(p.readAllStandardOutput());
      for (const char* expected :
           {"Corvane Yield Report Analysis V2.0", "Total Length", "1,354.50", "Clear Yield %", "Start Date",
            // The heading: what was summed, and from which records.
            "Filter: Supplier Acme, Material ALL, Width ALL, Start Date ALL, End Date ALL",
            "Records summed: 2, dated 2024-03-07 to 2024-03-09"})
        QVERIFY2(text.contains(QLatin1String(expected)), qPrintable(text));
    }

    FailingPrinter failing;
    SetPrinterBackend(&failing);
    d.pointerLog.clear();
    WindowDriver::Click(f->cmdPrint);
    SetPrinterBackend(nullptr);
    QCOMPARE(d.Pointers("Form1"), std::vector<int>({vbHourglass, vbDefault}));
    QCOMPARE(MousePointer(f), vbDefault);
    QCOMPARE(d.boxes.Texts(), QStringList{"Error: 482, Printer error: no printer is installed"});
  }
};

CORVANE_WINDOW_TEST_MAIN(TestAnalysis)
#include "tst_analysis.moc"
