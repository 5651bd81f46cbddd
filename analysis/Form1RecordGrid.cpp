// The record grid: the window's own reference to the shared recordset and the
// grid bound to it as a live view.
#include "Form1.h"
#include "ReportDatabase.h"
#include "common/ErrorBoxes.h"

void Form1::GetRecordSet() {
  TrapInWindowBox([&] { mrsYield = modReportGeneration::GetYieldRecordset(); });
}

void Form1::DisplayRecordSet() {
  TrapInWindowBox([&] {
    fgRS->SetDataSource(nullptr);
    fgRS->SetDataSource(mrsYield);
    fgRS->AutoSize(1, fgRS->Cols() - 1, false, 50);
  });
  filterInForce_.clear();  // a new recordset comes without filter
  RecordsShownChanged();
}
