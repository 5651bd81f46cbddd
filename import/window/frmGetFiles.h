#pragma once
// The file selection window: a drive list, a folder list and a "*.yrp" file
// list chained together, and "Open Files", which replaces the yield table's
// records by those of the selected files and refreshes the main window. Its
// road is the one every import takes, whoever picked the files.
#include "FolderControls.h"

#include <QPushButton>
#include <QWidget>

#include <functional>

class ImportProgress;
class MainWindowRefresh;
class Recordset;

class frmGetFiles : public QWidget {
  Q_OBJECT

 public:
  explicit frmGetFiles(MainWindowRefresh* mainWindow);

  DriveListBox* Drive1;
  FolderListBox* Dir1;
  FileListBox* File1;
  QPushButton* cmdOpenFiles;

  // What an import stores: the records of its files into the recordset it
  // is handed, telling the progress it is handed.
  using ImportStep = std::function<void(Recordset& records, ImportProgress& progress)>;
  // The road of every import, whoever picked the files ("Open Files", files
  // dropped on the main window or named on a command line): the rows of the
  // import before waited for, the table emptied and its recordset opened,
  // `importFiles` run under the progress window (Stop, "Ignore All"), the
  // records shown from memory while their rows reach the file behind them,
  // the main window refreshed and the batch's problems listed. Traps its
  // errors in the window error box.
  void ImportAlongRoad(const ImportStep& importFiles);
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
