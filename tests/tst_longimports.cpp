// Long and broken imports: the progress window and its Stop button, "Stop
// Import" on a flood of error boxes, and report files dropped on the main
// window, all driven through the real windows.
#include "WindowDriver.h"
#include "common/TestHooks.h"
#include "frmImportProblems.h"
#include "frmProgress.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QRegularExpression>
#include <QTimer>

#include <numeric>

namespace {

QByteArray boards(const QString& prefix, int n) {
  QByteArray out;
  for (int i = 0; i < n; ++i)
    out +=
        QStringLiteral("2024-03-07,%1%2,Ann,Acme,RIP,Oak,4,120,90,75,110,80,72.7,88.9\r\n").arg(prefix).arg(i).toUtf8();
  return out;
}

QStringList times(const QString& prefix, int n) {
  QStringList out;
  for (int i = 0; i < n; ++i) out << prefix + QString::number(i);
  return out;
}

// Drops local files on a widget as a file manager does.
void drop(QWidget* target, const QStringList& paths) {
  QMimeData mime;
  QList<QUrl> urls;
  for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
  mime.setUrls(urls);
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent dropped(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &dropped);
}

frmProgress* progressWindow() { return qobject_cast<frmProgress*>(QApplication::activeModalWidget()); }

std::vector<frmImportProblems*> problemWindows() {
  std::vector<frmImportProblems*> shown;
  for (QWidget* w : QApplication::allWidgets())
    if (auto* p = qobject_cast<frmImportProblems*>(w); p && p->isVisible()) shown.push_back(p);
  return shown;
}

QStringList cellsOf(const QAbstractItemModel* model, int row) {
  QStringList cells;
  for (int c = 0; c < model->columnCount(); ++c) cells << model->index(row, c).data().toString();
  return cells;
}

}  // namespace

class TestLongImports : public QObject {
  Q_OBJECT

 private slots:
  // The window at once and painted at every report (every 512 lines), so
  // that the tests do not depend on the machine's speed.
  void init() {
    TheTestHooks().progressShowDelayMs = 0;
    TheTestHooks().progressPaintIntervalMs = 0;
  }
  void cleanup() {
    TheTestHooks().progressShowDelayMs.reset();
    TheTestHooks().progressPaintIntervalMs.reset();
  }

  // Stop in the second of three files, by the button or the window's close
  // box: the table keeps exactly the lines read before it, and the road goes
  // on as after a whole batch.
  void stopInTheMiddleKeepsWhatWasRead_data() {
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Stop") << false;
    QTest::newRow("close box") << true;
  }
  void stopInTheMiddleKeepsWhatWasRead() {
    QFETCH(bool, closeBox);
    WindowDriver d;
    QCOMPARE(d.Start(), 0);
    const int n = 20000;
    const QString folder =
        d.MakeFolder("data", {{"a.yrp", boards("a", n)}, {"b.yrp", boards("b", n)}, {"c.yrp", boards("c", n)}});
    frmGetFiles* w = d.OpenFileWindow(folder);
    w->File1->selectAll();
    bool modal = false, othersBlocked = false, stopping = false;
    QString shownFile;
    int ticksInSecondFile = 0;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
      frmProgress* p = progressWindow();
      // A few reports into the second file: in the middle of it.
      if (!p || !p->lblFile->text().startsWith("File 2 of 3: b.yrp") || ++ticksInSecondFile < 3) return;
      watch.stop();
      modal = p->isVisible() && p->windowModality() == Qt::ApplicationModal;
      othersBlocked = QApplication::activeModalWidget() == p;
      shownFile = p->lblFile->text();
      if (closeBox)
        p->close();
      else
        QTest::mouseClick(p->cmdStop, Qt::LeftButton);
      // Still shown until the road ends, saying that it stops.
      stopping = p->isVisible() && p->cmdStop->text() == "Stopping..." && !p->cmdStop->isEnabled();
    });
    watch.start();
    d.PressOpenFiles();
    QVERIFY2(!watch.isActive(), "the progress window never showed the second file");
    QVERIFY(modal);
    QVERIFY(othersBlocked);
    QVERIFY(stopping);
    QCOMPARE(shownFile, QStringLiteral("File 2 of 3: b.yrp"));
    QVERIFY(!progressWindow());

    const QStringList stored = d.TableRows("Btime");
    QVERIFY2(stored.size() > n && stored.size() < 2 * n, qPrintable(QString::number(stored.size())));
    QCOMPARE(stored, (times("a", n) + times("b", n)).mid(0, stored.size()));
    Form1* f = d.Main();
    QCOMPARE(f->fgRS->Rows() - 1, stored.size());
    QCOMPARE(WindowDriver::Entries(f->cmboSupplier), QStringList({"ALL", "Acme"}));
    QVERIFY(!w->isVisible());
    QVERIFY(d.boxes.boxes.empty());
  }

  // "Records read" counts the records of every file before the current one,
  // from the third file on too.
  void recordsReadAddsEveryFileBefore() {
    WindowDriver d;
    QCOMPARE(d.Start(), 0);
    const QList<int> lines = {6000, 1000, 3000};
    const QString folder = d.MakeFolder(
        "data", {{"a.yrp", boards("a", lines[0])}, {"b.yrp", boards("b", lines[1])}, {"c.yrp", boards("c", lines[2])}});
    d.OpenFileWindow(folder)->File1->selectAll();
    QStringList wrong;
    QList<int> seen(3, 0);
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
      frmProgress* p = progressWindow();
      static const QRegularExpression file(QStringLiteral("^File ([1-3]) of 3: "));
      const QRegularExpressionMatch m = file.match(p ? p->lblFile->text() : QString());
      if (!m.hasMatch()) return;
      const int k = m.captured(1).toInt() - 1;
      const int before = std::accumulate(lines.begin(), lines.begin() + k, 0);
      const qlonglong records = QLocale().toLongLong(p->lblRecords->text().section(": ", 1));
      ++seen[k];
      if (records < before || records > before + lines[k]) wrong << p->lblFile->text() + " " + p->lblRecords->text();
    });
    watch.start();
    d.PressOpenFiles();
    QVERIFY2(seen[2] > 0, "the progress window never showed the third file");
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join('\n')));
    QCOMPARE(d.TableRows("count(*)"), QStringList{"10000"});
  }

  // A file that is no yield report: "Stop Import" on its first box ends the
  // import after that one box; nothing of the line is stored, nor any later file.
  void stopImportOnAFloodOfBoxes() {
    WindowDriver d;
    QCOMPARE(d.Start(), 0);
    QByteArray garbage;
    for (int i = 0; i < 2000; ++i) garbage += "id;date;supplier;material\r\n";
    const QString folder = d.MakeFolder("data", {{"g.yrp", garbage}, {"h.yrp", boards("h", 3)}});
    d.boxes.answer = [](const MessageBoxRecord& r) { return r.buttons == "OK|Ignore All|Stop Import" ? 2 : 0; };
    frmGetFiles* w = d.OpenFileWindow(folder);
    w->File1->selectAll();
    d.PressOpenFiles();
    QCOMPARE(d.boxes.boxes.size(), size_t(1));
    QCOMPARE(d.boxes.boxes[0].buttons, QStringLiteral("OK|Ignore All|Stop Import"));
    QVERIFY(d.boxes.boxes[0].text.startsWith("Error #: "));
    QCOMPARE(d.TableRows("count(*)"), QStringList{"0"});
    QVERIFY(!w->isVisible());
    QCOMPARE(d.Main()->fgRS->Rows(), 1);

    // OK on every box reads the whole file, as before.
    d.boxes.Clear();
    d.boxes.answer = {};
    d.OpenFileWindow();
    w->File1->selectAll();
    TheTestHooks().progressShowDelayMs.reset();
    d.PressOpenFiles();
    QVERIFY(d.boxes.boxes.size() > 2000);
    QCOMPARE(d.TableRows("count(*)"), QStringList{"2003"});
  }

  // Two files with damaged lines: "Ignore All" on the first box gives no
  // further box and, after the batch, one "Import Problems" window listing
  // exactly the boxes that OK on every box gives, where each came from; the
  // same records are stored either way.
  void ignoreAllListsTheBatchsProblemsInOneWindow() {
    TheTestHooks().progressShowDelayMs.reset();
    WindowDriver d;
    QCOMPARE(d.Start(), 0);
    QFile sample(QFINDTESTDATA("../samples/line2_2024-03-06_damaged.yrp"));
    QVERIFY(sample.open(QIODevice::ReadOnly));
    const QByteArray second =
        "\r\n" + boards("b", 1) + "\r\n2024-03-07,09:00,Ann,Acme,RIP,Oak,x,120,90\r\n" + boards("c", 1);
    const QString folder = d.MakeFolder("data", {{"a.yrp", sample.readAll()}, {"b.yrp", second}});
    const QString all = "BDate, Btime, Operator, Supplier, Type, Material, Width, BoardLength, ClearYieldPer";

    frmGetFiles* w = d.OpenFileWindow(folder);
    w->File1->selectAll();
    d.PressOpenFiles();
    const QStringList okToEveryBox = d.boxes.Texts();
    const QStringList stored = d.TableRows(all);
    QVERIFY(okToEveryBox.size() > 10);
    QVERIFY(problemWindows().empty());

    for (int batch = 0; batch < 2; ++batch) {
      d.boxes.Clear();
      d.boxes.answer = [](const MessageBoxRecord& r) { return int(r.buttons.split('|').indexOf("Ignore All")); };
      d.OpenFileWindow();
      w->File1->selectAll();
      d.PressOpenFiles();
      QCOMPARE(d.boxes.Texts(), okToEveryBox.mid(0, 1));
      QCOMPARE(d.TableRows(all), stored);
      WindowDriver::Settle();
      const auto shown = problemWindows();
      QCOMPARE(shown.size(), size_t(1));  // the batch before's list has made room
      frmImportProblems* p = shown[0];
      QCOMPARE(p->windowTitle(), QStringLiteral("Import Problems"));
      const QAbstractItemModel* m = p->tblProblems->model();
      QCOMPARE(m->rowCount(), okToEveryBox.size());
      QStringList texts;
      for (int r = 0; r < m->rowCount(); ++r) texts << m->index(r, 4).data().toString();
      QCOMPARE(texts, okToEveryBox);
      // The sample's short line (line 4: ten fields missing, from Material on)
      // and b.yrp's: its line 4 is its second record, two blank lines before it.
      QCOMPARE(cellsOf(m, 0), QStringList({"a.yrp", "4", "4", "Material", okToEveryBox[0]}));
      QCOMPARE(cellsOf(m, m->rowCount() - 1), QStringList({"b.yrp", "4", "2", "ClearYieldPer", okToEveryBox.last()}));

      QTest::mouseClick(p->cmdCopy, Qt::LeftButton);
      const QStringList copied = QGuiApplication::clipboard()->text().split('\n');
      QCOMPARE(copied.size(), okToEveryBox.size() + 1);
      QCOMPARE(copied[0], QStringLiteral("File\tLine\tRecord\tColumn\tProblem"));
      QCOMPARE(copied[1], cellsOf(m, 0).join('\t'));
    }
    QTest::mouseClick(problemWindows()[0]->cmdClose, Qt::LeftButton);
    QVERIFY(problemWindows().empty());
  }

  void aQuickImportShowsNoProgressWindow() {
    TheTestHooks().progressShowDelayMs.reset();
    WindowDriver d;
    QCOMPARE(d.Start(), 0);
    const int before = TheTestHooks().progressWindowsShown;
    frmGetFiles* w = d.OpenFileWindow(d.MakeFolder("data", {{"a.yrp", boards("a", 20)}}));
    w->File1->selectAll();
    d.PressOpenFiles();
    QCOMPARE(TheTestHooks().progressWindowsShown, before);
    QCOMPARE(d.TableRows("count(*)"), QStringList{"20"});
  }

  void droppedFilesAreImported() {
    TheTestHooks().progressShowDelayMs.reset();
    WindowDriver d;
    QCOMPARE(d.Start(), 0);
    const QString folder = d.MakeFolder(
        "data", {{"b.yrp", boards("b", 2)}, {"a.yrp", boards("a", 3)}, {"c.yrp", boards("c", 1)}, {"notes.txt", "x"}});
    const QString other = d.MakeFolder("other", {{"d.yrp", boards("d", 1)}, {"a.yrp", boards("oa", 1)}});
    Form1* f = d.Main();
    // Report files in the order of their names; anything else left out with one box.
    drop(f, {folder + "/b.yrp", folder + "/notes.txt", folder + "/a.yrp"});
    QCOMPARE(d.boxes.Texts(), QStringList{"Error: 5, Not a yield report file (*.yrp), left out: notes.txt"});
    QCOMPARE(d.TableRows("Btime"), times("a", 3) + times("b", 2));
    QCOMPARE(f->fgRS->Rows(), 6);
    frmGetFiles* w = d.FileWindow();
    QVERIFY(w);
    QVERIFY(w->File1->selectedItems().isEmpty());  // the paths go to the import, not through the list

    // Files of two folders import together, by name and then by path.
    d.boxes.Clear();
    drop(f, {other + "/d.yrp", folder + "/c.yrp", other + "/a.yrp", folder + "/a.yrp"});
    QVERIFY(d.boxes.boxes.empty());
    QCOMPARE(d.TableRows("Btime"), times("a", 3) + times("oa", 1) + times("c", 1) + times("d", 1));
    QCOMPARE(f->fgRS->Rows(), 7);

    // A name on the command line that names no file is said to be missing,
    // not to be something other than a report; the others go on.
    d.boxes.Clear();
    f->ImportReportFiles({folder + "/gone.yrp", folder + "/c.yrp"});
    QCOMPARE(d.boxes.Texts(), QStringList{"Error: 53, File not found: " + folder + "/gone.yrp"});
    QCOMPARE(d.TableRows("Btime"), times("c", 1));
  }
};

CORVANE_WINDOW_TEST_MAIN(TestLongImports)
#include "tst_longimports.moc"
