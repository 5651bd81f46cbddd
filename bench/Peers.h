#pragma once
// What a user would reach for instead: the sqlite3 shell importing the same
// files, and a plain C++ pass that only reads, splits and sums (the floor).
#include <QString>
#include <QStringList>

struct ShellTimes {
  double importSeconds = -1;    // .import --csv of every file into a fresh table
  double readBackSeconds = -1;  // SELECT * ORDER BY BDate, Material, Width
};

ShellTimes TimeSqliteShell(const QStringList& files, const QString& workFolder);

struct PlainPass {
  double seconds = 0;
  long long lines = 0;
  double sums[4] = {0, 0, 0, 0};  // board, net, clear, parts cut
};

PlainPass TimePlainPass(const QStringList& files);
