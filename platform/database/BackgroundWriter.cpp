#include "BackgroundWriter.h"

#include <sqlite3.h>

namespace {
std::function<void()>& batchHook() {
  static std::function<void()> hook;
  return hook;
}
}  // namespace

void BackgroundWriter::SetBatchHookForTests(std::function<void()> hook) { batchHook() = std::move(hook); }

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

void BackgroundWriter::WriteBatch() {
  if (batchHook()) batchHook()();
  const WriteResult result = WriteRows(db_, statement_, batch_);
  if (result.code != 0) {
    failure_.code = result.code;
    failure_.message = result.message;
    failure_.statement = statement_;
    failure_.rows = std::move(batch_);
    failure_.firstUnwritten = result.kept;
    failed_.store(true, std::memory_order_release);
  }
  batch_.Clear();
}

WriteResult WriteRows(sqlite3* db, sqlite3_stmt* statement, const RowBatch& rows, int from) {
  WriteResult result;
  const auto fail = [&](int code) {
    // Taken first: a rollback would replace the engine's message.
    result.code = code;
    result.message = QString::fromUtf8(sqlite3_errmsg(db));
  };
  int rc = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    fail(rc);
    return result;
  }
  for (int r = from; r < rows.Rows(); ++r, ++result.kept) {
    rows.Bind(statement, r);
    rc = sqlite3_step(statement);
    if (rc != SQLITE_DONE) fail(rc);
    sqlite3_reset(statement);
    if (rc != SQLITE_DONE) break;
  }
  if (sqlite3_get_autocommit(db)) {
    result.kept = 0;  // the failure rolled back the whole transaction
    return result;
  }
  rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    if (result.code == 0) fail(rc);
    if (!sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    result.kept = 0;
  }
  return result;
}
