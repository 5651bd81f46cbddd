#include "controls/GridPrint.h"

#include "common/AppInfo.h"
#include "controls/GridControl.h"

#include <QDateTime>
#include <QLocale>
#include <QPainter>
#include <QPrinter>

GridPrintLayout LayoutGridForPrint(const GridControl& grid) {
  GridPrintLayout layout;
  layout.heading = AppDisplayName();
  layout.printedAt = QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
  layout.fontFamily = grid.font().family();
  layout.fontPointSize = grid.font().pointSizeF() > 0 ? grid.font().pointSizeF() : 9;
  for (int c = 0; c < grid.Cols(); ++c) layout.colWidthsTwips.push_back(grid.ColWidth(c));
  for (int r = 0; r < grid.Rows(); ++r) {
    QStringList row;
    for (int c = 0; c < grid.Cols(); ++c) row << grid.TextMatrix(r, c);
    layout.rows.push_back(row);
  }
  return layout;
}

void PaintGridLayout(const GridPrintLayout& layout, QPrinter& printer) {
  QPainter painter;
  if (!painter.begin(&printer)) return;  // no page to paint on: nothing printed
  PaintGridLayout(layout, printer, painter);
  painter.end();
}

void PaintGridLayout(const GridPrintLayout& layout, QPrinter& printer, QPainter& painter) {
  const double dotsPerTwip = printer.resolution() / 1440.0;
  const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
  const double left = 0, right = page.width();

  QFont headingFont(layout.fontFamily, int(layout.fontPointSize + 3));
  headingFont.setBold(true);
  QFont cellFont(layout.fontFamily);
  cellFont.setPointSizeF(layout.fontPointSize);

  double y = 0;
  auto heading = [&] {
    painter.setFont(headingFont);
    const double h = painter.fontMetrics().height();
    painter.drawText(QRectF(left, y, right, h), Qt::AlignLeft | Qt::AlignVCenter, layout.heading);
    painter.drawText(QRectF(left, y, right, h), Qt::AlignRight | Qt::AlignVCenter, layout.printedAt);
    y += h * 1.8;
    painter.setFont(cellFont);
    const double lineHeight = painter.fontMetrics().height() * 1.2;
    for (const QString& line : layout.headingLines) {
      painter.drawText(QRectF(left, y, right, lineHeight), Qt::AlignLeft | Qt::AlignVCenter, line);
      y += lineHeight;
    }
    if (!layout.headingLines.isEmpty()) y += lineHeight * 0.6;
  };
  heading();
  const double rowHeight = painter.fontMetrics().height() * 1.4;
  const double pad = 30 * dotsPerTwip;
  for (const QStringList& row : layout.rows) {
    if (y + rowHeight > page.height()) {
      printer.newPage();
      y = 0;
      heading();
    }
    double x = left;
    for (int c = 0; c < row.size(); ++c) {
      const double w = layout.colWidthsTwips[c] * dotsPerTwip;
      const QRectF cell(x, y, w, rowHeight);
      painter.drawRect(cell);
      painter.drawText(cell.adjusted(pad, 0, -pad, 0), Qt::AlignLeft | Qt::AlignVCenter, row[c]);
      x += w;
    }
    y += rowHeight;
  }
}
