#pragma once
// The drive, folder and file lists of the file selection window. Each raises
// an error (and changes nothing) when a drive or folder cannot be read.
#include "FileList.h"

#include <QComboBox>
#include <QListWidget>

// The roots a user can browse: "/" first, the home folder, then mounted
// file systems of real devices.
class DriveListBox : public QComboBox {
  Q_OBJECT

 public:
  explicit DriveListBox(QWidget* parent = nullptr);
  QString Drive() const { return currentData().toString(); }
  // Picks the drive that holds the folder (the longest root it starts with).
  void SetDriveOf(const QString& folder);
};

// The folder tree from the root down to the current folder, then the current
// folder's sub-folders. Opening an entry (double click, Enter) asks for it to
// become current; the window decides, since the folder may not be readable.
class FolderListBox : public QListWidget {
  Q_OBJECT

 public:
  explicit FolderListBox(QWidget* parent = nullptr);
  QString Path() const { return path_; }
  void SetPath(const QString& folder);  // emits Change()

 signals:
  void Change();
  void OpenRequested(const QString& folder);

 private:
  QString path_;
};

// Files of one folder whose names match "*.yrp" in any letter case, sorted by
// name, hidden files left out; extended multiple selection.
class FileListBox : public QListWidget, public FileList {
  Q_OBJECT

 public:
  explicit FileListBox(QWidget* parent = nullptr);
  QString Path() const { return path_; }
  void SetPath(const QString& folder);  // reads the folder anew, selection gone

  int ListCount() const override { return count(); }
  bool Selected(int index) const override;
  QString List(int index) const override;

 private:
  QString path_;
};

// Raises a readable error when a folder cannot be listed.
void CheckFolderReadable(const QString& folder);
