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

 public slots:
  void cmdOpenFiles_Click();

 private:
  void Drive1_Change();
  void Dir1_Change();
  // Moves the lists to a folder; on failure the window error box, lists
  // unchanged, and false.
  bool ShowFolder(const QString& folder);

  MainWindowRefresh* mainWindow_;
};
