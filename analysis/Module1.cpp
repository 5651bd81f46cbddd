#include "Module1.h"

#include "MemoryPolicy.h"

#include "AppInfo.h"
#include "ErrorBoxes.h"
#include "Form1.h"
#include "ReportDatabase.h"

#include <QGuiApplication>
#include <QPointer>

namespace Module1 {

namespace {
QPointer<Form1>& form() {
  static QPointer<Form1> f;
  return f;
}
}  // namespace

int Main() {
  using namespace modReportGeneration;
  ReturnLargeBlocksWhenFreed();
  // The desktop knows the program by its menu entry's id: the windows' class
  // (the application's name) and the desktop file name are that id, so a
  // dock groups the windows with their launcher and shows its icon.
  QCoreApplication::setApplicationName(AppId());
  QGuiApplication::setDesktopFileName(AppId());
  OpenReportDatabase();
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
  return 0;
}

Form1* MainForm() { return form().data(); }

}  // namespace Module1
