#include "Module1.h"

#include "MemoryPolicy.h"

#include "ErrorBoxes.h"
#include "Form1.h"
#include "ReportDatabase.h"

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
