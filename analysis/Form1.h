#pragma once
// The main window: the record grid bound to the shared recordset, the filter
// lists, the summary grid, and the buttons that start each step.
#include "MainWindowRefresh.h"
#include "controls/GridControl.h"
#include "database/Recordset.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <map>
#include <memory>

#include "frmBreakdown.h"
#include "frmGetFiles.h"

class CellsTable;

class Form1 : public QWidget, public MainWindowRefresh {
  Q_OBJECT

 public:
  Form1();
  ~Form1() override;

  // Controls, as the layout names them.
  QPushButton* cmdSelectFiles;
  BoundGridControl* fgRS;
  QComboBox* cmboJobNames;
  QLabel* Label1;
  QPushButton* cmdFilter;
  QComboBox* cmboMaterial;
  QComboBox* cmboWidth;
  QLabel* Label2;
  QLabel* Label3;
  QComboBox* cmboDate[2];
  QLabel* Label4[2];
  QPushButton* cmdSummary;
  GridControl* fgSummary;
  QPushButton* cmdPrint;
  QPushButton* cmdCopy;
  QPushButton* cmdCopy2;
  QLabel* Label5;
  QComboBox* cmboSupplier;
  QPushButton* cmdExit;
  QObject* CommonDialog1;  // placed on the window; nothing uses it
  // Beside the layout: the breakdown by group, from a button and from the
  // grids' context menu.
  QPushButton* cmdBreakdown;
  QMenu* mnuGrid;
  QAction* mnuBreakdown;
  // Beside the layout: the program's version and what it runs on, from the
  // grids' context menu.
  QAction* mnuAbout;
  // Beside the layout: the grid the context menu was opened on, to a
  // workbook or a CSV file.
  QAction* mnuExport;

  // Record grid.
  void GetRecordSet() override;
  void DisplayRecordSet() override;
  // Filter lists.
  void GetJobNames();
  void GetMaterials() override;
  void GetSuppliers() override;
  void GetWidths() override;
  void Getdates() override;
  // Unloads every window; the program ends when none is left.
  void shutdown();

  const std::shared_ptr<Recordset>& RecordsetInUse() const { return mrsYield; }
  frmGetFiles* FileWindow() const { return fileWindow_; }
  frmBreakdown* BreakdownWindow() const { return breakdownWindow_; }
  // What the summary's export, printout and the breakdown's facts take.
  CellsTable SummaryCells() const;
  const QStringList& SummaryHeading() const { return summaryHeading_; }
  const QString& FilterInForce() const { return filterInForce_; }
  // The filter lists' picks, as words.
  QString PicksText() const;

 public slots:
  void cmdSelectFiles_Click();
  void cmdExit_Click();
  void cmdFilter_Click();
  void cmdSummary_Click();
  void cmdCopy_Click();
  void cmdCopy2_Click();
  void cmdPrint_Click();
  void cmdBreakdown_Click();
  void mnuAbout_Click();
  void mnuExport_Click();
  // Imports report files as if dropped on the window: the *.yrp files by
  // name (then path), whatever their folders; any other file is left out
  // with one box.
  void ImportReportFiles(const QStringList& paths);
  // Files named on the command line of this start or of a later one (a file
  // manager's "Open With"): the window comes to the front, and the files are
  // imported as if dropped, one request after the other, each once no import
  // runs and no modal window is shown (a later start can arrive while the
  // progress window or a box lets events through).
  void ImportRequestedFiles(const QStringList& paths);

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Report files dropped from a file manager are imported.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildControls();
  void LaySummaryLabels();
  void BuildBreakdownCommands();
  void BuildExportCommands();
  // Tooltips for every button, and "About" in the grids' context menu.
  void BuildHelp();
  // Tells an open breakdown window which records the grid shows now.
  void RecordsShownChanged();
  void ImportNextRequest();

  std::shared_ptr<Recordset> mrsYield;
  QPointer<frmGetFiles> fileWindow_;
  QPointer<frmBreakdown> breakdownWindow_;
  QString filterInForce_;                 // the picks of the last Filter, for the breakdown's printout
  QStringList summaryHeading_;            // what the summary holds, for its printout
  std::map<int, double> summaryNumbers_;  // the summary's values by grid row, unrounded, for its export
  QWidget* menuGrid_ = nullptr;           // the grid the context menu was opened on
  bool shuttingDown_ = false;
  QList<QStringList> requested_;  // files of later starts, not imported yet
  QTimer requestsWaiting_;
};
