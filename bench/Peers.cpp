#include "Peers.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <charconv>
#include <fstream>
#include <sstream>
#include <string>

namespace {
double runShell(const QString& db, const QByteArray& script) {
  const QString shell = QStandardPaths::findExecutable("sqlite3");
  if (shell.isEmpty()) return -1;
  QProcess p;
  p.setStandardOutputFile(QProcess::nullDevice());
  QElapsedTimer t;
  t.start();
  p.start(shell, {db});
  p.write(script);
  p.closeWriteChannel();
  p.waitForFinished(-1);
  return t.nsecsElapsed() / 1e9;
}
}  // namespace

ShellTimes TimeSqliteShell(const QStringList& files, const QString& workFolder) {
  const QString db = workFolder + "/shell_peer.db";
  QFile::remove(db);
  QByteArray script =
      "CREATE TABLE t (BDate DATE, Btime TEXT, Operator TEXT, Supplier TEXT, Type TEXT, Material TEXT, Width NUMBER, "
      "BoardLength NUMBER, LengthPartsCut NUMBER, TotalYieldPer NUMBER, NetBoardLength NUMBER, ClearLength NUMBER, "
      "ClearPer NUMBER, ClearYieldPer NUMBER);\n";
  for (const QString& f : files) script += ".import --csv '" + f.toUtf8() + "' t\n";
  ShellTimes times;
  times.importSeconds = runShell(db, script);
  times.readBackSeconds = runShell(db, "SELECT * FROM t ORDER BY BDate, Material, Width;\n");
  QFile::remove(db);
  return times;
}

PlainPass TimePlainPass(const QStringList& files) {
  PlainPass pass;
  QElapsedTimer t;
  t.start();
  for (const QString& f : files) {
    std::ifstream in(f.toStdString(), std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string bytes = buffer.str();
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    while (p < end) {
      const char* eol = p;
      while (eol < end && *eol != '\n' && *eol != '\r') ++eol;
      if (eol > p) {
        ++pass.lines;
        int field = 0;
        const char* start = p;
        for (const char* q = p; q <= eol; ++q) {
          if (q != eol && *q != ',') continue;
          const int slot = field == 7 ? 0 : field == 10 ? 1 : field == 11 ? 2 : field == 8 ? 3 : -1;
          if (slot >= 0) {
            double v = 0;
            std::from_chars(start, q, v);
            pass.sums[slot] += v;
          }
          ++field;
          start = q + 1;
        }
      }
      p = eol;
      while (p < end && (*p == '\n' || *p == '\r')) ++p;
    }
  }
  pass.seconds = t.nsecsElapsed() / 1e9;
  return pass;
}
