#pragma once
// The printed form of a grid: a heading with the program's name and the date
// and time, lines that say what the grid holds, then the cells as a table
// with the grid's column widths.
#include <QString>
#include <QStringList>

#include <vector>

class GridControl;
class QPainter;
class QPrinter;

struct GridPrintLayout {
  QString heading;
  QString printedAt;
  QStringList headingLines;  // under the heading, in the cells' type
  std::vector<int> colWidthsTwips;
  std::vector<QStringList> rows;
  QString fontFamily;
  double fontPointSize = 9;
};

GridPrintLayout LayoutGridForPrint(const GridControl& grid);
void PaintGridLayout(const GridPrintLayout& layout, QPrinter& printer);
// The same with a painter already active on the printer, from its current
// page on: several printouts in one document.
void PaintGridLayout(const GridPrintLayout& layout, QPrinter& printer, QPainter& painter);
