#include "sqlite/TableWriter.h"

#include "common/ErrorInfo.h"
#include "sqlite/SqliteSession.h"
#include "sqlite/StoreRowBatch.h"
#include "table/ColumnStore.h"

#include <QStringList>

#include <sqlite3.h>

#include <utility>

namespace {
// Rows a group of writes gathers before it commits, and rows handed to the
// writer thread at a time: large enough that commits cost nothing next to
// the inserts, small enough that a failure leaves little uncommitted.
constexpr int kRowsPerTransaction = 8192;
}  // namespace

TableWriter::TableWriter(SqliteSession& session) : session_(session) {}

TableWriter::~TableWriter() { thread_.reset(); }

const TableWriter::Target& TableWriter::TargetFor(const QString& table, const ColumnStore& columns) {
  QStringList names, marks;
  for (int i = 0; i < columns.ColumnCount(); ++i) {
    names << QLatin1Char('"') + columns.At(i).name + QLatin1Char('"');
    marks << QStringLiteral("?");
  }
  const QString name = table.toLower();
  const QByteArray sql =
      QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)").arg(name, names.join(u','), marks.join(u',')).toUtf8();
  Finish();  // earlier writes go first
  const auto found = targets_.find(sql);
  if (found != targets_.end()) return found->second;
  sqlite3_stmt* row = session_.KeptStatement(sql);
  Target target{name, sql, {row, session_.KeptGroupStatement(sql)}};
  return targets_.emplace(sql, std::move(target)).first->second;
}

void TableWriter::Store(const Target& target, const std::shared_ptr<const ColumnStore>& store, qint64 row) {
  if (!IsMirror(target.table, store.get())) {
    StoreNow(target, *store, row);
    // Any store but the mirror means the mirror no longer tells the whole table.
    DropMirrors();
    return;
  }
  if (!thread_ || !thread_->Failed()) {
    // Readers get this row from the mirror, so the file can take it on the
    // writer thread, from the store, while the next rows are read.
    StoreBehind(target, store, row);
    return;
  }
  // A group failed on the writer thread: this row is written now, after the
  // rows the failure left out; a row that still cannot be kept fails this
  // one too, which is the last of them.
  int code = 0;
  QString message;
  std::deque<Batch> batches = TakeUnwritten(code, message);
  batches.push_back(Batch{{target.insert.row, nullptr}, {}, 0, store, row, row + 1});
  const Unkept unkept = WriteAgain(std::move(batches));
  if (unkept.rows == 0) return;
  QString description = unkept.message;
  if (unkept.rows > 1)
    description += QStringLiteral(" (%1 rows stored before this one could not be kept either)").arg(unkept.rows - 1);
  RaiseSqliteError(unkept.code, description);
}

void TableWriter::StoreBehind(const Target& target, const std::shared_ptr<const ColumnStore>& store, qint64 row) {
  if (inTransaction_) Finish();  // rows written now go first
  if (store != storeRows_ || row != storeEnd_ || &target != handTarget_) {
    HandRows();
    handTarget_ = &target;
    storeRows_ = store;
    storeFirst_ = storeEnd_ = row;
  }
  if (++storeEnd_ - storeFirst_ >= kRowsPerTransaction) HandRows();
}

void TableWriter::StoreNow(const Target& target, const ColumnStore& store, qint64 row) {
  sqlite3* db = session_.Handle();
  if (!inTransaction_) {
    Finish();  // the writes keep their order
    const int rc = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) session_.RaiseLastError(rc);
    inTransaction_ = true;
  }
  const InsertStatements oneRow{target.insert.row, nullptr};
  if (group_.empty() || group_.back().insert != oneRow) group_.push_back(Batch{oneRow, {}, 0, nullptr, 0, 0});
  RowBatch& rows = group_.back().rows;
  AppendStoreRows(rows, store, row, row + 1);
  const WriteResult result = InsertRows(db, oneRow, rows, rows.Rows() - 1);
  if (result.code != 0) {
    rows.DropLastRow();  // this row's own box reports it
    if (!sqlite3_get_autocommit(db)) RaiseSqliteError(result.code, result.message);
    // The failure took back the rows stored before this one: write them
    // again, and say so when that fails too, so that no row goes unreported.
    inTransaction_ = false;
    groupRows_ = 0;
    DropMirrors();
    const Unkept unkept = WriteAgain(std::exchange(group_, {}));
    QString description = result.message;
    if (unkept.rows > 0)
      description += QStringLiteral(" (%1 rows stored before this one could not be kept either)").arg(unkept.rows);
    RaiseSqliteError(result.code, description);
  }
  if (++groupRows_ < kRowsPerTransaction) return;
  try {
    CommitNow();
  } catch (ErrorInfo& error) {
    // This row went with the group; its own box reports it, the rows before
    // it are written again.
    RowBatch& last = group_.back().rows;
    last.DropLastRow();
    const Unkept unkept = WriteAgain(std::exchange(group_, {}));
    if (unkept.rows > 0)
      error.Description +=
          QStringLiteral(" (%1 rows stored before this one could not be kept either)").arg(unkept.rows);
    throw;
  }
  group_.clear();
}

void TableWriter::CommitNow() {
  // Leaves the group's rows in group_ when the commit fails.
  if (!inTransaction_) return;
  sqlite3* db = session_.Handle();
  inTransaction_ = false;
  groupRows_ = 0;
  const int rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) return;
  const QString message = QString::fromUtf8(sqlite3_errmsg(db));  // before a rollback replaces it
  if (!sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  DropMirrors();
  RaiseSqliteError(rc, message);
}

void TableWriter::HandRows() {
  if (storeEnd_ <= storeFirst_) return;
  if (!thread_) thread_ = std::make_unique<BackgroundWriter>(session_.Handle(), [this] { PostDoneCheck(); });
  // After a failure the rows stay here until the recovery takes them.
  if (thread_->HandStoreRows(handTarget_->insert, storeRows_, storeFirst_, storeEnd_)) storeFirst_ = storeEnd_;
}

void TableWriter::PostDoneCheck() {
  // On the writer thread: the signal goes out on the thread this object
  // lives on, and only while rows are left behind.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (behind_ && !Busy()) emit RowsBehindDone();
      },
      Qt::QueuedConnection);
}

void TableWriter::WriteBehind() {
  const auto notBehind = [this] {
    QMetaObject::invokeMethod(this, &TableWriter::RowsBehindDone, Qt::QueuedConnection);
  };
  if (inTransaction_) return notBehind();
  HandRows();
  if (!thread_ || storeEnd_ > storeFirst_ || thread_->Failed()) return notBehind();
  storeRows_.reset();  // the writer thread keeps what it still needs
  behind_ = true;
  thread_->CommitWhenWritten();
  PostDoneCheck();  // in case the thread has nothing left to tell
}

bool TableWriter::Busy() { return thread_ && thread_->Busy(); }

void TableWriter::WaitForThread() {
  if (thread_) thread_->Wait();
}

void TableWriter::Finish() {
  behind_ = false;
  HandRows();
  if (thread_) thread_->Wait();
  int code = 0;
  QString message;
  if ((thread_ && thread_->Failed()) || storeEnd_ > storeFirst_) {
    const Unkept unkept = WriteAgain(TakeUnwritten(code, message));
    if (unkept.rows > 0)
      RaiseSqliteError(unkept.code,
                       unkept.message + QStringLiteral(" (%1 stored rows could not be kept)").arg(unkept.rows));
  }
  storeRows_.reset();  // an import's store is not kept past it here
  try {
    CommitNow();
  } catch (ErrorInfo& error) {
    const Unkept unkept = WriteAgain(std::exchange(group_, {}));
    if (unkept.rows == 0) return;  // every row is in the file after all
    error.Description += QStringLiteral(" (%1 stored rows could not be kept)").arg(unkept.rows);
    throw;
  }
  group_.clear();
}

std::deque<TableWriter::Batch> TableWriter::TakeUnwritten(int& code, QString& message) {
  std::deque<Batch> batches;
  if (thread_) {
    if (std::optional<BackgroundWriter::Failure> failure = thread_->TakeFailure()) {
      code = failure->code;
      message = failure->message;
      batches = std::move(failure->unwritten);
    }
  }
  if (storeEnd_ > storeFirst_) {
    batches.push_back(Batch{handTarget_->insert, {}, 0, storeRows_, storeFirst_, storeEnd_});
    storeFirst_ = storeEnd_;
  }
  storeRows_.reset();
  return batches;
}

TableWriter::Unkept TableWriter::WriteAgain(std::deque<Batch> batches) {
  Unkept unkept;
  for (Batch& batch : batches) {
    BackgroundWriter::MakeRows(batch);  // this thread is the one that appends to the store
    const int count = batch.rows.Rows() - batch.from;
    if (count <= 0) continue;
    if (unkept.rows > 0) {
      unkept.rows += count;  // after a row that failed, none is written
      continue;
    }
    const WriteResult result = WriteRows(session_.Handle(), batch.insert, batch.rows, batch.from);
    unkept = {count - result.kept, result.code, result.message};
  }
  if (unkept.rows > 0) DropMirrors();
  return unkept;
}

std::shared_ptr<ColumnStore> TableWriter::Mirror(const QString& table) {
  const auto it = mirrors_.find(table.toLower());
  if (it == mirrors_.end()) return nullptr;
  // While the writer thread has the connection the check waits: a write by
  // another connection meanwhile still shows at the next check (the version
  // only moves on).
  if (Busy()) return it->second;
  return WrittenByAnotherConnection() ? nullptr : it->second;
}

bool TableWriter::WrittenByAnotherConnection() {
  if (!mirrors_.empty() && !Busy() && session_.DataVersion() != mirrorsDataVersion_) {
    DropMirrors();
    otherConnectionWrote_ = true;
  }
  return otherConnectionWrote_;
}

void TableWriter::StartMirror(const QString& table, std::shared_ptr<ColumnStore> store) {
  mirrors_[table.toLower()] = std::move(store);
  mirrorsDataVersion_ = session_.DataVersion();
  otherConnectionWrote_ = false;
}

bool TableWriter::IsMirror(const QString& table, const ColumnStore* store) const {
  // Asked for every stored row: the stores are compared first (a pointer
  // each), the name only for the one that matches.
  for (const auto& [name, mirror] : mirrors_)
    if (mirror.get() == store && (name == table || name == table.toLower())) return true;
  return false;
}
