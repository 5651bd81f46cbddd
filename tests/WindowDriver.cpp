#include "WindowDriver.h"

#include "Module1.h"
#include "ReportDatabase.h"
#include "controls/PointerSeam.h"

#include <QDir>
#include <QElapsedTimer>

WindowDriver::WindowDriver() : savedCurrent_(QDir::currentPath()) {
  modReportGeneration::ReportConnection.reset();
  modReportGeneration::YieldRecordset.reset();
  SetPointerObserver([this](QWidget* w, int p) { pointerLog.emplace_back(w->objectName(), p); });
}

WindowDriver::~WindowDriver() {
  if (form_) {
    form_->shutdown();
    Settle();
  }
  SetPointerObserver({});
  modReportGeneration::YieldRecordset.reset();
  modReportGeneration::ReportConnection.reset();
  QDir::setCurrent(savedCurrent_);
}

int WindowDriver::Start() {
  const int rc = Module1::Main().value_or(0);
  form_ = Module1::MainForm();
  if (rc == 0 && form_) (void)QTest::qWaitForWindowExposed(form_);  // offscreen windows may never report it
  return rc;
}

frmGetFiles* WindowDriver::FileWindow() const { return form_ ? form_->FileWindow() : nullptr; }

QString WindowDriver::MakeFolder(const QString& name, const std::vector<std::pair<QString, QByteArray>>& files) const {
  const QString path = folder.Path() + u'/' + name;
  QDir().mkpath(path);
  for (const auto& [file, bytes] : files) folder.WriteFile(name + u'/' + file, bytes);
  return path;
}

frmGetFiles* WindowDriver::OpenFileWindow(const QString& start) {
  if (!start.isEmpty()) QDir::setCurrent(start);
  Click(form_->cmdSelectFiles);
  return FileWindow();
}

void WindowDriver::ClickFiles(const QStringList& names, bool add) {
  FileListBox* list = FileWindow()->File1;
  bool first = true;
  for (const QString& name : names) {
    const auto found = list->findItems(name, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(name));
    list->scrollToItem(found[0]);
    const QPoint at = list->visualItemRect(found[0]).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, (add && !first) ? Qt::ControlModifier : Qt::NoModifier, at);
    first = false;
  }
}

void WindowDriver::PressOpenFiles(bool waitForTheFile) {
  Click(FileWindow()->cmdOpenFiles);
  if (waitForTheFile) WaitForTheFile();
}

void WindowDriver::WaitForTheFile() const {
  QElapsedTimer waited;
  waited.start();
  while (FileWindow() && FileWindow()->WritingBehind() && waited.elapsed() < 120000)
    QTest::qWait(5);  // events answered, the processor left to the writer
  QVERIFY2(!FileWindow() || !FileWindow()->WritingBehind(), "the rows never reached the file");
}

void WindowDriver::ImportFolder(const QString& folder) {
  if (FileWindow())
    OpenFileWindow()->Dir1->SetPath(folder);
  else
    OpenFileWindow(folder);
  FileWindow()->File1->selectAll();
  PressOpenFiles();
}

Form1* WindowDriver::StartWithImport(const std::vector<std::pair<QString, QByteArray>>& files) {
  if (Start() != 0) return nullptr;
  ImportFolder(MakeFolder("data", files));
  return Main();
}

void WindowDriver::Pick(QComboBox* list, const QString& text) {
  const int i = list->findText(text, Qt::MatchExactly);
  QVERIFY2(i >= 0, qPrintable(text));
  list->setCurrentIndex(i);
}

void WindowDriver::Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

void WindowDriver::Settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

QStringList WindowDriver::TableRows(const QString& columns) const {
  WaitForTheFile();  // rows reach the file behind the shown grid
  return QueryRows(folder.DatabasePath(), "SELECT " + columns + " FROM tblYieldReport ORDER BY rowid");
}

QStringList WindowDriver::Entries(const QComboBox* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->itemText(i);
  return out;
}

std::vector<int> WindowDriver::Pointers(const QString& window) const {
  std::vector<int> out;
  for (const auto& [name, p] : pointerLog)
    if (name == window) out.push_back(p);
  return out;
}
