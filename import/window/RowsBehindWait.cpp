#include "RowsBehindWait.h"

#include "ReportDatabase.h"
#include "common/AppInfo.h"
#include "common/TestHooks.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <memory>

namespace {
constexpr int kShowAfterMs = 500;  // shorter waits pass unnoticed
}  // namespace

void WaitForRowsBehind() {
  QEventLoop waiting;
  // Listening first: the writer's word cannot slip between the look and the wait.
  const QMetaObject::Connection done = modReportGeneration::WhenStoredRowsWritten(&waiting, [&waiting] {
    if (!modReportGeneration::StoredRowsPending()) waiting.quit();
  });
  if (!modReportGeneration::StoredRowsPending()) {
    QObject::disconnect(done);
    return;
  }
  std::unique_ptr<QProgressDialog> saying;
  QTimer showLater;
  showLater.setSingleShot(true);
  QObject::connect(&showLater, &QTimer::timeout, &waiting, [&saying] {
    saying = std::make_unique<QProgressDialog>(QStringLiteral("Writing the imported records to the database..."),
                                               QString(), 0, 0);
    saying->setWindowTitle(AppTitle());
    saying->setCancelButton(nullptr);
    saying->setWindowModality(Qt::ApplicationModal);
    saying->show();
    ++TheTestHooks().rowsBehindWindowsShown;
  });
  showLater.start(kShowAfterMs);
  // Paints and timers, but no clicks or keys while the rows are written.
  waiting.exec(QEventLoop::ExcludeUserInputEvents);
  QObject::disconnect(done);
}
