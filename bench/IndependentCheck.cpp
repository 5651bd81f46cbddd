#include "IndependentCheck.h"

#include <QFile>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Board {
  QStringList fields;  // the fourteen fields as written
  double width = 0;
  qsizetype order = 0;
};

std::vector<Board> readSorted(const QStringList& files) {
  std::vector<Board> boards;
  for (const QString& path : files) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& raw : f.readAll().split('\n')) {
      const QString line = QString::fromUtf8(raw).trimmed();
      if (line.isEmpty()) continue;
      Board b;
      b.fields = line.split(u',');
      b.width = b.fields[6].toDouble();
      b.order = qsizetype(boards.size());
      boards.push_back(std::move(b));
    }
  }
  // ISO dates sort as text; materials by code point; widths by value; ties in file order.
  std::stable_sort(boards.begin(), boards.end(), [](const Board& a, const Board& b) {
    if (a.fields[0] != b.fields[0]) return a.fields[0] < b.fields[0];
    if (a.fields[5] != b.fields[5]) return a.fields[5] < b.fields[5];
    return a.width < b.width;
  });
  return boards;
}

// Grid column (from 1) -> file field, and whether it holds a number.
const struct {
  int field;
  bool number;
} kGridColumns[] = {{-1, false}, {0, false}, {1, false}, {2, false}, {3, false}, {5, false}, {6, true}, {7, true},
                    {10, true},  {11, true}, {12, true}, {8, true},  {9, true},  {13, true}, {4, false}};

}  // namespace

QString CheckRecordCopy(const QStringList& files, const QString& copied) {
  const std::vector<Board> boards = readSorted(files);
  const QStringList lines = copied.split(u'\n');
  if (lines.size() != qsizetype(boards.size()) + 1)
    return QStringLiteral("copy has %1 lines for %2 boards").arg(lines.size()).arg(boards.size());
  for (size_t i = 0; i < boards.size(); ++i) {
    const QStringList cells = lines[qsizetype(i) + 1].split(u'\t');
    if (cells.size() != 16) return QStringLiteral("line %1 has %2 cells").arg(i + 1).arg(cells.size());
    if (!cells[0].isEmpty() || !cells[1].isEmpty())
      return QStringLiteral("line %1: fixed or job cell not empty").arg(i + 1);
    for (int c = 2; c < 16; ++c) {
      const auto& col = kGridColumns[c - 1];
      const QString& want = boards[i].fields[col.field];
      const bool same = col.number ? cells[c].toDouble() == want.toDouble() : cells[c] == want;
      if (!same)
        return QStringLiteral("line %1, column %2: '%3' where the file has '%4'").arg(i + 1).arg(c).arg(cells[c], want);
    }
  }
  return {};
}

QString CheckSummaryCopy(const QStringList& files, const QString& copied) {
  const std::vector<Board> boards = readSorted(files);
  double t = 0, n = 0, c = 0, p = 0;
  for (const Board& b : boards) t += b.fields[7].toDouble();
  for (const Board& b : boards) n += b.fields[10].toDouble();
  for (const Board& b : boards) c += b.fields[11].toDouble();
  for (const Board& b : boards) p += b.fields[8].toDouble();
  const double expected[] = {t, n, c, c * 100 / n, p, p * 100 / t, p * 100 / n, p * 100 / c};
  const int rows[] = {4, 5, 6, 7, 8, 10, 11, 12};
  const QStringList lines = copied.split(u'\n');
  for (int k = 0; k < 8; ++k) {
    char want[64];
    std::snprintf(want, sizeof want, "%.2f", expected[k]);
    QString got = lines.value(rows[k] - 1).section(u'\t', 1, 1);
    got.remove(u',');
    if (got != QLatin1String(want))
      return QStringLiteral("summary row %1: %2 where %3 was computed").arg(rows[k]).arg(got, want);
  }
  return {};
}
