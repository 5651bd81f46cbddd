#include "DatabaseCopyCheck.h"

#include <QFile>
#include <QStringList>

#include <sqlite3.h>

namespace modReportGeneration {

namespace {

// What the check compares: the schema version and the yield table's columns
// ("name type", in order; none when the table is missing).
struct SchemaFacts {
  QStringList versionAndColumns;
  int rc = SQLITE_OK;  // the first failure met, if any
};

// One handle, closed when it goes.
class Handle {
 public:
  Handle(const QString& path, int flags) {
    rc_ = sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, flags, nullptr);
  }
  ~Handle() { sqlite3_close_v2(db_); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  sqlite3* db() const { return db_; }
  int rc() const { return rc_; }

 private:
  sqlite3* db_ = nullptr;
  int rc_ = SQLITE_OK;
};

// Appends the first column of every row of a query; the engine's result code.
int AppendRows(sqlite3* db, const char* sql, QStringList& rows) {
  sqlite3_stmt* st = nullptr;
  int rc = sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
  while (rc == SQLITE_OK && (rc = sqlite3_step(st)) == SQLITE_ROW) {
    rows << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    rc = SQLITE_OK;
  }
  sqlite3_finalize(st);
  return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

SchemaFacts ReadFacts(sqlite3* db) {
  SchemaFacts facts;
  facts.rc = AppendRows(db, "PRAGMA user_version", facts.versionAndColumns);
  if (facts.rc == SQLITE_OK)
    facts.rc =
        AppendRows(db, "SELECT name || ' ' || type FROM pragma_table_info('tblYieldReport')", facts.versionAndColumns);
  return facts;
}

bool Busy(int rc) { return (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED; }

}  // namespace

bool CopyNeedsReplacing(const QString& copy, const QString& templatePath) {
  const Handle templ(templatePath, SQLITE_OPEN_READONLY);
  const SchemaFacts wanted = ReadFacts(templ.db());
  if (templ.rc() != SQLITE_OK || wanted.rc != SQLITE_OK) return false;

  // Opened for writing, as the program will: a hot journal left by a power
  // cut is rolled back here, so an interrupted but sound copy is kept.
  const Handle held(copy, SQLITE_OPEN_READWRITE);
  if (Busy(held.rc())) return false;
  if (held.rc() != SQLITE_OK || sqlite3_db_readonly(held.db(), "main") != 0) return true;
  QStringList check;
  const int rc = AppendRows(held.db(), "PRAGMA quick_check", check);
  if (Busy(rc)) return false;
  if (rc != SQLITE_OK || check != QStringList{QStringLiteral("ok")}) return true;
  const SchemaFacts found = ReadFacts(held.db());
  if (Busy(found.rc)) return false;
  return found.rc != SQLITE_OK || found.versionAndColumns != wanted.versionAndColumns;
}

}  // namespace modReportGeneration
