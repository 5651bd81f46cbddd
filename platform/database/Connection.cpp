#include "database/Connection.h"

#include "common/ErrorInfo.h"
#include "common/RuntimeErrors.h"
#include "sqlite/SqliteSession.h"
#include "table/ColumnStore.h"

#include <QRegularExpression>

#include <sqlite3.h>

namespace {
const QString kSource = QStringLiteral("Connection");

QString dataSource(const QString& connectionString) {
  for (const QString& part : connectionString.split(u';', Qt::SkipEmptyParts)) {
    const qsizetype eq = part.indexOf(u'=');
    if (eq < 0) continue;
    if (part.left(eq).trimmed().compare(QLatin1String("Data Source"), Qt::CaseInsensitive) == 0)
      return part.mid(eq + 1).trimmed();
  }
  return {};
}
}  // namespace

void Connection::Open(const QString& connectionString, const QString&, const QString&, int) {
  if (session_)
    RaiseError(kErrNotAllowed, QStringLiteral("Operation is not allowed when the object is open."), kSource);
  if (provider_.compare(EngineProvider(), Qt::CaseInsensitive) != 0)
    RaiseError(kErrProviderNotFound,
               QStringLiteral("Provider cannot be found. It may not be properly installed: %1").arg(provider_),
               kSource);
  const QString path = dataSource(connectionString);
  if (path.isEmpty())
    RaiseError(kErrBadArguments, QStringLiteral("The connection string names no Data Source."), kSource);
  session_ = std::make_shared<SqliteSession>(path);
}

std::shared_ptr<SqliteSession> Connection::Session() const {
  if (!session_)
    RaiseError(kErrObjectClosed, QStringLiteral("Operation is not allowed when the object is closed."), kSource);
  return session_;
}

QString Connection::EngineStatement(const QString& commandText) {
  // SQLite refuses the "*" of "DELETE * FROM".
  static const QRegularExpression deleteStar(QStringLiteral("^\\s*delete\\s+\\*\\s+from\\b"),
                                             QRegularExpression::CaseInsensitiveOption);
  QString sql = commandText;
  sql.replace(deleteStar, QStringLiteral("DELETE FROM"));
  return sql;
}

void Connection::Execute(const QString& commandText, int* recordsAffected, int) {
  std::shared_ptr<SqliteSession> session = Session();
  session->Writer().DropMirrors();  // whatever the statement does, the mirrors may no longer hold
  const int changed = session->Exec(EngineStatement(commandText));
  if (recordsAffected) *recordsAffected = changed;
}

void Connection::MirrorEmptiedTable(const QString& table) {
  std::shared_ptr<SqliteSession> session = Session();
  session->GiveBackFreePages();
  const PreparedStatement stmt = session->Prepare(QStringLiteral("SELECT * FROM \"%1\"").arg(table));
  session->Writer().StartMirror(table, ColumnsOf(stmt.get()));
}

QString Connection::EngineVersion() { return QString::fromLatin1(sqlite3_libversion()); }
