#pragma once
// Writes rows into the database on a thread of its own while the caller
// goes on storing the next ones. The caller keeps its rows in a column store
// anyway and hands them as ranges of that store's rows (HandStoreRows): the
// writer makes each into a batch of insert parameters itself, under the
// store's read lock, so the caller neither makes a second copy nor waits for
// room, and can go on while the writer is behind. Several batches share one
// transaction: each commit waits for two disk syncs, which with a commit a
// batch took a third of the writer's time. The batches of the open
// transaction are kept until it commits, so that rows a failed commit took
// back are written again, not lost. The caller leaves the connection alone
// from HandStoreRows() until Wait() returns (or Busy() turns false).
#include "sqlite/RowBatch.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;
class ColumnStore;

// Rows inserted by one step of a group statement: a step of 32 rows costs
// about what ten single-row steps do (the statement's set-up and the table
// cursor are paid once).
inline constexpr int kRowsPerGroup = 32;

// A table's insert statement, for one row a step and for kRowsPerGroup rows
// a step (null when the engine could not take that many parameters).
struct InsertStatements {
  sqlite3_stmt* row = nullptr;
  sqlite3_stmt* group = nullptr;
  bool operator==(const InsertStatements&) const = default;
};

// "INSERT ... VALUES (?, ...)" made into the statement for `rows` rows a step.
QByteArray GroupInsertSql(const QByteArray& rowSql, int rows);

// Writes rows [from, end) of a batch in one transaction. On a failure the
// rows before the failing one stay when the engine kept the transaction;
// `kept` counts the rows from `from` on that are in the file.
struct WriteResult {
  int kept = 0;
  int code = 0;  // the engine's error, 0 when every row is in
  QString message;
};
WriteResult WriteRows(sqlite3* db, const InsertStatements& insert, const RowBatch& rows, int from = 0);
// The same inside the caller's transaction: `kept` counts the rows stepped
// in before the failure (whether the transaction survived it is the
// caller's to ask).
WriteResult InsertRows(sqlite3* db, const InsertStatements& insert, const RowBatch& rows, int from = 0);

class BackgroundWriter {
 public:
  // `idle` is called on the writer thread each time it has nothing left to
  // do (every batch written and committed, or one failed).
  explicit BackgroundWriter(sqlite3* db, std::function<void()> idle = {});
  ~BackgroundWriter();  // writes and commits the batches in hand
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // Rows a transaction gathers at most before it commits.
  static constexpr int kRowsPerCommit = 32768;

  // Takes rows [first, end) of the store over, to be made into batches on
  // the writer thread; never waits. The rows must stay as they are (the
  // store only grows). False when a batch has failed.
  bool HandStoreRows(const InsertStatements& insert, std::shared_ptr<const ColumnStore> store, qint64 first,
                     qint64 end);
  // Waits until every batch in hand is written and committed, or one has
  // failed.
  void Wait();
  // Asks for the rows in hand to be committed once they are written, without
  // waiting; Busy() tells when that is done (or has failed).
  void CommitWhenWritten();
  bool Busy();
  // Set from the moment a batch fails until its failure is taken.
  bool Failed() const { return failed_.load(std::memory_order_acquire); }

  struct Batch {
    InsertStatements insert;
    RowBatch rows;
    int from = 0;  // rows from here on are not in the file
    // Rows of a store not made into `rows` yet (store is null once they are).
    std::shared_ptr<const ColumnStore> store;
    qint64 storeFirst = 0, storeEnd = 0;
  };
  // A batch's rows as a RowBatch, made from its store range when needed (on
  // the thread appending to the store, or under the store's read lock).
  static void MakeRows(Batch& batch);
  struct Failure {
    int code = 0;
    QString message;
    std::deque<Batch> unwritten;  // in the order they were handed
  };
  // After Wait(): the failure, if any, with every batch handed since that is
  // not (wholly) in the file; the failure is then cleared.
  std::optional<Failure> TakeFailure();

 private:
  void Run();
  // Writer thread only.
  void WriteBatch(Batch& batch);
  void Commit();
  void Fail(int code, const QString& message, Batch* last);
  bool Idle() const {
    return !working_ && (failed_.load(std::memory_order_acquire) || (waiting_.empty() && !inTransaction_));
  }

  sqlite3* db_;
  std::function<void()> idle_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Batch> waiting_;      // handed, not yet begun; written in order
  std::deque<Batch> uncommitted_;  // written in the open transaction
  int uncommittedRows_ = 0;
  int committedRows_ = 0;        // since the caller last waited
  std::vector<RowBatch> spare_;  // committed batches, kept for their memory until the caller waits
  bool working_ = false;
  bool inTransaction_ = false;
  bool commitWanted_ = false;  // someone waits for the rows to be in the file
  bool stop_ = false;
  std::atomic<bool> failed_{false};
  Failure failure_;
  std::thread thread_;
};
