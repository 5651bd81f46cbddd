#pragma once
// Writes batches of rows into the database on a thread of its own, one
// transaction a batch, while the caller goes on preparing the next batch.
// The caller leaves the connection alone from Hand() until Wait() returns.
#include "RowBatch.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

struct sqlite3;
struct sqlite3_stmt;

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

class BackgroundWriter {
 public:
  explicit BackgroundWriter(sqlite3* db);
  ~BackgroundWriter();  // waits for the batch in hand
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // Waits for the previous batch, then takes this one over (leaving an empty
  // batch in its place). False, keeping the batch, when a batch has failed.
  bool Hand(const InsertStatements& insert, RowBatch& batch);
  // Waits until the batch in hand is written or has failed.
  void Wait();
  // Set from the moment a batch fails until its failure is taken.
  bool Failed() const { return failed_.load(std::memory_order_acquire); }

  struct Failure {
    int code = 0;
    QString message;
    InsertStatements insert;
    RowBatch rows;           // the whole batch
    int firstUnwritten = 0;  // rows from here on are not in the file
  };
  // After Wait(): the failure, if any, which is then cleared.
  std::optional<Failure> TakeFailure();

  // Tests only: called on the writer thread as each batch begins, before it
  // touches the connection, so a test can hold the writer there.
  static void SetBatchHookForTests(std::function<void()> hook);

 private:
  void Run();
  void WriteBatch();

  sqlite3* db_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool busy_ = false;
  bool stop_ = false;
  std::atomic<bool> failed_{false};
  InsertStatements insert_;
  RowBatch batch_;
  Failure failure_;
  std::thread thread_;
};
