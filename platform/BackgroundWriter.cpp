#include "BackgroundWriter.h"

#include <sqlite3.h>

BackgroundWriter::BackgroundWriter(sqlite3* db) : db_(db), thread_([this] { Run(); }) {}

BackgroundWriter::~BackgroundWriter() {
  {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return !busy_; });
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

bool BackgroundWriter::Hand(sqlite3_stmt* statement, RowBatch& batch) {
  std::unique_lock lock(mutex_);
  wake_.wait(lock, [this] { return !busy_; });
  if (failed_.load(std::memory_order_acquire)) return false;
  statement_ = statement;
  batch_.Clear();
  std::swap(batch_, batch);
  busy_ = true;
  lock.unlock();
  wake_.notify_all();
  return true;
}

void BackgroundWriter::Wait() {
  std::unique_lock lock(mutex_);
  wake_.wait(lock, [this] { return !busy_; });
}

std::optional<BackgroundWriter::Failure> BackgroundWriter::TakeFailure() {
  std::unique_lock lock(mutex_);
  wake_.wait(lock, [this] { return !busy_; });
  if (!failed_.load(std::memory_order_acquire)) return std::nullopt;
  Failure f = std::move(failure_);
  failure_ = Failure();
  failed_.store(false, std::memory_order_release);
  return f;
}

void BackgroundWriter::Run() {
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return busy_ || stop_; });
      if (!busy_) return;  // stopping, nothing in hand
    }
    WriteBatch();
    {
      std::lock_guard lock(mutex_);
      busy_ = false;
    }
    wake_.notify_all();
  }
}

void BackgroundWriter::Fail(int code, const QString& message) {
  failure_.code = code;
  failure_.message = message;
  if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  failure_.statement = statement_;
  failure_.rows = std::move(batch_);
  batch_ = RowBatch();
  failed_.store(true, std::memory_order_release);
}

void BackgroundWriter::WriteBatch() {
  int rc = sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) return Fail(rc, QString::fromUtf8(sqlite3_errmsg(db_)));
  for (int r = 0; r < batch_.Rows(); ++r) {
    batch_.Bind(statement_, r);
    rc = sqlite3_step(statement_);
    if (rc != SQLITE_DONE) {
      // The message is taken first: the rollback would replace it.
      const QString message = QString::fromUtf8(sqlite3_errmsg(db_));
      sqlite3_reset(statement_);
      return Fail(rc, message);
    }
    sqlite3_reset(statement_);
  }
  rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) return Fail(rc, QString::fromUtf8(sqlite3_errmsg(db_)));
  batch_.Clear();
}
