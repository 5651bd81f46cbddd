#include "SheetThreads.h"

#include <QThread>

namespace {

// Rows between two questions to the progress (and signs of the helper's life).
constexpr qint64 kRowsPerCheck = 4096;

}  // namespace

SheetThreads::SheetThreads(ExportProgress* progress, qint64 done, qint64 total)
    : progress_(progress), total_(total), exportRows_(done), done_(done) {}

bool SheetThreads::Run(int count, bool twoThreads, const std::function<void(int)>& write) {
  std::thread helper;
  if (twoThreads && count > 1 && QThread::idealThreadCount() > 1) {
    helper = std::thread([this, count, &write] {
      TakeSheets(count, write);
      {
        std::lock_guard lock(mutex_);
        helperFinished_ = true;
      }
      changed_.notify_one();
    });
  }
  // Whatever ends this thread's part, the helper is stopped and joined before
  // the workbook it writes into goes away.
  struct Joined {
    SheetThreads& run;
    std::thread& helper;
    ~Joined() {
      if (!helper.joinable()) return;
      run.stopped_ = true;
      helper.join();
    }
  } joined{*this, helper};
  TakeSheets(count, write);
  if (helper.joinable()) {
    WaitForHelper();
    helper.join();
  }
  if (error_) std::rethrow_exception(error_);
  return !stopped_;
}

void SheetThreads::TakeSheets(int count, const std::function<void(int)>& write) {
  for (;;) {
    const int sheet = next_++;
    if (sheet >= count || stopped_ || sheet > failedSheet_) return;
    try {
      write(sheet);
    } catch (...) {
      // No exception leaves a thread: kept for the export's thread to raise,
      // unless an earlier sheet failed too.
      std::lock_guard lock(mutex_);
      if (sheet < failedSheet_) {
        failedSheet_ = sheet;
        error_ = std::current_exception();
      }
    }
  }
}

bool SheetThreads::BeforeRow(int sheet) {
  if (std::this_thread::get_id() == exportThread_) {
    if (exportRows_++ % kRowsPerCheck == 0 && !AskProgress()) return false;
  } else if (++helperRows_ % kRowsPerCheck == 0) {
    {
      std::lock_guard lock(mutex_);
      ++helperTicks_;
    }
    changed_.notify_one();
  }
  if (stopped_.load(std::memory_order_relaxed) || sheet > failedSheet_.load(std::memory_order_relaxed)) return false;
  done_.fetch_add(1, std::memory_order_relaxed);
  return true;
}

bool SheetThreads::AskProgress() {
  if (!progress_ || stopped_) return !stopped_;
  if (progress_->StopRequested()) {
    stopped_ = true;
    return false;
  }
  progress_->Advanced(done_.load(), total_);
  return true;
}

// The export's thread, its sheets written, tells the progress how the
// helper's go on and passes a stop to it.
void SheetThreads::WaitForHelper() {
  std::unique_lock lock(mutex_);
  while (!helperFinished_) {
    const qint64 seen = helperTicks_;
    changed_.wait(lock, [&] { return helperFinished_ || helperTicks_ != seen; });
    if (helperFinished_) break;
    lock.unlock();
    AskProgress();
    lock.lock();
  }
}
