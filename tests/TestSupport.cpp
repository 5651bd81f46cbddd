#include "TestSupport.h"

#include "common/AppInfo.h"
#include "common/TestHooks.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>

#include <sqlite3.h>

TempProgramFolder::TempProgramFolder() {
  const QString templ = QStringLiteral(TEMPLATE_DATABASE);
  if (!QFile::copy(templ, DatabasePath())) qFatal("cannot copy the template database %s", qPrintable(templ));
  QFile::setPermissions(DatabasePath(), QFile::ReadOwner | QFile::WriteOwner);
  TheTestHooks().programFolder = dir_.path();
}

TempProgramFolder::~TempProgramFolder() { TheTestHooks().programFolder.clear(); }

QString TempProgramFolder::DatabasePath() const { return dir_.path() + QStringLiteral("/ReportGenTemplate.mdb"); }

QString TempProgramFolder::WriteFile(const QString& name, const QByteArray& bytes) const {
  const QString path = dir_.path() + u'/' + name;
  QDir().mkpath(QFileInfo(path).path());
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
  f.write(bytes);
  return path;
}

BoxRecorder::BoxRecorder() {
  SetMessageBoxHandler([this](const MessageBoxRecord& r) {
    boxes.push_back(r);
    return answer ? answer(r) : 0;
  });
}

BoxRecorder::~BoxRecorder() { SetMessageBoxHandler({}); }

QStringList BoxRecorder::Texts() const {
  QStringList t;
  for (const auto& b : boxes) t << b.text;
  return t;
}

void ExecOn(const QString& databasePath, const char* sql) {
  sqlite3* db = nullptr;
  sqlite3_open(databasePath.toUtf8().constData(), &db);
  char* err = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) qFatal("%s: %s", sql, err);
  sqlite3_close(db);
}

QStringList QueryRows(const QString& databasePath, const QString& sql) {
  sqlite3* db = nullptr;
  QStringList rows;
  if (sqlite3_open_v2(databasePath.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return {QStringLiteral("<cannot open>")};
  }
  sqlite3_busy_timeout(db, 10000);  // a program writing the file holds it now and then
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK) {
    while (sqlite3_step(st) == SQLITE_ROW) {
      QStringList cells;
      for (int i = 0; i < sqlite3_column_count(st); ++i)
        cells << (sqlite3_column_type(st, i) == SQLITE_NULL
                      ? QStringLiteral("<null>")
                      : QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i))));
      rows << cells.join(u'\t');
    }
  } else {
    rows << QStringLiteral("<error %1>").arg(QString::fromUtf8(sqlite3_errmsg(db)));
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return rows;
}

bool RerunAsUnprivilegedUser(const char* testFunction) {
  if (geteuid() != 0) return false;
  const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
  if (setpriv.isEmpty()) qFatal("setpriv (util-linux) is needed to run permission tests as root");
  QProcess child;
  child.setProcessChannelMode(QProcess::ForwardedChannels);
  // A folder of the child's own for its temporary files and runtime state.
  QTemporaryDir tmp;
  QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                        QFile::WriteOther | QFile::ExeOther);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("TMPDIR"), tmp.path());
  env.insert(QStringLiteral("HOME"), tmp.path());
  child.setProcessEnvironment(env);
  child.start(setpriv,
              {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"),
               QStringLiteral("--"), QCoreApplication::applicationFilePath(), QString::fromLatin1(testFunction)});
  if (!child.waitForFinished(120000)) qFatal("the unprivileged run of %s did not end", testFunction);
  if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
    QTest::qFail(qPrintable(QStringLiteral("the unprivileged run of %1 failed").arg(QLatin1String(testFunction))),
                 __FILE__, __LINE__);
  return true;
}

ErrorInfo errorOf(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const ErrorInfo& e) {
    return e;
  }
  return {};
}
