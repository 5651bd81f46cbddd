#include "Module1.h"

#include "common/MemoryPolicy.h"

#include "DatabaseLocation.h"
#include "Form1.h"
#include "ReportDatabase.h"
#include "common/AppInfo.h"
#include "common/ErrorBoxes.h"
#include "controls/SingleInstance.h"

#include <QGuiApplication>
#include <QPointer>
#include <QTimer>

namespace Module1 {

namespace {
QPointer<Form1>& form() {
  static QPointer<Form1> f;
  return f;
}
QPointer<SingleInstance>& instance() {
  static QPointer<SingleInstance> i;
  return i;
}
}  // namespace

std::optional<int> Main(const QStringList& files) {
  using namespace modReportGeneration;
  ReturnLargeBlocksWhenFreed();
  // The desktop knows the program by its menu entry's id: the windows' class
  // (the application's name) and the desktop file name are that id, so a
  // dock groups the windows with their launcher and shows its icon.
  QCoreApplication::setApplicationName(AppId());
  QGuiApplication::setDesktopFileName(AppId());
  // A second copy must not touch the database of the first (its emptying
  // would blank the first one's grid, its import mix into the first one's):
  // the database is chosen, and a copy running on it asked, before the open.
  const DatabasePlace database = ChooseReportDatabase();
  delete instance();  // a start before in this process (tests) answers no more
  instance() = new SingleInstance(database.file, QCoreApplication::instance());
  try {
    if (instance()->HandOverOrListen(files)) return 0;
  } catch (...) {
    ShowErrorBox(CurrentError());
    return 1;
  }
  MakeCopyServe(database);
  OpenReportDatabase(database.file);
  // A connection that did not open is never used: its box has been shown.
  if (!ReportConnection || !ReportConnection->IsOpen()) return 1;
  try {
    ClearYieldReport();
  } catch (...) {
    ShowErrorBox(CurrentError());
    return 1;
  }
  form() = new Form1;
  form()->show();
  QObject::connect(instance(), &SingleInstance::Requested, form(), &Form1::ImportRequestedFiles);
  if (!files.isEmpty()) form()->ImportRequestedFiles(files);
  return std::nullopt;
}

Form1* MainForm() { return form().data(); }

}  // namespace Module1
