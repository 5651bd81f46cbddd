// The yield breakdown window, over real imported files: each grouping's sums
// and yields against a computation made here from the files themselves, the
// "All" row against the summary, sorting, copy, print, the chart, and the
// window following the record grid.
#include "BreakdownChart.h"
#include "WindowDriver.h"
#include "YieldColumns.h"
#include "controls/ClipboardSeam.h"
#include "controls/FileDialogSeam.h"
#include "controls/PrinterSeam.h"
#include "database/Recordset.h"

#include <QAbstractItemModelTester>
#include <QBarCategoryAxis>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QHeaderView>
#include <QImage>
#include <QLineSeries>
#include <QProcess>
#include <QRegularExpression>
#include <QScatterSeries>
#include <QStandardPaths>
#include <QToolTip>

#include <map>

namespace {

// date,time,operator,supplier,type,material,width,board,parts,total%,net,clear,clear%,clearyield%
QByteArray line(const QString& date, const QString& op, const QString& supplier, const QString& type,
                const QString& material, const QString& width, const QString& board, const QString& parts,
                const QString& net, const QString& clear) {
  return QStringLiteral("%1,06:00:00,%2,%3,%4,%5,%6,%7,%8,75,%9,%10,72.7,88.9\r\n")
      .arg(date, op, supplier, type, material, width, board, parts, net, clear)
      .toUtf8();
}

// Small, hand-made: a record without supplier, one without a net length, a
// width whose text order differs from its number order, a group whose
// lengths are all zero.
QByteArray handMade() {
  return line("2024-03-04", "Ann", "Acme", "RIP", "Oak", "10", "120.50", "90.25", "110.00", "80.10") +
         line("2024-03-04", "Ben", "Birch", "RIP", "Oak", "4", "100.00", "70.00", "95.00", "75.00") +
         line("2024-03-05", "Ann", "", "XCUT", "Ash", "4.5", "80.00", "60.00", "78.00", "66.00") +
         line("2024-03-11", "Ann", "Acme", "RIP", "Ash", "4", "130.00", "99.99", "", "90.00") +
         line("2024-04-01", "Cy", "Zero", "RIP", "Oak", "6", "0", "0", "0", "0") +
         line("", "Ben", "Birch", "", "Oak", "10", "90.00", "45.00", "85.00", "50.00");
}

// A report line as this test reads it, lengths in hundredths (-1: empty).
struct Board {
  QString date, op, supplier, type, material, width;
  qint64 board = -1, parts = -1, net = -1, clear = -1;
};

qint64 hundredths(const QString& text) {
  if (text.isEmpty()) return -1;
  return qRound64(text.toDouble() * 100);
}

// Each field on its own, as the import keeps it: a field the column refuses
// (or a field missing from a short line) is left empty, the rest of the
// line is kept.
std::vector<Board> readBoards(const QStringList& paths) {
  std::vector<Board> boards;
  for (const QString& path : paths) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) continue;
    for (const QByteArray& raw : f.readAll().split('\n')) {
      const QString text = QString::fromUtf8(raw).trimmed();
      if (text.isEmpty()) continue;
      const QStringList x = text.split(u',');
      const auto field = [&](int i) { return i < x.size() ? x[i] : QString(); };
      const auto number = [&](int i) {
        bool ok = false;
        field(i).toDouble(&ok);
        return ok ? field(i) : QString();
      };
      const QString date = QDate::fromString(field(0), Qt::ISODate).isValid() ? field(0) : QString();
      boards.push_back({date, field(2), field(3), field(4), field(5), number(6), hundredths(number(7)),
                        hundredths(number(8)), hundredths(number(10)), hundredths(number(11))});
    }
  }
  return boards;
}

struct Key {
  bool notNull = false;
  double number = 0;
  QString text;
  bool operator<(const Key& o) const {
    if (notNull != o.notNull) return !notNull;
    if (number != o.number) return number < o.number;
    return text < o.text;
  }
};

Key keyOf(const Board& b, const QString& grouping) {
  const auto text = [](const QString& t) { return Key{!t.isEmpty(), 0, t}; };
  if (grouping == "Supplier") return text(b.supplier);
  if (grouping == "Material") return text(b.material);
  if (grouping == "Operator") return text(b.op);
  if (grouping == "Type") return text(b.type);
  if (grouping == "Width") return Key{!b.width.isEmpty(), b.width.toDouble(), QString()};
  if (b.date.isEmpty()) return Key{};
  const QDate d = QDate::fromString(b.date, Qt::ISODate);
  if (grouping == "Day") return text(d.toString("yyyy-MM-dd"));
  if (grouping == "Month") return text(d.toString("yyyy-MM"));
  int year = 0;
  const int week = d.weekNumber(&year);
  return text(QStringLiteral("%1-W%2").arg(year).arg(week, 2, 10, QLatin1Char('0')));
}

struct Sums {
  qint64 records = 0, leftOut = 0, board = 0, net = 0, clear = 0, parts = 0;
  void Add(const Board& b) {
    if (b.board < 0 || b.net < 0 || b.clear < 0 || b.parts < 0) {
      ++leftOut;
      return;
    }
    ++records;
    board += b.board;
    net += b.net;
    clear += b.clear;
    parts += b.parts;
  }
  // Records, then the measures in the summary's order, as the table shows them.
  QStringList Cells() const {
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    const auto length = [&](qint64 h) { return en.toString(double(h) / 100, 'f', 2); };
    const auto pct = [&](qint64 part, qint64 whole) {
      return whole == 0 ? QString() : en.toString(double(part) * 100 / double(whole), 'f', 2);
    };
    return {en.toString(records), length(board),     length(net),     length(clear),    pct(clear, net),
            length(parts),        pct(parts, board), pct(parts, net), pct(parts, clear)};
  }
};

// Rows of the expected table: label, then the cells; "All" last.
std::vector<QStringList> expectedTable(const std::vector<Board>& boards, const QString& grouping) {
  std::map<Key, Sums> groups;
  Sums all;
  for (const Board& b : boards) {
    groups[keyOf(b, grouping)].Add(b);
    all.Add(b);
  }
  std::vector<QStringList> rows;
  for (const auto& [key, sums] : groups) {
    QString label = !key.notNull ? QStringLiteral("(none)") : key.text;
    if (grouping == "Width" && key.notNull) label = QString::number(key.number);
    rows.push_back(QStringList{label} + sums.Cells());
  }
  rows.push_back(QStringList{"All"} + all.Cells());
  return rows;
}

std::vector<QStringList> shownTable(frmBreakdown* w) {
  std::vector<QStringList> rows;
  const BreakdownTable& t = w->Table();
  for (int r = 0; r < t.rowCount(); ++r) {
    QStringList row;
    for (int c = 0; c < t.columnCount(); ++c) row << t.Text(r, c);
    rows.push_back(row);
  }
  return rows;
}

QString describe(const std::vector<QStringList>& rows) {
  QStringList lines;
  for (const QStringList& r : rows) lines << r.join(" | ");
  return lines.join("\n");
}

class RecordingClipboard : public ClipboardBackend {
 public:
  void Clear() override { text.clear(); }
  void SetText(const QString& t) override { text = t; }
  QString text;
};

void clickHeader(QTableView* view, int column) {
  QHeaderView* h = view->horizontalHeader();
  const QPoint at(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2);
  QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

// The chart's categories, as its horizontal axis labels them.
QStringList categoriesOf(QChart* chart) {
  auto* x = qobject_cast<QBarCategoryAxis*>(chart->axes(Qt::Horizontal).value(0));
  return x ? x->categories() : QStringList({"(no category axis)"});
}

QString pdfText(const QString& pdf, QString* pages = nullptr) {
  QProcess p;
  p.start(QStandardPaths::findExecutable("pdftotext"), {"-layout", pdf, "-"});
  p.waitForFinished();
  if (pages) {
    QProcess info;
    info.start(QStandardPaths::findExecutable("pdfinfo"), {pdf});
    info.waitForFinished();
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    static const QRegularExpression re(QStringLiteral("Pages:\\s+(\\d+)"));
    *pages = re.match(out).captured(1);
  }
  return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace

class TestBreakdown : public QObject {
  Q_OBJECT

  // Qt's own checks of the table's model run through every grouping, sort and
  // refill of the window's life.
  static frmBreakdown* openBreakdown(Form1* f) {
    WindowDriver::Click(f->cmdBreakdown);
    frmBreakdown* w = f->BreakdownWindow();
    if (w && !w->findChild<QAbstractItemModelTester*>())
      new QAbstractItemModelTester(&w->Table(), QAbstractItemModelTester::FailureReportingMode::QtTest, w);
    return w;
  }

  static void groupBy(frmBreakdown* w, const QString& grouping) { WindowDriver::Pick(w->cmboGroupBy, grouping); }

  // Reports made by the generator, a few thousand boards over a year.
  static QStringList generated(const QString& folder, int lines, const QString& extra = QString()) {
    QDir().mkpath(folder);
    QStringList args = {"--out", folder, "--lines", QString::number(lines), "--files", "3", "--seed", "7"};
    if (!extra.isEmpty()) args << extra.split(' ');
    QProcess gen;
    gen.start(GENERATOR_PATH, args);
    gen.waitForFinished(-1);
    QStringList paths;
    for (const QString& n : QDir(folder).entryList({"*.yrp"}, QDir::Files, QDir::Name)) paths << folder + "/" + n;
    return paths;
  }

 private slots:
  void openBeforeAnyImport() {
    WindowDriver d;
    QVERIFY(d.Start() == 0);
    frmBreakdown* w = openBreakdown(d.Main());
    QVERIFY(w && w->isVisible());
    QCOMPARE(shownTable(w), std::vector<QStringList>({{"All", "0", "0.00", "0.00", "0.00", "", "0.00", "", "", ""}}));
    for (const char* grouping : {"Day", "Width"}) {
      groupBy(w, grouping);
      QVERIFY(w->Chart());
    }
    QVERIFY(d.boxes.boxes.empty());
  }

  void everyGroupingAgainstTheFiles() {
    WindowDriver d;
    QVERIFY(d.Start() == 0);
    const QString folder = d.folder.Path() + "/gen";
    QStringList paths = generated(folder, 6000, "--bad-every 500");
    QFile hand(folder + "/zz_hand.yrp");
    QVERIFY(hand.open(QIODevice::WriteOnly));
    hand.write(handMade());
    hand.close();
    paths << hand.fileName();
    d.boxes.answer = [](const MessageBoxRecord&) { return 0; };
    d.ImportFolder(folder);
    Form1* f = d.Main();
    const std::vector<Board> boards = readBoards(paths);
    QCOMPARE(qint64(f->fgRS->Rows() - 1), qint64(boards.size()));

    frmBreakdown* w = openBreakdown(f);
    QVERIFY(w && w->isVisible());
    QCOMPARE(w->windowTitle(), QStringLiteral("Yield Breakdown"));
    for (const QString grouping : {"Supplier", "Material", "Width", "Operator", "Type", "Day", "Week", "Month"}) {
      groupBy(w, grouping);
      const auto expected = expectedTable(boards, grouping);
      const auto shown = shownTable(w);
      QVERIFY2(shown == expected,
               qPrintable(grouping + ":\n" + describe(shown) + "\nexpected:\n" + describe(expected)));
      QCOMPARE(w->Table().HeaderText(0), QString(grouping));
    }
    qint64 leftOut = 0;
    for (const Board& b : boards) leftOut += (b.board < 0 || b.net < 0 || b.clear < 0 || b.parts < 0);
    QVERIFY(leftOut > 1);  // the hand-made board and the generator's refused lengths
    QCOMPARE(w->lblRecords->text(),
             QStringLiteral("%1 records shown; %2 without one of the four lengths left out of the sums")
                 .arg(QLocale().toString(qint64(boards.size())), QLocale().toString(leftOut)));
  }

  void allEqualsTheSummary() {
    WindowDriver d;
    QVERIFY(d.Start() == 0);
    generated(d.folder.Path() + "/gen", 20000);
    d.ImportFolder(d.folder.Path() + "/gen");
    Form1* f = d.Main();
    frmBreakdown* w = openBreakdown(f);
    const auto checkAll = [&] {
      WindowDriver::Click(f->cmdSummary);
      const BreakdownTable& t = w->Table();
      const int all = t.rowCount() - 1;
      QCOMPARE(t.Text(all, 0), QStringLiteral("All"));
      QCOMPARE(t.Text(all, 1), QLocale().toString(qint64(f->fgRS->Rows() - 1)));
      // Summary rows of the measures, in the table's column order.
      const int summaryRows[] = {4, 5, 6, 7, 8, 10, 11, 12};
      for (int m = 0; m < 8; ++m)
        QCOMPARE(t.Text(all, BreakdownTable::kFirstMeasureColumn + m), f->fgSummary->TextMatrix(summaryRows[m], 2));
    };
    checkAll();
    WindowDriver::Pick(f->cmboMaterial, "Red Oak");
    WindowDriver::Click(f->cmdFilter);
    QVERIFY(f->fgRS->Rows() > 2);
    groupBy(w, "Week");
    checkAll();
  }

  // Records enough for their rows to be read on two threads: the filter
  // keeps the grid's order, and each group's sums are its records' lengths
  // added in that order, to the last bit; also once a length no longer fits
  // the column's hundredths, and the rows are read another way.
  void twoThreadsKeepTheGridOrder_data() {
    QTest::addColumn<QString>("material");
    QTest::addColumn<bool>("longBoard");
    QTest::newRow("all ALL") << "ALL" << false;
    QTest::newRow("one material") << "Red Oak" << false;
    QTest::newRow("a length in thousandths") << "ALL" << true;
  }

  void twoThreadsKeepTheGridOrder() {
    QFETCH(QString, material);
    QFETCH(bool, longBoard);
    using modReportGeneration::ColumnName;
    using modReportGeneration::YieldColumn;
    WindowDriver d;
    QVERIFY(d.Start() == 0);
    generated(d.folder.Path() + "/gen", 100000, "--bad-every 700");
    if (longBoard)
      d.folder.WriteFile("gen/z.yrp",
                         "2024-03-01,08:00:00,Ann,Northwood,XCUT,Red Oak,3,400.125,300.5,75.10,380.25,290.75,80.00,"
                         "100.00\r\n");
    d.ImportFolder(d.folder.Path() + "/gen");
    Form1* f = d.Main();
    const Recordset& rs = *f->RecordsetInUse();
    const ColumnStore& store = rs.Store();
    const auto column = [&](YieldColumn c) { return store.FindColumn(ColumnName(c)); };
    QCOMPARE(store.At(column(YieldColumn::BoardLength)).number.Compact(), !longBoard);
    std::vector<uint32_t> expected;
    for (qint64 v = 0; v < rs.RecordCount(); ++v) {
      const qint64 row = rs.StoreRow(v);
      if (store.At(column(YieldColumn::BDate)).date[size_t(row)] != kNullDate &&
          (material == "ALL" || store.Text(column(YieldColumn::Material), row) == material))
        expected.push_back(uint32_t(row));
    }
    WindowDriver::Pick(f->cmboMaterial, material);
    WindowDriver::Click(f->cmdFilter);
    const qint64 shown = rs.RecordCount();
    QVERIFY(shown > (material == "ALL" ? 90000 : 1000));
    QVERIFY(std::vector<uint32_t>(rs.VisibleStoreRows(), rs.VisibleStoreRows() + shown) == expected);

    const int lengths[] = {column(YieldColumn::BoardLength), column(YieldColumn::NetBoardLength),
                           column(YieldColumn::ClearLength), column(YieldColumn::LengthPartsCut)};
    for (const auto& [grouping, key] : {std::pair{BreakdownGrouping::Supplier, YieldColumn::Supplier},
                                        {BreakdownGrouping::Width, YieldColumn::Width},
                                        {BreakdownGrouping::Day, YieldColumn::BDate}}) {
      std::map<QString, BreakdownGroup> sums;
      BreakdownGroup all;
      for (qint64 v = 0; v < shown; ++v) {
        const QString text = rs.CellText(v, column(key));
        BreakdownGroup& g = sums[text.isEmpty() ? QStringLiteral("(none)") : text];
        double x[4];
        bool whole = true;
        for (int i = 0; i < 4; ++i) whole = rs.CellNumber(v, lengths[i], x[i]) && whole;
        if (!whole) {
          ++g.leftOut;
          ++all.leftOut;
          continue;
        }
        for (BreakdownGroup* s : {&g, &all}) {
          ++s->records;
          s->total += x[0], s->net += x[1], s->clear += x[2], s->parts += x[3];
        }
      }
      all.label = QStringLiteral("All");
      sums.emplace(all.label, all);
      const YieldBreakdown b = BreakDown(&rs, grouping);
      QCOMPARE(b.groups.size() + 1, sums.size());
      std::vector<BreakdownGroup> every = b.groups;
      every.push_back(b.all);
      for (const BreakdownGroup& g : every) {
        const BreakdownGroup& e = sums[g.label];
        QVERIFY2(g.records == e.records && g.leftOut == e.leftOut && g.total == e.total && g.net == e.net &&
                     g.clear == e.clear && g.parts == e.parts,
                 qPrintable(g.label));
      }
    }
  }

  void nullGroupsMissingLengthsAndZeroDivisors() {
    WindowDriver d;
    Form1* f = d.StartWithImport({{"h.yrp", handMade()}});
    QVERIFY(f);
    frmBreakdown* w = openBreakdown(f);
    // Supplier: the record without supplier first; the one without a net length counted apart.
    const auto rows = shownTable(w);
    QCOMPARE(rows.size(), size_t(5));
    QCOMPARE(rows[0].mid(0, 2), QStringList({"(none)", "1"}));
    QCOMPARE(rows[1].mid(0, 3), QStringList({"Acme", "1", "120.50"}));  // the Ash board has no net length
    QCOMPARE(rows[3][0], QStringLiteral("Zero"));
    // All four lengths zero: lengths 0.00, every percentage an empty cell.
    QCOMPARE(rows[3].mid(1), QStringList({"1", "0.00", "0.00", "0.00", "", "0.00", "", "", ""}));
    QCOMPARE(rows[4].mid(0, 2), QStringList({"All", "5"}));
    QCOMPARE(w->lblRecords->text(),
             QStringLiteral("6 records shown; 1 without one of the four lengths left out of the sums"));
    // Widths in number order, not text order; dates with the undated first.
    groupBy(w, "Width");
    QStringList labels;
    for (const auto& r : shownTable(w)) labels << r[0];
    QCOMPARE(labels, QStringList({"4", "4.5", "6", "10", "All"}));
    groupBy(w, "Week");
    labels.clear();
    for (const auto& r : shownTable(w)) labels << r[0];
    QCOMPARE(labels, QStringList({"(none)", "2024-W10", "2024-W11", "2024-W14", "All"}));
    // The chart of a period leaves the undated group out and skips no-value points.
    auto* lineSeries = qobject_cast<QLineSeries*>(w->Chart()->series().value(0));
    QVERIFY(lineSeries);
    QCOMPARE(lineSeries->count(), 1);  // W11's one board lacks a length, W14's are all zero: no value
    QVERIFY(d.boxes.boxes.empty());
  }

  // A record missing any one of the four lengths is left out of every sum
  // and counted apart: the sums stay those of the complete records.
  void aRecordMissingAnyLengthIsLeftOut_data() {
    QTest::addColumn<int>("field");  // of the report line, left empty
    QTest::newRow("board length") << 7;
    QTest::newRow("length of parts cut") << 8;
    QTest::newRow("net length") << 10;
    QTest::newRow("clear length") << 11;
  }
  void aRecordMissingAnyLengthIsLeftOut() {
    QFETCH(int, field);
    QStringList fields =
        QString::fromUtf8(line("2024-03-06", "Dee", "Acme", "RIP", "Oak", "4", "100.00", "70.00", "95.00", "75.00"))
            .trimmed()
            .split(u',');
    fields[field].clear();
    WindowDriver d;
    Form1* f = d.StartWithImport({{"h.yrp", handMade() + fields.join(u',').toUtf8() + "\r\n"}});
    QVERIFY(f);
    frmBreakdown* w = openBreakdown(f);
    QCOMPARE(w->lblRecords->text(),
             QStringLiteral("7 records shown; 2 without one of the four lengths left out of the sums"));
    QCOMPARE(shownTable(w).back(),
             QStringList({"All", "5", "390.50", "368.00", "271.10", "73.67", "265.25", "67.93", "72.08", "97.84"}));
  }

  void sortingKeepsAllLast() {
    WindowDriver d;
    Form1* f = d.StartWithImport({{"h.yrp", handMade()}});
    frmBreakdown* w = openBreakdown(f);
    groupBy(w, "Width");
    WindowDriver::Pick(w->cmboMeasure, "Clear Yield %");
    const int clearYield = BreakdownTable::kFirstMeasureColumn + int(BreakdownMeasure::ClearYield);
    const auto column = [&](int c) {
      QStringList v;
      for (const auto& r : shownTable(w)) v << r[c];
      return v;
    };
    // Width 4: 70/75 = 93.33; 4.5: 60/66 = 90.91; 6: no value; 10: 135.25/130.10 = 103.96.
    clickHeader(w->tblBreakdown, clearYield);
    QCOMPARE(column(0), QStringList({"6", "4.5", "4", "10", "All"}));
    clickHeader(w->tblBreakdown, clearYield);
    QCOMPARE(column(0), QStringList({"10", "4", "4.5", "6", "All"}));
    // The records column numerically, then the groups back in their natural order.
    clickHeader(w->tblBreakdown, BreakdownTable::kRecordsColumn);
    QCOMPARE(column(1), QStringList({"1", "1", "1", "2", "5"}));
    QCOMPARE(column(0), QStringList({"4", "4.5", "6", "10", "All"}));
    clickHeader(w->tblBreakdown, 0);
    QCOMPARE(column(0), QStringList({"4", "4.5", "6", "10", "All"}));
    // Dots follow the table's order (width 6, without a value, keeps its place without a dot).
    clickHeader(w->tblBreakdown, clearYield);
    auto* dots = qobject_cast<QScatterSeries*>(w->Chart()->series().value(0));
    QVERIFY(dots);
    QCOMPARE(dots->points().last(), QPointF(3, (90.25 + 45.0) * 100 / (80.10 + 50.0)));
    // Read-only.
    QCOMPARE(w->Table().flags(w->Table().index(0, 0)) & Qt::ItemIsEditable, Qt::ItemFlags());
  }

  void copyGivesTheTableAsShown() {
    WindowDriver d;
    Form1* f = d.StartWithImport({{"h.yrp", handMade()}});
    frmBreakdown* w = openBreakdown(f);
    groupBy(w, "Material");
    RecordingClipboard clip;
    SetClipboardBackend(&clip);
    WindowDriver::Click(w->cmdCopy);
    SetClipboardBackend(nullptr);
    QCOMPARE(clip.text,
             QStringLiteral("Material\tRecords\tTotal Length\tNet Length\tClear Length\tClear %\tLength Parts Cut\t"
                            "Total Yield %\tNet Yield %\tClear Yield %\n"
                            "Ash\t1\t80.00\t78.00\t66.00\t84.62\t60.00\t75.00\t76.92\t90.91\n"
                            "Oak\t4\t310.50\t290.00\t205.10\t70.72\t205.25\t66.10\t70.78\t100.07\n"
                            "All\t5\t390.50\t368.00\t271.10\t73.67\t265.25\t67.93\t72.08\t97.84"));
  }

  void printsTableAndChartOnOnePage() {
    WindowDriver d;
    Form1* f = d.StartWithImport({{"h.yrp", handMade()}});
    WindowDriver::Pick(f->cmboMaterial, "Oak");
    WindowDriver::Click(f->cmdFilter);
    frmBreakdown* w = openBreakdown(f);
    const QString pdf = d.folder.Path() + "/breakdown.pdf";
    PdfPrinterBackend printer(pdf);
    SetPrinterBackend(&printer);
    WindowDriver::Click(w->cmdPrint);
    SetPrinterBackend(nullptr);
    QString pages;
    const QString text = pdfText(pdf, &pages);
    QCOMPARE(pages, QStringLiteral("1"));
    for (const char* expected :
         {"Corvane Yield Report Analysis V2.0", "Yield Breakdown by Supplier",
          "Filter: Supplier ALL, Material Oak, Width ALL, Start Date ALL, End Date ALL", "Records: 3", "Clear Yield %",
          "Acme", "Birch", "Zero", "All", "120.50", "Total Yield % by Supplier"})
      QVERIFY2(text.contains(QLatin1String(expected)), qPrintable(expected + QStringLiteral("\n") + text));

    // Days of a year of boards still print the chart on the first page.
    WindowDriver d2;
    QVERIFY(d2.Start() == 0);
    generated(d2.folder.Path() + "/gen", 3000);
    d2.ImportFolder(d2.folder.Path() + "/gen");
    frmBreakdown* w2 = openBreakdown(d2.Main());
    groupBy(w2, "Day");
    const QString pdf2 = d2.folder.Path() + "/days.pdf";
    PdfPrinterBackend printer2(pdf2);
    SetPrinterBackend(&printer2);
    WindowDriver::Click(w2->cmdPrint);
    SetPrinterBackend(nullptr);
    const QString days = pdfText(pdf2, &pages);
    QVERIFY(pages.toInt() > 1);
    const QString firstPage = days.section(QChar('\f'), 0, 0);
    QVERIFY2(firstPage.contains("Total Yield % by Day"), qPrintable(firstPage));
    QVERIFY(days.contains(w2->Table().Text(w2->Table().rowCount() - 2, 0)));  // the last day, on a later page
    QVERIFY(d.boxes.boxes.empty() && d2.boxes.boxes.empty());
  }

  void chartShowsTheMeasureAndTheReference() {
    WindowDriver d;
    Form1* f = d.StartWithImport({{"h.yrp", handMade()}});
    frmBreakdown* w = openBreakdown(f);
    WindowDriver::Pick(w->cmboMeasure, "Clear Yield %");
    QChart* chart = w->Chart();
    QCOMPARE(chart->title(), QStringLiteral("Clear Yield % by Supplier"));
    auto* dots = qobject_cast<QScatterSeries*>(chart->series().value(0));
    auto* reference = qobject_cast<QLineSeries*>(chart->series().value(1));
    QVERIFY(dots && reference);
    QCOMPARE(dots->name(), QStringLiteral("Clear Yield %"));
    QCOMPARE(categoriesOf(chart), QStringList({"(none)", "Acme", "Birch", "Zero"}));
    QCOMPARE(dots->count(), 3);  // Zero's lengths give no value
    // (none): 60/66; Acme: 90.25/80.10.
    QCOMPARE(dots->at(0), QPointF(0, 6000.0 / 66));
    QCOMPARE(reference->name(), QStringLiteral("All: ") + w->Table().Text(4, BreakdownTable::kFirstMeasureColumn + 7));
    QCOMPARE(reference->at(0).y(), w->Table().Breakdown().all.Measure(BreakdownMeasure::ClearYield));
    QCOMPARE(chart->axes(Qt::Vertical).value(0)->titleText(), QStringLiteral("Clear Yield %"));
    QCOMPARE(chart->axes(Qt::Horizontal).value(0)->titleText(), QStringLiteral("Supplier"));
    // Values on hover.
    emit dots->hovered(QPointF(1.1, 100), true);
    QCOMPARE(QToolTip::text(), QStringLiteral("Acme: Clear Yield % 112.67"));
    emit dots->hovered(QPointF(1.1, 100), false);

    groupBy(w, "Month");
    chart = w->Chart();
    auto* line = qobject_cast<QLineSeries*>(chart->series().value(0));
    QVERIFY(line);
    QCOMPARE(categoriesOf(chart), QStringList({"2024-03", "2024-04"}));
    QCOMPARE(line->count(), 1);  // March; April's only board has no clear length to divide by

    // Saved as PNG and SVG; a folder that does not exist gives the box.
    QString asked;
    const QString png = d.folder.Path() + "/chart.png";
    const QString svgBase = d.folder.Path() + "/chart.SVG";
    QString answer = png;
    SetSaveFileNameHandler([&](const QString& caption, const QString&, const QString& filters) {
      asked = caption + "|" + filters;
      return answer;
    });
    WindowDriver::Click(w->cmdSaveChart);
    QCOMPARE(asked, QStringLiteral("Save Chart|PNG image (*.png);;SVG image (*.svg)"));
    QImage image(png);
    QVERIFY(image.width() >= std::max(1600, w->chtBreakdown->width()) &&
            image.height() >= std::max(900, w->chtBreakdown->height()));
    answer = svgBase;
    WindowDriver::Click(w->cmdSaveChart);
    QFile svg(svgBase);
    QVERIFY(svg.open(QIODevice::ReadOnly));
    const QByteArray svgText = svg.readAll();
    QVERIFY(svgText.contains("<svg") && svgText.contains("Clear Yield %"));
    answer = d.folder.Path() + "/no such folder/chart.png";
    WindowDriver::Click(w->cmdSaveChart);
    QCOMPARE(d.boxes.Texts(), QStringList({"Error: 75, Path/File access error: " + answer}));
    answer.clear();  // cancelled: nothing happens
    WindowDriver::Click(w->cmdSaveChart);
    SetSaveFileNameHandler({});
    QCOMPARE(d.boxes.boxes.size(), size_t(1));
  }

  // ---- The chart over time, its value axis, and the table's order and copy ----

  // Boards around two year ends: the week of 2024-12-30 is 2025-W01, May's
  // last day and June's first share a week; one board without a date.
  static QByteArray acrossYearEnds() {
    QByteArray out;
    const char* days[][2] = {{"2023-12-20", "76.30"}, {"2024-01-15", "78.70"}, {"2024-02-10", "77.10"},
                             {"2024-03-05", "76.90"}, {"2024-05-31", "77.50"}, {"2024-06-01", "78.10"},
                             {"2024-12-30", "77.70"}, {"2025-01-02", "76.50"}, {"", "70.00"}};
    for (const auto& d : days) out += line(d[0], "Ann", "Acme", "RIP", "Oak", "4", "100", d[1], "95", "90");
    return out;
  }

  void periodChartHasOneCategoryPerPeriod_data() {
    QTest::addColumn<QString>("grouping");
    QTest::addColumn<QStringList>("periods");
    QTest::newRow("Month") << "Month" << QStringList{"2023-12", "2024-01", "2024-02", "2024-03",
                                                     "2024-05", "2024-06", "2024-12", "2025-01"};
    QTest::newRow("Week") << "Week"
                          << QStringList{"2023-W51", "2024-W03", "2024-W06", "2024-W10", "2024-W22", "2025-W01"};
    QTest::newRow("Day") << "Day" << QStringList{"2023-12-20", "2024-01-15", "2024-02-10", "2024-03-05",
                                                 "2024-05-31", "2024-06-01", "2024-12-30", "2025-01-02"};
  }

  void periodChartHasOneCategoryPerPeriod() {
    QFETCH(QString, grouping);
    QFETCH(QStringList, periods);
    WindowDriver d;
    Form1* f = d.StartWithImport({{"y.yrp", acrossYearEnds()}});
    frmBreakdown* w = openBreakdown(f);
    groupBy(w, grouping);
    // Sorted by a measure, the table no longer runs in time order; the chart does.
    clickHeader(w->tblBreakdown, BreakdownTable::kFirstMeasureColumn);
    QChart* chart = w->Chart();
    QCOMPARE(categoriesOf(chart), periods);
    auto* line = qobject_cast<QLineSeries*>(chart->series().value(0));
    QVERIFY(line);
    QCOMPARE(line->count(), periods.size());
    const BreakdownTable& t = w->Table();
    for (int i = 0; i < line->count(); ++i) {
      // Each point on its own period's category, at the table's value.
      int row = 0;
      while (row < t.rowCount() && t.Text(row, 0) != periods[i]) ++row;
      QVERIFY2(row < t.rowCount() - 1, qPrintable(periods[i]));
      QCOMPARE(line->at(i).x(), double(i));
      QCOMPARE(BreakdownNumberText(line->at(i).y()),
               t.Text(row, BreakdownTable::kFirstMeasureColumn + int(BreakdownMeasure::TotalYield)));
    }
    QVERIFY(d.boxes.boxes.empty());
  }

  void valueAxisShowsSmallDifferencesInTheLocale_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("number");  // a label's form
    QTest::addColumn<QString>("all");
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << R"(^\d{1,3}(,\d{3})*\.\d\d$)"
                           << "All: 76.53";
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << R"(^\d{1,3}(\.\d{3})*,\d\d$)"
                           << "All: 76,53";
  }

  void valueAxisShowsSmallDifferencesInTheLocale() {
    QFETCH(QLocale, locale);
    QFETCH(QString, number);
    QFETCH(QString, all);
    WindowDriver d;
    Form1* f = d.StartWithImport({{"y.yrp", acrossYearEnds()}});
    frmBreakdown* w = openBreakdown(f);
    const QLocale before;
    QLocale::setDefault(locale);
    struct Restore {
      QLocale locale;
      ~Restore() { QLocale::setDefault(locale); }
    } restore{before};
    for (const QString grouping : {"Month", "Supplier"}) {
      groupBy(w, grouping);
      WindowDriver::Pick(w->cmboMeasure, "Net Yield %");
      WindowDriver::Pick(w->cmboMeasure, "Total Yield %");  // drawn in the locale now in force
      QChart* chart = w->Chart();
      auto* y = qobject_cast<QCategoryAxis*>(chart->axes(Qt::Vertical).value(0));
      QVERIFY(y);
      const QStringList labels = y->categoriesLabels();
      QVERIFY2(labels.size() >= 3, qPrintable(labels.join(" | ")));
      for (const QString& label : labels)
        QVERIFY2(QRegularExpression(number).match(label).hasMatch(), qPrintable(label));
      // Fitted to the values: the ends are labelled, hold every value, and
      // the spread of the values takes a fair share of the axis.
      QCOMPARE(labels.first(), locale.toString(y->min(), 'f', 2));
      QCOMPARE(labels.last(), locale.toString(y->max(), 'f', 2));
      auto* values = qobject_cast<QXYSeries*>(chart->series().value(0));
      auto* reference = qobject_cast<QLineSeries*>(chart->series().value(1));
      QVERIFY(values && reference);
      QCOMPARE(reference->name(), all);
      double low = reference->at(0).y(), high = low;
      for (const QPointF& p : values->points()) low = std::min(low, p.y()), high = std::max(high, p.y());
      QVERIFY(y->min() <= low && high <= y->max());
      if (values->count() > 1) QVERIFY2(high - low >= (y->max() - y->min()) / 3, qPrintable(labels.join(" | ")));
    }
    QVERIFY(d.boxes.boxes.empty());
  }

  void emptyChartHasNoStrayLabels() {
    WindowDriver d;
    QVERIFY(d.Start() == 0);
    frmBreakdown* w = openBreakdown(d.Main());
    for (const char* grouping : {"Supplier", "Month", "Week"}) {
      groupBy(w, grouping);
      QChart* chart = w->Chart();
      QVERIFY(chart->axes().isEmpty());
      QVERIFY(chart->series().isEmpty());
      QVERIFY(!chart->legend()->isVisible());
    }
    QVERIFY(d.boxes.boxes.empty());
  }

  void tableOrderAlignmentAndPlainCopy() {
    WindowDriver d;
    Form1* f =
        d.StartWithImport({{"y.yrp", acrossYearEnds() + line("2024-03-06", "Ben", "Big", "RIP", "Oak", "10",
                                                             "10318373.91", "9000000.50", "10000000", "9500000")}});
    frmBreakdown* w = openBreakdown(f);
    const BreakdownTable& t = w->Table();
    // A sort by Total Length does not carry over to another grouping.
    clickHeader(w->tblBreakdown, BreakdownTable::kFirstMeasureColumn);
    QCOMPARE(t.SortColumn(), BreakdownTable::kFirstMeasureColumn);
    groupBy(w, "Month");
    QStringList months;
    for (int r = 0; r < t.rowCount(); ++r) months << t.Text(r, 0);
    QCOMPARE(months, QStringList({"(none)", "2023-12", "2024-01", "2024-02", "2024-03", "2024-05", "2024-06", "2024-12",
                                  "2025-01", "All"}));
    QCOMPARE(w->tblBreakdown->horizontalHeader()->sortIndicatorSection(), 0);
    // Numbers to the right, Width's too; texts to the left.
    const auto alignment = [&](int column) {
      return Qt::Alignment(t.data(t.index(0, column), Qt::TextAlignmentRole).toInt()) & Qt::AlignHorizontal_Mask;
    };
    QCOMPARE(alignment(0), Qt::AlignLeft);
    for (int c = 1; c < t.columnCount(); ++c) QCOMPARE(alignment(c), Qt::AlignRight);
    groupBy(w, "Width");
    QCOMPARE(alignment(0), Qt::AlignRight);
    QCOMPARE(Qt::Alignment(t.headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).toInt()) & Qt::AlignRight,
             Qt::AlignRight);
    // Shown with group separators, copied without.
    QCOMPARE(t.Text(1, BreakdownTable::kFirstMeasureColumn), QStringLiteral("10,318,373.91"));
    RecordingClipboard clip;
    SetClipboardBackend(&clip);
    WindowDriver::Click(w->cmdCopy);
    SetClipboardBackend(nullptr);
    const QStringList copied = clip.text.split('\n');
    QCOMPARE(copied.value(2).section('\t', 0, 2), QStringLiteral("10\t1\t10318373.91"));
    QCOMPARE(copied.value(3).section('\t', 0, 2), QStringLiteral("All\t10\t10319273.91"));
    QVERIFY(!clip.text.contains(QLatin1String("10,3")));
    QVERIFY(d.boxes.boxes.empty());
  }

  void savedChartIsReportSizedWithTheFilter() {
    WindowDriver d;
    Form1* f = d.StartWithImport({{"h.yrp", handMade()}});
    WindowDriver::Pick(f->cmboMaterial, "Oak");
    WindowDriver::Click(f->cmdFilter);
    frmBreakdown* w = openBreakdown(f);
    w->resize(420, 300);  // whatever the window's size
    QString answer;
    SetSaveFileNameHandler([&](const QString&, const QString&, const QString&) { return answer; });
    answer = d.folder.Path() + "/small.png";
    WindowDriver::Click(w->cmdSaveChart);
    const QImage image(answer);
    QVERIFY2(image.width() >= 1600 && image.height() >= 900,
             qPrintable(QStringLiteral("%1x%2").arg(image.width()).arg(image.height())));
    answer = d.folder.Path() + "/small.svg";
    WindowDriver::Click(w->cmdSaveChart);
    SetSaveFileNameHandler({});
    QFile svg(answer);
    QVERIFY(svg.open(QIODevice::ReadOnly));
    const QByteArray text = svg.readAll();
    QVERIFY2(text.contains("viewBox=\"0 0 1600 900\""), text.left(400).constData());
    QVERIFY(text.contains("Filter: Supplier ALL, Material Oak, Width ALL, Start Date ALL, End Date ALL"));
    QVERIFY(d.boxes.boxes.empty());
  }

  void longPrintNumbersItsPages() {
    WindowDriver d;
    QVERIFY(d.Start() == 0);
    generated(d.folder.Path() + "/gen", 3000);
    d.ImportFolder(d.folder.Path() + "/gen");
    frmBreakdown* w = openBreakdown(d.Main());
    const QString pdf = d.folder.Path() + "/print.pdf";
    PdfPrinterBackend printer(pdf);
    SetPrinterBackend(&printer);
    WindowDriver::Click(w->cmdPrint);  // one page: no number
    QString pages;
    QVERIFY(!pdfText(pdf, &pages).contains("Page "));
    QCOMPARE(pages, QStringLiteral("1"));
    groupBy(w, "Day");
    WindowDriver::Click(w->cmdPrint);
    SetPrinterBackend(nullptr);
    const QStringList sheets = pdfText(pdf, &pages).split(QChar('\f'), Qt::SkipEmptyParts);
    QVERIFY(pages.toInt() > 1);
    QCOMPARE(sheets.size(), pages.toInt());
    for (int i = 0; i < sheets.size(); ++i)
      QVERIFY2(sheets[i].contains(QStringLiteral("Page %1 of %2").arg(i + 1).arg(pages)), qPrintable(sheets[i]));
    QVERIFY(d.boxes.boxes.empty());
  }

  void followsFilterAndImportWhileOpen() {
    WindowDriver d;
    Form1* f = d.StartWithImport({{"h.yrp", handMade()}});
    // The button stands right of the summary's Copy, last in the tab order.
    QCOMPARE(f->cmdBreakdown->y(), f->cmdCopy->y());
    QVERIFY(f->cmdBreakdown->x() >= f->cmdCopy->x() + f->cmdCopy->width());
    QCOMPARE(f->cmdExit->nextInFocusChain(), static_cast<QWidget*>(f->cmdBreakdown));
    // From the record grid's context menu.
    emit f->fgRS->customContextMenuRequested(QPoint(5, 5));
    QVERIFY(f->mnuGrid->isVisible());
    f->mnuGrid->hide();
    f->mnuBreakdown->trigger();
    frmBreakdown* w = f->BreakdownWindow();
    QVERIFY(w && w->isVisible());
    QCOMPARE(w->Table().Text(w->Table().rowCount() - 1, 1), QStringLiteral("5"));

    WindowDriver::Pick(f->cmboSupplier, "Acme");
    WindowDriver::Click(f->cmdFilter);
    QCOMPARE(w->Table().rowCount(), 2);
    QCOMPARE(w->lblRecords->text(),
             QStringLiteral("2 records shown; 1 without one of the four lengths left out of the sums"));
    QVERIFY(w->HeadingLines().at(1).contains("Supplier Acme"));

    // A new import: every record of the new file, no filter.
    d.ImportFolder(d.MakeFolder(
        "more", {{"m.yrp", line("2024-05-01", "Dee", "Fir Co", "RIP", "Fir", "8", "200", "150", "190", "160")}}));
    QCOMPARE(shownTable(w).front().mid(0, 3), QStringList({"Fir Co", "1", "200.00"}));
    QCOMPARE(w->HeadingLines().at(1), QStringLiteral("Filter: none"));

    // Closed, it does no work; shown again, it catches up.
    w->close();
    WindowDriver::Pick(f->cmboSupplier, "ALL");
    WindowDriver::Click(f->cmdFilter);
    d.ImportFolder(d.MakeFolder("hand", {{"h.yrp", handMade()}}));
    QCOMPARE(shownTable(w).front()[0], QStringLiteral("Fir Co"));
    WindowDriver::Click(f->cmdBreakdown);
    QCOMPARE(f->BreakdownWindow(), w);  // raised, not made again
    QCOMPARE(shownTable(w).front()[0], QStringLiteral("(none)"));

    // The grids' summary has the same menu.
    emit f->fgSummary->customContextMenuRequested(QPoint(5, 5));
    QVERIFY(f->mnuGrid->isVisible());
    f->mnuGrid->hide();
    QVERIFY(d.boxes.boxes.empty());
  }
};

CORVANE_WINDOW_TEST_MAIN(TestBreakdown)
#include "tst_breakdown.moc"
