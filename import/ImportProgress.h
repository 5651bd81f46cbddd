#pragma once
// What an import tells the user while it runs, and the user's wish to stop
// it. The file selection window shows it (a progress window with a Stop
// button); the import itself knows only this interface, so it needs no
// widgets. Outside an import there is no current progress.
#include "ImportProblems.h"
#include "common/ErrorInfo.h"

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
  // Set by the error box's "Ignore All": the import goes on without boxes,
  // and the batch's problems are listed when it ends.
  bool IgnoringProblems() const { return ignoring_; }
  void IgnoreProblems() { ignoring_ = true; }
  // Every box of the batch, shown or left out after "Ignore All".
  const ImportProblems& Problems() const { return problems_; }
  ImportProblems& Problems() { return problems_; }

 private:
  bool stop_ = false;
  bool ignoring_ = false;
  ImportProblems problems_;
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

// The record store's error box of an import, for the problem at `where`
// (its text is the box's). While an import runs the box offers "Ignore All"
// and "Stop Import" beside OK, and the problem joins the batch's list. Once
// a stop is asked for, further failures of the line being read show no box
// and are not listed: that line is not stored. After "Ignore All" the
// problems are listed without a box. Without a progress, the plain box.
void ShowImportErrorBox(ImportProgress* progress, const ErrorInfo& error, ImportProblem where = {});
