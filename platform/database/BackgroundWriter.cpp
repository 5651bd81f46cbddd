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

bool BackgroundWriter::Hand(const InsertStatements& insert, RowBatch& batch) {
  std::unique_lock lock(mutex_);
  wake_.wait(lock, [this] { return !busy_; });
  if (failed_.load(std::memory_order_acquire)) return false;
  insert_ = insert;
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
  const WriteResult result = WriteRows(db_, insert_, batch_);
  if (result.code != 0) {
    failure_.code = result.code;
    failure_.message = result.message;
    failure_.insert = insert_;
    failure_.rows = std::move(batch_);
    failure_.firstUnwritten = result.kept;
    failed_.store(true, std::memory_order_release);
  }
  batch_.Clear();
}

QByteArray GroupInsertSql(const QByteArray& rowSql, int rows) {
  const qsizetype values = rowSql.lastIndexOf(" VALUES ");
  if (values < 0) return {};
  const QByteArray oneRow = rowSql.mid(values + 8);
  QByteArray sql = rowSql;
  sql.reserve(rowSql.size() + (oneRow.size() + 1) * (rows - 1));
  for (int r = 1; r < rows; ++r) sql += ',' + oneRow;
  return sql;
}

WriteResult WriteRows(sqlite3* db, const InsertStatements& insert, const RowBatch& rows, int from) {
  WriteResult result;
  const auto fail = [&](int code) {
    // Taken first: a rollback would replace the engine's message.
    result.code = code;
    result.message = QString::fromUtf8(sqlite3_errmsg(db));
  };
  const auto step = [&](sqlite3_stmt* statement, int bound) {
    const int rc = bound == SQLITE_OK ? sqlite3_step(statement) : bound;
    if (rc != SQLITE_DONE) fail(rc);
    sqlite3_reset(statement);
    return rc == SQLITE_DONE;
  };
  const auto writeRow = [&](int r) { return step(insert.row, rows.Bind(insert.row, r)); };
  const auto writeGroup = [&](int first) {
    int param = 1, bound = SQLITE_OK;
    for (int r = first; r < first + kRowsPerGroup && bound == SQLITE_OK; ++r)
      bound = rows.Bind(insert.group, r, param);
    return step(insert.group, bound);
  };
  int rc = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    fail(rc);
    return result;
  }
  for (int r = from; r < rows.Rows();) {
    if (insert.group && rows.Rows() - r >= kRowsPerGroup) {
      if (writeGroup(r)) {
        r += kRowsPerGroup;
        result.kept += kRowsPerGroup;
        continue;
      }
      if (sqlite3_get_autocommit(db)) break;
      // A failed step leaves none of its rows: one at a time, the rows
      // before the one that fails go in, as they would have without groups.
      bool written = true;
      for (const int end = r + kRowsPerGroup; r < end && (written = writeRow(r)); ++r) ++result.kept;
      if (!written) break;
      result = {result.kept, 0, {}};  // every row of the group went in after all
      continue;
    }
    if (!writeRow(r)) break;
    ++r;
    ++result.kept;
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
