#pragma once
// One batch of yield report files: a folder, a file list, the full paths of
// the list's selected entries in list order, and their import one by one
// (through ImportReportFiles). The batch traps nothing: failures pass to the
// caller.
#include "FileList.h"

#include <QString>
#include <QStringList>

class ImportProgress;
class Recordset;

class cProcessCalData {
 public:
  QString SetFilePath() const;
  // Stores the folder without its leading and trailing spaces.
  void SetFilePath(const QString& vNewValue);
  FileList* SetFileList() const;
  void SetFileList(FileList* vNewValue);
  void OpenNextFile();
  // Rebuilds the paths from the entries selected now.
  void CreateFileNames();
  void ProcessAFile(const QString& msFileName);
  // Imports every path, slot 1 upward, into `recordset`, telling `progress`
  // (may be null).
  void ProcessFiles(Recordset& recordset, ImportProgress* progress);
  // The same into the shared recordset, telling the current progress.
  void ProcessFiles();

  // The built paths: slot 0 empty, slots 1 to FileCount() the paths.
  const QStringList& FileNames() const { return masFileNames; }
  qint32 FileCount() const { return mlFileCount; }

 private:
  QString msFilePath;
  FileList* moFileList = nullptr;  // owned by the window
  QStringList masFileNames{QString()};
  qint32 mlFileCount = 0;
};
