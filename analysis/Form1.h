#pragma once
// The main window: the record grid bound to the shared recordset, the filter
// lists, the summary grid, and the buttons that start each step.
#include "GridControl.h"
#include "MainWindowRefresh.h"
#include "Recordset.h"

#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include <memory>

#include "frmGetFiles.h"

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

 public slots:
  void cmdSelectFiles_Click();
  void cmdExit_Click();
  void cmdFilter_Click();
  void cmdSummary_Click();
  void cmdCopy_Click();
  void cmdCopy2_Click();
  void cmdPrint_Click();

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Report files dropped from a file manager are imported.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildControls();
  void LaySummaryLabels();

  std::shared_ptr<Recordset> mrsYield;
  QPointer<frmGetFiles> fileWindow_;
  bool shuttingDown_ = false;
};
