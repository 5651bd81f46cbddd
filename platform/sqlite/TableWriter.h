#pragma once
// The one owner of writing rows into the session's tables: the insert
// statements, the table mirrors, the choice between writing a row now (in
// the open group of writes) and behind (on the writer thread, while readers
// get it from the mirror), and every recovery of rows a failure took back.
// A recordset only appends a row to its column store and hands it over.
//
// Failure rules: rows a failure took back are written again, in order, once;
// from the first that still cannot be kept none is written, and those are
// counted in the box of the row being stored ("... (N rows stored before
// this one could not be kept either)") or, when the rows are waited for,
// in that error ("... (N stored rows could not be kept)"). The mirror is
// dropped then, and later rows are written now, one insert a row.
#include "sqlite/BackgroundWriter.h"
#include "sqlite/RowBatch.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <deque>
#include <map>
#include <memory>

class ColumnStore;
class SqliteSession;

class TableWriter : public QObject {
  Q_OBJECT

 public:
  explicit TableWriter(SqliteSession& session);
  ~TableWriter() override;  // stops the writer thread; rows not yet written are the caller's to Finish first

  // Where rows of a store's columns go: a table and its insert statements,
  // kept for the session's life.
  struct Target {
    QString table;  // lower case: SQL names ignore letter case
    QByteArray insertSql;
    InsertStatements insert;
  };
  // The target for rows of `columns` added to `table`; earlier writes are
  // finished first (their failure is raised here).
  const Target& TargetFor(const QString& table, const ColumnStore& columns);

  // Writes row `row`, which the caller has just appended to `store`: behind
  // when the store is the table's mirror, now otherwise. Raises when the row
  // cannot be kept (the caller then does not count it as stored).
  void Store(const Target& target, const std::shared_ptr<const ColumnStore>& store, qint64 row);

  // Commits the open group of writes and waits for the rows on the writer
  // thread; rows that could not be kept raise an error that counts them.
  void Finish();
  // Lets the rows handed to the writer thread go on being written behind the
  // caller's back, when that is all there is to write (otherwise nothing
  // changes). RowsBehindDone() follows once they are in the file, or failed.
  void WriteBehind();
  // Whether rows are left behind (until the next Finish), and whether the
  // writer thread is still at them.
  bool WritingBehind() const { return behind_; }
  bool Busy();
  // Returns once the writer thread has let go of the connection; a failure
  // stays for Finish to report.
  void WaitForThread();

  // Table mirrors: the rows of a table this session emptied and then filled
  // itself, kept in memory so that reading them back sorted or distinct
  // needs no trip through the engine. A mirror is dropped as soon as the
  // table may hold anything else: another statement, a row that could not
  // be kept, a write by another connection.
  std::shared_ptr<ColumnStore> Mirror(const QString& table);
  void StartMirror(const QString& table, std::shared_ptr<ColumnStore> store);
  bool IsMirror(const QString& table, const ColumnStore* store) const;
  void DropMirrors() { mirrors_.clear(); }
  // Whether another connection has written to the file since the mirrors
  // started (looked at now, unless the writer thread has the connection).
  // The mirrors are dropped then.
  bool WrittenByAnotherConnection();

 signals:
  // Nothing is being written behind any more (queued from the writer thread
  // and after WriteBehind; may come more than once).
  void RowsBehindDone();

 private:
  using Batch = BackgroundWriter::Batch;
  struct Unkept {
    int rows = 0;  // rows that are not in the file
    int code = 0;  // the engine's error
    QString message;
  };
  void StoreBehind(const Target& target, const std::shared_ptr<const ColumnStore>& store, qint64 row);
  void StoreNow(const Target& target, const ColumnStore& store, qint64 row);
  void HandRows();
  // Rows handed to the writer thread that are not in the file, and rows not
  // handed yet, in order; the writer's failure is taken.
  std::deque<Batch> TakeUnwritten(int& code, QString& message);
  // The one recovery: writes the batches again in order, now; from the first
  // row that fails none is written. Drops the mirrors when rows are left out.
  Unkept WriteAgain(std::deque<Batch> batches);
  void CommitNow();
  void PostDoneCheck();

  SqliteSession& session_;
  std::map<QByteArray, Target> targets_;      // by insert statement
  std::unique_ptr<BackgroundWriter> thread_;  // started by the first rows written behind
  // Store rows [storeFirst_, storeEnd_) of storeRows_, not yet handed.
  const Target* handTarget_ = nullptr;
  std::shared_ptr<const ColumnStore> storeRows_;
  qint64 storeFirst_ = 0, storeEnd_ = 0;
  bool behind_ = false;  // WriteBehind, until the next Finish
  // The open group of rows written now, kept until it commits.
  bool inTransaction_ = false;
  std::deque<Batch> group_;
  int groupRows_ = 0;
  std::map<QString, std::shared_ptr<ColumnStore>> mirrors_;  // by lower-case table name
  qint64 mirrorsDataVersion_ = -1;
  bool otherConnectionWrote_ = false;  // since the mirrors started
};
