#pragma once
// What the summary and the breakdown export: their tables as cells of the
// right types, built without widgets from what the windows hold.
#include "BreakdownTable.h"
#include "CellsTable.h"
#include "ExportTable.h"

#include <QDate>

class Recordset;

// The breakdown table as shown (header, groups in the shown order, "All"
// last): labels as texts (days as dates), counts as whole numbers,
// measures unrounded.
CellsTable BreakdownCells(const BreakdownTable& table);

// The chart of the breakdown sheet: the picked measure over the groups.
ExportChart BreakdownChartOf(const BreakdownTable& table, BreakdownMeasure measure);

// The first and last date of the records shown (invalid without any).
struct DateSpan {
  QDate first, last;
};
DateSpan DatesShown(const Recordset* records);

// The sheet beside the breakdown: grouping, filter, records, date span.
CellsTable BreakdownFacts(const BreakdownTable& table, const QString& filterInForce, const DateSpan& span);
