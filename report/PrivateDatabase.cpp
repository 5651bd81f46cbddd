#include "PrivateDatabase.h"

#include "common/AppInfo.h"
#include "common/ErrorInfo.h"
#include "common/RuntimeErrors.h"

#include <QFile>
#include <QStringList>

#include <sqlite3.h>

#include <memory>

namespace {

struct Closer {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Db = std::unique_ptr<sqlite3, Closer>;

[[noreturn]] void fail(const QString& path, sqlite3* db) {
  RaiseError(kErrPathFileAccess,
             QStringLiteral("Path/File access error: %1 (%2)")
                 .arg(path, db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory")),
             AppSourceName());
}

Db open(const QString& path, int flags) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
  Db db(raw);
  if (rc != SQLITE_OK) fail(path, raw);
  sqlite3_busy_timeout(raw, 5000);  // a window may be committing to the template
  return db;
}

// The first column of every row of `sql`, as text.
QStringList column(sqlite3* db, const char* sql, const QString& path) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) fail(path, db);
  QStringList values;
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW)
    values << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
  sqlite3_finalize(st);
  if (rc != SQLITE_DONE) fail(path, db);
  return values;
}

}  // namespace

void MakePrivateDatabase(const QString& templatePath, const QString& file) {
  QStringList script;
  {
    const Db source = open(templatePath, SQLITE_OPEN_READONLY);
    // One read transaction: the schema and its version as one state.
    if (sqlite3_exec(source.get(), "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) fail(templatePath, source.get());
    script
        << QStringLiteral("PRAGMA page_size = %1").arg(column(source.get(), "PRAGMA page_size", templatePath).value(0));
    script << column(source.get(), "SELECT sql FROM sqlite_master WHERE sql IS NOT NULL ORDER BY rowid", templatePath);
    script << QStringLiteral("PRAGMA user_version = %1")
                  .arg(column(source.get(), "PRAGMA user_version", templatePath).value(0));
  }
  const Db target = open(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  const QByteArray sql = script.join(QStringLiteral(";\n")).toUtf8();
  if (sqlite3_exec(target.get(), sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK) fail(file, target.get());
}
