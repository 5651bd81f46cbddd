#pragma once
// The open SQLite database behind a Connection, shared by the connection and
// the recordsets opened on it. Writes are grouped into transactions so that a
// million stored rows cost a million inserts, not a million disk syncs; any
// other statement on the connection commits the pending group first, and so
// does the end of the session.
#include "sqlite/BackgroundWriter.h"
#include "sqlite/RowBatch.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <memory>

class ColumnStore;
class SqliteSession;

struct sqlite3;
struct sqlite3_stmt;

// A statement prepared for one use; its end goes through the session, which
// finalizes it only while no other thread uses the connection.
class PreparedStatement {
 public:
  PreparedStatement() = default;
  PreparedStatement(SqliteSession* session, sqlite3_stmt* statement) : session_(session), statement_(statement) {}
  ~PreparedStatement() { Reset(); }
  PreparedStatement(PreparedStatement&& other) noexcept { *this = std::move(other); }
  PreparedStatement& operator=(PreparedStatement&& other) noexcept;
  sqlite3_stmt* get() const { return statement_; }
  explicit operator bool() const { return statement_ != nullptr; }
  void Reset();

 private:
  SqliteSession* session_ = nullptr;
  sqlite3_stmt* statement_ = nullptr;
};

class SqliteSession {
 public:
  // Opens an existing database file for reading and writing; never creates it.
  explicit SqliteSession(const QString& path);
  ~SqliteSession();
  SqliteSession(const SqliteSession&) = delete;
  SqliteSession& operator=(const SqliteSession&) = delete;

  sqlite3* Handle() const { return db_; }

  // Runs statements that return no rows; returns the number of changed rows.
  int Exec(const QString& sql);
  // Prepares one statement (commits pending writes first).
  PreparedStatement Prepare(const QString& sql);
  // A statement kept for the session's whole life and shared by everyone who
  // asks for the same text (the insert statement of a table). The session
  // alone finalizes it, after its writer thread has stopped, so releasing a
  // recordset never touches the connection while rows are being written.
  sqlite3_stmt* KeptStatement(const QByteArray& sql);
  // The kept statement that inserts kRowsPerGroup rows a step, made from a
  // single-row insert; null when the engine cannot prepare it.
  sqlite3_stmt* KeptGroupStatement(const QByteArray& rowSql);
  // Finalizes a statement once the writer thread has let go of the connection.
  void Finalize(sqlite3_stmt* statement);
  // After a table was emptied: gives the pages it freed back to the file
  // system, so the file does not keep the size of the largest import ever
  // made. Best effort: when it cannot (a full disk), the free pages stay in
  // the file and the next rows reuse them; nothing is lost either way.
  void GiveBackFreePages();

  // Called before and after each stored row.
  void BeginWrite();
  void EndWrite();
  // Commits the pending group of writes, if any, and waits for the rows
  // being written later; rows that could not be kept raise an error that
  // counts them.
  void CommitPending();
  // The same; its error also counts the stored rows that a failure rolled
  // back with the group (TakeLostRows).
  void CommitPendingCountingLost();

  // Rows written later, on a thread of their own, in groups: for a mirrored
  // table, whose readers get its rows from memory meanwhile. LaterStoreRow
  // takes a row the caller has stored in a column store already (rows of one
  // store come in order): the writer makes it into parameters from there.
  void LaterStoreRow(const QByteArray& insertSql, const std::shared_ptr<const ColumnStore>& store, qint64 row);
  // Lets the rows written later go on being written behind the caller's
  // back, when that is all the session has pending (otherwise nothing
  // changes): recordsets answered from a mirror then open without waiting
  // for them. Every other use of the connection waits for them first, and
  // reports their failure, as CommitPending does.
  void WriteLaterRowsBehind();
  // Whether the rows written later are left behind (until the next wait),
  // and whether the writer is still at them.
  bool WritingBehind() const { return behind_; }
  bool WriterBusy();
  // A group written later has failed: the next row goes through
  // WriteFailedRowsNow instead of LaterStoreRow.
  bool LaterWritesFailed() const;
  struct Unkept {
    int rows = 0;  // rows that are not in the file
    int code = 0;  // the engine's error
    QString message;
  };
  // Writes now, in order, the rows of the failed group, every row stored
  // since and then lastRow (one row for the insert statement of that text),
  // if given; tells how many of them (the last ones) could not be kept.
  Unkept WriteFailedRowsNow(const RowBatch* lastRow = nullptr, const QByteArray& lastRowInsertSql = {});
  // Rows of the group that a failure rolled back since the last call: stored
  // rows that are no longer in the file.
  int TakeLostRows();

  // Raises the engine's last error, with its message and the engine's name.
  [[noreturn]] void RaiseLastError(int code);

  // Table mirrors: the rows of a table this session emptied and then filled
  // itself, kept in memory so that reading them back sorted or distinct needs
  // no trip through the engine. A mirror is dropped as soon as the table may
  // hold anything else: another statement, a failed write, a write by
  // another connection.
  std::shared_ptr<ColumnStore> Mirror(const QString& table);
  void StartMirror(const QString& table, std::shared_ptr<ColumnStore> store);
  bool IsMirror(const QString& table, const ColumnStore* store) const;
  void DropMirrors() { mirrors_.clear(); }
  // Whether another connection has written to the file since the mirrors
  // started (looked at now, unless the writer has the connection): what was
  // read from them may no longer be what the file holds. The mirrors are
  // dropped then.
  bool WrittenByAnotherConnection();

 private:
  qint64 DataVersion();
  void HandLaterStoreRows();
  void FlushLaterRows();

  std::unique_ptr<BackgroundWriter> writer_;  // started by the first rows written later
  std::map<QByteArray, sqlite3_stmt*> keptStatements_;
  // Store rows [storeFirst_, storeEnd_) of storeRows_, not yet handed.
  InsertStatements storeInsert_;
  QByteArray storeSql_;
  std::shared_ptr<const ColumnStore> storeRows_;
  qint64 storeFirst_ = 0, storeEnd_ = 0;
  bool behind_ = false;                                      // WriteLaterRowsBehind, until the next wait
  std::map<QString, std::shared_ptr<ColumnStore>> mirrors_;  // by lower-case table name
  qint64 mirrorsDataVersion_ = -1;
  bool otherConnectionWrote_ = false;  // since the mirrors started

  sqlite3* db_ = nullptr;
  bool inTransaction_ = false;
  int pendingRows_ = 0;
  int lostRows_ = 0;
};

// An empty column store with the columns of a prepared statement's result.
std::shared_ptr<ColumnStore> ColumnsOf(sqlite3_stmt* statement);

// Raises an engine error for a code with no open database behind it.
[[noreturn]] void RaiseSqliteError(int code, const QString& message);

QString EngineName();
