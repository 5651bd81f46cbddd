// Export of either grid from its context menu: the record grid's records in
// the grid's order, or the summary's layout with the filter's picks, to an
// Excel workbook or a CSV file.
#include "CellsTable.h"
#include "ExportRun.h"
#include "Form1.h"
#include "RecordsExport.h"
#include "common/ErrorBoxes.h"
#include "table/ValueParse.h"

#include <QLocale>

namespace {

// The summary grid's cells (rows and columns from 1, without the fixed
// ones): the values unrounded where the summary computed them, date picks
// as dates, the rest as the grid shows it.
CellsTable summaryCells(const GridControl& grid, const std::map<int, double>& numbers) {
  CellsTable cells;
  const QLocale locale;
  for (int r = 1; r < grid.Rows(); ++r) {
    cells.AddRow();
    for (int c = 1; c < grid.Cols(); ++c) {
      const QString text = grid.TextMatrix(r, c);
      qint32 day = 0;
      bool ok = false;
      const double parsed = locale.toDouble(text, &ok);
      if (const auto n = numbers.find(r); c == 2 && n != numbers.end())
        cells.AddNumber(n->second);
      else if (r == 2 && c >= 5 && ParseDate(text, day))
        cells.AddDate(QDate::fromJulianDay(day));
      else if (r >= 4 && c == 2 && ok)
        cells.AddNumber(parsed);
      else
        cells.AddText(text);
    }
  }
  return cells;
}

}  // namespace

CellsTable Form1::SummaryCells() const { return summaryCells(*fgSummary, summaryNumbers_); }

void Form1::BuildExportCommands() {
  mnuExport = mnuGrid->addAction(QStringLiteral("Export…"));
  mnuExport->setObjectName(QStringLiteral("mnuExport"));
  connect(mnuExport, &QAction::triggered, this, &Form1::mnuExport_Click);
  // The menu serves both grids: remember which one asked for it.
  for (QWidget* grid : {static_cast<QWidget*>(fgRS), static_cast<QWidget*>(fgSummary)})
    connect(grid, &QWidget::customContextMenuRequested, this, [this, grid] { menuGrid_ = grid; });
}

void Form1::mnuExport_Click() {
  TrapInWindowBox([&] {
    const bool summary = menuGrid_ == fgSummary;
    if (!summary && !fgRS->DataSource()) return;  // nothing imported yet, as Copy has nothing
    ExportFormat format = ExportFormat::Xlsx;
    const QString path =
        AskExportPath(this, summary ? QStringLiteral("Export Summary") : QStringLiteral("Export Records"),
                      summary ? QStringLiteral("Summary") : QStringLiteral("Records"), format);
    if (path.isEmpty()) return;  // cancelled
    if (summary) {
      CellsTable cells = SummaryCells();
      RunExport(this, [&](ExportProgress& progress) {
        if (format == ExportFormat::Csv) return WriteCsv(cells, path, &progress);
        ExportSheet sheet{QStringLiteral("Summary"), &cells, false, false, nullptr};
        return WriteXlsx({sheet}, path, &progress);
      });
      return;
    }
    std::shared_ptr<const Recordset> records = std::dynamic_pointer_cast<const Recordset>(fgRS->DataSource());
    RunExport(this, [&](ExportProgress& progress) {
      RecordsTable table(records);  // read on the writer's thread, under the store's read lock
      if (format == ExportFormat::Csv) return WriteCsv(table, path, &progress);
      return WriteXlsx({ExportSheet{QStringLiteral("Records"), &table}}, path, &progress);
    });
  });
}
