#include "ExportRun.h"

#include "controls/FileDialogSeam.h"
#include "frmExportProgress.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>

#include <atomic>
#include <exception>
#include <memory>
#include <thread>

namespace {

const QString kXlsxFilter = QStringLiteral("Excel workbook (*.xlsx)");
const QString kCsvFilter = QStringLiteral("CSV (*.csv)");

int& showDelay() {
  static int ms = 500;
  return ms;
}
std::atomic<int>& running() {
  static std::atomic<int> n{0};
  return n;
}
int& timesShown() {
  static int n = 0;
  return n;
}

// Between the writer's thread and the window: plain numbers and a flag.
class SharedProgress : public ExportProgress {
 public:
  void Advanced(qint64 rowsDone, qint64 rowsTotal) override {
    total_ = rowsTotal;
    done_ = rowsDone;
  }
  bool StopRequested() const override { return stop_; }
  void RequestStop() { stop_ = true; }
  qint64 Done() const { return done_; }
  qint64 Total() const { return total_; }

 private:
  std::atomic<qint64> done_{0}, total_{0};
  std::atomic<bool> stop_{false};
};

}  // namespace

void SetExportProgressDelayForTests(int milliseconds) { showDelay() = milliseconds < 0 ? 500 : milliseconds; }
int ExportProgressTimesShown() { return timesShown(); }
bool ExportRunning() { return running() > 0; }

QString AskExportPath(QWidget* parent, const QString& caption, const QString& suggestedName, ExportFormat& format) {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  QString filter = kXlsxFilter;
  QString path = AskSaveFileName(parent, caption, QDir(folder).filePath(suggestedName + QStringLiteral(".xlsx")),
                                 kXlsxFilter + QStringLiteral(";;") + kCsvFilter, &filter);
  if (path.isEmpty()) return path;
  // The name's own ending decides; a name without one takes the kind picked.
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QStringLiteral("csv")) {
    format = ExportFormat::Csv;
  } else if (suffix == QStringLiteral("xlsx")) {
    format = ExportFormat::Xlsx;
  } else {
    format = filter == kCsvFilter ? ExportFormat::Csv : ExportFormat::Xlsx;
    path += format == ExportFormat::Csv ? QStringLiteral(".csv") : QStringLiteral(".xlsx");
  }
  return path;
}

bool RunExport(QWidget* owner, const std::function<bool(ExportProgress&)>& work) {
  SharedProgress progress;
  ++running();
  const std::unique_ptr<void, void (*)(void*)> endRunning(&progress, [](void*) { --running(); });
  std::atomic<bool> finished{false};
  bool written = false;
  std::exception_ptr failure;
  QObject wake;  // lives on this thread: the writer's end is posted to it
  std::thread writer([&] {
    try {
      written = work(progress);
    } catch (...) {
      failure = std::current_exception();
    }
    finished = true;
    QMetaObject::invokeMethod(
        &wake, [] {}, Qt::QueuedConnection);
  });

  frmExportProgress window(owner);
  QTimer tick;  // repaints the window's figures, and wakes the wait below
  tick.start(50);
  QElapsedTimer since;
  since.start();
  while (!finished) {
    if (!window.isVisible() && since.elapsed() >= showDelay()) {
      window.Show(progress.Done(), progress.Total());
      window.adjustSize();
      const QRect area = owner && owner->isVisible() ? owner->frameGeometry() : window.screen()->geometry();
      window.move(area.center() - window.rect().center());
      window.show();
      ++timesShown();
    }
    if (window.isVisible()) {
      window.Show(progress.Done(), progress.Total());
      if (window.StopRequested()) progress.RequestStop();
    }
    // Before the window shows, no click reaches any other control; once it
    // shows, it is application-modal.
    QCoreApplication::processEvents(window.isVisible()
                                        ? QEventLoop::WaitForMoreEvents
                                        : QEventLoop::WaitForMoreEvents | QEventLoop::ExcludeUserInputEvents);
  }
  writer.join();
  window.hide();
  if (failure) std::rethrow_exception(failure);
  return written && !progress.StopRequested();
}
