// Start-up, the main window's layout, the file selection window and the whole
// import road from a click, driven through the real windows offscreen.
#include "Module1.h"
#include "ReportDatabase.h"
#include "WindowDriver.h"
#include "common/AppInfo.h"
#include "common/ErrorInfo.h"
#include "controls/ListFit.h"
#include "controls/PointerSeam.h"
#include "frmExportProgress.h"
#include "frmImportProblems.h"
#include "frmProgress.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScreen>
#include <QTimer>

#include <unistd.h>
#include <stdexcept>

namespace {

QByteArray board(const char* date, const char* time, const char* supplier, const char* material, const char* width) {
  return QByteArray(date) + ',' + time + ",Ann," + supplier + ",RIP," + material + ',' + width +
         ",120,90,75,110,80,72.7,88.9\r\n";
}

std::vector<std::pair<QString, QByteArray>> threeFiles() {
  return {{"a.yrp", board("2024-03-08", "a1", "Acme", "Oak", "4") + board("2024-03-07", "a2", "Birch", "Ash", "6")},
          {"b.yrp", board("2024-03-07", "b1", "Acme", "Oak", "4.5")},
          {"c.yrp", board("2024-03-09", "c1", "Acme", "Pine", "4")},
          {"notes.txt", "not a report"},
          {".hidden.yrp", board("2024-01-01", "h", "X", "X", "1")}};
}

// A user's double click: a click, then the second press.
void doubleClick(QListWidget* list, QListWidgetItem* item) {
  const QPoint at = list->visualItemRect(item).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// The built program in a folder of its own with its database beside it,
// started as a user starts it; its socket goes in that folder too (TMPDIR),
// so parallel tests never meet.
class ProgramCopy {
 public:
  ProgramCopy() : program_(dir_.filePath("CorvaneYieldReport")) {
    if (!QFile::copy(PROGRAM_PATH, program_)) qFatal("cannot copy the program");
    QFile::setPermissions(program_, QFile::permissions(PROGRAM_PATH));
  }
  QString Database() const { return dir_.filePath("ReportGenTemplate.mdb"); }
  void FreshDatabase() const {
    QFile::remove(Database());
    QFile::remove(Database() + "-journal");
    QVERIFY(QFile::copy(TEMPLATE_DATABASE, Database()));
    QFile::setPermissions(Database(), QFile::ReadOwner | QFile::WriteOwner);
  }
  // A report file of `lines` boards from one supplier, in a folder of its own.
  QString Report(const QString& supplier, int lines) const {
    QDir(dir_.path()).mkpath(supplier);
    QFile f(dir_.filePath(supplier + "/" + supplier + ".yrp"));
    if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write a report file");
    for (int i = 0; i < lines; ++i) f.write(board("2024-03-07", QByteArray::number(i), supplier.toUtf8(), "Oak", "4"));
    return f.fileName();
  }
  void Start(QProcess& p, const QStringList& files) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", dir_.path());
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(program_, files);
  }
  // Rows of the database by supplier ("supplier<tab>count"), as another
  // program reads them.
  QStringList Suppliers() const {
    return QueryRows(Database(), "SELECT Supplier, count(*) FROM tblYieldReport GROUP BY Supplier");
  }

 private:
  QTemporaryDir dir_;
  QString program_;
};

}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT

 private slots:
  void layoutMatchesTheDesign() {
    WindowDriver d;
    QCOMPARE(d.Start(), 0);
    Form1* f = d.Main();
    QCOMPARE(f->windowTitle(), QStringLiteral("Corvane Yield Report Analysis V2.0"));
    QCOMPARE(f->size(), QSize(718, 667));
    const struct {
      QWidget* w;
      QString caption;
      int left, top, width, height;
      bool visible;
    } controls[] = {
        {f->cmdSelectFiles, "Select Files", 180, 180, 1455, 375, true},
        {f->fgRS, "", 180, 2100, 10035, 2895, true},
        {f->cmboJobNames, "", 8700, 6420, 1635, 315, false},
        {f->Label1, "Job Names", 8760, 6060, 795, 195, false},
        {f->cmdFilter, "Filter", 240, 1620, 1335, 375, true},
        {f->cmboMaterial, "", 2520, 1140, 1875, 315, true},
        {f->cmboWidth, "", 4500, 1140, 1515, 315, true},
        {f->Label2, "Material", 2520, 840, 555, 195, true},
        {f->Label3, "Width", 4560, 780, 420, 195, true},
        {f->cmboDate[0], "", 6180, 660, 1395, 315, true},
        {f->cmboDate[1], "", 6180, 1500, 1395, 315, true},
        {f->Label4[0], "Start Date", 6240, 360, 720, 195, true},
        {f->Label4[1], "End Date", 6180, 1140, 675, 195, true},
        {f->cmdSummary, "Summary", 180, 5160, 1335, 375, true},
        {f->fgSummary, "", 240, 5640, 10155, 4215, true},
        {f->cmdPrint, "Print", 2160, 5220, 1335, 315, true},
        {f->cmdCopy, "Copy", 4260, 5220, 1215, 315, true},
        {f->cmdCopy2, "Copy", 2220, 1620, 1035, 375, true},
        {f->Label5, "Supplier", 360, 780, 570, 195, true},
        {f->cmboSupplier, "", 360, 1140, 1935, 315, true},
        {f->cmdExit, "Exit", 8760, 960, 975, 375, true},
    };
    for (const auto& c : controls) {
      const QString name = c.w->objectName();
      QCOMPARE(c.w->pos(), QPoint(c.left / 15, c.top / 15));
      if (auto* label = qobject_cast<QLabel*>(c.w)) {
        // Labels grow to their caption from their designed size.
        QCOMPARE(label->text(), c.caption);
        QVERIFY2(label->width() >= c.width / 15 && label->height() >= c.height / 15, qPrintable(name));
      } else {
        QCOMPARE(c.w->size(), QSize(c.width / 15, c.height / 15));
      }
      if (auto* button = qobject_cast<QPushButton*>(c.w)) QCOMPARE(button->text(), c.caption);
      QVERIFY2(c.w->isVisible() == c.visible, qPrintable(name));
    }
    QVERIFY(f->findChild<QObject*>("CommonDialog1"));

    // Keyboard order follows the design; "Select Files" has the focus.
    const QList<QWidget*> expected = {f->cmdSelectFiles, f->fgRS,         f->cmboJobNames, f->cmdFilter,
                                      f->cmboMaterial,   f->cmboWidth,    f->cmboDate[0],  f->cmboDate[1],
                                      f->cmdSummary,     f->fgSummary,    f->cmdPrint,     f->cmdCopy,
                                      f->cmdCopy2,       f->cmboSupplier, f->cmdExit};
    QList<QWidget*> chain;
    QWidget* w = f->cmdSelectFiles;
    do {
      if (expected.contains(w) && !chain.contains(w)) chain << w;
      w = w->nextInFocusChain();
    } while (w != f->cmdSelectFiles && chain.size() < expected.size());
    QCOMPARE(chain, expected);
    QCOMPARE(QApplication::focusWidget(), f->cmdSelectFiles);

    // Grids at their design state, the summary labels in place.
    QCOMPARE(f->fgRS->Rows(), 1);
    QCOMPARE(f->fgRS->Cols(), 10);
    QCOMPARE(f->fgSummary->Rows(), 20);
    QCOMPARE(f->fgSummary->Cols(), 7);
    const int widths[] = {960, 2025, 960, 960, 960, 960, 1140};
    for (int c = 0; c < 7; ++c) QCOMPARE(f->fgSummary->ColWidth(c), widths[c]);
    QCOMPARE(f->fgSummary->TextMatrix(1, 5), QStringLiteral("Start Date"));
    QCOMPARE(f->fgSummary->TextMatrix(8, 1), QStringLiteral("Length Parts Cut"));
    QCOMPARE(f->fgSummary->TextMatrix(12, 1), QStringLiteral("Clear Yield %"));
    QCOMPARE(f->fgSummary->font().pointSizeF(), 9.75);
    QCOMPARE(f->fgRS->font().pointSizeF(), 8.25);

    // Centred on the screen, frame included.
    const QRect screen = f->screen()->geometry();
    const QRect frame = f->frameGeometry();
    QVERIFY(qAbs(frame.center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(frame.center().y() - screen.center().y()) <= 1);
    QVERIFY(d.boxes.boxes.empty());
  }

  // Each date of the date lists shows whole in the list's own rectangle, as
  // the style draws it on the display the test runs on (X too).
  void datesShowWholeInTheirLists() {
    WindowDriver d;
    Form1* f = d.StartWithImport(
        {{"d.yrp", board("2024-03-05", "a", "Acme", "Oak", "4") + board("2024-12-28", "b", "Acme", "Oak", "4") +
                       board("2028-08-08", "c", "Acme", "Oak", "4")}});
    QVERIFY(f && QTest::qWaitForWindowExposed(f));
    for (int i : {0, 1}) {
      QComboBox* list = f->cmboDate[i];
      QCOMPARE(list->geometry(), QRect(412, i ? 100 : 44, 93, 21));
      QVERIFY(list->font().pointSizeF() >= 6);
      for (int e = 0; e < list->count(); ++e) {
        list->setCurrentIndex(e);
        const double width = QFontMetricsF(list->font(), list).horizontalAdvance(list->currentText());
        QVERIFY2(
            width <= ListTextRoom(list),
            qPrintable(QStringLiteral("%1: %2 px in %3").arg(list->currentText()).arg(width).arg(ListTextRoom(list))));
      }
    }
    QVERIFY(d.boxes.boxes.empty());
  }

  void fileWindowLayout() {
    WindowDriver d;
    QCOMPARE(d.Start(), 0);
    const QString data = d.MakeFolder("data", threeFiles());
    frmGetFiles* w = d.OpenFileWindow(data);
    QVERIFY(w && w->isVisible());
    QCOMPARE(w->windowTitle(), QStringLiteral("Select Files"));
    QCOMPARE(w->size(), QSize(630, 315));
    QCOMPARE(w->Drive1->geometry(), QRect(16, 12, 225, 21));
    QCOMPARE(w->Dir1->geometry(), QRect(16, 44, 293, 111));
    QCOMPARE(w->File1->geometry(), QRect(364, 44, 185, 110));
    QCOMPARE(w->cmdOpenFiles->geometry(), QRect(96, 196, 105, 29));
    QCOMPARE(w->cmdOpenFiles->text(), QStringLiteral("Open Files"));
    QList<QWidget*> chain;
    for (QWidget* x = w->Dir1; chain.size() < 4; x = x->nextInFocusChain())
      if ((x == w->Dir1 || x == w->File1 || x == w->Drive1 || x == w->cmdOpenFiles) && !chain.contains(x)) chain << x;
    QCOMPARE(chain, (QList<QWidget*>{w->Dir1, w->File1, w->Drive1, w->cmdOpenFiles}));
    QCOMPARE(w->Dir1->Path(), QDir(data).canonicalPath());
    QCOMPARE(w->Drive1->itemText(0), QStringLiteral("/"));
    QVERIFY(w->Drive1->findText(QDir::homePath()) >= 0);
    // Only *.yrp files, any letter case, sorted; no hidden files, no folders.
    d.folder.WriteFile("data/D.YRP", board("2024-03-10", "d1", "Acme", "Oak", "4"));
    QDir().mkpath(data + "/sub.yrp");
    w->Dir1->SetPath(data);
    QCOMPARE(w->File1->ListCount(), 4);
    QStringList names;
    for (int i = 0; i < w->File1->ListCount(); ++i) names << w->File1->List(i);
    QCOMPARE(names, QStringList({"D.YRP", "a.yrp", "b.yrp", "c.yrp"}));
    // The folder list shows the way down and the sub-folders.
    QVERIFY(!w->Dir1->findItems("sub.yrp", Qt::MatchEndsWith).isEmpty());
  }

  void importFromTheWindows() {
    WindowDriver d;
    QCOMPARE(d.Start(), 0);
    const QString data = d.MakeFolder("data", threeFiles());
    frmGetFiles* w = d.OpenFileWindow(data);
    d.ClickFiles({"c.yrp", "a.yrp", "b.yrp"});
    d.PressOpenFiles();
    QVERIFY(d.boxes.boxes.empty());

    // Imported in list order, the window hidden with its folder and selection.
    QCOMPARE(d.TableRows("Btime"), QStringList({"a1", "a2", "b1", "c1"}));
    QCOMPARE(d.TableRows("count(*)"), QStringList({"4"}));
    QVERIFY(!w->isVisible());
    QCOMPARE(d.Pointers("frmGetFiles"), std::vector<int>({vbHourglass, vbDefault, vbDefault}));
    QCOMPARE(w->File1->selectedItems().size(), 3);

    // The record grid shows every record sorted by date, material and width.
    Form1* f = d.Main();
    QCOMPARE(f->fgRS->Rows(), 5);
    QCOMPARE(f->fgRS->Cols(), 16);
    QCOMPARE(f->fgRS->TextMatrix(0, 2), QStringLiteral("BDate"));
    QStringList times;
    for (int r = 1; r < f->fgRS->Rows(); ++r) times << f->fgRS->TextMatrix(r, 3);
    QCOMPARE(times, QStringList({"a2", "b1", "a1", "c1"}));
    QVERIFY(f->fgRS->ColWidth(5) >= f->fgRS->TextWidthTwips("Supplier") + 50);
    QCOMPARE(f->RecordsetInUse(), modReportGeneration::GetYieldRecordset());

    QCOMPARE(WindowDriver::Entries(f->cmboMaterial), QStringList({"ALL", "Ash", "Oak", "Pine"}));
    QCOMPARE(WindowDriver::Entries(f->cmboSupplier), QStringList({"ALL", "Acme", "Birch"}));
    QCOMPARE(WindowDriver::Entries(f->cmboWidth), QStringList({"ALL", "4", "4.5", "6"}));
    QCOMPARE(WindowDriver::Entries(f->cmboDate[0]), QStringList({"ALL", "2024-03-07", "2024-03-08", "2024-03-09"}));
    QCOMPARE(WindowDriver::Entries(f->cmboDate[1]), WindowDriver::Entries(f->cmboDate[0]));
    for (QComboBox* list : {f->cmboMaterial, f->cmboSupplier, f->cmboWidth, f->cmboDate[0], f->cmboDate[1]})
      QCOMPARE(list->currentText(), QStringLiteral("ALL"));
    QCOMPARE(f->cmboJobNames->count(), 0);

    // Shown again: same window, same folder and selection; a second import replaces the first.
    WindowDriver::Pick(f->cmboMaterial, "Oak");
    QCOMPARE(d.OpenFileWindow(), w);
    QVERIFY(w->isVisible());
    QCOMPARE(w->Dir1->Path(), QDir(data).canonicalPath());
    d.ClickFiles({"b.yrp"}, false);
    d.PressOpenFiles();
    QCOMPARE(d.TableRows("Btime"), QStringList({"b1"}));
    QCOMPARE(f->fgRS->Rows(), 2);
    QCOMPARE(f->cmboMaterial->currentText(), QStringLiteral("ALL"));

    // Listed but none selected: the table is emptied and the lists hold "ALL" alone.
    d.OpenFileWindow();
    w->File1->clearSelection();
    d.PressOpenFiles();
    QCOMPARE(d.TableRows("count(*)"), QStringList({"0"}));
    QVERIFY(!w->isVisible());
    QCOMPARE(f->fgRS->Rows(), 1);
    QCOMPARE(f->fgRS->TextMatrix(0, 6), QStringLiteral("Material"));
    QCOMPARE(WindowDriver::Entries(f->cmboSupplier), QStringList({"ALL"}));
    QCOMPARE(f->cmboSupplier->currentIndex(), 0);
    QVERIFY(d.boxes.boxes.empty());
  }

  void emptyFolderAndUnreadableFolders() {
    WindowDriver d;
    QCOMPARE(d.Start(), 0);
    const QString data = d.MakeFolder("data", threeFiles());
    const QString empty = d.MakeFolder("empty", {{"readme.txt", "x"}});
    frmGetFiles* w = d.OpenFileWindow(data);
    d.ClickFiles({"a.yrp"});
    d.PressOpenFiles();
    QCOMPARE(d.TableRows("count(*)"), QStringList({"2"}));

    // A folder without report files: pressing does nothing at all.
    d.OpenFileWindow();
    d.pointerLog.clear();
    w->Dir1->SetPath(empty);
    QCOMPARE(w->File1->ListCount(), 0);
    d.PressOpenFiles();
    QVERIFY(w->isVisible());
    QVERIFY(d.pointerLog.empty());
    QCOMPARE(d.TableRows("count(*)"), QStringList({"2"}));

    // A drive that cannot be read: the window error box, the lists stay put.
    w->Drive1->addItem("/no/such/drive", "/no/such/drive");
    w->Drive1->setCurrentIndex(w->Drive1->count() - 1);
    QCOMPARE(d.boxes.Texts(), QStringList{"Error: 76, Path not found: /no/such/drive"});
    QCOMPARE(d.boxes.boxes[0].title, AppTitle());
    QCOMPARE(w->Dir1->Path(), QDir(empty).canonicalPath());
    QVERIFY(w->Drive1->Drive() != "/no/such/drive");
    QVERIFY(w->isVisible());

    // Changing the folder after selecting clears the selection.
    w->Dir1->SetPath(data);
    d.ClickFiles({"b.yrp"});
    w->Dir1->SetPath(data);
    QCOMPARE(w->File1->selectedItems().size(), 0);
  }

  // A folder that cannot be listed, opened from the folder list by Enter or
  // by a double click: the window error box naming it, every list stays on
  // the last good folder, and the program goes on.
  void foldersThatCannotBeListed() {
    WindowDriver d;
    QCOMPARE(d.Start(), 0);
    const QString data = d.MakeFolder("data", threeFiles());
    QDir().mkpath(data + "/gone");
    QDir().mkpath(data + "/locked");
    QFile::setPermissions(data + "/locked", QFileDevice::Permissions());
    frmGetFiles* w = d.OpenFileWindow(data);
    const QString shown = w->Dir1->Path();
    const QString drive = w->Drive1->Drive();
    const QString gone = shown + "/gone", locked = shown + "/locked";
    QVERIFY(QDir(gone).removeRecursively());
    const auto stayed = [&] {
      QCOMPARE(w->Dir1->Path(), shown);
      QVERIFY(!w->Dir1->findItems("gone", Qt::MatchEndsWith).isEmpty());
      QCOMPARE(w->File1->Path(), shown);
      QCOMPARE(w->File1->ListCount(), 3);
      QCOMPARE(w->Drive1->Drive(), drive);
      QVERIFY(w->isVisible());
    };
    QListWidgetItem* entry = w->Dir1->findItems("gone", Qt::MatchEndsWith).value(0);
    QVERIFY(entry);
    w->Dir1->setCurrentItem(entry);
    QTest::keyClick(w->Dir1, Qt::Key_Return);
    QCOMPARE(d.boxes.Texts(), QStringList{"Error: 76, Path not found: " + gone});
    stayed();
    d.boxes.Clear();
    entry = w->Dir1->findItems("gone", Qt::MatchEndsWith).value(0);
    doubleClick(w->Dir1, entry);
    QCOMPARE(d.boxes.Texts(), QStringList{"Error: 76, Path not found: " + gone});
    QCOMPARE(d.boxes.boxes[0].title, AppTitle());
    stayed();

    // A folder the user may not read (root reads every folder).
    if (geteuid() != 0) {
      d.boxes.Clear();
      entry = w->Dir1->findItems("locked", Qt::MatchEndsWith).value(0);
      QVERIFY(entry);
      doubleClick(w->Dir1, entry);
      QCOMPARE(d.boxes.Texts(), QStringList{"Error: 70, Permission denied: " + locked});
      stayed();
    }
    // The window still works: a good folder opens, and files import.
    entry = w->Dir1->findItems("data", Qt::MatchEndsWith).value(0);
    doubleClick(w->Dir1, entry);
    d.ClickFiles({"a.yrp"});
    d.PressOpenFiles();
    QCOMPARE(d.TableRows("count(*)"), QStringList({"2"}));
    QFile::setPermissions(data + "/locked", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  }

  void foldersThatCannotBeListedAsAnOrdinaryUser() {
    if (RerunAsUnprivilegedUser("foldersThatCannotBeListed")) return;
  }

  // Whatever a handler fails to trap is shown in the window error box by the
  // application's guard, and the program goes on.
  void untrappedErrorsReachTheWindowErrorBox() {
    WindowDriver d;
    QCOMPARE(d.Start(), 0);
    QPushButton button("x", d.Main());
    QObject::connect(&button, &QPushButton::clicked, [] { RaiseError(5, "Invalid procedure call", "Test"); });
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(d.boxes.Texts(), QStringList{"Error: 5, Invalid procedure call"});
    d.boxes.Clear();
    QTimer::singleShot(0, d.Main(), [] { throw std::runtime_error("a library failed"); });
    QTRY_COMPARE(d.boxes.Texts(), QStringList{"Error: 51, a library failed"});
    QVERIFY(d.Main()->isVisible());
    d.boxes.Clear();
    WindowDriver::Click(d.Main()->cmdFilter);  // nothing imported: nothing happens
    QVERIFY(d.boxes.boxes.empty());
  }

  void aFailingStepShowsTheWindowErrorBox() {
    WindowDriver d;
    QCOMPARE(d.Start(), 0);
    const QString data = d.MakeFolder("data", threeFiles());
    frmGetFiles* w = d.OpenFileWindow(data);
    d.ClickFiles({"a.yrp"});
    ExecOn(d.folder.DatabasePath(), "ALTER TABLE tblYieldReport RENAME TO tblOther");
    d.PressOpenFiles();
    QCOMPARE(d.boxes.Texts(), QStringList{"Error: -1, no such table: tblYieldReport"});
    QVERIFY(w->isVisible());
    QCOMPARE(MousePointer(w), vbDefault);
    QCOMPARE(d.Pointers("frmGetFiles"), std::vector<int>({vbHourglass, vbDefault}));
    QCOMPARE(QueryRows(d.folder.DatabasePath(), "SELECT count(*) FROM tblOther"), QStringList{"0"});
  }

  void closingAndReopeningTheFileWindow() {
    WindowDriver d;
    QCOMPARE(d.Start(), 0);
    const QString data = d.MakeFolder("data", threeFiles());
    const QString other = d.MakeFolder("other", {{"z.yrp", board("2024-03-07", "z", "Acme", "Oak", "4")}});
    frmGetFiles* w = d.OpenFileWindow(data);
    d.ClickFiles({"a.yrp"});
    w->close();
    WindowDriver::Settle();
    QVERIFY(!d.FileWindow());
    frmGetFiles* again = d.OpenFileWindow(other);
    QVERIFY(again && again->isVisible());
    QCOMPARE(again->Dir1->Path(), QDir(other).canonicalPath());
    QCOMPARE(again->File1->selectedItems().size(), 0);
    // Pressing "Select Files" while it is open brings the same window forward.
    QCOMPARE(d.OpenFileWindow(), again);
  }

  void exitAndCloseEndTheProgramOnce() {
    for (bool viaCloseBox : {false, true}) {
      WindowDriver d;
      QCOMPARE(d.Start(), 0);
      QPointer<Form1> f = d.Main();
      QPointer<frmGetFiles> w = d.OpenFileWindow(d.MakeFolder("data", threeFiles()));
      if (viaCloseBox)
        f->close();
      else
        WindowDriver::Click(f->cmdExit);
      WindowDriver::Settle();
      QVERIFY(!f);
      QVERIFY(!w);
      QVERIFY(d.boxes.boxes.empty());
    }
  }

  // Every button of every window says what it does when the pointer rests on it.
  void everyButtonHasATooltip() {
    WindowDriver d;
    QCOMPARE(d.Start(), 0);
    Form1* f = d.Main();
    d.OpenFileWindow(d.MakeFolder("data", {}));
    WindowDriver::Click(f->cmdBreakdown);
    frmProgress progress(f);  // shown during a long import
    ImportProblems problems;
    frmImportProblems listed(problems, f);  // after "Ignore All"
    frmExportProgress exporting(f);         // shown during a long export
    QSet<QAbstractButton*> buttons;         // (the other windows are the main window's children too)
    for (QWidget* window :
         {static_cast<QWidget*>(f), static_cast<QWidget*>(d.FileWindow()), static_cast<QWidget*>(f->BreakdownWindow()),
          static_cast<QWidget*>(&progress), static_cast<QWidget*>(&listed), static_cast<QWidget*>(&exporting)})
      for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (!b->isVisibleTo(window) || b->parent()->inherits("QHeaderView") || b->inherits("QTableCornerButton"))
          continue;
        buttons.insert(b);
        QVERIFY2(!b->toolTip().isEmpty(), qPrintable(window->objectName() + ": " + b->text()));
      }
    QCOMPARE(buttons.size(), 17);  // the breakdown's "Export…" and the export's "Stop" too
  }

  // "About" in the grids' context menu names the version, the database file
  // in use and the libraries, in a box.
  void aboutNamesVersionDatabaseAndLibraries() {
    WindowDriver d;
    QCOMPARE(d.Start(), 0);
    Form1* f = d.Main();
    QVERIFY(f->mnuGrid->actions().contains(f->mnuAbout));
    QCOMPARE(f->mnuAbout->text(), QStringLiteral("About"));
    f->mnuAbout->trigger();
    QCOMPARE(d.boxes.boxes.size(), size_t(1));
    const QString text = d.boxes.boxes[0].text;
    for (const QString& expected : {QStringLiteral("Version 2.0.0"), QDir::toNativeSeparators(d.folder.DatabasePath()),
                                    QStringLiteral("Qt ") + qVersion(), QStringLiteral("SQLite 3.")})
      QVERIFY2(text.contains(expected), qPrintable(text));
  }

  void freshStartShowsEmptyGrids() {
    WindowDriver d;
    ExecOn(d.folder.DatabasePath(), "INSERT INTO tblYieldReport (BDate, Material) VALUES ('2024-01-02','Oak')");
    QCOMPARE(d.Start(), 0);
    QCOMPARE(d.TableRows("count(*)"), QStringList{"0"});
    QCOMPARE(d.Main()->fgRS->Rows(), 1);
    QCOMPARE(d.Main()->cmboMaterial->count(), 0);
    QCOMPARE(d.Main()->cmboMaterial->currentText(), QString());
  }

  void startUpWithoutAUsableDatabase() {
    {
      WindowDriver d;
      QFile::remove(d.folder.DatabasePath());
      QVERIFY(d.Start() != 0);
      QVERIFY(!d.Main());
      QCOMPARE(d.boxes.boxes.size(), size_t(1));
      QVERIFY(d.boxes.boxes[0].text.startsWith("Error #: -14, unable to open database file"));
      QVERIFY(!QFile::exists(d.folder.DatabasePath()));
    }
    {
      WindowDriver d;
      const QByteArray old = QByteArray("\x00\x01\x00\x00Standard Jet DB", 19).repeated(100);
      QFile::remove(d.folder.DatabasePath());
      d.folder.WriteFile("ReportGenTemplate.mdb", old);
      QVERIFY(d.Start() != 0);
      QCOMPARE(d.boxes.Texts(), QStringList{"Error #: -26, file is not a database, SQLite"});
      QFile f(d.folder.DatabasePath());
      QVERIFY(f.open(QIODevice::ReadOnly));
      QCOMPARE(f.readAll(), old);  // untouched
    }
    {
      WindowDriver d;
      ExecOn(d.folder.DatabasePath(), "DROP TABLE tblYieldReport");
      QVERIFY(d.Start() != 0);
      QCOMPARE(d.boxes.Texts(), QStringList{"Error #: -1, no such table: tblYieldReport, SQLite"});
    }
  }

  // Two real starts of the program on one database (a report file opened
  // again from a file manager): the second hands its files to the first and
  // ends with 0, without touching the database; the first imports them after
  // its own import. Each row's first start is killed at its end, leaving its
  // socket behind for the next row's start.
  void aSecondStartHandsItsFilesToTheRunningCopy_data() {
    QTest::addColumn<int>("firstLines");   // the first start's own import (0: none)
    QTest::addColumn<int>("secondLines");  // -1: the second start names no file
    QTest::newRow("first idle") << 0 << 300;
    QTest::newRow("first in a long import") << 300000 << 300;
    QTest::newRow("second without files") << 300 << -1;
  }
  void aSecondStartHandsItsFilesToTheRunningCopy() {
    QFETCH(int, firstLines);
    QFETCH(int, secondLines);
    static const ProgramCopy copy;
    copy.FreshDatabase();
    ExecOn(copy.Database(), "INSERT INTO tblYieldReport (Supplier) VALUES ('Stale')");
    QProcess first, second;
    copy.Start(first, firstLines > 0 ? QStringList{copy.Report("First", firstLines)} : QStringList{});
    // Up: the table emptied, or the rows of its own import under way or in.
    if (firstLines == 0)
      QTRY_COMPARE_WITH_TIMEOUT(copy.Suppliers(), QStringList{}, 60000);
    else if (secondLines >= 0)
      QTRY_VERIFY_WITH_TIMEOUT(copy.Suppliers().value(0).startsWith("First\t"), 60000);
    else
      QTRY_COMPARE_WITH_TIMEOUT(copy.Suppliers(), QStringList{"First\t300"}, 60000);
    copy.Start(second, secondLines >= 0 ? QStringList{copy.Report("Second", secondLines)} : QStringList{});
    QVERIFY(second.waitForFinished(60000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    if (secondLines < 0) QCOMPARE(copy.Suppliers(), QStringList{"First\t300"});  // not emptied by the second
    // The first imports the second's files once its own import is done
    // (rows of both would mean one import inside the other).
    const QString expected = secondLines >= 0 ? QString("Second\t%1").arg(secondLines) : QString("First\t300");
    QTRY_COMPARE_WITH_TIMEOUT(copy.Suppliers(), QStringList{expected}, 60000);
    QCOMPARE(first.state(), QProcess::Running);
    first.kill();
    QVERIFY(first.waitForFinished(30000));
  }
};

CORVANE_WINDOW_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
