#include "cProcessCalData.h"

#include "ImportProgress.h"
#include "ReportDatabase.h"
#include "ReportFilesImport.h"
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

void cProcessCalData::ProcessFiles(Recordset& recordset, ImportProgress* progress) {
  const QStringList paths = masFileNames.mid(1, mlFileCount);
  ReportReadAhead readAhead(paths, modReportGeneration::ReportDatabaseFile);
  modReportGeneration::ImportReportFiles(paths, recordset, progress, readAhead);
}

void cProcessCalData::ProcessFiles() {
  const std::shared_ptr<Recordset> shared = modReportGeneration::YieldRecordset;
  if (!shared) {
    if (mlFileCount == 0) return;  // nothing to store
    RaiseError(91, QStringLiteral("Object variable or With block variable not set"), AppSourceName());
  }
  ProcessFiles(*shared, CurrentImportProgress());
}
