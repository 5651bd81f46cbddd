// Exports read back with readers of their own: CSV with an RFC 4180 parser
// written here, workbooks unzipped (the unzip program) and their sheet XML
// read with Qt's XML reader: cell types, values, number formats, header,
// sheets; workbooks of many sheets also with openpyxl. Over a real database
// file and the real windows.
#include "CellsTable.h"
#include "ExportRun.h"
#include "ExportWriters.h"
#include "RecordsExport.h"
#include "WindowDriver.h"
#include "WorkbookPacking.h"
#include "common/ErrorInfo.h"
#include "controls/FileDialogSeam.h"
#include "database/Connection.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QXmlStreamReader>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>

namespace {

// RFC 4180: fields split by commas, quoted fields may hold commas, CR, LF
// and doubled quotes; every record ends in CRLF. Fails on anything else.
QList<QStringList> parseCsv(const QByteArray& bytes, bool* wellFormed) {
  QList<QStringList> records;
  QStringList fields;
  QByteArray field;
  bool ok = true;
  qsizetype i = 0;
  const qsizetype n = bytes.size();
  while (i < n) {
    if (bytes[i] == '"') {
      ++i;
      for (;;) {
        if (i >= n) return *wellFormed = false, records;
        if (bytes[i] == '"') {
          if (i + 1 < n && bytes[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field += bytes[i++];
      }
    } else {
      while (i < n && bytes[i] != ',' && bytes[i] != '\r' && bytes[i] != '\n') {
        ok = ok && bytes[i] != '"';
        field += bytes[i++];
      }
    }
    fields << QString::fromUtf8(field);
    field.clear();
    if (i < n && bytes[i] == ',') {
      ++i;
      continue;
    }
    ok = ok && i + 1 < n && bytes[i] == '\r' && bytes[i + 1] == '\n';
    i += 2;
    records << fields;
    fields.clear();
  }
  *wellFormed = ok;
  return records;
}

QByteArray unzipped(const QString& workbook, const QString& member) {
  QProcess unzip;
  unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), workbook, member});
  unzip.waitForFinished(-1);
  return unzip.readAllStandardOutput();
}

// One cell as the sheet XML holds it.
struct XCell {
  QString type;  // the t attribute: "inlineStr", "s", "" (a number)
  int style = 0;
  QString value;  // <v> or the inline string's <t>
};

// The cells of a worksheet by reference ("A1"), and its other parts.
struct XSheet {
  std::map<QString, XCell> cells;
  QString frozenAt;    // pane's topLeftCell when frozen
  QString autoFilter;  // its ref
  int widths = 0;      // <col> entries with a width
  QString error;       // the XML reader's, when the XML is not well-formed
};

XSheet readSheet(const QByteArray& xml) {
  XSheet sheet;
  QXmlStreamReader r(xml);
  QString ref;
  while (!r.atEnd()) {
    r.readNext();
    if (!r.isStartElement()) continue;
    const auto a = r.attributes();
    if (r.name() == u"c") {
      ref = a.value("r").toString();
      sheet.cells[ref] = {a.value("t").toString(), a.value("s").toInt(), {}};
    } else if (r.name() == u"v" || r.name() == u"t") {
      // Characters XML cannot carry are written _xHHHH_, as the format has it.
      QString value = r.readElementText();
      static const QRegularExpression escaped(QStringLiteral("_x([0-9A-F]{4})_"));
      for (auto m = escaped.match(value); m.hasMatch(); m = escaped.match(value, m.capturedStart() + 1))
        value.replace(m.capturedStart(), m.capturedLength(), QChar(m.captured(1).toUShort(nullptr, 16)));
      sheet.cells[ref].value = value;
    } else if (r.name() == u"pane" && a.value("state") == u"frozen") {
      sheet.frozenAt = a.value("topLeftCell").toString();
    } else if (r.name() == u"autoFilter") {
      sheet.autoFilter = a.value("ref").toString();
    } else if (r.name() == u"col" && a.hasAttribute("width")) {
      ++sheet.widths;
    }
  }
  if (r.hasError() || xml.isEmpty()) sheet.error = r.errorString() + QStringLiteral(" (no XML?)");
  return sheet;
}

// styles.xml: each cell style's number format code and whether its font is bold.
struct XStyle {
  QString format;
  bool bold = false;
};
std::vector<XStyle> readStyles(const QByteArray& xml) {
  std::map<int, QString> formats = {{0, "General"}};
  std::vector<bool> fonts;
  std::vector<XStyle> styles;
  QXmlStreamReader r(xml);
  QString section;
  while (!r.atEnd()) {
    r.readNext();
    if (r.isStartElement()) {
      const auto a = r.attributes();
      if (r.name() == u"fonts" || r.name() == u"cellXfs" || r.name() == u"cellStyleXfs") section = r.name().toString();
      if (r.name() == u"numFmt") formats[a.value("numFmtId").toInt()] = a.value("formatCode").toString();
      if (r.name() == u"font" && section == u"fonts") fonts.push_back(false);
      if (r.name() == u"b" && section == u"fonts") fonts.back() = true;
      if (r.name() == u"xf" && section == u"cellXfs")
        styles.push_back({formats[a.value("numFmtId").toInt()], fonts.at(size_t(a.value("fontId").toInt()))});
    }
  }
  return styles;
}

QStringList sheetNames(const QString& workbook) {
  QStringList names;
  QXmlStreamReader r(unzipped(workbook, "xl/workbook.xml"));
  while (!r.atEnd())
    if (r.readNext() == QXmlStreamReader::StartElement && r.name() == u"sheet")
      names << r.attributes().value("name").toString();
  return names;
}

const char* kColumns[] = {"JobName",  "BDate",          "Btime",         "Operator",       "Supplier",
                          "Material", "Width",          "BoardLength",   "NetBoardLength", "ClearLength",
                          "ClearPer", "LengthPartsCut", "TotalYieldPer", "ClearYieldPer",  "Type"};

// Records with what a writer can get wrong, in rowid order.
const char* kInsert =
    "INSERT INTO tblYieldReport VALUES "
    "('J1','2024-02-29','06:00:00','O''Brien, \"Jr\"','Line1\r\nLine2','Größe – 木',4.5,120.5,-0.0,1e300,1e-300,"
    "1234.5678901234,75,88.9,'RIP'),"
    "(NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL),"
    "('J3','1999-12-31','07:00:00','a\nb','x','Oak',-4,0.01,3,4,5,6,7,8,'XCUT'),"
    "('J4','2000-01-01','08:00:00','plain','y','Ash',10,100,90,300000,70,60,50,40,'RIP'),"
    "('J5','1899-12-31','09:00:00','old','z','Fir',1,2,3,4,5,6,7,8,'RIP')";

// The records' fields as the CSV must spell them.
const QList<QStringList> kExpectedCsv = {
    {"J1", "2024-02-29", "06:00:00", "O'Brien, \"Jr\"", "Line1\r\nLine2", "Größe – 木", "4.5", "120.5", "0", "1e+300",
     "1e-300", "1234.5678901234", "75", "88.9", "RIP"},
    {"", "", "", "", "", "", "", "", "", "", "", "", "", "", ""},
    {"J3", "1999-12-31", "07:00:00", "a\nb", "x", "Oak", "-4", "0.01", "3", "4", "5", "6", "7", "8", "XCUT"},
    {"J4", "2000-01-01", "08:00:00", "plain", "y", "Ash", "10", "100", "90", "300000", "70", "60", "50", "40", "RIP"},
    {"J5", "1899-12-31", "09:00:00", "old", "z", "Fir", "1", "2", "3", "4", "5", "6", "7", "8", "RIP"}};

std::shared_ptr<Recordset> openRecords(const QString& database) {
  auto c = std::make_shared<Connection>();
  c->SetProvider(Connection::EngineProvider());
  c->SetCursorLocation(adUseClient);
  c->Open(QStringLiteral("Data Source=") + database);
  auto rs = std::make_shared<Recordset>();
  rs->Open(QStringLiteral("SELECT * FROM tblYieldReport"), c, adOpenKeyset, adLockOptimistic, adCmdText);
  return rs;
}

// Stops after the first report of progress.
struct StopAtOnce : ExportProgress {
  bool asked = false;
  void Advanced(qint64, qint64) override { asked = true; }
  bool StopRequested() const override { return asked; }
};

// Rows of a table of several sheets: texts that grow from sheet to sheet (so
// that each sheet's widths differ), numbers, counts, dates (one before
// Excel's first day) and empty cells; a row in `longTexts` holds a text
// longer than a cell does (32,768 characters and the row number more).
QList<QVariantList> sheetsData(int rows, int perSheet, const QList<int>& longTexts = {}) {
  QList<QVariantList> data;
  for (int i = 0; i < rows; ++i) {
    const QString text = longTexts.contains(i) ? QString(32768 + i, u'x')
                                               : QStringLiteral("row %1 ").arg(i) + QString(2 * (i / perSheet), u'w');
    data.append({text, i % 3 == 1 ? QVariant() : QVariant(i * 1.25 - 7),
                 i == 3       ? QVariant(QDate(1899, 12, 31))
                 : i % 4 == 2 ? QVariant()
                              : QVariant(QDate(2024, 2, 27).addDays(i)),
                 qint64(i) * 1000, i % 2 ? QVariant() : QVariant(QStringLiteral("Größe – 木 %1").arg(i))});
  }
  return data;
}

class Gate {
 public:
  void Open() {
    {
      std::lock_guard lock(mutex_);
      open_ = true;
    }
    opened_.notify_all();
  }
  void Wait() {
    std::unique_lock lock(mutex_);
    opened_.wait(lock, [&] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
};

// sheetsData's rows as a table that may be read from two threads or, like a
// table that cannot say so, from one; counts the rows read and lets a test
// hold a read.
class SheetsTable : public CellsTable {
 public:
  SheetsTable(const QList<QVariantList>& data, bool twoThreads)
      : CellsTable({"Text", "Number", "Date", "Count", "Note"}), twoThreads_(twoThreads) {
    for (const QVariantList& row : data) {
      AddRow();
      for (const QVariant& v : row) {
        if (v.isNull())
          AddEmpty();
        else if (v.typeId() == QMetaType::QString)
          AddText(v.toString());
        else if (v.typeId() == QMetaType::QDate)
          AddDate(v.toDate());
        else
          AddNumber(v.toDouble(), v.typeId() == QMetaType::LongLong);
      }
    }
  }
  bool ReadableFromTwoThreads() const override { return twoThreads_; }
  void ReadRow(qint64 row, ExportCell* cells) override {
    if (beforeRead) beforeRead(row);
    ++read;
    CellsTable::ReadRow(row, cells);
  }
  std::function<void(qint64 row)> beforeRead;
  std::atomic<qint64> read = 0;

 private:
  bool twoThreads_;
};

// A workbook's sheets as openpyxl reads them: name, frozen cell, autofilter,
// column widths and every row's values (dates as ISO text).
QJsonArray readBackWithOpenpyxl(const QString& workbook) {
  static const char* script = R"(
import datetime, json, sys, openpyxl
from openpyxl.utils import get_column_letter
def value(v):
    return v.date().isoformat() if isinstance(v, datetime.datetime) else v
book = openpyxl.load_workbook(sys.argv[1])
print(json.dumps([{"name": s.title, "frozen": s.freeze_panes, "filter": s.auto_filter.ref,
    "widths": [s.column_dimensions[get_column_letter(c)].width for c in range(1, s.max_column + 1)],
    "rows": [[value(c.value) for c in r] for r in s.iter_rows()]} for s in book.worksheets]))
)";
  QProcess python;
  python.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  python.start(QStringLiteral(PYTHON3), {QStringLiteral("-c"), QString::fromUtf8(script), workbook});
  python.waitForFinished(-1);
  return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

// Asks to stop at its question `stopAt` (0: never), opening `gate` then or,
// when it never stops, at its first; notes a call from another thread than
// the test's, and rows told that went back.
struct StopAtQuestion : ExportProgress {
  StopAtQuestion(int n, Gate& g) : stopAt(n), gate(g) {}
  void Advanced(qint64 rowsDone, qint64) override {
    Note();
    wentBack = wentBack || rowsDone < told;
    told = rowsDone;
  }
  bool StopRequested() const override {
    Note();
    ++questions;
    if (questions == std::max(stopAt, 1)) gate.Open();
    return questions == stopAt;
  }
  void Note() const { elsewhere = elsewhere || QThread::currentThread() != qApp->thread(); }
  int stopAt;
  Gate& gate;
  mutable int questions = 0;
  mutable bool elsewhere = false;
  qint64 told = 0;
  bool wentBack = false;
};

QByteArray fileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestExport : public QObject {
  Q_OBJECT

 private slots:
  void csvReadsBackAsStored() {
    TempProgramFolder folder;
    ExecOn(folder.DatabasePath(), kInsert);
    RecordsTable table(openRecords(folder.DatabasePath()));
    const QString path = folder.Path() + "/records.csv";
    QVERIFY(WriteCsv(table, path, nullptr));
    bool wellFormed = false;
    const QList<QStringList> read = parseCsv(fileBytes(path), &wellFormed);
    QVERIFY(wellFormed);
    QStringList header;
    for (const char* c : kColumns) header << c;
    QCOMPARE(read.value(0), header);
    QCOMPARE(read.mid(1), kExpectedCsv);
  }

  void workbookReadsBackAsStored() {
    TempProgramFolder folder;
    ExecOn(folder.DatabasePath(), kInsert);
    RecordsTable table(openRecords(folder.DatabasePath()));
    const QString path = folder.Path() + "/records.xlsx";
    // Three records a sheet: five go on in a second sheet, with its header.
    QVERIFY(WriteXlsx({ExportSheet{"Records", &table}}, path, nullptr, 4));
    QVERIFY(WorkbookPackingIsFast());  // and the parts it packed read back below
    QCOMPARE(sheetNames(path), QStringList({"Records", "Records 2"}));
    const std::vector<XStyle> styles = readStyles(unzipped(path, "xl/styles.xml"));
    const XSheet one = readSheet(unzipped(path, "xl/worksheets/sheet1.xml"));
    const XSheet two = readSheet(unzipped(path, "xl/worksheets/sheet2.xml"));
    for (const XSheet* s : {&one, &two}) {
      QVERIFY2(s->error.isEmpty(), qPrintable(s->error));
      QCOMPARE(s->cells.at("A1").value, QStringLiteral("JobName"));
      QCOMPARE(s->cells.at("O1").value, QStringLiteral("Type"));
      QVERIFY(styles.at(size_t(s->cells.at("B1").style)).bold);
      QCOMPARE(s->frozenAt, QStringLiteral("A2"));
      QCOMPARE(s->widths, 15);
    }
    QCOMPARE(one.autoFilter, QStringLiteral("A1:O4"));
    QCOMPARE(two.autoFilter, QStringLiteral("A1:O3"));
    const auto text = [&](const XSheet& s, const char* ref, const QString& value) {
      const XCell& c = s.cells.at(ref);
      QVERIFY2(c.type == u"inlineStr" || c.type == u"str", ref);
      QCOMPARE(c.value, value);
    };
    const auto number = [&](const XSheet& s, const char* ref, double value, const char* format = "0.00") {
      const XCell& c = s.cells.at(ref);
      QVERIFY2(c.type.isEmpty() || c.type == u"n", ref);
      QCOMPARE(c.value.toDouble(), value);
      QCOMPARE(styles.at(size_t(c.style)).format, QString(format));
    };
    text(one, "D2", "O'Brien, \"Jr\"");
    text(one, "E2", "Line1\r\nLine2");
    text(one, "F2", "Größe – 木");
    number(one, "G2", 4.5);
    number(one, "I2", 0);
    QVERIFY(!one.cells.at("I2").value.startsWith('-'));
    number(one, "J2", 1e300);
    number(one, "K2", 1e-300);
    number(one, "L2", 1234.5678901234);
    number(one, "B2", 45351, "yyyy-mm-dd");  // 2024-02-29, Excel's day number
    number(one, "B4", 36525, "yyyy-mm-dd");  // 1999-12-31
    // Null is no cell at all.
    for (const char* ref : {"A3", "B3", "G3", "O3"}) QVERIFY2(!one.cells.count(ref), ref);
    text(one, "D4", "a\nb");
    number(one, "G4", -4);
    number(two, "B2", 36526, "yyyy-mm-dd");  // 2000-01-01
    text(two, "B3", "1899-12-31");           // before Excel's first day: the date's text
    QVERIFY(!two.cells.count("A4"));
  }

  // A table of several sheets is written two sheets at a time; every sheet
  // reads back as the table's rows in their place, and its XML is what
  // writing the sheets one after another gives.
  void severalSheetsReadBackInOrder_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("perSheet");
    QTest::newRow("7 sheets, the last of 3 rows") << 33 << 5;
    QTest::newRow("7 full sheets") << 35 << 5;
  }
  void severalSheetsReadBackInOrder() {
    QFETCH(int, rows);
    QFETCH(int, perSheet);
    TempProgramFolder folder;
    const QList<QVariantList> data = sheetsData(rows, perSheet);
    SheetsTable two(data, true), one(data, false);
    const QString path = folder.Path() + "/two.xlsx", onePath = folder.Path() + "/one.xlsx";
    QVERIFY(WriteXlsx({{"Records", &two}}, path, nullptr, perSheet + 1));
    QVERIFY(WriteXlsx({{"Records", &one}}, onePath, nullptr, perSheet + 1));
    const QJsonArray sheets = readBackWithOpenpyxl(path);
    QCOMPARE(sheets.size(), 7);
    double textWidth = 0;
    for (int k = 0; k < 7; ++k) {
      const QJsonObject sheet = sheets[k].toObject();
      QCOMPARE(sheet["name"].toString(), k ? QStringLiteral("Records %1").arg(k + 1) : QStringLiteral("Records"));
      QCOMPARE(sheet["frozen"].toString(), QStringLiteral("A2"));
      const int first = k * perSheet, n = std::min(perSheet, rows - first);
      QCOMPARE(sheet["filter"].toString(), QStringLiteral("A1:E%1").arg(n + 1));
      const QJsonArray read = sheet["rows"].toArray();
      QCOMPARE(read.size(), n + 1);
      QCOMPARE(read[0].toArray().toVariantList(), QVariantList({"Text", "Number", "Date", "Count", "Note"}));
      for (int r = 0; r < n; ++r) {
        const QJsonArray cells = read[r + 1].toArray();
        QCOMPARE(cells.size(), 5);
        for (int c = 0; c < 5; ++c) {
          const QVariant want = data[first + r][c];
          const QJsonValue got = cells[c];
          const QByteArray where =
              QStringLiteral("sheet %1, row %2, column %3").arg(k + 1).arg(r + 2).arg(c + 1).toUtf8();
          if (want.isNull())
            QVERIFY2(got.isNull(), where);
          else if (want.typeId() == QMetaType::QDate)
            QCOMPARE(got.toString(), want.toDate().toString(Qt::ISODate));
          else if (want.typeId() == QMetaType::QString)
            QCOMPARE(got.toString(), want.toString());
          else
            QCOMPARE(got.toDouble(), want.toDouble());
        }
      }
      // Each sheet's widths are its own cells': its texts are longer than the sheet's before.
      const QJsonArray widths = sheet["widths"].toArray();
      QCOMPARE(widths.size(), 5);
      for (const QJsonValue w : widths) QVERIFY(w.toDouble() > 0);
      QVERIFY2(widths[0].toDouble() > textWidth, qPrintable(QStringLiteral("sheet %1").arg(k + 1)));
      textWidth = widths[0].toDouble();
      const QString part = QStringLiteral("xl/worksheets/sheet%1.xml").arg(k + 1);
      QCOMPARE(unzipped(path, part), unzipped(onePath, part));
    }
    for (const char* part : {"xl/workbook.xml", "xl/styles.xml"})
      QCOMPARE(unzipped(path, part), unzipped(onePath, part));
  }

  // A text longer than a cell on a later sheet raises what writing the
  // sheets one after another raises: the earliest sheet's error, its row
  // counted in its sheet; the other thread stops within its sheet.
  void errorOnALaterSheetIsTheSheetsOwn_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("perSheet");
    QTest::addColumn<QList<int>>("longTexts");
    QTest::addColumn<QString>("where");
    QTest::addColumn<qint64>("mostRead");
    // Rows read only once the row `opener` is: every other (held -1), or one.
    QTest::addColumn<int>("opener");
    QTest::addColumn<int>("held");
    QTest::newRow("fourth sheet") << 35 << 5 << QList<int>{17} << "32785 characters in row 4" << qint64(35) << 0 << -1;
    QTest::newRow("sixth and third sheets")
        << 35 << 5 << QList<int>{27, 12} << "32780 characters in row 4" << qint64(35) << 0 << -1;
    // The third sheet's thread is held until the sixth sheet's long text is
    // read, and meets its own a thousand rows later.
    QTest::newRow("third sheet's, met after the sixth's")
        << 7000 << 1000 << QList<int>{5000, 2999} << "35767 characters in row 1001" << qint64(7000) << 5000 << 2000;
    QTest::newRow("first row, other thread's sheet")
        << 7 * 3000 << 3000 << QList<int>{0} << "32768 characters in row 2" << qint64(3000) << 0 << -1;
  }
  void errorOnALaterSheetIsTheSheetsOwn() {
    QFETCH(int, rows);
    QFETCH(int, perSheet);
    QFETCH(QList<int>, longTexts);
    QFETCH(QString, where);
    QFETCH(qint64, mostRead);
    QFETCH(int, opener);
    QFETCH(int, held);
    if (held >= 0 && QThread::idealThreadCount() < 2) QSKIP("one thread reads the rows in order");
    TempProgramFolder folder;
    const QList<QVariantList> data = sheetsData(rows, perSheet, longTexts);
    SheetsTable two(data, true), one(data, false);
    // No row is read before the first, so that the thread given the first
    // sheet cannot fall behind the other; or one row waits for another.
    Gate awaited;
    two.beforeRead = [&](qint64 row) {
      if (row == opener)
        awaited.Open();
      else if (held < 0 || row == held)
        awaited.Wait();
    };
    const QString path = folder.Path() + "/out.xlsx";
    const ErrorInfo e = errorOf([&] { WriteXlsx({{"Records", &two}}, path, nullptr, perSheet + 1); });
    QCOMPARE(e.Number, 5);
    QCOMPARE(e.Description, "A text of " + where + ", column 1 is longer than a workbook cell holds (32,767)");
    const ErrorInfo alone = errorOf([&] { WriteXlsx({{"Records", &one}}, path, nullptr, perSheet + 1); });
    QCOMPARE(e.Description, alone.Description);
    QCOMPARE(e.Source, alone.Source);
    QVERIFY2(two.read <= mostRead, qPrintable(QString::number(two.read)));
    QCOMPARE(QDir(folder.Path()).entryList(QDir::Files | QDir::Hidden).size(), 1);  // the database alone
  }

  // The progress is told and asked on the export's thread only, while both
  // threads write. A stop ends both: the helper, held at its first row until
  // the stop, reads no row after it, and no file is left.
  void progressAndStopOnTheExportThread_data() {
    QTest::addColumn<int>("stopAt");
    QTest::newRow("stop at the second question") << 2;
    QTest::newRow("no stop") << 0;
  }
  void progressAndStopOnTheExportThread() {
    QFETCH(int, stopAt);
    TempProgramFolder folder;
    const int perSheet = 5000;  // more than the rows between two questions
    SheetsTable table(sheetsData(7 * perSheet, perSheet), true);
    Gate asked;
    table.beforeRead = [&](qint64) {
      if (QThread::currentThread() != qApp->thread()) asked.Wait();
    };
    StopAtQuestion progress(stopAt, asked);
    const QString path = folder.Path() + "/out.xlsx";
    QCOMPARE(WriteXlsx({{"Records", &table}}, path, &progress, perSheet + 1), stopAt == 0);
    QVERIFY(!progress.elsewhere);
    QVERIFY(!progress.wentBack);
    if (stopAt == 0) {
      QCOMPARE(progress.told, 7 * perSheet);
      QCOMPARE(table.read, 7 * perSheet);
      return;
    }
    QVERIFY2(table.read < perSheet, qPrintable(QString::number(table.read)));
    QCOMPARE(QDir(folder.Path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
  }

  void unwritablePathsGiveError75_data() {
    QTest::addColumn<bool>("csv");
    QTest::newRow("csv") << true;
    QTest::newRow("xlsx") << false;
  }
  void unwritablePathsGiveError75() {
    QFETCH(bool, csv);
    TempProgramFolder folder;
    CellsTable table({"A"});
    table.AddRow();
    table.AddText("x");
    for (const QString& path : {folder.Path() + "/missing/out", folder.Path()}) {
      const ErrorInfo e = errorOf([&] {
        csv ? WriteCsv(table, path, nullptr) : WriteXlsx({{"S", &table}}, path, nullptr);
      });
      QCOMPARE(e.Number, 75);
      QCOMPARE(e.Description, "Path/File access error: " + path);
    }
    QCOMPARE(QDir(folder.Path()).entryList(QDir::Files | QDir::Hidden).size(), 1);  // the database alone
  }

  void stopLeavesNoFile_data() { unwritablePathsGiveError75_data(); }
  void stopLeavesNoFile() {
    QFETCH(bool, csv);
    TempProgramFolder folder;
    ExecOn(folder.DatabasePath(), kInsert);
    RecordsTable table(openRecords(folder.DatabasePath()));
    const QString path = folder.WriteFile("older", "kept");
    StopAtOnce stop;
    QVERIFY(!(csv ? WriteCsv(table, path, &stop) : WriteXlsx({{"Records", &table}}, path, &stop)));
    QCOMPARE(fileBytes(path), QByteArray("kept"));  // an older file of the name stays as it was
    QCOMPARE(QDir(folder.Path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
  }

  void recordGridAndSummaryFromTheContextMenu() {
    WindowDriver d;
    Form1* f = d.StartWithImport({{"a.yrp",
                                   "2024-03-05,06:00:00,Ann,Acme,RIP,Oak,4,100.10,70.05,70,95,80,80,90\r\n"
                                   "2024-03-04,06:00:00,Ben,\"Birch\",RIP,Ash,4,100,70,70,95,80,80,90\r\n"}});
    QVERIFY(f);
    WindowDriver::Click(f->cmdSummary);
    const QString out = d.folder.Path() + "/out";
    QStringList asked;
    SetSaveFileNameHandler([&](const QString& caption, const QString&, const QString& filters) {
      asked << caption << filters;
      return out + (asked.size() == 2 ? ".csv" : "");
    });
    emit f->fgRS->customContextMenuRequested(QPoint(5, 5));
    f->mnuGrid->hide();
    f->mnuExport->trigger();
    QCOMPARE(asked, QStringList({"Export Records", "Excel workbook (*.xlsx);;CSV (*.csv)"}));
    bool wellFormed = false;
    const QList<QStringList> csv = parseCsv(fileBytes(out + ".csv"), &wellFormed);
    QVERIFY(wellFormed);
    // The grid's order (by date), the grid's values.
    QCOMPARE(csv.size(), 3);
    QCOMPARE(csv[1].mid(1, 5), QStringList({"2024-03-04", "06:00:00", "Ben", "\"Birch\"", "Ash"}));
    QCOMPARE(csv[2].mid(6, 3), QStringList({"4", "100.1", "95"}));
    QCOMPARE(csv[2][11], QStringLiteral("70.05"));

    // The summary, to a workbook (a name without ending takes the first kind).
    emit f->fgSummary->customContextMenuRequested(QPoint(5, 5));
    f->mnuGrid->hide();
    f->mnuExport->trigger();
    QCOMPARE(asked.at(2), QStringLiteral("Export Summary"));
    const XSheet s = readSheet(unzipped(out + ".xlsx", "xl/worksheets/sheet1.xml"));
    QCOMPARE(sheetNames(out + ".xlsx"), QStringList({"Summary"}));
    QCOMPARE(s.cells.at("B1").value, QStringLiteral("Supplier"));
    QCOMPARE(s.cells.at("B2").value, QStringLiteral("ALL"));
    QCOMPARE(s.cells.at("A4").value, QStringLiteral("Total Length"));
    QCOMPARE(s.cells.at("B4").value.toDouble(), 200.1);  // a number, unrounded
    QVERIFY(s.cells.at("B4").type.isEmpty());
    // Net yield: 140.05 * 100 / 190, which the grid shows as 73.71.
    QCOMPARE(s.cells.at("B11").value.toDouble(), (70.05 + 70) * 100 / (95 + 95));
    SetSaveFileNameHandler({});
    QVERIFY(d.boxes.boxes.empty());
  }

  void breakdownWorkbookHasTableChartAndFacts() {
    WindowDriver d;
    Form1* f = d.StartWithImport({{"a.yrp",
                                   "2024-03-05,06:00:00,Ann,Acme,RIP,Oak,4,100,70,70,95,80,80,90\r\n"
                                   "2024-03-04,06:00:00,Ben,Birch,RIP,Ash,4.5,100,70,70,95,80,80,90\r\n"
                                   "2023-12-31,06:00:00,Ben,Birch,RIP,Ash,4.5,50,35,70,45,40,80,90\r\n"}});
    WindowDriver::Click(f->cmdBreakdown);
    frmBreakdown* w = f->BreakdownWindow();
    // Left of the buttons that were there, on their row.
    QCOMPARE(w->cmdExport->y(), w->cmdCopy->y());
    QVERIFY(w->cmdExport->x() + w->cmdExport->width() <= w->cmdCopy->x());
    const QString path = d.folder.Path() + "/b.xlsx";
    SetSaveFileNameHandler([&](const QString&, const QString&, const QString&) { return path; });
    SetExportProgressDelayForTests(0);
    const int shown = ExportProgressTimesShown();
    WindowDriver::Click(w->cmdExport);
    SetExportProgressDelayForTests(-1);
    SetSaveFileNameHandler({});
    QCOMPARE(ExportProgressTimesShown(), shown + 1);
    QVERIFY(d.boxes.boxes.empty());
    QCOMPARE(sheetNames(path), QStringList({"Yield Breakdown", "Filter"}));
    const XSheet table = readSheet(unzipped(path, "xl/worksheets/sheet1.xml"));
    QCOMPARE(table.cells.at("A2").value, QStringLiteral("Acme"));
    QCOMPARE(table.cells.at("B3").value, QStringLiteral("2"));
    QCOMPARE(table.cells.at("A4").value, QStringLiteral("All"));
    QCOMPARE(table.autoFilter, QStringLiteral("A1:J4"));
    const QByteArray chart = unzipped(path, "xl/charts/chart1.xml");
    QVERIFY(chart.contains("<c:lineChart>"));
    QVERIFY(chart.contains("'Yield Breakdown'!$A$2:$A$3"));
    QVERIFY(chart.contains("<a:ln><a:noFill/></a:ln>"));  // dots, no line between groups
    const XSheet facts = readSheet(unzipped(path, "xl/worksheets/sheet2.xml"));
    QCOMPARE(facts.cells.at("B4").value, QStringLiteral("3"));
    QCOMPARE(facts.cells.at("B6").value.toInt(), 45291);  // 2023-12-31
    QCOMPARE(facts.cells.at("B7").value.toInt(), 45356);  // 2024-03-05

    // Widths are numbers, days are dates; the chart of periods in time order is a line.
    WindowDriver::Pick(w->cmboGroupBy, "Width");
    const QString widths = d.folder.Path() + "/w.xlsx";
    SetSaveFileNameHandler([&](const QString&, const QString&, const QString&) { return widths; });
    WindowDriver::Click(w->cmdExport);
    const XSheet byWidth = readSheet(unzipped(widths, "xl/worksheets/sheet1.xml"));
    QCOMPARE(byWidth.cells.at("A3").value, QStringLiteral("4.5"));
    QVERIFY(byWidth.cells.at("A3").type.isEmpty());
    WindowDriver::Pick(w->cmboGroupBy, "Day");
    const QString days = d.folder.Path() + "/d";
    SetSaveFileNameHandler([&](const QString&, const QString&, const QString&) { return days; });
    WindowDriver::Click(w->cmdExport);
    QVERIFY(!unzipped(days + ".xlsx", "xl/charts/chart1.xml").contains("<a:ln><a:noFill/></a:ln>"));
    const XSheet byDay = readSheet(unzipped(days + ".xlsx", "xl/worksheets/sheet1.xml"));
    QCOMPARE(byDay.cells.at("A2").value.toInt(), 45291);  // 2023-12-31, a date cell
    QCOMPARE(readStyles(unzipped(days + ".xlsx", "xl/styles.xml")).at(size_t(byDay.cells.at("A2").style)).format,
             QStringLiteral("yyyy-mm-dd"));

    // Unwritable: the window error box, no file.
    SetSaveFileNameHandler(
        [&](const QString&, const QString&, const QString&) { return d.folder.Path() + "/no/b.csv"; });
    WindowDriver::Click(w->cmdExport);
    SetSaveFileNameHandler({});
    QCOMPARE(d.boxes.Texts(), QStringList({"Error: 75, Path/File access error: " + d.folder.Path() + "/no/b.csv"}));
  }
};

CORVANE_WINDOW_TEST_MAIN(TestExport)
#include "tst_export.moc"
