// The record store over a real database file: opening, emptying, the shared
// recordset and its replacement, the distinct value lists.
#include "DatabaseLocation.h"
#include "DistinctLists.h"
#include "ErrorInfo.h"
#include "ReportDatabase.h"
#include "SqlStatement.h"
#include "StoreStatements.h"
#include "TestSupport.h"
#include "YieldReportImport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>
#include <QFileInfo>

using namespace modReportGeneration;

namespace {

QStringList listOf(void (*fill)(QStringList&)) {
  QStringList l{"stale", "entries"};
  fill(l);
  return l;
}

}  // namespace

class TestStore : public QObject {
  Q_OBJECT

  std::unique_ptr<TempProgramFolder> folder;
  std::unique_ptr<BoxRecorder> boxes;

 private slots:
  // An installed program's folder cannot be written: each user gets a copy
  // of the installed template in their own data folder, made once.
  void databaseLocation() {
    if (geteuid() == 0) QSKIP("root writes every folder; run as an ordinary user below");
    QTemporaryDir root;
    const QString bin = root.path() + "/usr/bin";
    const QString share = root.path() + "/usr/share/corvane-yield-report";
    QVERIFY(QDir().mkpath(bin) && QDir().mkpath(share));
    QVERIFY(QFile::copy(TEMPLATE_DATABASE, share + "/ReportGenTemplate.mdb"));
    QFile::setPermissions(share + "/ReportGenTemplate.mdb", QFileDevice::ReadOwner | QFileDevice::ReadOther);
    QCOMPARE(modReportGeneration::InstalledTemplatePath(bin), share + "/ReportGenTemplate.mdb");

    // Writable: beside the program, as always (nothing copied).
    QCOMPARE(modReportGeneration::LocateReportDatabase(bin, root.path() + "/data"), bin + "/ReportGenTemplate.mdb");
    QVERIFY(!QFileInfo::exists(root.path() + "/data"));

    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner;
    QVERIFY(QFile::setPermissions(bin, readOnly));
    const QString data = root.path() + "/home/.local/share/app";
    const QString copy = modReportGeneration::LocateReportDatabase(bin, data);
    QCOMPARE(copy, data + "/ReportGenTemplate.mdb");
    QFile made(copy);
    QVERIFY(made.open(QIODevice::ReadWrite));  // the user may write it
    QFile installed(share + "/ReportGenTemplate.mdb");
    QVERIFY(installed.open(QIODevice::ReadOnly));
    QCOMPARE(made.readAll(), installed.readAll());
    // A copy that exists is used as it is.
    made.write("changed");
    made.close();
    QCOMPARE(modReportGeneration::LocateReportDatabase(bin, data), copy);
    QVERIFY(made.open(QIODevice::ReadOnly) && made.readAll().endsWith("changed"));

    // No template installed: the path is given anyway, for the open's box.
    const QString bare = root.path() + "/bare/bin";
    QVERIFY(QDir().mkpath(bare) && QFile::setPermissions(bare, readOnly));
    QCOMPARE(modReportGeneration::LocateReportDatabase(bare, root.path() + "/data2"),
             root.path() + "/data2/ReportGenTemplate.mdb");
    QVERIFY(!QFileInfo::exists(root.path() + "/data2/ReportGenTemplate.mdb"));
    QFile::setPermissions(bin, readOnly | QFileDevice::WriteOwner);
    QFile::setPermissions(bare, readOnly | QFileDevice::WriteOwner);
  }

  void databaseLocationAsAnOrdinaryUser() {
    if (RerunAsUnprivilegedUser("databaseLocation")) return;
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
