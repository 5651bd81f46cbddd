#include "ReportExport.h"

#include "YieldColumns.h"
#include "database/Recordset.h"
#include "table/ValueParse.h"

#include <QLocale>

#include <cmath>

CellsTable BreakdownCells(const BreakdownTable& table) {
  QStringList header;
  for (int c = 0; c < table.columnCount(); ++c) header << table.HeaderText(c);
  CellsTable cells(header);
  const YieldBreakdown& b = table.Breakdown();
  std::vector<const BreakdownGroup*> groups = table.ShownGroups();
  groups.push_back(&b.all);
  for (const BreakdownGroup* g : groups) {
    cells.AddRow();
    if (g == &b.all)
      cells.AddText(QStringLiteral("All"));
    else if (b.grouping == BreakdownGrouping::Day && !g->isNull)
      cells.AddDate(g->periodStart);
    else if (double width = 0; b.grouping == BreakdownGrouping::Width && !g->isNull &&
                               ParseNumber(g->label, width, QLocale().decimalPoint().at(0)))
      cells.AddNumber(width);
    else
      cells.AddText(g->label);
    cells.AddNumber(double(g->records), true);
    for (int m = 0; m < kBreakdownMeasureCount; ++m) {
      const double v = g->Measure(BreakdownMeasure(m));
      cells.AddNumber(std::isfinite(v) ? v : std::nan(""));
    }
  }
  return cells;
}

ExportChart BreakdownChartOf(const BreakdownTable& table, BreakdownMeasure measure) {
  const YieldBreakdown& b = table.Breakdown();
  ExportChart chart;
  chart.valueName = BreakdownMeasureName(measure);
  chart.title = QStringLiteral("%1 by %2").arg(chart.valueName, BreakdownGroupingNames().value(int(b.grouping)));
  chart.valueColumn = BreakdownTable::kFirstMeasureColumn + int(measure);
  chart.points = int(b.groups.size());
  // A line only where the rows run in time order: periods in their natural order.
  chart.joined = IsPeriodGrouping(b.grouping) && table.SortColumn() == 0 && table.SortOrder() == Qt::AscendingOrder;
  return chart;
}

DateSpan DatesShown(const Recordset* records) {
  DateSpan span;
  if (!records || !records->IsOpen()) return span;
  const ColumnStore& store = records->Store();
  const int field = store.FindColumn(modReportGeneration::ColumnName(modReportGeneration::YieldColumn::BDate));
  if (field < 0 || store.At(field).type != ColumnType::Date) return span;
  const auto& days = store.At(field).date;
  qint32 lo = kNullDate, hi = kNullDate;
  const qint64 n = records->RecordCount();
  for (qint64 r = 0; r < n; ++r) {
    const qint32 d = days[size_t(records->StoreRow(r))];
    if (d == kNullDate) continue;
    if (lo == kNullDate || d < lo) lo = d;
    if (hi == kNullDate || d > hi) hi = d;
  }
  if (lo != kNullDate) span = {QDate::fromJulianDay(lo), QDate::fromJulianDay(hi)};
  return span;
}

CellsTable BreakdownFacts(const BreakdownTable& table, const QString& filterInForce, const DateSpan& span) {
  const YieldBreakdown& b = table.Breakdown();
  CellsTable facts({QStringLiteral("Item"), QStringLiteral("Value")});
  facts.AddRow();
  facts.AddText(QStringLiteral("Grouped by"));
  facts.AddText(BreakdownGroupingNames().value(int(b.grouping)));
  facts.AddRow();
  facts.AddText(QStringLiteral("Filter"));
  facts.AddText(filterInForce.isEmpty() ? QStringLiteral("none") : filterInForce);
  facts.AddRow();
  facts.AddText(QStringLiteral("Records"));
  facts.AddNumber(double(b.shown), true);
  facts.AddRow();
  facts.AddText(QStringLiteral("Left out of the sums (a length missing)"));
  facts.AddNumber(double(b.leftOut), true);
  facts.AddRow();
  facts.AddText(QStringLiteral("First date"));
  facts.AddDate(span.first);
  facts.AddRow();
  facts.AddText(QStringLiteral("Last date"));
  facts.AddDate(span.last);
  return facts;
}
