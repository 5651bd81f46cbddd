#include "ReportFilesImport.h"

#include "ImportProgress.h"
#include "YieldReportImport.h"

#include <QFileInfo>

#include <algorithm>
#include <vector>

namespace modReportGeneration {

void ImportReportFiles(const QStringList& paths, Recordset& recordset, ImportProgress* progress,
                       ReportReadAhead& readAhead) {
  if (!progress) {
    for (const QString& path : paths) ImportYieldReportFile(path, recordset, nullptr, readAhead);
    return;
  }
  // Progress by bytes over all files; a file that cannot be read counts nothing.
  std::vector<qint64> sizes;
  sizes.reserve(size_t(paths.size()));
  qint64 total = 0;
  for (const QString& path : paths) total += sizes.emplace_back(std::max<qint64>(0, QFileInfo(path).size()));
  progress->BatchStarted(int(paths.size()), total);
  qint64 before = 0;
  for (qsizetype i = 0; i < paths.size() && !progress->StopRequested(); ++i) {
    progress->FileStarted(int(i + 1), paths[i], before);
    ImportYieldReportFile(paths[i], recordset, progress, readAhead);
    before += sizes[size_t(i)];
  }
}

QStringList InImportOrder(QStringList paths) {
  // Case-sensitive, as the file list sorts a folder's names.
  std::stable_sort(paths.begin(), paths.end(), [](const QString& a, const QString& b) {
    const int byName = QFileInfo(a).fileName().compare(QFileInfo(b).fileName());
    return byName != 0 ? byName < 0 : a < b;
  });
  return paths;
}

}  // namespace modReportGeneration
