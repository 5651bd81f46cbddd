// "Export…" of the breakdown window: the table and a native chart of the
// picked measure in a workbook, with a second sheet holding the filter,
// record count and date span; or the table alone as a CSV file.
#include "BreakdownChart.h"
#include "ExportRun.h"
#include "ReportExport.h"
#include "common/ErrorBoxes.h"
#include "frmBreakdown.h"

void frmBreakdown::cmdExport_Click() {
  TrapInWindowBox([&] {
    const YieldBreakdown& b = table_.Breakdown();
    const QString grouping = BreakdownGroupingNames().value(int(b.grouping));
    ExportFormat format = ExportFormat::Xlsx;
    const QString path = AskExportPath(this, QStringLiteral("Export Breakdown"),
                                       QStringLiteral("Yield Breakdown by %1").arg(grouping), format);
    if (path.isEmpty()) return;  // cancelled
    CellsTable cells = BreakdownCells(table_);
    const ExportChart chart =
        BreakdownChartOf(table_, ChartMeasures().at(size_t(std::max(0, cmboMeasure->currentIndex()))));
    const auto records = records_.lock();
    CellsTable facts = BreakdownFacts(table_, filterInForce_, DatesShown(records.get()));
    RunExport(this, [&](ExportProgress& progress) {
      if (format == ExportFormat::Csv) return WriteCsv(cells, path, &progress);
      return WriteXlsx({ExportSheet{QStringLiteral("Yield Breakdown"), &cells, true, true, &chart},
                        ExportSheet{QStringLiteral("Filter"), &facts, true, false, nullptr}},
                       path, &progress);
    });
  });
}
