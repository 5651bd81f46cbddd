// The record store over a real database file: where it is found (beside the
// program or the user's copy, made again when damaged), opening, emptying,
// the shared recordset and its replacement, the distinct value lists.
#include "DatabaseLocation.h"
#include "DistinctLists.h"
#include "ReportDatabase.h"
#include "StoreStatements.h"
#include "TestSupport.h"
#include "YieldColumns.h"
#include "YieldReportImport.h"
#include "common/AppInfo.h"
#include "common/ErrorInfo.h"
#include "common/TestHooks.h"
#include "sqlite/SqlStatement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <unistd.h>

using namespace modReportGeneration;

namespace {

QStringList listOf(void (*fill)(QStringList&)) {
  QStringList l{"stale", "entries"};
  fill(l);
  return l;
}

// The bytes of a file, empty when it cannot be read.
QByteArray BytesOf(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A program under a temporary root at <root>/<bin>, with a database beside it
// and the installed template in <bin>/../share/corvane-yield-report/ when
// asked, and the user's data folder (XDG_DATA_HOME) at <root>/data. The
// program's folder points at <bin> while it lives.
class ProgramLayout {
  QTemporaryDir root_;
  const QByteArray dataHome_ = qgetenv("XDG_DATA_HOME");

 public:
  const QString bin;
  ProgramLayout(const QString& binPath, bool beside, bool installed, bool readOnly)
      : bin(root_.path() + u'/' + binPath) {
    QDir().mkpath(bin);
    if (beside) place(besideDatabase(), QFile::ReadOwner | QFile::WriteOwner);
    if (installed) place(installedTemplate(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    if (readOnly) QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    qputenv("XDG_DATA_HOME", QFile::encodeName(root_.path() + "/data"));
    TheTestHooks().programFolder = bin;
  }
  ~ProgramLayout() {
    YieldRecordset.reset();
    ReportConnection.reset();
    QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_DATA_HOME", dataHome_);
    TheTestHooks().programFolder.clear();
  }
  QString besideDatabase() const { return bin + "/ReportGenTemplate.mdb"; }
  QString installedTemplate() const {
    return QDir::cleanPath(bin + "/../share/corvane-yield-report/ReportGenTemplate.mdb");
  }
  QString copy() const { return root_.path() + "/data/Corvane Yield Report Analysis/ReportGenTemplate.mdb"; }
  QString report() const { return root_.path() + "/board.yrp"; }

 private:
  static void place(const QString& path, QFile::Permissions permissions) {
    QDir().mkpath(QFileInfo(path).path());
    if (!QFile::copy(TEMPLATE_DATABASE, path) || !QFile::setPermissions(path, permissions))
      qFatal("cannot place the template at %s", qPrintable(path));
  }
};

// The rest of a start (the table emptied), then an import of one board
// through the import's own code; the number of records then shown.
int StartAndImportOneBoard(const ProgramLayout& layout) {
  try {
    ClearYieldReport();
  } catch (const ErrorInfo& e) {
    qWarning("the start failed: %s", qPrintable(e.Description));
    return -1;
  }
  OpenYieldRecordset();
  QFile report(layout.report());
  if (!report.open(QIODevice::WriteOnly)) return -1;
  report.write("2024-03-07,08:00,Ann,Acme,RIP,Oak,4,120,90,75,110,80,72.7,88.9\n");
  report.close();
  ImportYieldReportFile(layout.report());
  OpenYieldRecordset();
  return GetYieldRecordset()->RecordCount();
}

}  // namespace

class TestStore : public QObject {
  Q_OBJECT

  std::unique_ptr<TempProgramFolder> folder;
  std::unique_ptr<BoxRecorder> boxes;

 private slots:
  // Where the database is found, as root (who may write every folder) and as
  // an ordinary user: beside the program when one is there, else the user's
  // copy of the installed template, else the open's box naming the program's
  // place. The layouts differ in what is present, not in who may write.
  void databaseLocation_data() {
    QTest::addColumn<QString>("bin");
    QTest::addColumn<bool>("beside");     // a database beside the program
    QTest::addColumn<bool>("installed");  // the template in ../share/corvane-yield-report/
    QTest::addColumn<bool>("readOnly");   // the program's folder without write permission
    QTest::addColumn<QString>("used");    // "beside", "copy" or "none" (the open's box)
    QTest::newRow("build folder") << "build/bin" << true << false << false << "beside";
    QTest::newRow("portable copy beside an installed template") << "opt/bin" << true << true << false << "beside";
    QTest::newRow("/usr tree") << "usr/bin" << false << true << true << "copy";
    QTest::newRow("~/.local prefix") << "home/.local/bin" << false << true << false << "copy";
    // Root writes any folder, so keeps using the database there.
    QTest::newRow("database in a read-only folder")
        << "media/bin" << true << false << true << (geteuid() == 0 ? "beside" : "copy");
    QTest::newRow("nothing installed") << "bare/bin" << false << false << false << "none";
  }
  void databaseLocation() {
    QFETCH(QString, bin);
    QFETCH(bool, beside);
    QFETCH(bool, installed);
    QFETCH(bool, readOnly);
    QFETCH(QString, used);
    const ProgramLayout layout(bin, beside, installed, readOnly);
    if (installed) QCOMPARE(InstalledTemplatePath(layout.bin), layout.installedTemplate());
    OpenReportDatabase();
    QCOMPARE(ReportDatabaseFile, used == "copy" ? layout.copy() : layout.besideDatabase());
    QCOMPARE(QFileInfo::exists(layout.copy()), used == "copy");
    QCOMPARE(QFileInfo::exists(layout.besideDatabase()), beside);  // nothing written beside the program
    if (used == "none") {
      QCOMPARE(boxes->boxes.size(), size_t(1));
      QVERIFY(boxes->boxes[0].text.startsWith("Error #: -14, unable to open database file"));
      return;
    }
    QVERIFY(ReportConnection->IsOpen());
    if (used == "copy")
      QCOMPARE(BytesOf(layout.copy()), BytesOf(beside ? layout.besideDatabase() : layout.installedTemplate()));
    QCOMPARE(StartAndImportOneBoard(layout), 1);
    QVERIFY(boxes->boxes.empty());
  }
  void databaseLocationAsAnOrdinaryUser() {
    if (RerunAsUnprivilegedUser("databaseLocation")) return;
  }

  // The user's copy holds nothing the user needs: one that cannot serve is
  // made again from the installed template at start, without a box, and the
  // start and an import go on as usual. A sound one is kept as it is.
  void damagedCopyIsReplaced_data() {
    QTest::addColumn<QByteArray>("bytes");  // written into the copy at "at" unless null; from 0 on, alone
    QTest::addColumn<int>("at");
    QTest::addColumn<int>("cutTo");       // bytes the copy is cut to, unless negative
    QTest::addColumn<QByteArray>("sql");  // run on the copy unless empty
    QTest::addColumn<bool>("replaced");
    const QByteArray none;
    // Pages are of 64 KB: the table's first page starts at 65536.
    QTest::newRow("garbage") << QByteArray("no database here. ").repeated(8000) << 0 << -1 << none << true;
    QTest::newRow("0 bytes") << QByteArray("") << 0 << -1 << none << true;
    QTest::newRow("the table's page overwritten") << QByteArray(65536, '\xA5') << 65536 << -1 << none << true;
    QTest::newRow("cut short in the header") << none << 0 << 60 << none << true;
    QTest::newRow("cut short: the table's page lost") << none << 0 << 65536 << none << true;
    QTest::newRow("table missing") << none << 0 << -1 << QByteArray("DROP TABLE tblYieldReport") << true;
    QTest::newRow("columns in another order")
        << none << 0 << -1
        << QByteArray(
               "DROP TABLE tblYieldReport; CREATE TABLE tblYieldReport (JobName TEXT, BDate DATE, Btime TEXT, "
               "Operator TEXT, Supplier TEXT, Material TEXT, Width NUMBER, NetBoardLength NUMBER, "
               "BoardLength NUMBER, ClearLength NUMBER, ClearPer NUMBER, LengthPartsCut NUMBER, "
               "TotalYieldPer NUMBER, ClearYieldPer NUMBER, Type TEXT)")
        << true;
    QTest::newRow("an older schema version") << none << 0 << -1 << QByteArray("PRAGMA user_version = 0") << true;
    QTest::newRow("sound") << none << 0 << -1 << none << false;
  }
  void damagedCopyIsReplaced() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, at);
    QFETCH(int, cutTo);
    QFETCH(QByteArray, sql);
    QFETCH(bool, replaced);
    const ProgramLayout layout("usr/bin", false, true, true);
    QVERIFY(QueryRows(layout.installedTemplate(), "PRAGMA user_version") != QStringList{"0"});
    QVERIFY(QDir().mkpath(QFileInfo(layout.copy()).path()));
    QVERIFY(QFile::copy(layout.installedTemplate(), layout.copy()));
    QVERIFY(QFile::setPermissions(layout.copy(), QFile::ReadOwner | QFile::WriteOwner));
    ExecOn(layout.copy(), "CREATE TABLE kept (x)");  // tells a kept copy from a new one
    if (!sql.isEmpty()) ExecOn(layout.copy(), sql.constData());
    if (cutTo >= 0) QVERIFY(QFile::resize(layout.copy(), cutTo));
    QFile copy(layout.copy());
    if (!bytes.isNull())
      QVERIFY(copy.open(at == 0 ? QIODevice::WriteOnly : QIODevice::ReadWrite) && copy.seek(at) &&
              copy.write(bytes) == bytes.size());
    copy.close();

    OpenReportDatabase();
    QCOMPARE(ReportDatabaseFile, layout.copy());
    QCOMPARE(StartAndImportOneBoard(layout), 1);
    QCOMPARE(boxes->Texts(), QStringList{});
    QCOMPARE(QueryRows(layout.copy(), "SELECT count(*) FROM sqlite_master WHERE name = 'kept'"),
             QStringList{replaced ? "0" : "1"});
    QCOMPARE(QueryRows(layout.copy(), "PRAGMA user_version"),
             QueryRows(layout.installedTemplate(), "PRAGMA user_version"));
    QCOMPARE(QDir(QFileInfo(layout.copy()).path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{"ReportGenTemplate.mdb"});  // no temporary file left behind
  }

  // A copy another running program holds is not judged while it is busy,
  // let alone replaced under it: the start meets the lock's box, as beside
  // the program.
  void busyCopyIsLeftToItsHolder() {
    const ProgramLayout layout("usr/bin", false, true, true);
    QVERIFY(QDir().mkpath(QFileInfo(layout.copy()).path()));
    QVERIFY(QFile::copy(layout.installedTemplate(), layout.copy()));
    QVERIFY(QFile::setPermissions(layout.copy(), QFile::ReadOwner | QFile::WriteOwner));
    ExecOn(layout.copy(), "CREATE TABLE kept (x)");
    sqlite3* holder = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(layout.copy()).constData(), &holder), SQLITE_OK);
    QCOMPARE(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    OpenReportDatabase();
    sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    QCOMPARE(boxes->Texts(), QStringList{"Error #: -5, database is locked, SQLite"});
    QCOMPARE(QueryRows(layout.copy(), "SELECT count(*) FROM sqlite_master WHERE name = 'kept'"), QStringList{"1"});
  }

  void init() {
    ReportConnection.reset();
    YieldRecordset.reset();
    folder = std::make_unique<TempProgramFolder>();
    boxes = std::make_unique<BoxRecorder>();
  }
  void cleanup() {
    YieldRecordset.reset();
    ReportConnection.reset();
    boxes.reset();
    folder.reset();
  }

  void startUpEmptiesTheTable() {
    ExecOn(folder->DatabasePath(),
           "INSERT INTO tblYieldReport (BDate, Material) VALUES ('2024-01-02','Oak'), ('2024-01-03','Ash')");
    OpenReportDatabase();
    QVERIFY(ReportConnection->IsOpen());
    QVERIFY(!GetYieldRecordset());
    ClearYieldReport();
    QCOMPARE(QueryRows(folder->DatabasePath(), "SELECT count(*) FROM tblYieldReport"), QStringList{"0"});
    OpenYieldRecordset();
    QCOMPARE(GetYieldRecordset()->RecordCount(), 0);
    QVERIFY(GetYieldRecordset() == YieldRecordset);
    QVERIFY(boxes->boxes.empty());
  }

  // The tests start from the schema, never from the program's own scratch
  // database, which holds whatever its user last imported.
  void testsStartFromAFreshDatabase() {
    QVERIFY(QFileInfo(QStringLiteral(TEMPLATE_DATABASE)).canonicalFilePath() !=
            QFileInfo(QCoreApplication::applicationDirPath() + "/ReportGenTemplate.mdb").canonicalFilePath());
    QCOMPARE(QueryRows(folder->DatabasePath(), "SELECT count(*) FROM tblYieldReport"), QStringList{"0"});
    QCOMPARE(QueryRows(folder->DatabasePath(), "PRAGMA freelist_count"), QStringList{"0"});
  }

  // Emptying the table gives its pages back: after a large import, the next
  // start (or import) leaves a file of a few pages, not of the largest import.
  void emptyingGivesTheSpaceBack() {
    const qint64 fresh = QFileInfo(folder->DatabasePath()).size();
    OpenReportDatabase();
    ClearYieldReport();
    OpenYieldRecordset();
    QByteArray lines;
    for (int i = 0; i < 20000; ++i)
      lines += QStringLiteral("2024-03-07,%1,Ann,Acme,RIP,Oak,4,120,90,75,110,80,72.7,88.9\n").arg(i).toUtf8();
    ImportYieldReportFile(folder->WriteFile("big.yrp", lines));
    OpenYieldRecordset();
    QCOMPARE(GetYieldRecordset()->RecordCount(), 20000);
    const qint64 full = QFileInfo(folder->DatabasePath()).size();
    QVERIFY(full > 10 * fresh);
    ClearYieldReport();
    QCOMPARE(QueryRows(folder->DatabasePath(), "SELECT count(*) FROM tblYieldReport"), QStringList{"0"});
    QCOMPARE(QFileInfo(folder->DatabasePath()).size(), fresh);
    // A file left with free pages by another program is made small at start.
    ExecOn(folder->DatabasePath(), "INSERT INTO tblYieldReport (Material) VALUES (zeroblob(2000000))");
    ExecOn(folder->DatabasePath(), "DELETE FROM tblYieldReport");
    QVERIFY(QFileInfo(folder->DatabasePath()).size() > 10 * fresh);
    ClearYieldReport();
    QCOMPARE(QFileInfo(folder->DatabasePath()).size(), fresh);
    QVERIFY(boxes->boxes.empty());
  }

  // The road after an import is fast because the store's reads are answered
  // from the table mirror; a statement edited out of that shape must fail here.
  void storeStatementsAreAnsweredFromMemory() {
    QCOMPARE(SqlStatement::Parse(Statements::ClearYieldReport).kind, SqlStatement::Kind::DeleteAll);
    for (const QString& sql : {Statements::YieldRecords, Statements::JobNames, Statements::Materials,
                               Statements::Suppliers, Statements::Widths, Statements::Dates})
      QVERIFY2(SqlStatement::Parse(sql).AnsweredFromMemory(), qPrintable(sql));
    OpenReportDatabase();
    ClearYieldReport();
    OpenYieldRecordset();
    QVERIFY(GetYieldRecordset()->AnsweredFromMemory());
    ImportYieldReportFile(folder->WriteFile("a.yrp", "2024-03-07,a,Ann,Acme,RIP,Oak,4,120,90,75,110,80,72.7,88.9\n"));
    OpenYieldRecordset();
    QVERIFY(GetYieldRecordset()->AnsweredFromMemory());
    QCOMPARE(GetYieldRecordset()->RecordCount(), 1);
    QVERIFY(boxes->boxes.empty());
  }

  void missingDatabaseIsReportedOnce() {
    QFile::remove(folder->DatabasePath());
    OpenReportDatabase();
    QCOMPARE(boxes->boxes.size(), size_t(1));
    QCOMPARE(boxes->boxes[0].title, QStringLiteral("Corvane Report Analysis V2"));
    QCOMPARE(boxes->boxes[0].buttons, QStringLiteral("OK"));
    QVERIFY(boxes->boxes[0].text.startsWith("Error #: -14, unable to open database file"));
    QVERIFY(boxes->boxes[0].text.endsWith(", SQLite"));
    QVERIFY(ReportConnection && !ReportConnection->IsOpen());
    QVERIFY(!QFile::exists(folder->DatabasePath()));
    // Emptying passes its failure on; opening the recordset reports its own.
    try {
      ClearYieldReport();
      QFAIL("cleared a closed connection");
    } catch (const ErrorInfo& e) {
      QCOMPARE(e.Number, 3704);
    }
    OpenYieldRecordset();
    QCOMPARE(boxes->boxes.size(), size_t(2));
    QVERIFY(boxes->boxes[1].text.startsWith("Error #: 3704, "));
    QVERIFY(YieldRecordset && !YieldRecordset->IsOpen());
  }

  void replacedRecordsetStaysWithItsHolder() {
    OpenReportDatabase();
    ClearYieldReport();
    OpenYieldRecordset();
    const QString file =
        folder->WriteFile("a.yrp", "2024-03-07,08:00,Ann,Acme,RIP,Oak,4,120,90,75,110,80,72.7,88.9\r\n");
    ImportYieldReportFile(file);
    const auto first = GetYieldRecordset();
    ClearYieldReport();
    OpenYieldRecordset();
    QVERIFY(GetYieldRecordset() != first);
    ImportYieldReportFile(file);
    ImportYieldReportFile(file);
    QCOMPARE(first->RecordCount(), 1);  // the holder still reads the first batch
    QCOMPARE(GetYieldRecordset()->RecordCount(), 2);
    OpenYieldRecordset();
    QCOMPARE(GetYieldRecordset()->RecordCount(), 2);
    QVERIFY(boxes->boxes.empty());
  }

  // The one list of the table's columns is the template's, in order: the
  // grid's positions, and with them the summary's sums, follow from it.
  void yieldColumnsAreTheSchemasInOrder() {
    QStringList named;
    for (const char* name : kYieldColumnNames) named << name;
    QCOMPARE(named, QueryRows(TEMPLATE_DATABASE, "SELECT name FROM pragma_table_info('tblYieldReport') ORDER BY cid"));
    QCOMPARE(ColumnName(YieldColumn::Type), QStringLiteral("Type"));
    QCOMPARE(GridColumn(YieldColumn::JobName), 1);
  }

  void distinctLists() {
    OpenReportDatabase();
    ClearYieldReport();
    for (auto fill : {ListJobNames, ListMaterials, ListSuppliers, ListWidths, ListDates})
      QCOMPARE(listOf(fill), QStringList{QString()});

    OpenYieldRecordset();
    ImportYieldReportFile(
        folder->WriteFile("a.yrp",
                          "2024-03-08,08:00,Ann,Northwood,RIP,White Oak,4.5,120,90,75,110,80,72.7,88.9\r\n"
                          "2024-03-07,08:01,Ann,Acme,RIP,Red Oak,10,120,90,75,110,80,72.7,88.9\r\n"
                          "2024-03-07,08:02,Ben,Acme,RIP,Red Oak,4,120,90,75,110,80,72.7,88.9\r\n"
                          ",08:03,Ben,,RIP,,,120,90,75,110,80,72.7,88.9\r\n"
                          "3/9/2024,08:04,Ben,Acme,RIP,Ash,4,120,90,75,110,80,72.7,88.9\r\n"));
    QVERIFY(boxes->boxes.empty());
    QCOMPARE(listOf(ListJobNames), QStringList({"", ""}));
    QCOMPARE(listOf(ListMaterials), QStringList({"", "", "Ash", "Red Oak", "White Oak"}));
    QCOMPARE(listOf(ListSuppliers), QStringList({"", "", "Acme", "Northwood"}));
    QCOMPARE(listOf(ListWidths), QStringList({"", "", "4", "4.5", "10"}));
    QCOMPARE(listOf(ListDates), QStringList({"", "", "2024-03-07", "2024-03-08", "2024-03-09"}));
    QCOMPARE(QueryRows(folder->DatabasePath(), "SELECT count(*) FROM tblYieldReport WHERE JobName IS NULL"),
             QStringList{"5"});
  }

  void listsPassFailuresOn() {
    OpenReportDatabase();
    ExecOn(folder->DatabasePath(), "DROP TABLE tblYieldReport");
    QStringList l{"kept"};
    try {
      ListMaterials(l);
      QFAIL("listed a missing table");
    } catch (const ErrorInfo& e) {
      QVERIFY(e.Description.contains("no such table"));
    }
    QCOMPARE(l, QStringList{"kept"});
    QVERIFY(boxes->boxes.empty());
  }
};

CORVANE_TEST_MAIN(TestStore)
#include "tst_store.moc"
