#include "cProcessCalData.h"

#include "ImportProgress.h"
#include "ReportDatabase.h"
#include "ReportReadAhead.h"
#include "YieldReportImport.h"
#include "common/AppInfo.h"
#include "common/ErrorInfo.h"

#include <QFileInfo>

#include <algorithm>
#include <vector>

namespace {
QString trimSpaces(const QString& text) {
  qsizetype a = 0, b = text.size();
  while (a < b && text[a] == u' ') ++a;
  while (b > a && text[b - 1] == u' ') --b;
  return text.mid(a, b - a);
}
}  // namespace

QString cProcessCalData::SetFilePath() const { return msFilePath; }

void cProcessCalData::SetFilePath(const QString& vNewValue) { msFilePath = trimSpaces(vNewValue); }

FileList* cProcessCalData::SetFileList() const { return moFileList; }

void cProcessCalData::SetFileList(FileList* vNewValue) { moFileList = vNewValue; }

void cProcessCalData::OpenNextFile() {}

void cProcessCalData::CreateFileNames() {
  mlFileCount = 0;
  masFileNames = QStringList{QString()};
  if (!moFileList) RaiseError(91, QStringLiteral("Object variable or With block variable not set"), AppSourceName());
  const int n = moFileList->ListCount();
  for (int p = 0; p < n; ++p) {
    if (!moFileList->Selected(p)) continue;
    ++mlFileCount;
    // Exactly one separator between folder and name, whatever the folder ends in.
    masFileNames.append(msFilePath + u'/' + trimSpaces(moFileList->List(p)));
  }
}

void cProcessCalData::ProcessAFile(const QString&) {}

void cProcessCalData::ProcessFiles() {
  const qint32 last = mlFileCount;
  ReportReadAhead readAhead(masFileNames.mid(1, last), modReportGeneration::ReportDatabaseFile);
  ImportProgress* progress = CurrentImportProgress();
  if (!progress) {
    for (qint32 i = 1; i <= last; ++i) modReportGeneration::ImportYieldReportFile(masFileNames[i]);
    return;
  }
  // Progress by bytes over all files; a file that cannot be read counts nothing.
  std::vector<qint64> sizes(size_t(last) + 1, 0);
  qint64 total = 0;
  for (qint32 i = 1; i <= last; ++i) total += sizes[size_t(i)] = std::max<qint64>(0, QFileInfo(masFileNames[i]).size());
  progress->BatchStarted(last, total);
  qint64 before = 0;
  for (qint32 i = 1; i <= last && !progress->StopRequested(); ++i) {
    progress->FileStarted(i, masFileNames[i], before);
    modReportGeneration::ImportYieldReportFile(masFileNames[i]);
    before += sizes[size_t(i)];
  }
}
