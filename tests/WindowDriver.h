#pragma once
// Drives the real windows offscreen the way a user does: start the program,
// open the file selection window, pick files with the mouse, press buttons.
#include "Form1.h"
#include "WindowTestMain.h"

#include <QPointer>

#include <memory>
#include <utility>
#include <vector>

class WindowDriver {
 public:
  // A program folder with the template database, a recorder of boxes and of
  // pointer changes; nothing started yet.
  WindowDriver();
  ~WindowDriver();

  // Runs start-up; returns its exit code (0: the main window is shown).
  int Start();
  Form1* Main() const { return form_; }
  frmGetFiles* FileWindow() const;

  // Makes a folder of report files (name -> bytes) under the program folder.
  QString MakeFolder(const QString& name, const std::vector<std::pair<QString, QByteArray>>& files) const;
  // Presses "Select Files" with the process's current folder set to `folder`.
  frmGetFiles* OpenFileWindow(const QString& folder = QString());
  // Clicks file list entries by name, with Ctrl held after the first when `add`.
  void ClickFiles(const QStringList& names, bool add = true);
  // Clicks "Open Files"; then, unless told not to, waits as a user looking
  // at the grid would until the rows have reached the file (and a failure
  // there has had its box and its refresh).
  void PressOpenFiles(bool waitForTheFile = true);
  void WaitForTheFile() const;
  // Imports every report file of the folder through the file selection
  // window (opened there the first time, moved there afterwards).
  void ImportFolder(const QString& folder);
  // Starts the program and imports these files (name -> bytes) from a new
  // folder; null when start-up fails.
  Form1* StartWithImport(const std::vector<std::pair<QString, QByteArray>>& files);
  // Picks a list entry by its text.
  static void Pick(QComboBox* list, const QString& text);
  static void Click(QPushButton* button);
  // Lets deferred deletions happen (closed windows are deleted later).
  static void Settle();

  // Rows of tblYieldReport in stored order, given columns joined by tabs,
  // once the rows of the last import have reached the file.
  QStringList TableRows(const QString& columns) const;
  static QStringList Entries(const QComboBox* list);
  // Every pointer change of a window, by window object name.
  std::vector<int> Pointers(const QString& window) const;

  TempProgramFolder folder;
  BoxRecorder boxes;
  std::vector<std::pair<QString, int>> pointerLog;

 private:
  QPointer<Form1> form_;
  QString savedCurrent_;
};
