#pragma once
// The sheets of one table written on the export's thread and, when the
// machine has a second core, on one more: each thread takes the next sheet
// no thread has taken, so both stay busy to the last sheet. The progress is
// told and asked on the export's thread only. A stop stops both threads; an
// error stops the sheets after the one that failed, and the error raised is
// that of the earliest sheet that failed, as writing the sheets one after
// another would have raised it.
#include "ExportTable.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <limits>
#include <mutex>
#include <thread>

class SheetThreads {
 public:
  // `done` rows of `total` were written before these sheets.
  SheetThreads(ExportProgress* progress, qint64 done, qint64 total);

  // Calls write(sheet) once for each sheet in [0, count), on two threads when
  // `twoThreads` and the machine has two cores. Returns false when the
  // progress asked to stop; raises the error of the earliest sheet that failed.
  bool Run(int count, bool twoThreads, const std::function<void(int sheet)>& write);

  // Asked by `write` before each row of `sheet`: false when the sheet must
  // end here (a stop was asked, or an earlier sheet failed).
  bool BeforeRow(int sheet);

  // Rows written, these sheets' and those before.
  qint64 Done() const { return done_.load(); }

 private:
  static constexpr int kNoSheet = std::numeric_limits<int>::max();
  void TakeSheets(int count, const std::function<void(int)>& write);
  bool AskProgress();
  void WaitForHelper();

  ExportProgress* progress_;
  qint64 total_;
  std::thread::id exportThread_ = std::this_thread::get_id();
  qint64 exportRows_;      // rows the export's thread began, counted as before
  qint64 helperRows_ = 0;  // the helper's, for its signs of life
  std::atomic<qint64> done_;
  std::atomic<int> next_{0};
  std::atomic<bool> stopped_{false};
  std::atomic<int> failedSheet_{kNoSheet};

  std::mutex mutex_;
  std::condition_variable changed_;
  qint64 helperTicks_ = 0;  // each kRowsPerCheck rows of the helper's
  bool helperFinished_ = false;
  std::exception_ptr error_;  // of failedSheet_
};
