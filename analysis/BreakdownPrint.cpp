#include "BreakdownPrint.h"

#include "BreakdownTable.h"
#include "common/AppInfo.h"

#include <QChart>
#include <QDateTime>
#include <QGraphicsScene>
#include <QLocale>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <vector>

namespace {

constexpr double kLargestPoints = 9;
constexpr double kSmallestPoints = 5;
constexpr double kChartShare = 0.45;  // of the page's height, at the bottom

struct TableLayout {
  QFont font;
  std::vector<double> widths;
  double rowHeight = 0;
  double pad = 0;
  double Width() const {
    double w = 0;
    for (double c : widths) w += c;
    return w;
  }
};

TableLayout layoutAt(QPainter& painter, const BreakdownTable& table, double points) {
  TableLayout t;
  t.font = QFont(QStringLiteral("DejaVu Sans"));
  t.font.setStyleHint(QFont::SansSerif);
  t.font.setPointSizeF(points);
  QFont bold = t.font;
  bold.setBold(true);
  painter.setFont(bold);  // the widest form of every text
  const QFontMetricsF fm = painter.fontMetrics();
  t.pad = fm.averageCharWidth() * 0.6;
  t.rowHeight = fm.height() * 1.3;
  t.widths.assign(size_t(table.columnCount()), 0);
  for (int c = 0; c < table.columnCount(); ++c) {
    double w = fm.horizontalAdvance(table.HeaderText(c));
    for (int r = 0; r < table.rowCount(); ++r) w = std::max(w, fm.horizontalAdvance(table.Text(r, c)));
    t.widths[size_t(c)] = w + 2 * t.pad;
  }
  return t;
}

// Draws rows [first, last) of the table (row -1 is the header) from y down.
double drawRows(QPainter& painter, const BreakdownTable& table, const TableLayout& t, int first, int last, double y) {
  QFont bold = t.font;
  bold.setBold(true);
  auto drawRow = [&](int r) {
    const bool strong = r < 0 || r == table.rowCount() - 1;
    painter.setFont(strong ? bold : t.font);
    double x = 0;
    for (int c = 0; c < table.columnCount(); ++c) {
      const QRectF cell(x, y, t.widths[size_t(c)], t.rowHeight);
      painter.drawRect(cell);
      const QString text = r < 0 ? table.HeaderText(c) : table.Text(r, c);
      const Qt::Alignment align = (c == 0 || r < 0) ? Qt::AlignLeft : Qt::AlignRight;
      painter.drawText(cell.adjusted(t.pad, 0, -t.pad, 0), align | Qt::AlignVCenter, text);
      x += t.widths[size_t(c)];
    }
    y += t.rowHeight;
  };
  drawRow(-1);
  for (int r = first; r < last; ++r) drawRow(r);
  return y;
}

}  // namespace

void PaintBreakdownPages(QPrinter& printer, const QStringList& headingLines, const BreakdownTable& table,
                         QChart* chart) {
  QPainter painter;
  if (!painter.begin(&printer)) return;  // no page to paint on: nothing printed
  PaintBreakdownPages(printer, painter, headingLines, table, chart);
  painter.end();
}

void PaintBreakdownPages(QPrinter& printer, QPainter& painter, const QStringList& headingLines,
                         const BreakdownTable& table, QChart* chart) {
  const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());

  // Heading, as the summary's printout has it, then the breakdown's own lines.
  QFont headingFont(QStringLiteral("DejaVu Sans"), 12);
  headingFont.setBold(true);
  QFont lineFont(QStringLiteral("DejaVu Sans"), 9);
  auto heading = [&]() {
    painter.setFont(headingFont);
    double y = 0;
    const double h = painter.fontMetrics().height();
    painter.drawText(QRectF(0, y, page.width(), h), Qt::AlignLeft | Qt::AlignVCenter, AppDisplayName());
    painter.drawText(QRectF(0, y, page.width(), h), Qt::AlignRight | Qt::AlignVCenter,
                     QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat));
    y += h * 1.5;
    painter.setFont(lineFont);
    const double lh = painter.fontMetrics().height() * 1.2;
    for (const QString& line : headingLines) {
      painter.drawText(QRectF(0, y, page.width(), lh), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line);
      y += lh;
    }
    return y + lh * 0.5;
  };
  const double tableTop = heading();
  // Room at the foot of every page for its number.
  painter.setFont(lineFont);
  const double footer = painter.fontMetrics().height() * 1.5;
  const double bottom = page.height() - footer;
  const QRectF chartArea(0, bottom * (1 - kChartShare), page.width(), bottom * kChartShare);
  const double tableRoom = chartArea.top() - tableTop;

  // The largest type at which the table fits the page's width and the room
  // above the chart; else the smallest.
  TableLayout t = layoutAt(painter, table, kSmallestPoints);
  for (double pts = kLargestPoints; pts >= kSmallestPoints; pts -= 0.5) {
    TableLayout candidate = layoutAt(painter, table, pts);
    if (candidate.Width() <= page.width() && candidate.rowHeight * (table.rowCount() + 1) <= tableRoom) {
      t = candidate;
      break;
    }
  }
  if (t.Width() > page.width()) {  // even the smallest type is too wide: share out the width
    const double scale = page.width() / t.Width();
    for (double& w : t.widths) w *= scale;
  }

  const int onFirstPage = std::clamp(int(tableRoom / t.rowHeight) - 1, 0, table.rowCount());
  const double tableBottom = drawRows(painter, table, t, 0, onFirstPage, tableTop);
  // A short table lets the chart move up under it.
  QRectF chartRect = chartArea;
  if (onFirstPage == table.rowCount()) {
    const double top = tableBottom + t.rowHeight;
    chartRect = QRectF(0, top, page.width(), std::min(bottom - top, page.width() * 0.65));
  }
  if (chart && chart->scene())
    chart->scene()->render(&painter, chartRect, chart->sceneBoundingRect(), Qt::KeepAspectRatio);

  // Rows that did not fit, on further pages under the heading; when there
  // are such pages, each carries its number.
  const int perPage = std::max(1, int((bottom - tableTop) / t.rowHeight) - 1);
  const int pages = 1 + (table.rowCount() - onFirstPage + perPage - 1) / perPage;
  auto pageNumber = [&](int number) {
    if (pages < 2) return;
    painter.setFont(lineFont);
    painter.drawText(QRectF(0, bottom, page.width(), footer), Qt::AlignRight | Qt::AlignBottom,
                     QStringLiteral("Page %1 of %2").arg(number).arg(pages));
  };
  pageNumber(1);
  int number = 1;
  for (int first = onFirstPage; first < table.rowCount(); first += perPage) {
    printer.newPage();
    const double top = heading();
    drawRows(painter, table, t, first, std::min(table.rowCount(), first + perPage), top);
    pageNumber(++number);
  }
}
