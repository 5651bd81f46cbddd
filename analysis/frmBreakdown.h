#pragma once
// "Yield Breakdown": the records the main window's grid shows, grouped by
// one column or period, as a table of length sums and yields and a chart of
// one yield. Modeless; it follows the grid while it is open and does no work
// while it is closed.
#include "BreakdownTable.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QWidget>

#include <memory>

class QChart;
class QChartView;
class Recordset;

class frmBreakdown : public QWidget {
  Q_OBJECT

 public:
  explicit frmBreakdown(QWidget* owner);
  ~frmBreakdown() override;

  // The records to break down changed (a new import, a filter): the window
  // catches up now when shown, else when it is next shown. filterInForce
  // describes the filter for the printout.
  void SetSource(const std::shared_ptr<Recordset>& records, const QString& filterInForce);

  QComboBox* cmboGroupBy;
  QComboBox* cmboMeasure;
  QLabel* lblRecords;
  QTableView* tblBreakdown;
  QChartView* chtBreakdown;
  QPushButton* cmdCopy;
  QPushButton* cmdPrint;
  QPushButton* cmdSaveChart;
  QPushButton* cmdExport;  // right of "Save Chart…"

  BreakdownTable& Table() { return table_; }
  QChart* Chart() const;
  // Lines of the printout's heading.
  QStringList HeadingLines() const;

 public slots:
  void cmdCopy_Click();
  void cmdPrint_Click();
  void cmdSaveChart_Click();
  void cmdExport_Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  // Groups the records again and refills table and chart.
  void Refresh();
  void RedrawChart();
  // A new chart of the table as it stands (the caller owns it).
  QChart* MakeChart() const;
  void SaveChart(const QString& path, bool svg);

  BreakdownTable table_;
  std::weak_ptr<Recordset> records_;
  QString filterInForce_;
  bool stale_ = true;
};
