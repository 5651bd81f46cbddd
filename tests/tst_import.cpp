// Importing report files and batches into a real database file: line ends,
// encodings, field counts and their exact error boxes, the batch's paths.
#include "ReportDatabase.h"
#include "ReportFileReader.h"
#include "TestSupport.h"
#include "YieldReportImport.h"
#include "cProcessCalData.h"
#include "common/ErrorInfo.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

using namespace modReportGeneration;

namespace {

const QByteArray kGood = "2024-03-07,08:00,Ann,Acme,RIP,Oak,4,120,90,75,110,80,72.7,88.9";
const QString kMissingBox = QStringLiteral("Error #: 9, Subscript out of range, CorvaneYieldReport");

class FakeFileList : public FileList {
 public:
  QStringList entries;
  QList<bool> selected;
  int ListCount() const override { return int(entries.size()); }
  bool Selected(int i) const override { return selected.value(i); }
  QString List(int i) const override { return entries[i]; }
};

}  // namespace

class TestImport : public QObject {
  Q_OBJECT

  std::unique_ptr<TempProgramFolder> folder;
  std::unique_ptr<BoxRecorder> boxes;

  QStringList rows(const QString& columns = "BDate, Btime, Operator, Supplier, Material, Width") {
    return QueryRows(folder->DatabasePath(), "SELECT " + columns + " FROM tblYieldReport ORDER BY rowid");
  }
  QStringList importBytes(const QByteArray& bytes, const QString& columns = "Btime") {
    ImportYieldReportFile(folder->WriteFile("t.yrp", bytes));
    OpenYieldRecordset();  // commits like the real road does
    return rows(columns);
  }

 private slots:
  void init() {
    folder = std::make_unique<TempProgramFolder>();
    boxes = std::make_unique<BoxRecorder>();
    OpenReportDatabase();
    ClearYieldReport();
    OpenYieldRecordset();
    QVERIFY(boxes->boxes.empty());
  }
  void cleanup() {
    YieldRecordset.reset();
    ReportConnection.reset();
    boxes.reset();
    folder.reset();
  }

  void lineEnds_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("times");
    QTest::addColumn<QList<qint64>>("fileLines");  // the file's line of each record, as problems name it
    QTest::newRow("CR LF") << QByteArray("d,a\r\nd,b\r\n") << QStringList{"a", "b"} << QList<qint64>{1, 2};
    QTest::newRow("lone CR") << QByteArray("d,a\rd,b\r") << QStringList{"a", "b"} << QList<qint64>{1, 2};
    QTest::newRow("lone LF") << QByteArray("d,a\nd,b\n") << QStringList{"a", "b"} << QList<qint64>{1, 2};
    QTest::newRow("mixed, last unterminated")
        << QByteArray("d,a\r\nd,b\nd,c\rd,e") << QStringList{"a", "b", "c", "e"} << QList<qint64>{1, 2, 3, 4};
    QTest::newRow("LF CR is two ends") << QByteArray("d,a\n\rd,b") << QStringList{"a", "b"} << QList<qint64>{1, 3};
    QTest::newRow("blank and space-only lines")
        << QByteArray("\r\n   \r\nd,a\r\n \r\n\r\nd,b") << QStringList{"a", "b"} << QList<qint64>{3, 6};
    QTest::newRow("UTF-8 byte order mark") << QByteArray(
                                                  "\xEF\xBB\xBF"
                                                  "2024-03-07,a\r\n")
                                           << QStringList{"a"} << QList<qint64>{1};
    QTest::newRow("empty file") << QByteArray() << QStringList{} << QList<qint64>{};
  }
  void lineEnds() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, times);
    QFETCH(QList<qint64>, fileLines);
    // "d" is not a date: every line gives that one box and its missing fields.
    const QStringList stored = importBytes(bytes);
    QCOMPARE(stored, times);
    for (const auto& b : boxes->boxes)
      QVERIFY2(b.text == kMissingBox || b.text.contains("'d' is not a date"), qPrintable(b.text));
    const ReportLines lines(bytes);
    QList<qint64> numbers;
    for (qsizetype k = 0; k < lines.Count(); ++k) numbers << lines.FileLineNumber(k);
    QCOMPARE(numbers, fileLines);
    if (!numbers.isEmpty()) QCOMPARE(lines.FileLineNumber(0), fileLines[0]);  // asked again, out of order
  }

  void onlyTheFirstByteOrderMarkIsDropped() {
    // Found by fuzzing: a second mark is a character of the first line.
    const QByteArray bytes =
        "\xEF\xBB\xBF\xEF\xBB\xBF"
        "2024-03-07,a\r\nz";
    const QString mark(QChar(0xFEFF));
    QCOMPARE(DecodeReportBytes(bytes), mark + "2024-03-07,a\r\nz");
    const ReportLines lines(bytes);
    QCOMPARE(lines.Count(), 2);
    QCOMPARE(lines.Line(0), mark + "2024-03-07,a");
    QCOMPARE(lines.Line(1), QStringLiteral("z"));
  }

  void byteOrderMarkIsNotPartOfTheDate() {
    QCOMPARE(importBytes("\xEF\xBB\xBF" + kGood + "\r\n", "BDate"), QStringList{"2024-03-07"});
    QVERIFY(boxes->boxes.empty());
  }

  void encodings() {
    QCOMPARE(importBytes("2024-03-07,t,Jörg,Acme,RIP,Wei\xC3\x9F"
                         "eiche,4\r\n",
                         "Operator, Material"),
             QStringList{"Jörg\tWeißeiche"});
    ClearYieldReport();
    // Windows-1252: ß is 0xDF, € is 0x80; 0x81 is unassigned and kept as U+0081.
    QCOMPARE(importBytes("2024-03-07,t,J\xF6rg,Acme,RIP,Wei\xDF"
                         "eiche \x80\x81,4\r\n",
                         "Operator, Material"),
             QStringList{QString::fromUtf8("Jörg\tWeißeiche €\xC2\x81")});
    ClearYieldReport();
    // One invalid byte makes the whole file Windows-1252, its UTF-8 pairs included.
    QCOMPARE(DecodeReportBytes("\xC3\xA9 \xE9"), QString::fromUtf8("Ã© é"));
  }

  void fieldCountsAndTheirBoxes() {
    importBytes("\t\r\n");
    QCOMPARE(boxes->Texts(), QStringList(13, kMissingBox));
    QCOMPARE(rows("BDate, Btime"), QStringList{"<null>\t<null>"});
    ClearYieldReport();
    boxes->Clear();

    importBytes("2024-03-07,t,Ann,Acme,RIP\r\n");
    QCOMPARE(boxes->Texts(), QStringList(9, kMissingBox));
    ClearYieldReport();
    boxes->Clear();

    importBytes(kGood + ",\r\n" + kGood + ",x,y,z,1,2,3\r\n");
    QVERIFY(boxes->boxes.empty());
    QCOMPARE(rows("count(*)"), QStringList{"2"});
    QCOMPARE(rows("ClearYieldPer"), QStringList({"88.9", "88.9"}));
  }

  void fieldsAreTakenAsWritten() {
    importBytes("  2024-03-07, 08:00, Ann ,\"Smith, J\",RIP,Oak, 4 ,120,90,75,110,80,72.7,88.9,extra  \r\n",
                "BDate, Btime, Operator, Supplier, Type, Material, Width, BoardLength");
    // The quoted comma splits: "Smith goes to Supplier, the rest shifts along
    // and the material text lands in Width, which refuses it.
    QCOMPARE(boxes->Texts(),
             QStringList{"Error #: -2147217913, 'Oak' is not a number; column Width left empty., Recordset"});
    QCOMPARE(rows("BDate, Btime, Operator, Supplier, Type, Material, Width, BoardLength, ClearYieldPer"),
             QStringList{"2024-03-07\t 08:00\t Ann \t\"Smith\t J\"\tRIP\t<null>\t4\t72.7"});
  }

  // Fields of every length up to a dozen characters, next to commas at every
  // place in a line, with characters whose UTF-16 units hold a comma's byte
  // (U+012C, U+2C00): each field lands whole in its column.
  void fieldsSplitAtEveryComma() {
    const QStringList pieces = {"a", "\u012C", "\u2C00", "b"};
    QRandomGenerator random(11);
    QByteArray bytes;
    QStringList expected;
    for (int line = 0; line < 300; ++line) {
      QStringList texts;
      for (int f = 0; f < 5; ++f) {
        QString text;
        for (int n = int(random.bounded(13)); n > 0; --n) text += pieces[random.bounded(int(pieces.size()))];
        texts << text;
      }
      bytes += ("2024-03-07," + texts.join(',') + ",,,,,,,,,\r\n").toUtf8();
      for (QString& t : texts)
        if (t.isEmpty()) t = "<null>";
      expected << texts.join('\t');
    }
    QCOMPARE(importBytes(bytes, "Btime, Operator, Supplier, Type, Material"), expected);
    QVERIFY2(boxes->boxes.empty(), qPrintable(boxes->Texts().join('\n')));
  }

  void refusedValuesKeepTheRestOfTheLine() {
    importBytes("2024-02-30,t,Ann,Acme,RIP,Oak,4.5.1,120,9O,75,110,80,72.7,88.9\r\n" + kGood + "\r\n",
                "BDate, Width, BoardLength, LengthPartsCut, ClearYieldPer");
    QCOMPARE(boxes->Texts(),
             QStringList({"Error #: -2147217913, '2024-02-30' is not a date; column BDate left empty., Recordset",
                          "Error #: -2147217913, '4.5.1' is not a number; column Width left empty., Recordset",
                          "Error #: -2147217913, '9O' is not a number; column LengthPartsCut left empty., Recordset"}));
    QCOMPARE(rows("BDate, Width, BoardLength, LengthPartsCut, ClearYieldPer"),
             QStringList({"<null>\t<null>\t120\t<null>\t88.9", "2024-03-07\t4\t120\t90\t88.9"}));
  }

  void guardAndUnreadableFiles() {
    ImportYieldReportFile(folder->Path() + QDir::separator() + "ReportGenTemplate.mdb");
    QVERIFY(boxes->boxes.empty());
    ImportYieldReportFile(folder->Path() + "/missing.yrp");
    QCOMPARE(boxes->boxes.size(), size_t(1));
    QVERIFY(boxes->boxes[0].text.startsWith("Error #: 53, File not found: " + folder->Path() + "/missing.yrp"));
    QDir(folder->Path()).mkdir("folder.yrp");
    ImportYieldReportFile(folder->Path() + "/folder.yrp");
    QCOMPARE(boxes->boxes.size(), size_t(2));
    QVERIFY(boxes->boxes[1].text.startsWith("Error #: 76, Not a file"));
    OpenYieldRecordset();
    QCOMPARE(rows("count(*)"), QStringList{"0"});
  }

  void unopenedRecordsetFailsEveryStep() {
    YieldRecordset = std::make_shared<Recordset>();
    ImportYieldReportFile(folder->WriteFile("t.yrp", kGood + "\r\n" + kGood + "\r\n"));
    QCOMPARE(boxes->boxes.size(), size_t(32));
    QVERIFY(boxes->boxes[0].text.startsWith("Error #: 3704, "));
  }

  void batchBuildsPathsInListOrder() {
    FakeFileList list;
    list.entries = {"a.yrp", " b.yrp ", "c.yrp"};
    list.selected = {true, false, true};
    cProcessCalData batch;
    QCOMPARE(batch.FileCount(), 0);
    batch.SetFilePath("  /data/line 1  ");
    QCOMPARE(batch.SetFilePath(), QStringLiteral("/data/line 1"));
    batch.SetFileList(&list);
    QCOMPARE(batch.SetFileList(), &list);
    batch.CreateFileNames();
    QCOMPARE(batch.FileNames(), QStringList({"", "/data/line 1/a.yrp", "/data/line 1/c.yrp"}));
    QCOMPARE(batch.FileCount(), 2);

    list.selected = {false, true, false};
    batch.CreateFileNames();
    QCOMPARE(batch.FileNames(), QStringList({"", "/data/line 1/b.yrp"}));

    batch.SetFilePath("/");
    batch.CreateFileNames();
    QCOMPARE(batch.FileNames(), QStringList({"", "//b.yrp"}));

    list.selected = {false, false, false};
    batch.CreateFileNames();
    QCOMPARE(batch.FileNames(), QStringList{""});
    QCOMPARE(batch.FileCount(), 0);

    cProcessCalData noList;
    try {
      noList.CreateFileNames();
      QFAIL("built names without a list");
    } catch (const ErrorInfo& e) {
      QCOMPARE(e.Number, 91);
    }
  }

  void batchImportsEveryPathAndSurvivesABadFile() {
    folder->WriteFile("a.yrp", "2024-03-07,a1\r\n2024-03-07,a2\r\n");
    folder->WriteFile("b.yrp", "2024-03-07,b1\r\n");
    folder->WriteFile("c.yrp", "2024-03-07,c1\r\n");
    FakeFileList list;
    list.entries = {"a.yrp", "b.yrp", "c.yrp"};
    list.selected = {true, true, true};
    cProcessCalData batch;
    batch.SetFilePath(folder->Path());
    batch.SetFileList(&list);
    batch.ProcessFiles();  // nothing built yet: nothing imported
    batch.CreateFileNames();
    QFile::remove(folder->Path() + "/b.yrp");  // gone between listing and import
    batch.ProcessFiles();
    batch.ProcessFiles();
    OpenYieldRecordset();
    QCOMPARE(rows("Btime"), QStringList({"a1", "a2", "c1", "a1", "a2", "c1"}));
    QStringList fileBoxes;
    for (const QString& t : boxes->Texts())
      if (t != kMissingBox) fileBoxes << t;
    QCOMPARE(fileBoxes.size(), 2);
    QVERIFY(fileBoxes[0].startsWith("Error #: 53, File not found: " + folder->Path() + "/b.yrp"));
  }

  // The next file is read while one is imported: a file that cannot be read
  // still gets its box at its turn, after the boxes of the file before it;
  // the program's own database in the list is left out, and the files after
  // it are read as usual.
  void filesReadAheadKeepTheirTurn() {
    folder->WriteFile("a.yrp", "2024-03-07,a1\r\nnot a date,a2\r\n");
    QDir(folder->Path()).mkdir("b.yrp");
    folder->WriteFile("d.yrp", "2024-03-07,d1\r\n");
    folder->WriteFile("e.yrp", "2024-03-07,e1\r\n");
    FakeFileList list;
    list.entries = {"a.yrp", "b.yrp", "ReportGenTemplate.mdb", "d.yrp", "e.yrp"};
    list.selected = {true, true, true, true, true};
    cProcessCalData batch;
    batch.SetFilePath(folder->Path());
    batch.SetFileList(&list);
    batch.CreateFileNames();
    batch.ProcessFiles();
    OpenYieldRecordset();
    QCOMPARE(rows("Btime"), QStringList({"a1", "a2", "d1", "e1"}));
    QStringList fileBoxes;
    for (const QString& t : boxes->Texts())
      if (t != kMissingBox) fileBoxes << t;
    QCOMPARE(fileBoxes.size(), 2);
    QVERIFY2(fileBoxes[0].contains("not a date"), qPrintable(fileBoxes[0]));
    QVERIFY2(fileBoxes[1].startsWith("Error #: 76, Not a file: " + folder->Path() + "/b.yrp"),
             qPrintable(fileBoxes[1]));
  }

  void generatedHundredThousandLines() {
    QProcess gen;
    gen.start(GENERATOR_PATH, {"--out", folder->Path(), "--lines", "100000", "--files", "1", "--seed", "42"});
    QVERIFY(gen.waitForFinished(60000));
    QCOMPARE(gen.exitCode(), 0);
    ImportYieldReportFile(folder->Path() + "/yield01.yrp");
    QVERIFY(boxes->boxes.empty());
    OpenYieldRecordset();
    QCOMPARE(YieldRecordset->RecordCount(), 100000);
    QCOMPARE(rows("count(*), count(BDate), count(ClearYieldPer), sum(LengthPartsCut > NetBoardLength), "
                  "sum(NetBoardLength > BoardLength), sum(ClearLength > NetBoardLength)"),
             QStringList{"100000\t100000\t100000\t0\t0\t0"});
  }
};

CORVANE_TEST_MAIN(TestImport)
#include "tst_import.moc"
