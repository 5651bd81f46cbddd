#include "sqlite/BackgroundWriter.h"

#include "common/TestHooks.h"
#include "sqlite/StoreRowBatch.h"
#include "table/ColumnStore.h"

#include <sqlite3.h>

#include <algorithm>

BackgroundWriter::BackgroundWriter(sqlite3* db, std::function<void()> idle)
    : db_(db), idle_(std::move(idle)), thread_([this] { Run(); }) {}

BackgroundWriter::~BackgroundWriter() {
  Wait();
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

bool BackgroundWriter::HandStoreRows(const InsertStatements& insert, std::shared_ptr<const ColumnStore> store,
                                     qint64 first, qint64 end) {
  if (end <= first) return true;
  {
    std::lock_guard lock(mutex_);
    if (failed_.load(std::memory_order_acquire)) return false;
    waiting_.push_back(Batch{insert, {}, 0, std::move(store), first, end});
  }
  wake_.notify_all();
  return true;
}

void BackgroundWriter::MakeRows(Batch& batch) {
  if (!batch.store) return;
  AppendStoreRows(batch.rows, *batch.store, batch.storeFirst, batch.storeEnd);
  batch.store.reset();
}

void BackgroundWriter::CommitWhenWritten() {
  {
    std::lock_guard lock(mutex_);
    commitWanted_ = true;
  }
  wake_.notify_all();
}

bool BackgroundWriter::Busy() {
  std::lock_guard lock(mutex_);
  return !Idle();
}

void BackgroundWriter::Wait() {
  std::unique_lock lock(mutex_);
  commitWanted_ = true;
  wake_.notify_all();
  wake_.wait(lock, [this] { return Idle(); });
  commitWanted_ = false;
  committedRows_ = 0;  // whatever comes next starts small again
  spare_.clear();      // an import's worth of batch memory goes back until the next one
}

std::optional<BackgroundWriter::Failure> BackgroundWriter::TakeFailure() {
  std::unique_lock lock(mutex_);
  wake_.wait(lock, [this] { return !working_; });
  if (!failed_.load(std::memory_order_acquire)) return std::nullopt;
  Failure f = std::move(failure_);
  for (Batch& later : waiting_) f.unwritten.push_back(std::move(later));
  waiting_.clear();
  failure_ = Failure();
  failed_.store(false, std::memory_order_release);
  return f;
}

void BackgroundWriter::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    // After a failure nothing is written until the failure is taken.
    wake_.wait(lock, [this] {
      return stop_ ||
             (!failed_.load(std::memory_order_acquire) && (!waiting_.empty() || (inTransaction_ && commitWanted_)));
    });
    if (stop_ && (waiting_.empty() || failed_.load(std::memory_order_acquire))) return;
    working_ = true;
    if (!waiting_.empty()) {
      Batch batch = std::move(waiting_.front());
      waiting_.pop_front();
      if (batch.store && !spare_.empty()) {
        batch.rows = std::move(spare_.back());
        spare_.pop_back();
      }
      lock.unlock();
      if (const std::shared_ptr<const ColumnStore> store = batch.store) {
        const auto reading = store->ReadLock();  // released before the store may go
        MakeRows(batch);
      }
      WriteBatch(batch);
    } else {
      lock.unlock();
      Commit();
    }
    lock.lock();
    working_ = false;
    wake_.notify_all();
    if (idle_ && Idle()) {
      lock.unlock();
      idle_();
      lock.lock();
    }
  }
}

void BackgroundWriter::WriteBatch(Batch& batch) {
  if (const auto& hook = TheTestHooks().writerBatch) hook();
  if (!inTransaction_) {
    const int rc = sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return Fail(rc, QString::fromUtf8(sqlite3_errmsg(db_)), &batch);
    inTransaction_ = true;
  }
  const WriteResult result = InsertRows(db_, batch.insert, batch.rows);
  if (result.code == 0) {
    uncommittedRows_ += batch.rows.Rows();
    uncommitted_.push_back(std::move(batch));
    // The first rows of an import reach the file as soon as they are
    // written, later ones in ever larger transactions: a disk that fills up
    // early still keeps what fitted.
    if (uncommittedRows_ >= std::min(kRowsPerCommit, std::max(1, committedRows_))) Commit();
    return;
  }
  if (sqlite3_get_autocommit(db_)) {
    inTransaction_ = false;  // the engine took back the whole transaction
    return Fail(result.code, result.message, &batch);
  }
  // The rows before the refused one stay, as they would row by row.
  const int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  inTransaction_ = false;
  if (rc != SQLITE_OK) {
    if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return Fail(result.code, result.message, &batch);
  }
  uncommitted_.clear();
  uncommittedRows_ = 0;
  batch.from = result.kept;
  Fail(result.code, result.message, &batch);
}

void BackgroundWriter::Commit() {
  const int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    const QString message = QString::fromUtf8(sqlite3_errmsg(db_));  // before a rollback replaces it
    if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    inTransaction_ = false;
    return Fail(rc, message, nullptr);
  }
  inTransaction_ = false;
  std::lock_guard lock(mutex_);
  for (Batch& done : uncommitted_) {
    done.rows.Clear();
    spare_.push_back(std::move(done.rows));
  }
  uncommitted_.clear();
  committedRows_ += uncommittedRows_;
  uncommittedRows_ = 0;
}

void BackgroundWriter::Fail(int code, const QString& message, Batch* last) {
  // Every row of the open transaction went with it: written again later.
  std::lock_guard lock(mutex_);
  failure_.code = code;
  failure_.message = message;
  for (Batch& batch : uncommitted_) {
    batch.from = 0;
    failure_.unwritten.push_back(std::move(batch));
  }
  uncommitted_.clear();
  uncommittedRows_ = 0;
  if (last) failure_.unwritten.push_back(std::move(*last));
  failed_.store(true, std::memory_order_release);
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

WriteResult InsertRows(sqlite3* db, const InsertStatements& insert, const RowBatch& rows, int from) {
  WriteResult result;
  const auto fail = [&](int code) {
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
    for (int r = first; r < first + kRowsPerGroup && bound == SQLITE_OK; ++r) bound = rows.Bind(insert.group, r, param);
    return step(insert.group, bound);
  };
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
  return result;
}

WriteResult WriteRows(sqlite3* db, const InsertStatements& insert, const RowBatch& rows, int from) {
  int rc = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) return {0, rc, QString::fromUtf8(sqlite3_errmsg(db))};
  WriteResult result = InsertRows(db, insert, rows, from);
  if (sqlite3_get_autocommit(db)) {
    result.kept = 0;  // the failure rolled back the whole transaction
    return result;
  }
  rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    // Taken first: a rollback would replace the engine's message.
    if (result.code == 0) result = {0, rc, QString::fromUtf8(sqlite3_errmsg(db))};
    if (!sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    result.kept = 0;
  }
  return result;
}
