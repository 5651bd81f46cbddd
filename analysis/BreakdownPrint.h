#pragma once
// The printed breakdown: a heading (program, date and time, the grouping,
// the filter in force, the record count), the table, and the chart below it
// on the same page. The table's type shrinks to keep the page whole; only a
// table too long even then goes on over further pages, each page then
// numbered ("Page 2 of 5").
#include <QStringList>

class BreakdownTable;
class QChart;
class QPainter;
class QPrinter;

void PaintBreakdownPages(QPrinter& printer, const QStringList& headingLines, const BreakdownTable& table,
                         QChart* chart);
// The same with a painter already active on the printer, from its current
// page on: several printouts in one document.
void PaintBreakdownPages(QPrinter& printer, QPainter& painter, const QStringList& headingLines,
                         const BreakdownTable& table, QChart* chart);
