#pragma once
// The file selection window: a drive list, a folder list and a "*.yrp" file
// list chained together, and "Open Files", which replaces the yield table's
// records by those of the selected files and refreshes the main window.
#include "FolderControls.h"

#include <QPushButton>
#include <QWidget>

class MainWindowRefresh;

class frmGetFiles : public QWidget {
  Q_OBJECT

 public:
  explicit frmGetFiles(MainWindowRefresh* mainWindow);

  DriveListBox* Drive1;
  FolderListBox* Dir1;
  FileListBox* File1;
  QPushButton* cmdOpenFiles;

  // Shows the folder with these files selected and imports them, as if the
  // user had picked them here and pressed "Open Files" (files dropped on the
  // main window).
  void ImportFiles(const QString& folder, const QStringList& names);
  // The rows of the last import reach the file after its records are shown.
  // This waits for them (at the program's end, before a new import, when
  // this window closes), with a window saying so when that takes more than
  // half a second. Rows that could not be kept get their box, and the main
  // window is refreshed from what the file holds (not at the end).
  void FinishWritingBehind(bool atExit = false);
  // Whether the last import's rows are still on their way (being watched).
  bool WritingBehind() const { return writingBehind_; }
  ~frmGetFiles() override;

 public slots:
  void cmdOpenFiles_Click();

 private:
  void Drive1_Change();
  void Dir1_Change();
  // Moves the lists to a folder; on failure the window error box, lists
  // unchanged, and false.
  bool ShowFolder(const QString& folder);
  // The main window's records and lists, read again.
  void RefreshMainWindow();
  // The writer says the rows behind the shown records are written (or failed).
  void RowsBehindWritten();

  MainWindowRefresh* mainWindow_;
  bool writingBehind_ = false;  // the last import's rows are watched
  QMetaObject::Connection rowsWritten_;
};
