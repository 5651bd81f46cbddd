#pragma once
// What an import tells the user while it runs, and the user's wish to stop
// it. The file selection window shows it (a progress window with a Stop
// button); the import itself knows only this interface, so it needs no
// widgets. Outside an import there is no current progress.
#include "ErrorInfo.h"

#include <QString>

class ImportProgress {
 public:
  virtual ~ImportProgress() = default;
  // The batch begins: its number of files and their bytes together.
  virtual void BatchStarted(int files, qint64 bytes) = 0;
  // File `number` (from 1) begins; `bytesBefore` counts the batch's earlier files.
  virtual void FileStarted(int number, const QString& path, qint64 bytesBefore) = 0;
  // Every few hundred lines: lines and bytes of the current file read so far.
  virtual void Advanced(qint64 linesInFile, qint64 bytesInFile) = 0;
  // Set by the Stop button or the error box's "Stop Import"; the import then
  // ends after the current line and the road goes on as after a whole batch.
  bool StopRequested() const { return stop_; }
  void RequestStop() { stop_ = true; }

 private:
  bool stop_ = false;
};

// The progress of the import running now, or null.
ImportProgress* CurrentImportProgress();

// Makes a progress the current one while it lives.
class ImportProgressScope {
 public:
  explicit ImportProgressScope(ImportProgress* progress);
  ~ImportProgressScope();
  ImportProgressScope(const ImportProgressScope&) = delete;
  ImportProgressScope& operator=(const ImportProgressScope&) = delete;

 private:
  ImportProgress* previous_;
};

// The record store's error box of an import. While an import runs it offers
// "Stop Import" beside OK; pressing it asks the import to stop. Once a stop
// is asked for, further failures of the line being read show no box: that
// line is not stored.
void ShowImportErrorBox(const ErrorInfo& error);
