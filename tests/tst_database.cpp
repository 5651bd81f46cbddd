// The database access layer over a real SQLite file: connection, statements,
// adding rows with conversions, ordering, fields, filters.
#include "TestSupport.h"
#include "common/ErrorInfo.h"
#include "common/MemoryPolicy.h"
#include "common/RuntimeErrors.h"
#include "common/TestHooks.h"
#include "database/Connection.h"
#include "database/Recordset.h"
#include "sqlite/BackgroundWriter.h"
#include "sqlite/RowBatch.h"
#include "sqlite/SqliteSession.h"
#include "table/ColumnRanks.h"
#include "table/ValueParse.h"

#include <QDate>
#include <QFile>

#include <QRandomGenerator>
#include <QSet>
#include <QTime>
#include <memory>
#include <vector>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

namespace {

const QString kSelectAll = QStringLiteral("SELECT * FROM tblYieldReport order by bdate,material,width");
const QStringList kFileColumns = {"BDate",          "Btime",       "Operator",    "Supplier",       "Type",
                                  "Material",       "Width",       "BoardLength", "LengthPartsCut", "TotalYieldPer",
                                  "NetBoardLength", "ClearLength", "ClearPer",    "ClearYieldPer"};

std::shared_ptr<Connection> openConnection(const QString& path) {
  auto c = std::make_shared<Connection>();
  c->SetProvider(Connection::EngineProvider());
  c->SetCursorLocation(adUseClient);
  c->Open(QStringLiteral("Data Source=") + path, {}, {}, adOptionUnspecified);
  return c;
}

std::shared_ptr<Recordset> openAll(const std::shared_ptr<Connection>& c, const QString& sql = kSelectAll) {
  auto rs = std::make_shared<Recordset>();
  rs->Open(sql, c, adOpenKeyset, adLockOptimistic, adCmdText);
  return rs;
}

// Adds one row from a comma-separated line, field k to column k of the file order.
void addLine(Recordset& rs, const QString& line) {
  const QStringList f = line.split(u',');
  rs.AddNew();
  for (int k = 0; k < kFileColumns.size() && k < f.size(); ++k) rs.Fields(kFileColumns[k]).SetValue(f[k]);
  rs.Update();
}

QStringList column(Recordset& rs, const QString& name) {
  QStringList out;
  if (rs.RecordCount() == 0) return out;
  for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) out << rs.Fields(name).Text();
  return out;
}

}  // namespace

class TestDatabase : public QObject {
  Q_OBJECT

  std::unique_ptr<TempProgramFolder> folder;
  std::shared_ptr<Connection> conn;

 private slots:
  // A million rows are columns of several megabytes each, rebuilt at every
  // import: once freed they must leave the process, even with a small block
  // allocated after them (which would pin them in the C library's heap).
  void largeBlocksGoBackToTheSystemWhenFreed() {
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("the address sanitizer keeps freed blocks in quarantine");
#endif
    ReturnLargeBlocksWhenFreed();
    const auto residentMb = [] {
      QFile statm("/proc/self/statm");
      if (!statm.open(QIODevice::ReadOnly)) return -1.0;
      return statm.readAll().split(' ').value(1).toDouble() * 4096 / 1048576;
    };
    {
      std::vector<char> once(16 << 20, 1);  // a first large block, freed
    }
    const double before = residentMb();
    std::vector<std::vector<char>> columns;
    for (int i = 0; i < 10; ++i) columns.emplace_back(8 << 20, char(i));
    auto pin = std::make_unique<char[]>(256 << 10);  // above them in the heap
    QVERIFY(residentMb() > before + 70);
    columns.clear();
    QVERIFY2(residentMb() < before + 10, qPrintable(QString::number(residentMb() - before)));
    pin.reset();
  }

  void init() {
    folder = std::make_unique<TempProgramFolder>();
    conn = openConnection(folder->DatabasePath());
  }
  void cleanup() {
    conn.reset();
    folder.reset();
  }

  void connectionRefusals() {
    auto c = std::make_shared<Connection>();
    c->SetProvider(QStringLiteral("Microsoft.Jet.OLEDB.4.0"));
    ErrorInfo e = errorOf([&] { c->Open("Data Source=" + folder->DatabasePath()); });
    QCOMPARE(e.Number, kErrProviderNotFound);
    QVERIFY(!c->IsOpen());

    c->SetProvider(Connection::EngineProvider());
    e = errorOf([&] { c->Open("Data Source=" + folder->Path() + "/missing.mdb"); });
    QVERIFY(e.Number < 0);
    QCOMPARE(e.Source, QStringLiteral("SQLite"));
    QVERIFY(e.Description.contains("unable to open"));
    QVERIFY(!QFile::exists(folder->Path() + "/missing.mdb"));  // never created

    const QString junk =
        folder->WriteFile("old.mdb", QByteArray("Standard Jet DB\0\0\0 not sqlite at all", 36).repeated(200));
    e = errorOf([&] { c->Open("Data Source=" + junk); });
    QCOMPARE(e.Number, -26);
    QVERIFY(e.Description.contains("not a database"));
    QVERIFY(!c->IsOpen());

    e = errorOf([&] { c->Execute("Delete * from tblYieldReport"); });
    QCOMPARE(e.Number, kErrObjectClosed);
  }

  void quotedStatementsRun() {
    auto rs = openAll(conn);
    QCOMPARE(rs->RecordCount(), 0);
    QCOMPARE(rs->FieldCount(), 15);
    addLine(*rs, "2024-03-07,08:00,Ann,Acme,R,Oak,4,120,90,75,110,80,72.7,88.9");
    addLine(*rs, "2024-03-08,08:00,Ann,Acme,R,Oak,4,120,90,75,110,80,72.7,88.9");
    int affected = -1;
    conn->Execute("Delete * from tblYieldReport", &affected, adCmdText | adExecuteNoRecords);
    QCOMPARE(affected, 2);
    QVERIFY(QueryRows(folder->DatabasePath(), "SELECT count(*) FROM tblYieldReport") == QStringList{"0"});
    for (const char* sql : {"SELECT DISTINCT JobName FROM tblYieldReport order by jobname",
                            "SELECT DISTINCT material FROM tblYieldReport order by material",
                            "SELECT DISTINCT Supplier FROM tblYieldReport order by Supplier",
                            "SELECT DISTINCT Width FROM tblYieldReport order by Width",
                            "SELECT DISTINCT bdate FROM tblYieldReport order by bdate"})
      QCOMPARE(openAll(conn, sql)->RecordCount(), 0);
    const ErrorInfo e = errorOf([&] { conn->Execute("Delete * from tblNoSuchTable"); });
    QVERIFY(e.Description.contains("no such table"));
  }

  void storingConvertsAndRefuses() {
    auto rs = openAll(conn);
    rs->AddNew();
    rs->Fields("bdate").SetValue(" 3/7/2024 ");
    rs->Fields("Btime").SetValue(" 08:00 ");
    rs->Fields("Operator").SetValue("");
    rs->Fields("Supplier").SetValue(" \t");
    rs->Fields("width").SetValue(" 4.5\t");
    rs->Fields("BoardLength").SetValue(" \t ");
    rs->Fields("LengthPartsCut").SetValue("-1.25e2");
    ErrorInfo e = errorOf([&] { rs->Fields("NetBoardLength").SetValue("12mm"); });
    QCOMPARE(e.Number, kErrCannotConvert);
    QVERIFY(e.Description.contains("12mm"));
    QVERIFY(e.Description.contains("NetBoardLength"));
    e = errorOf([&] { rs->Fields("ClearLength").SetValue("3,5"); });
    QCOMPARE(e.Number, kErrCannotConvert);
    rs->Update();

    rs->AddNew();
    e = errorOf([&] { rs->Fields("BDate").SetValue("2024-02-30"); });
    QCOMPARE(e.Number, kErrCannotConvert);
    e = errorOf([&] { rs->Fields("BDate").SetValue("10:42:00"); });
    QCOMPARE(e.Number, kErrCannotConvert);
    rs->Fields("Material").SetValue("Weißeiche");
    rs->Update();
    QCOMPARE(rs->RecordCount(), 2);
    QCOMPARE(openAll(conn)->RecordCount(), 2);  // visible at once on the connection

    const QStringList rows =
        QueryRows(folder->DatabasePath(),
                  "SELECT BDate, Btime, Operator, Supplier, Width, BoardLength, LengthPartsCut, "
                  "NetBoardLength, ClearLength, Material, JobName FROM tblYieldReport ORDER BY rowid");
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0],
             QStringLiteral("2024-03-07\t 08:00 \t<null>\t \t\t4.5\t<null>\t-125\t<null>\t<null>\t<null>\t<null>"));
    QCOMPARE(rows[1], QStringLiteral(
                          "<null>\t<null>\t<null>\t<null>\t<null>\t<null>\t<null>\t<null>\t<null>\tWeißeiche\t<null>"));
  }

  // Only spaces and tabs are padding around numbers and dates, in stored
  // fields and in filter literals alike; any other white space is refused.
  void onlySpacesAndTabsArePadding() {
    struct Pad {
      const char* name;
      QChar c;
      bool padding;
    };
    const Pad pads[] = {{"space", u' ', true},
                        {"tab", u'\t', true},
                        {"no-break space", QChar(0x00A0), false},
                        {"em space", QChar(0x2003), false},
                        {"vertical tab", QChar(0x000B), false},
                        {"form feed", QChar(0x000C), false},
                        {"line feed", QChar(0x000A), false},
                        {"carriage return", QChar(0x000D), false},
                        {"ideographic space", QChar(0x3000), false},
                        {"narrow no-break", QChar(0x202F), false},
                        {"line separator", QChar(0x2028), false},
                        {"next line", QChar(0x0085), false}};
    const struct {
      const char* column;
      const char* value;
    } columns[] = {{"Width", "4.5"}, {"BoardLength", "120"}, {"BDate", "2024-03-07"}, {"BDate", "3/7/2024"}};
    auto rs = openAll(conn);
    for (const Pad& p : pads) {
      for (const auto& col : columns) {
        const QString v = QString::fromLatin1(col.value);
        const QString texts[] = {p.c + v, v + p.c, QString(p.c), QString(p.c) + p.c};
        for (int k = 0; k < 4; ++k) {
          const QString what = QStringLiteral("%1, %2, case %3").arg(p.name, col.column).arg(k);
          rs->AddNew();
          const ErrorInfo e = errorOf([&] { rs->Fields(col.column).SetValue(texts[k]); });
          QVERIFY2((e.Number == 0) == p.padding, qPrintable(what));
          if (!p.padding) QCOMPARE(e.Number, kErrCannotConvert);
          rs->Update();
        }
      }
    }
    // Every stored value is either the value itself or Null (padding alone).
    rs = openAll(conn);  // the rows reach the file
    const QStringList kept = QueryRows(
        folder->DatabasePath(), "SELECT count(*), count(Width), count(BoardLength), count(BDate) FROM tblYieldReport");
    QCOMPARE(kept, QStringList{QStringLiteral("%1\t4\t4\t8").arg(4 * 4 * int(std::size(pads)))});

    // Filter literals: a padded literal filters, any other white space is refused.
    addLine(*rs, "2024-03-07,a,,Acme,,Oak,4.5,120");
    rs = openAll(conn);
    for (const Pad& p : pads) {
      const QString c(p.c);
      for (const QString& f : {"Width = '" + c + "4.5'", "Width = '4.5" + c + "'", "BDate >= '" + c + "2024-03-07'"}) {
        const ErrorInfo e = errorOf([&] { rs->SetFilter(f); });
        QVERIFY2((e.Number == 0) == p.padding, qPrintable(QStringLiteral("%1: %2").arg(p.name, f)));
        if (p.padding) QVERIFY(rs->RecordCount() > 0);
      }
    }
  }

  void misuseGivesErrors() {
    Recordset closed;
    QCOMPARE(errorOf([&] { closed.AddNew(); }).Number, kErrObjectClosed);
    QCOMPARE(errorOf([&] { closed.Fields("BDate"); }).Number, kErrObjectClosed);
    QCOMPARE(errorOf([&] { closed.Update(); }).Number, kErrObjectClosed);
    QCOMPARE(errorOf([&] { closed.SetFilter("Width = 4"); }).Number, kErrObjectClosed);
    Recordset noConnection;
    QCOMPARE(errorOf([&] { noConnection.Open(kSelectAll, nullptr, 1, 3, 1); }).Number, kErrObjectClosed);

    auto rs = openAll(conn);
    QCOMPARE(errorOf([&] { rs->Fields("NoSuchColumn"); }).Number, kErrNotInCollection);
    QCOMPARE(errorOf([&] { rs->Fields("Width").SetValue("4"); }).Number, kErrNotAllowed);
    QCOMPARE(errorOf([&] { rs->Fields("Width").Value(); }).Number, kErrNoCurrentRecord);
    auto distinct = openAll(conn, "SELECT DISTINCT Width FROM tblYieldReport order by Width");
    QCOMPARE(errorOf([&] { distinct->AddNew(); }).Number, kErrNotUpdatable);
    Recordset missingTable;
    const ErrorInfo e = errorOf([&] { missingTable.Open("SELECT * FROM tblNope", conn, 1, 3, 1); });
    QVERIFY(e.Number < 0);
    QVERIFY(!missingTable.IsOpen());
  }

  void orderingIsByTypeWithStableTies() {
    auto rs = openAll(conn);
    // Btime marks the order in which rows were stored.
    addLine(*rs, "2024-03-08,r1,,,,Oak,10");
    addLine(*rs, "2024-03-07,r2,,,,oak,4");
    addLine(*rs, "2024-03-07,r3,,,,Oak,9");
    addLine(*rs, "2024-03-07,r4,,,,Oak,10");
    addLine(*rs, "2024-03-07,r5,,,,Oak,9");
    addLine(*rs, ",r6,,,,Oak,9");
    addLine(*rs, "2024-03-07,r7,,,,,9");
    addLine(*rs, "12/31/2023,r8,,,,Pine,1");
    addLine(*rs, "2024-03-07,r9,,,,Oak,");
    addLine(*rs, "2024-03-07,r10,,,,Oak,9");
    auto sorted = openAll(conn);
    QCOMPARE(column(*sorted, "Btime"), QStringList({"r6", "r8", "r7", "r9", "r3", "r5", "r10", "r4", "r2", "r1"}));
    QCOMPARE(column(*sorted, "BDate").first(), QString());
    QCOMPARE(column(*sorted, "bdate")[1], QStringLiteral("2023-12-31"));
    QCOMPARE(column(*openAll(conn, "SELECT DISTINCT Width FROM tblYieldReport order by Width"), "Width"),
             QStringList({"", "1", "4", "9", "10"}));
    QCOMPARE(column(*openAll(conn, "SELECT DISTINCT material FROM tblYieldReport order by material"), "Material"),
             QStringList({"", "Oak", "Pine", "oak"}));
  }

  void filters() {
    auto rs = openAll(conn);
    addLine(*rs, "2024-03-07,a,,Acme,,Oak,4,120");
    addLine(*rs, "2024-03-08,b,,Acme,,Pete's Oak,4.5,96");
    addLine(*rs, "2024-03-09,c,,Birch & Co,,Oak,10,144");
    addLine(*rs, ",d,,Acme,,Oak,4,");
    addLine(*rs, "2024-03-09,e,,,,Oak,,100");
    rs = openAll(conn);
    auto shown = [&](const QString& filter) {
      rs->SetFilter(filter);
      return column(*rs, "Btime").join(QString());
    };
    QCOMPARE(shown("Width = 4"), QStringLiteral("da"));
    QCOMPARE(shown("Width = '4'"), QStringLiteral("da"));
    QCOMPARE(shown("Width <> 4"), QStringLiteral("bc"));
    QCOMPARE(shown("Width < 10"), QStringLiteral("dab"));
    QCOMPARE(shown("Width > 4"), QStringLiteral("bc"));
    QCOMPARE(shown("Width <= 4.5"), QStringLiteral("dab"));
    QCOMPARE(shown("Width >= 4.5"), QStringLiteral("bc"));
    QCOMPARE(shown("BoardLength>=100"), QStringLiteral("aec"));
    QCOMPARE(shown("Material = 'Oak'AND Width = '4'"), QStringLiteral("da"));
    QCOMPARE(shown("Material = 'Oak'and Supplier = 'Birch & Co'"), QStringLiteral("c"));
    QCOMPARE(shown("Material = 'Pete''s Oak'"), QStringLiteral("b"));
    QCOMPARE(shown("material = 'oak'"), QString());              // values compare case-sensitively
    QCOMPARE(shown("Supplier <> 'Acme'"), QStringLiteral("c"));  // Null never passes
    QCOMPARE(shown("Supplier = ''"), QString());
    QCOMPARE(shown("BDate >= 2024-03-08 AND BDate <=2024-03-09"), QStringLiteral("bec"));
    QCOMPARE(shown("Material = 'Oak' And BDate >= 3/7/2024 AND BDate <=3/7/2024"), QStringLiteral("a"));
    QCOMPARE(rs->RecordCount(), 1);
    QCOMPARE(rs->Filter(), QStringLiteral("Material = 'Oak' And BDate >= 3/7/2024 AND BDate <=3/7/2024"));
    QCOMPARE(shown(""), QStringLiteral("dabec"));
    QCOMPARE(rs->RecordCount(), 5);

    // Refused filters leave the recordset without filter.
    for (const char* bad : {"Width = 'abc'", "BDate >= 2024-02-30", "NoSuch = 1", "Width 4",
                            "Width = ", "Material = 'Oak", "Material = 'Oak' Width = '4'", "Material = 'Oak' AND",
                            "Material = 'Pete's Oak'", "Material = 'Oak'ANDWidth = 4", "= 4", "Width == 4"}) {
      rs->SetFilter("Width = 4");
      const ErrorInfo e = errorOf([&] { rs->SetFilter(QString::fromUtf8(bad)); });
      QVERIFY2(e.Number == kErrBadArguments, bad);
      QCOMPARE(rs->Filter(), QString());
      QCOMPARE(rs->RecordCount(), 5);
    }
  }

  // A copy offered before rows are added or the filter changes stays the
  // copy of the records shown when it was offered, filtered or not.
  void rowsAddedUnderFilterFollowIt() {
    auto rs = openAll(conn);
    rs->SetFilter("Material = 'Oak'");
    addLine(*rs, "2024-03-07,a,,,,Oak,4");
    const auto copyOfAll = [&] {
      RecordTextRange range;
      range.lastRow = rs->RecordCount() - 1;
      range.firstField = 1;
      range.lastField = 2;
      return rs->RecordTextLater(range, ".");
    };
    const auto made = [](const std::function<void(QByteArray&)>& later) {
      QByteArray text;
      later(text);
      return text;
    };
    const auto oakOffered = copyOfAll();
    addLine(*rs, "2024-03-07,b,,,,Pine,4");
    addLine(*rs, "2024-03-08,c,,,,Oak,4");
    QCOMPARE(rs->RecordCount(), 2);
    rs->SetFilter("");
    QCOMPARE(rs->RecordCount(), 3);
    const auto allOffered = copyOfAll();
    addLine(*rs, "2024-03-09,d,,,,Ash,4");
    QCOMPARE(made(oakOffered), QByteArray("2024-03-07\ta"));
    QCOMPARE(made(allOffered), QByteArray("2024-03-07\ta\n2024-03-07\tb\n2024-03-08\tc"));
    QCOMPARE(rs->RecordCount(), 4);
  }

  // Releasing the import's recordset while the writer thread is inside a
  // group of its rows must leave the connection alone: the connection is not
  // made for two threads. The writer is held at the start of the last group
  // (exactly two full groups of rows) while the recordset goes.
  void releasingTheRecordsetLeavesTheWriterAlone() {
    conn->Execute("Delete * from tblYieldReport");
    conn->MirrorEmptiedTable("tblYieldReport");
    sqlite3* db = conn->Session()->Handle();
    std::mutex m;
    std::condition_variable cv;
    int groups = 0;
    bool inside = false, go = false;
    TheTestHooks().writerBatch = [&] {
      std::unique_lock lock(m);
      if (++groups != 2) return;
      inside = true;
      cv.notify_all();
      cv.wait_for(lock, std::chrono::seconds(20), [&] { return go; });
    };
    const auto statements = [db] {
      int n = 0;
      for (sqlite3_stmt* s = sqlite3_next_stmt(db, nullptr); s; s = sqlite3_next_stmt(db, s)) ++n;
      return n;
    };
    auto rs = openAll(conn);
    for (int i = 0; i < 16384; ++i) addLine(*rs, QStringLiteral("2024-03-07,%1,,Acme,,Oak,4,120").arg(i));
    {
      std::unique_lock lock(m);
      QVERIFY(cv.wait_for(lock, std::chrono::seconds(20), [&] { return inside; }));
    }
    // The writer is parked before it touches the connection: reading the
    // statement list now is safe, and releasing the recordset must not change it.
    const int before = statements();
    rs.reset();
    const int after = statements();
    {
      std::lock_guard lock(m);
      go = true;
    }
    cv.notify_all();
    QCOMPARE(after, before);
    rs = openAll(conn);
    TheTestHooks().writerBatch = nullptr;
    QCOMPARE(rs->RecordCount(), 16384);
    QCOMPARE(QueryRows(folder->DatabasePath(), "SELECT count(*) FROM tblYieldReport"), QStringList{"16384"});
  }

  // The table mirror answers "SELECT * ... ORDER BY" and "SELECT DISTINCT"
  // in SQLite's place, so it must answer exactly as SQLite does: the same
  // statements, read once from the mirror and once by SQLite from the same
  // file (through a second connection, which has no mirror), row for row.
  void mirrorAnswersAsSQLiteDoes() {
    conn->Execute("Delete * from tblYieldReport");
    conn->MirrorEmptiedTable("tblYieldReport");
    QVERIFY(conn->Session()->Mirror("tblYieldReport"));
    const QStringList texts = {"",      "Oak",       "oak",     "OAK",     " Oak",         "Oak ",
                               "\tOak", "Öak",       "Oak",     "Ash",     "ash",          "Äsh",
                               "Ash",   "Wei\u00DF", "Weiss",   "\uE000x", "\U0001D512ak", "\uFFFDz",
                               "Z",     "zz",        "a\u0301", "\u00E1",  "10",           "9"};
    const QStringList numbers = {"",     "-0", "0",     "1e-300", "-1e-300", "10",  "9",
                                 "9.5",  "-1", "1e300", "4",      "4.0",     "0.1", "0.30000000000000004",
                                 "-2.5", "100"};
    const QStringList dates = {"",           "2023-12-31", "2024-01-01", "1999-05-05", "2024-1-2",
                               "12/31/2023", "0001-01-01", "9999-12-31", "2024-02-29"};
    QRandomGenerator random(20241207);
    const auto pick = [&](const QStringList& from) { return from[int(random.bounded(from.size()))]; };
    auto rs = openAll(conn);
    for (int i = 0; i < 3000; ++i) {
      rs->AddNew();
      rs->Fields("Btime").SetValue(QString::number(i));  // tells ties apart
      rs->Fields("BDate").SetValue(pick(dates));
      rs->Fields("Material").SetValue(pick(texts));
      rs->Fields("Supplier").SetValue(pick(texts));
      rs->Fields("Operator").SetValue(pick(texts));
      rs->Fields("Width").SetValue(pick(numbers));
      rs->Fields("BoardLength").SetValue(pick(numbers));
      rs->Update();
    }
    auto other = openConnection(folder->DatabasePath());
    const QStringList statements = {kSelectAll,
                                    "SELECT * FROM tblYieldReport",
                                    "select * from tblYieldReport order by Width, BoardLength",
                                    "SELECT * FROM tblYieldReport ORDER BY Supplier,Operator,bdate",
                                    "SELECT DISTINCT material FROM tblYieldReport order by material",
                                    "SELECT DISTINCT Supplier FROM tblYieldReport order by Supplier",
                                    "SELECT DISTINCT Width FROM tblYieldReport order by Width",
                                    "SELECT DISTINCT bdate FROM tblYieldReport order by bdate",
                                    "SELECT DISTINCT BoardLength FROM tblYieldReport order by BoardLength",
                                    "SELECT DISTINCT JobName FROM tblYieldReport order by jobname"};
    for (const QString& sql : statements) {
      auto fromMirror = openAll(conn, sql);
      QVERIFY2(conn->Session()->Mirror("tblYieldReport"), qPrintable(sql));
      auto fromSqlite = openAll(other, sql);
      QCOMPARE(fromMirror->RecordCount(), fromSqlite->RecordCount());
      QCOMPARE(fromMirror->FieldCount(), fromSqlite->FieldCount());
      for (qint64 r = 0; r < fromMirror->RecordCount(); ++r)
        for (int c = 0; c < fromMirror->FieldCount(); ++c)
          if (fromMirror->CellText(r, c) != fromSqlite->CellText(r, c))
            QFAIL(
                qPrintable(QStringLiteral("%1: row %2, %3: mirror '%4', SQLite '%5'")
                               .arg(sql)
                               .arg(r)
                               .arg(fromMirror->FieldName(c), fromMirror->CellText(r, c), fromSqlite->CellText(r, c))));
    }
  }

  // Numbers are held as hundredths while they can be: every value must
  // read back as the very double stored, before and after the column turns
  // into plain doubles.
  void numbersReadBackExactly() {
    const std::vector<double> hundredths = {0,     0.01, 123.45, -72.7, 21474836.47, -21474836.47,
                                            99.99, 1e-2, 5,      0.8,   1234.5,      std::nan("")};
    const std::vector<double> others = {0.1 + 0.2,    0.1 + 0.7, -0.0,  1e-300, 21474836.48,
                                        -21474836.48, 1.005,     1e300, 0.001};
    for (double other : others) {
      ColumnStore store;
      store.AddColumn("n", ColumnType::Number);
      std::vector<double> stored;
      std::vector<CellValue> cell(1);
      const auto push = [&](double v) {
        cell[0].isNull = std::isnan(v);
        cell[0].number = v;
        store.AppendRow(cell);
        stored.push_back(v);
      };
      for (double v : hundredths) push(v);
      const NumberColumn& column = store.At(0).number;
      QVERIFY2(column.Hundredths(), "two-decimal values take the compact form");
      push(other);
      QVERIFY2(!column.Compact(), qPrintable(QString::number(other, 'g', 17)));
      for (double v : hundredths) push(v);
      QCOMPARE(column.size(), stored.size());
      for (size_t r = 0; r < stored.size(); ++r) {
        const double back = column[r];
        if (std::isnan(stored[r])) {
          QVERIFY(store.IsNull(0, qint64(r)));
          continue;
        }
        QVERIFY2(
            std::memcmp(&back, &stored[r], sizeof back) == 0,
            qPrintable(
                QStringLiteral("row %1: %2 read back as %3").arg(r).arg(stored[r], 0, 'g', 17).arg(back, 0, 'g', 17)));
      }
    }
  }

  // A parsed number with two decimals or fewer goes into the column as its
  // hundredths straight from the parse: what reads back must be the very
  // double the text parses to, whatever the text.
  void storedNumbersAreTheParsedDoubles() {
    const QStringList specials = {"0",   "-0",    "-0.00",      "0.1",          "72.7",         "1.",
                                  ".5",  "+3.25", "007.10",     "21474836.47",  "-21474836.47", "21474836.48",
                                  "1e2", "0.125", "123456.789", "100000000000", "-1",           " 4.5\t"};
    QRandomGenerator random(11);
    const auto plain = [&] {
      return QStringLiteral("%1%2.%3")
          .arg(random.bounded(4) == 0 ? "-" : "")
          .arg(random.bounded(100000))
          .arg(random.bounded(100), random.bounded(2) ? 2 : 1, 10, QLatin1Char('0'));
    };
    // Each special text among plain ones, so that it meets a column still
    // kept in hundredths.
    for (const QString& special : specials) {
      QStringList texts;
      for (int i = 0; i < 50; ++i) texts << plain();
      texts << special;
      for (int i = 0; i < 50; ++i) texts << plain();
      conn->Execute("Delete * from tblYieldReport");
      conn->MirrorEmptiedTable("tblYieldReport");
      auto rs = openAll(conn);
      for (const QString& t : texts) {
        rs->AddNew();
        rs->Fields("Width").SetValue(t);
        rs->Update();
      }
      const ColumnStore& store = rs->Store();
      const NumberColumn& widths = store.At(store.FindColumn(u"Width")).number;
      QCOMPARE(qsizetype(widths.size()), texts.size());
      for (qsizetype r = 0; r < texts.size(); ++r) {
        double parsed = 0;
        QVERIFY(ParseNumber(texts[r], parsed));
        const double stored = widths[size_t(r)];
        QVERIFY2(std::memcmp(&stored, &parsed, sizeof stored) == 0,
                 qPrintable(QStringLiteral("'%1' stored as %2, parses to %3")
                                .arg(texts[r])
                                .arg(stored, 0, 'g', 17)
                                .arg(parsed, 0, 'g', 17)));
      }
    }
    // Every value a column holds in 2 bytes, read back through the column's
    // table of them.
    NumberColumn narrow;
    std::vector<double> parsed;
    for (int h = -32767; h <= 32767; ++h) {
      const QString text = QStringLiteral("%1%2.%3")
                               .arg(h < 0 ? "-" : "")
                               .arg(std::abs(h) / 100)
                               .arg(std::abs(h) % 100, 2, 10, QLatin1Char('0'));
      QVERIFY(ParseNumber(text, parsed.emplace_back()));
      narrow.push_back(parsed.back());
    }
    narrow.push_back(std::numeric_limits<double>::quiet_NaN());
    QVERIFY(narrow.Narrow() && std::isnan(narrow[parsed.size()]));
    for (size_t i = 0; i < parsed.size(); ++i) {
      const double back = narrow[i];
      QVERIFY(std::memcmp(&back, &parsed[i], sizeof back) == 0);
    }
  }

  // Sorting packs the keys' ranks into one word when they fit, with or
  // without room for the position, and compares rank by rank when not; a
  // column's values are ranked through an array when they lie close together
  // (texts, days, hundredths in a small range) and through a hash otherwise.
  // Every way must give a stable order by value, Nulls first.
  void sortingHoldsForAnyWidthOfKeys() {
    ColumnStore store;
    for (int c = 0; c < 4; ++c) store.AddColumn(QStringLiteral("n%1").arg(c), ColumnType::Number);
    store.AddColumn(QStringLiteral("small"), ColumnType::Number);
    store.AddColumn(QStringLiteral("day"), ColumnType::Date);
    store.AddColumn(QStringLiteral("name"), ColumnType::Text);
    store.AddColumn(QStringLiteral("thirds"), ColumnType::Number);
    const QStringList names = {QStringLiteral("Ash"),        QStringLiteral("ash"),    QStringLiteral("\u00c4sch"),
                               QStringLiteral("B"),          QStringLiteral("Birch "), QStringLiteral("Birch"),
                               QStringLiteral("Z\u00fcrich")};
    QRandomGenerator random(7);
    std::vector<CellValue> cells(8);
    const int rows = 70000;  // about 2^16 distinct values in n0..n3: 17 bits of rank each
    for (int r = 0; r < rows; ++r) {
      for (CellValue& cell : cells) cell = CellValue();
      for (int c = 0; c < 4; ++c) cells[size_t(c)].number = double(random.bounded(1 << 20)) / 100;
      if (r % 7 == 0) cells[0].number = cells[1].number = 1;  // ties on the first keys
      cells[4].number = double(int(random.bounded(600)) - 300) / 100;
      cells[5].date = 2460000 + int(random.bounded(400));
      cells[6].text = store.Pool().Intern(names[random.bounded(int(names.size()))]);
      cells[7].number = double(random.bounded(900)) / 3;
      for (CellValue& cell : cells) cell.isNull = random.bounded(50) == 0;
      for (CellValue& cell : cells)
        if (cell.isNull) cell = CellValue();
      store.AppendRow(cells);
    }
    QVERIFY(store.At(4).number.Narrow() && store.At(0).number.Hundredths() && !store.At(7).number.Compact());
    const auto less = [&](int k, uint32_t a, uint32_t b) {
      const bool nullA = store.IsNull(k, a), nullB = store.IsNull(k, b);
      if (nullA || nullB) return nullA && !nullB;
      const ColumnStore::Column& c = store.At(k);
      switch (c.type) {
        case ColumnType::Text: return CompareText(store.Pool().At(c.text[a]), store.Pool().At(c.text[b])) < 0;
        case ColumnType::Number: return c.number[a] < c.number[b];
        case ColumnType::Date: return c.date[a] < c.date[b];
      }
      return false;
    };
    std::vector<uint32_t> all(rows);
    for (uint32_t r = 0; r < uint32_t(rows); ++r) all[r] = r;
    std::vector<uint32_t> some;  // a filtered subset, out of store order
    for (uint32_t r = 0; r < uint32_t(rows); r += 3) some.push_back(uint32_t(rows) - 1 - r);
    const std::vector<std::vector<int>> keySets = {{0}, {0, 1, 2}, {0, 1, 2, 3}, {4, 5, 6}, {6}, {7, 6, 4}, {5, 0}};
    for (const std::vector<int>& keys : keySets) {
      for (const std::vector<uint32_t>* input : {&all, &some}) {
        std::vector<uint32_t> expected = *input;
        std::stable_sort(expected.begin(), expected.end(), [&](uint32_t a, uint32_t b) {
          for (int k : keys) {
            if (less(k, a, b)) return true;
            if (less(k, b, a)) return false;
          }
          return false;
        });
        QVERIFY2(SortRows(store, keys, *input) == expected,
                 qPrintable(QStringLiteral("keys %1, %2 rows").arg(keys.front()).arg(input->size())));
      }
    }
    // The distinct values in order, each with a row that holds it.
    for (int k = 4; k < 8; ++k) {
      const ColumnRanks ranks = RankColumn(store, k, some);
      QVERIFY(ranks.hasNull);
      for (size_t rank = 2; rank < ranks.rowOfRank.size(); ++rank)
        QVERIFY(less(k, ranks.rowOfRank[rank - 1], ranks.rowOfRank[rank]));
      for (uint32_t r : some)
        QVERIFY(store.IsNull(k, r) ? ranks.rankOfRow[r] == 0
                                   : !less(k, r, ranks.rowOfRank[ranks.rankOfRow[r]]) &&
                                         !less(k, ranks.rowOfRank[ranks.rankOfRow[r]], r));
    }
  }

  // A text column holds 1-byte codes while it has few distinct texts, 2-byte
  // ones past 255 and the pool ids past 65,535: rows stored before each
  // widening must still read back as their texts, and sort and DISTINCT
  // through the codes as through the ids.
  void textCodesWidenAndReadBack_data() {
    QTest::addColumn<int>("distinct");
    QTest::addColumn<bool>("coded");
    QTest::newRow("a few") << 7 << true;
    QTest::newRow("past a byte") << 300 << true;
    QTest::newRow("past two bytes") << 80000 << false;
  }
  void textCodesWidenAndReadBack() {
    QFETCH(int, distinct);
    QFETCH(bool, coded);
    ColumnStore store;
    store.AddColumn(QStringLiteral("other"), ColumnType::Text);
    store.AddColumn(QStringLiteral("name"), ColumnType::Text);
    QRandomGenerator random(5);
    std::vector<QString> stored;
    std::vector<CellValue> cells(2);
    for (int r = 0; r < distinct * 2; ++r) {
      // Every text new once, then repeated; a Null now and then; another
      // column's texts in between, so that the pool ids are not the codes.
      const QString text =
          r % 13 == 0 ? QString() : QStringLiteral("t%1").arg(r < distinct ? r : random.bounded(distinct));
      cells[0] = CellValue{false, 0, NumberColumn::kNullHundredths, kNullDate,
                           store.Pool().Intern(QStringLiteral("o%1").arg(r % 500))};
      cells[1] = CellValue();
      if (!text.isEmpty())
        cells[1] = CellValue{false, 0, NumberColumn::kNullHundredths, kNullDate, store.Pool().Intern(text)};
      store.AppendRow(cells);
      stored.push_back(text);
    }
    QCOMPARE(store.At(1).text.Coded(), coded);
    std::vector<uint32_t> rows(stored.size());
    for (uint32_t r = 0; r < rows.size(); ++r) {
      rows[r] = r;
      QCOMPARE(store.Text(1, r), stored[r]);
    }
    const std::vector<uint32_t> sorted = SortRows(store, {1}, rows);
    for (size_t i = 1; i < sorted.size(); ++i) {
      const QString &a = stored[sorted[i - 1]], &b = stored[sorted[i]];
      QVERIFY(a.isNull() ? (!b.isNull() || sorted[i - 1] < sorted[i])
                         : !b.isNull() && (CompareText(a, b) < 0 || (a == b && sorted[i - 1] < sorted[i])));
    }
    const ColumnRanks ranks = DistinctValues(store, 1, rows);
    QVERIFY(ranks.hasNull);
    const QSet<QString> texts(stored.begin(), stored.end());
    QCOMPARE(ranks.rowOfRank.size(), size_t(texts.size()));  // with Null's place
    for (size_t rank = 2; rank < ranks.rowOfRank.size(); ++rank)
      QVERIFY(CompareText(stored[ranks.rowOfRank[rank - 1]], stored[ranks.rowOfRank[rank]]) < 0);
  }

  // Times of day are found by their second; texts that only look like one
  // are texts like any other. Each text keeps one id, which no other text
  // shares, and Find gives it back.
  void poolKeepsOneIdPerText() {
    TextPool pool;
    QStringList texts = {"00:01:00",
                         "01:00:00",
                         "23:59:59",
                         "00:00:00",
                         "24:00:00",
                         "00:00:60",
                         "00:60:00",
                         "0a:00:00",
                         "00-00-00",
                         "00:00:0",
                         "00:00:000",
                         "12:30:00 ",
                         QStringLiteral("\uFF11\uFF12:00:00")};
    for (int s = 0; s < 86400; s += 37) texts << QTime(0, 0).addSecs(s).toString(QStringLiteral("HH:mm:ss"));
    std::map<QString, uint32_t> ids;
    for (int pass = 0; pass < 2; ++pass) {
      for (const QString& text : texts) {
        const uint32_t id = pool.Intern(text);
        QCOMPARE(pool.At(id), text);
        QCOMPARE(pool.Find(text), id);
        QCOMPARE(ids.emplace(text, id).first->second, id);
      }
    }
    std::set<uint32_t> distinct;
    for (const auto& [text, id] : ids) distinct.insert(id);
    QCOMPARE(distinct.size(), ids.size());
  }

  // Rows reach the file kRowsPerGroup a step. A row the engine refuses
  // (here a text over its length limit) must leave every row before it in
  // the file and none from it on, wherever it falls: first, inside a group,
  // last of a group, among the rows left after the last group.
  void groupedWritesStopAtTheRowThatFails() {
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(":memory:", &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, "CREATE TABLE t (a, b)", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, 1000);
    const QByteArray rowSql = "INSERT INTO t (a, b) VALUES (?,?)";
    const QByteArray groupSql = GroupInsertSql(rowSql, kRowsPerGroup);
    InsertStatements insert;
    QCOMPARE(sqlite3_prepare_v2(db, rowSql.constData(), -1, &insert.row, nullptr), SQLITE_OK);
    QCOMPARE(sqlite3_prepare_v2(db, groupSql.constData(), -1, &insert.group, nullptr), SQLITE_OK);
    const QByteArray tooLong(2000, 'x');
    const int rows = 3 * kRowsPerGroup + 5;
    for (int bad : {-1, 0, 40, 3 * kRowsPerGroup - 1, rows - 2}) {
      RowBatch batch;
      for (int r = 0; r < rows; ++r) {
        batch.BeginRow();
        batch.AddNumber(r);
        if (r == bad)
          batch.AddText(tooLong.constData(), uint32_t(tooLong.size()));
        else
          batch.AddText("ok", 2);
      }
      for (int from : {0, 7}) {
        QCOMPARE(sqlite3_exec(db, "DELETE FROM t", nullptr, nullptr, nullptr), SQLITE_OK);
        const WriteResult result = WriteRows(db, insert, batch, from);
        const bool fails = bad >= from;
        const int kept = fails ? bad - from : rows - from;
        const QString where = QStringLiteral("bad row %1, from %2").arg(bad).arg(from);
        QVERIFY2(result.kept == kept, qPrintable(where + QStringLiteral(": kept %1").arg(result.kept)));
        QVERIFY2(result.code == (fails ? SQLITE_TOOBIG : 0), qPrintable(where));
        sqlite3_stmt* read = nullptr;
        QCOMPARE(sqlite3_prepare_v2(db, "SELECT count(*), ifnull(min(a), -1), ifnull(max(a), -1), count(b) FROM t", -1,
                                    &read, nullptr),
                 SQLITE_OK);
        QCOMPARE(sqlite3_step(read), SQLITE_ROW);
        const QList<int> inFile = {sqlite3_column_int(read, 0), sqlite3_column_int(read, 1),
                                   sqlite3_column_int(read, 2), sqlite3_column_int(read, 3)};
        sqlite3_finalize(read);
        const QList<int> expected = {kept, kept ? from : -1, kept ? from + kept - 1 : -1, kept};
        QVERIFY2(inFile == expected, qPrintable(where));
      }
    }
    sqlite3_finalize(insert.row);
    sqlite3_finalize(insert.group);
    sqlite3_close(db);
  }

  void rowBatchesKeepEveryValue() {
    // The rows a writer thread stores come from these bytes: every value must
    // come back as it went in, also after batches are joined.
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(":memory:", &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, "CREATE TABLE t (a, b, c)", nullptr, nullptr, nullptr), SQLITE_OK);
    const QByteArray nul("Oa\0k", 4);
    RowBatch first, second;
    first.BeginRow();
    first.AddNull();
    first.AddNumber(-0.1);
    first.AddText("", 0);
    first.BeginRow();
    first.AddText(nul.constData(), uint32_t(nul.size()));
    first.AddNumber(1e300);
    first.AddText(
        "Wei\xC3\x9F"
        "eiche",
        10);
    second.BeginRow();
    second.AddNumber(72.7);
    second.AddNull();
    second.AddNull();
    first.Append(second);
    QCOMPARE(first.Rows(), 3);
    sqlite3_stmt* insert = nullptr;
    QCOMPARE(sqlite3_prepare_v2(db, "INSERT INTO t VALUES (?, ?, ?)", -1, &insert, nullptr), SQLITE_OK);
    for (int r = 0; r < first.Rows(); ++r) {
      first.Bind(insert, r);
      QCOMPARE(sqlite3_step(insert), SQLITE_DONE);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_stmt* read = nullptr;
    QCOMPARE(
        sqlite3_prepare_v2(db, "SELECT quote(a), quote(b), quote(c), hex(a) FROM t ORDER BY rowid", -1, &read, nullptr),
        SQLITE_OK);
    QStringList rows;
    while (sqlite3_step(read) == SQLITE_ROW) {
      QStringList cells;
      for (int c = 0; c < 4; ++c)
        cells << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(read, c)));
      rows << cells.join(u'|');
    }
    sqlite3_finalize(read);
    sqlite3_close(db);
    QCOMPARE(rows, QStringList({"NULL|-0.1|''|", "'Oa'|1.0e+300|'Weißeiche'|4F61006B", "72.7|NULL|NULL|37322E37"}));
  }
};

CORVANE_TEST_MAIN(TestDatabase)
#include "tst_database.moc"
