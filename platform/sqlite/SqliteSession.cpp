#include "sqlite/SqliteSession.h"

#include "common/ErrorInfo.h"
#include "sqlite/BackgroundWriter.h"
#include "table/ColumnStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <utility>

namespace {
// Rows stored per transaction: large enough that commits cost nothing next to
// the inserts, small enough that a failure leaves little uncommitted.
constexpr int kRowsPerTransaction = 8192;
}  // namespace

QString EngineName() { return QStringLiteral("SQLite"); }

std::shared_ptr<ColumnStore> ColumnsOf(sqlite3_stmt* statement) {
  auto store = std::make_shared<ColumnStore>();
  for (int i = 0; i < sqlite3_column_count(statement); ++i)
    store->AddColumn(QString::fromUtf8(sqlite3_column_name(statement, i)),
                     ColumnTypeOfDeclared(sqlite3_column_decltype(statement, i)));
  return store;
}

void RaiseSqliteError(int code, const QString& message) {
  // Negative numbers keep engine codes apart from the program's own numbers.
  RaiseError(-code, message, EngineName());
}

namespace {
// Without this every allocation of the engine takes a global lock to keep
// statistics the program never reads. The engine takes it only before it
// first starts (later it refuses, and nothing changes).
void configureEngineOnce() {
  static const int configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
  (void)configured;
}
}  // namespace

SqliteSession::SqliteSession(const QString& path) {
  configureEngineOnce();
  const QByteArray utf8 = path.toUtf8();
  const int rc = sqlite3_open_v2(utf8.constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    QString msg = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString::fromUtf8(sqlite3_errstr(rc));
    sqlite3_close_v2(db_);
    db_ = nullptr;
    RaiseSqliteError(rc, msg + QStringLiteral(": ") + path);
  }
  sqlite3_extended_result_codes(db_, 0);
  sqlite3_busy_timeout(db_, 2000);
  try {
    // Reading the schema proves the file is a database (SQLite opens lazily).
    // The rollback journal is synced before the file changes and the file
    // before the journal goes, so a power cut or a crash of the machine at any
    // moment leaves a database the next start can open; with groups of
    // thousands of rows per transaction the syncs cost little.
    // Emptying the table must not overwrite (and journal) every page it
    // frees, as some builds of the engine do by default: the pages are given
    // back to the file system right after (GiveBackFreePages).
    Exec(QStringLiteral("PRAGMA synchronous=NORMAL; PRAGMA secure_delete=OFF; SELECT count(*) FROM sqlite_master;"));
  } catch (...) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
    throw;
  }
}

SqliteSession::~SqliteSession() {
  if (!db_) return;
  try {
    CommitPending();
  } catch (...) {
    // Nobody is left to report to at the end of the process.
  }
  writer_.reset();
  for (const auto& [sql, statement] : keptStatements_) sqlite3_finalize(statement);
  sqlite3_close_v2(db_);
}

void SqliteSession::RaiseLastError(int code) {
  const QString message = QString::fromUtf8(sqlite3_errmsg(db_));
  // A failure that rolled the open transaction back took stored rows with it.
  if (inTransaction_ && sqlite3_get_autocommit(db_)) {
    inTransaction_ = false;
    lostRows_ += pendingRows_;
    pendingRows_ = 0;
    DropMirrors();
  }
  RaiseSqliteError(code, message);
}

qint64 SqliteSession::DataVersion() {
  sqlite3_stmt* st = nullptr;
  try {
    st = KeptStatement("PRAGMA data_version");
  } catch (const ErrorInfo&) {
    return -1;
  }
  const qint64 v = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
  sqlite3_reset(st);
  return v;
}

std::shared_ptr<ColumnStore> SqliteSession::Mirror(const QString& table) {
  const auto it = mirrors_.find(table.toLower());
  if (it == mirrors_.end()) return nullptr;
  // While the writer has the connection the check waits: a write by another
  // connection meanwhile still shows at the next check (the version only
  // moves on).
  if (WriterBusy()) return it->second;
  return WrittenByAnotherConnection() ? nullptr : it->second;
}

bool SqliteSession::WrittenByAnotherConnection() {
  if (!mirrors_.empty() && !WriterBusy() && DataVersion() != mirrorsDataVersion_) {
    DropMirrors();
    otherConnectionWrote_ = true;
  }
  return otherConnectionWrote_;
}

void SqliteSession::StartMirror(const QString& table, std::shared_ptr<ColumnStore> store) {
  mirrors_[table.toLower()] = std::move(store);
  mirrorsDataVersion_ = DataVersion();
  otherConnectionWrote_ = false;
}

bool SqliteSession::IsMirror(const QString& table, const ColumnStore* store) const {
  // Asked for every stored row: the stores are compared first (a pointer
  // each), the name only for the one that matches.
  for (const auto& [name, mirror] : mirrors_)
    if (mirror.get() == store && (name == table || name == table.toLower())) return true;
  return false;
}

int SqliteSession::Exec(const QString& sql) {
  CommitPending();
  char* err = nullptr;
  const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &err);
  if (rc != SQLITE_OK) {
    const QString msg = err ? QString::fromUtf8(err) : QString::fromUtf8(sqlite3_errstr(rc));
    sqlite3_free(err);
    RaiseSqliteError(rc, msg);
  }
  return sqlite3_changes(db_);
}

PreparedStatement& PreparedStatement::operator=(PreparedStatement&& other) noexcept {
  if (this != &other) {
    Reset();
    session_ = std::exchange(other.session_, nullptr);
    statement_ = std::exchange(other.statement_, nullptr);
  }
  return *this;
}

void PreparedStatement::Reset() {
  if (statement_) session_->Finalize(statement_);
  statement_ = nullptr;
}

PreparedStatement SqliteSession::Prepare(const QString& sql) {
  CommitPending();
  sqlite3_stmt* stmt = nullptr;
  const QByteArray utf8 = sql.toUtf8();
  const int rc = sqlite3_prepare_v2(db_, utf8.constData(), int(utf8.size()), &stmt, nullptr);
  if (rc != SQLITE_OK) RaiseLastError(rc);
  return PreparedStatement(this, stmt);
}

sqlite3_stmt* SqliteSession::KeptStatement(const QByteArray& sql) {
  auto it = keptStatements_.find(sql);
  if (it != keptStatements_.end()) return it->second;
  if (writer_) writer_->Wait();  // the connection is ours again
  sqlite3_stmt* statement = nullptr;
  const int rc = sqlite3_prepare_v2(db_, sql.constData(), int(sql.size()), &statement, nullptr);
  if (rc != SQLITE_OK) RaiseLastError(rc);
  return keptStatements_.emplace(sql, statement).first->second;
}

sqlite3_stmt* SqliteSession::KeptGroupStatement(const QByteArray& rowSql) {
  const QByteArray sql = GroupInsertSql(rowSql, kRowsPerGroup);
  if (sql.isEmpty()) return nullptr;
  try {
    return KeptStatement(sql);
  } catch (const ErrorInfo&) {
    // Too many parameters for the engine (a table of very many columns):
    // the rows then go one at a time, which is only slower.
    return nullptr;
  }
}

void SqliteSession::GiveBackFreePages() {
  CommitPending();
  sqlite3_stmt* count = KeptStatement("PRAGMA freelist_count");
  const qint64 freePages = sqlite3_step(count) == SQLITE_ROW ? sqlite3_column_int64(count, 0) : 0;
  sqlite3_reset(count);
  // With the table empty, rebuilding the file copies next to nothing.
  if (freePages > 0) sqlite3_exec(db_, "VACUUM", nullptr, nullptr, nullptr);
}

void SqliteSession::Finalize(sqlite3_stmt* statement) {
  if (writer_) writer_->Wait();
  sqlite3_finalize(statement);
}

void SqliteSession::BeginWrite() {
  if (inTransaction_) return;
  FlushLaterRows();  // the writes keep their order
  const int rc = sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) RaiseLastError(rc);
  inTransaction_ = true;
  pendingRows_ = 0;
}

void SqliteSession::EndWrite() {
  if (++pendingRows_ >= kRowsPerTransaction) CommitPending();
}

int SqliteSession::TakeLostRows() {
  const int lost = lostRows_;
  lostRows_ = 0;
  return lost;
}

void SqliteSession::CommitPendingCountingLost() {
  try {
    CommitPending();
  } catch (ErrorInfo& e) {
    const int lost = TakeLostRows();
    if (lost > 0) e.Description += QStringLiteral(" (%1 stored rows could not be kept)").arg(lost);
    throw;
  }
}

void SqliteSession::CommitPending() {
  FlushLaterRows();
  if (!inTransaction_) return;
  inTransaction_ = false;
  const int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    const QString msg = QString::fromUtf8(sqlite3_errmsg(db_));
    if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    lostRows_ += pendingRows_;
    pendingRows_ = 0;
    DropMirrors();
    RaiseSqliteError(rc, msg);
  }
}

void SqliteSession::LaterStoreRow(const QByteArray& insertSql, const std::shared_ptr<const ColumnStore>& store,
                                  qint64 row) {
  if (inTransaction_) CommitPending();  // rows stored now go first
  if (store != storeRows_ || row != storeEnd_ || insertSql.constData() != storeSql_.constData() ||
      insertSql.size() != storeSql_.size()) {
    HandLaterStoreRows();
    storeInsert_ = {KeptStatement(insertSql), KeptGroupStatement(insertSql)};
    storeSql_ = insertSql;
    storeRows_ = store;
    storeFirst_ = storeEnd_ = row;
  }
  if (++storeEnd_ - storeFirst_ >= kRowsPerTransaction) HandLaterStoreRows();
}

void SqliteSession::HandLaterStoreRows() {
  if (storeEnd_ <= storeFirst_) return;
  if (!writer_) writer_ = std::make_unique<BackgroundWriter>(db_);
  // After a failure the rows stay here until WriteFailedRowsNow takes them.
  if (writer_->HandStoreRows(storeInsert_, storeRows_, storeFirst_, storeEnd_)) storeFirst_ = storeEnd_;
}

void SqliteSession::WriteLaterRowsBehind() {
  if (inTransaction_) return;
  HandLaterStoreRows();
  if (!writer_ || storeEnd_ > storeFirst_ || writer_->Failed()) return;
  storeRows_.reset();  // the writer keeps what it still needs
  writer_->CommitWhenWritten();
  behind_ = true;
}

bool SqliteSession::WriterBusy() { return writer_ && writer_->Busy(); }

bool SqliteSession::LaterWritesFailed() const { return writer_ && writer_->Failed(); }

void SqliteSession::FlushLaterRows() {
  behind_ = false;
  HandLaterStoreRows();
  if (!writer_) return;
  writer_->Wait();
  if (!writer_->Failed() && storeEnd_ <= storeFirst_) {
    storeRows_.reset();  // an import's store is not kept past it here
    return;
  }
  const Unkept unkept = WriteFailedRowsNow();
  if (unkept.rows > 0)
    RaiseSqliteError(unkept.code,
                     unkept.message + QStringLiteral(" (%1 stored rows could not be kept)").arg(unkept.rows));
}

SqliteSession::Unkept SqliteSession::WriteFailedRowsNow(const RowBatch* lastRow, const QByteArray& lastRowInsertSql) {
  Unkept unkept;
  auto write = [&](const InsertStatements& insert, const RowBatch& rows, int from) {
    const int count = rows.Rows() - from;
    if (count <= 0) return;
    if (unkept.rows > 0) {
      unkept.rows += count;  // after a row that failed, none is written
      return;
    }
    const WriteResult result = WriteRows(db_, insert, rows, from);
    unkept = {count - result.kept, result.code, result.message};
  };
  if (writer_) {
    if (std::optional<BackgroundWriter::Failure> failure = writer_->TakeFailure())
      for (BackgroundWriter::Batch& batch : failure->unwritten) {
        BackgroundWriter::MakeRows(batch);  // this thread is the one that appends
        write(batch.insert, batch.rows, batch.from);
      }
  }
  if (storeEnd_ > storeFirst_) {
    BackgroundWriter::Batch rest{storeInsert_, {}, 0, storeRows_, storeFirst_, storeEnd_};
    BackgroundWriter::MakeRows(rest);
    write(rest.insert, rest.rows, 0);
    storeFirst_ = storeEnd_;
  }
  storeRows_.reset();
  if (lastRow) write({KeptStatement(lastRowInsertSql), nullptr}, *lastRow, 0);
  if (unkept.rows > 0) DropMirrors();
  return unkept;
}
