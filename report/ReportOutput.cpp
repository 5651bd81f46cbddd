#include "ReportOutput.h"

#include "BreakdownChart.h"
#include "BreakdownPrint.h"
#include "CellsTable.h"
#include "ExportFiles.h"
#include "ExportWriters.h"
#include "Form1.h"
#include "ReportExport.h"
#include "common/AppInfo.h"
#include "controls/GridPrint.h"
#include "frmBreakdown.h"

#include <QFileInfo>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace {

// The summary's printout, as its Print button makes it.
GridPrintLayout summaryPrint(const Form1& form) {
  GridPrintLayout layout = LayoutGridForPrint(*form.fgSummary);
  layout.headingLines = form.SummaryHeading();
  return layout;
}

// The printouts one after the other in one PDF document, each from a new page.
void writePdf(const QString& path, const GridPrintLayout& summary, frmBreakdown* breakdown) {
  TemporaryBeside temporary(path);
  {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(AppDisplayName());
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(temporary.Path());
    QPainter painter;
    if (!painter.begin(&printer)) RaiseCannotWrite(path);
    painter.save();
    PaintGridLayout(summary, printer, painter);
    painter.restore();
    if (breakdown) {
      printer.newPage();
      PaintBreakdownPages(printer, painter, breakdown->HeadingLines(), breakdown->Table(), breakdown->Chart());
    }
    if (!painter.end()) RaiseCannotWrite(path);
  }
  // The PDF engine does not report a failed write: an empty file tells it.
  if (QFileInfo(temporary.Path()).size() == 0) RaiseCannotWrite(path);
  temporary.Commit();
}

}  // namespace

bool ReportFormatOf(const QString& path, ReportFormat& format) {
  const QString ending = QFileInfo(path).suffix().toLower();
  if (ending == QLatin1String("xlsx"))
    format = ReportFormat::Xlsx;
  else if (ending == QLatin1String("csv"))
    format = ReportFormat::Csv;
  else if (ending == QLatin1String("pdf"))
    format = ReportFormat::Pdf;
  else
    return false;
  return true;
}

void WriteReport(const QString& path, ReportFormat format, const Form1& form, frmBreakdown* breakdown) {
  if (format == ReportFormat::Pdf) return writePdf(path, summaryPrint(form), breakdown);
  CellsTable summary = form.SummaryCells();
  if (format == ReportFormat::Csv) {
    if (!breakdown) {
      WriteCsv(summary, path, nullptr);
      return;
    }
    CellsTable cells = BreakdownCells(breakdown->Table());
    WriteCsv(cells, path, nullptr);
    return;
  }
  // The sheets of the summary's export, then those of the breakdown's.
  std::vector<ExportSheet> sheets{{QStringLiteral("Summary"), &summary, false, false, nullptr}};
  CellsTable cells, facts;
  ExportChart chart;
  if (breakdown) {
    const BreakdownTable& table = breakdown->Table();
    cells = BreakdownCells(table);
    chart = BreakdownChartOf(table, ChartMeasures().at(size_t(std::max(0, breakdown->cmboMeasure->currentIndex()))));
    facts = BreakdownFacts(table, form.FilterInForce(), DatesShown(form.RecordsetInUse().get()));
    sheets.push_back({QStringLiteral("Yield Breakdown"), &cells, true, true, &chart});
    sheets.push_back({QStringLiteral("Filter"), &facts, true, false, nullptr});
  }
  WriteXlsx(sheets, path, nullptr);
}

void WriteEmptyReport(const QString& path, ReportFormat format, const Form1& form, const QString& picks) {
  const QString filter = QStringLiteral("Filter: ") + picks;
  if (format == ReportFormat::Pdf) {
    GridPrintLayout layout = LayoutGridForPrint(*form.fgSummary);
    layout.rows.clear();
    layout.headingLines = {filter, QString::fromLatin1(kNoRecordsText)};
    return writePdf(path, layout, nullptr);
  }
  CellsTable cells;
  cells.AddRow();
  cells.AddText(QString::fromLatin1(kNoRecordsText));
  cells.AddRow();
  cells.AddText(filter);
  if (format == ReportFormat::Csv) {
    WriteCsv(cells, path, nullptr);
    return;
  }
  WriteXlsx({ExportSheet{QStringLiteral("Summary"), &cells, false, false, nullptr}}, path, nullptr);
}
