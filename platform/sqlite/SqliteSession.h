#pragma once
// The open SQLite database behind a Connection, shared by the connection and
// the recordsets opened on it: statements run and prepared, statements kept
// for the session's life. Rows are written by its TableWriter; any other
// statement on the connection finishes their writing first, and so does the
// end of the session.
#include "sqlite/TableWriter.h"

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

  // The one writer of rows into the session's tables, with the table
  // mirrors. Every other use of the connection finishes its writes first.
  TableWriter& Writer() { return *writer_; }
  // The table's mirror, if one holds the whole table (TableWriter::Mirror).
  std::shared_ptr<ColumnStore> Mirror(const QString& table) { return writer_->Mirror(table); }

  // Raises the engine's last error, with its message and the engine's name.
  [[noreturn]] void RaiseLastError(int code);
  // The file's data version: it moves when another connection writes.
  qint64 DataVersion();

 private:
  std::unique_ptr<TableWriter> writer_;
  std::map<QByteArray, sqlite3_stmt*> keptStatements_;
  sqlite3* db_ = nullptr;
};

// An empty column store with the columns of a prepared statement's result.
std::shared_ptr<ColumnStore> ColumnsOf(sqlite3_stmt* statement);

// Raises an engine error for a code with no open database behind it.
[[noreturn]] void RaiseSqliteError(int code, const QString& message);

QString EngineName();
