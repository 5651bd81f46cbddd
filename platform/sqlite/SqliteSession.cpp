#include "sqlite/SqliteSession.h"

#include "common/ErrorInfo.h"
#include "sqlite/BackgroundWriter.h"
#include "table/ColumnStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <utility>

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
  writer_ = std::make_unique<TableWriter>(*this);
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
    writer_->Finish();
  } catch (...) {
    // Nobody is left to report to at the end of the process.
  }
  writer_.reset();
  for (const auto& [sql, statement] : keptStatements_) sqlite3_finalize(statement);
  sqlite3_close_v2(db_);
}

void SqliteSession::RaiseLastError(int code) { RaiseSqliteError(code, QString::fromUtf8(sqlite3_errmsg(db_))); }

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

int SqliteSession::Exec(const QString& sql) {
  writer_->Finish();
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
  writer_->Finish();
  sqlite3_stmt* stmt = nullptr;
  const QByteArray utf8 = sql.toUtf8();
  const int rc = sqlite3_prepare_v2(db_, utf8.constData(), int(utf8.size()), &stmt, nullptr);
  if (rc != SQLITE_OK) RaiseLastError(rc);
  return PreparedStatement(this, stmt);
}

sqlite3_stmt* SqliteSession::KeptStatement(const QByteArray& sql) {
  auto it = keptStatements_.find(sql);
  if (it != keptStatements_.end()) return it->second;
  if (writer_) writer_->WaitForThread();  // the connection is ours again
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
  writer_->Finish();
  sqlite3_stmt* count = KeptStatement("PRAGMA freelist_count");
  const qint64 freePages = sqlite3_step(count) == SQLITE_ROW ? sqlite3_column_int64(count, 0) : 0;
  sqlite3_reset(count);
  // With the table empty, rebuilding the file copies next to nothing.
  if (freePages > 0) sqlite3_exec(db_, "VACUUM", nullptr, nullptr, nullptr);
}

void SqliteSession::Finalize(sqlite3_stmt* statement) {
  if (writer_) writer_->WaitForThread();
  sqlite3_finalize(statement);
}
