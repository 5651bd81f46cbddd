#include "RowsBehindWait.h"

#include "ReportDatabase.h"
#include "common/AppInfo.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QThread>

#include <memory>

namespace {
int windowsShown = 0;
constexpr int kShowAfterMs = 500;  // shorter waits pass unnoticed
}  // namespace

int RowsBehindWindowsShown() { return windowsShown; }

void WaitForRowsBehind() {
  QElapsedTimer waited;
  waited.start();
  std::unique_ptr<QProgressDialog> saying;
  while (modReportGeneration::StoredRowsPending()) {
    if (!saying && waited.elapsed() >= kShowAfterMs) {
      saying = std::make_unique<QProgressDialog>(QStringLiteral("Writing the imported records to the database..."),
                                                 QString(), 0, 0);
      saying->setWindowTitle(AppTitle());
      saying->setCancelButton(nullptr);
      saying->setWindowModality(Qt::ApplicationModal);
      saying->show();
      ++windowsShown;
    }
    // Paints and timers, but no clicks or keys while the rows are written.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    QThread::msleep(10);
  }
}
