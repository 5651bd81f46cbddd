#include "BreakdownChart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QCursor>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QPen>
#include <QSet>
#include <QToolTip>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

QString valueText(double v) { return std::isnan(v) ? QStringLiteral("no value") : BreakdownNumberText(v); }

void showTip(const QString& text) { QToolTip::showText(QCursor::pos(), text); }

QValueAxis* valueAxis(const QString& title, double low, double high, bool fromZero) {
  auto* y = new QValueAxis;
  y->setTitleText(title);
  if (fromZero) low = std::min(0.0, low);
  if (!(high > low)) {  // one value, or none
    high = low + 1;
    low -= 1;
  }
  const double margin = fromZero ? 0 : (high - low) * 0.1;
  y->setRange(fromZero ? low : low - margin, high + (high - low) * 0.1);
  y->applyNiceNumbers();
  return y;
}

// The "All" value across the whole width of the chart.
QLineSeries* referenceLine(double all, double x0, double x1) {
  auto* ref = new QLineSeries;
  ref->setName(QStringLiteral("All: %1").arg(valueText(all)));
  QPen pen(Qt::darkRed);
  pen.setStyle(Qt::DashLine);
  pen.setWidthF(1.5);
  ref->setPen(pen);
  if (!std::isnan(all)) {
    ref->append(x0, all);
    ref->append(x1, all);
  }
  return ref;
}

void attach(QChart* chart, QAbstractSeries* series, QAbstractAxis* x, QAbstractAxis* y) {
  chart->addSeries(series);
  series->attachAxis(x);
  series->attachAxis(y);
}

void barChart(QChart* chart, const std::vector<const BreakdownGroup*>& groups, double all, const QString& groupName,
              BreakdownMeasure measure) {
  const QString name = BreakdownMeasureName(measure);
  auto* set = new QBarSet(name);
  QStringList categories, tips;
  QSet<QString> used;
  double low = std::isnan(all) ? 0 : all, high = low;
  for (const BreakdownGroup* g : groups) {
    // Category names must differ; a text value may read like another's.
    QString label = g->label;
    while (used.contains(label)) label += QLatin1Char(' ');
    used.insert(label);
    categories << label;
    const double v = g->Measure(measure);
    *set << (std::isnan(v) ? 0 : v);
    tips << QStringLiteral("%1: %2 %3").arg(g->label, name, valueText(v));
    if (!std::isnan(v)) {
      low = std::min(low, v);
      high = std::max(high, v);
    }
  }
  auto* bars = new QBarSeries;
  bars->append(set);
  QObject::connect(set, &QBarSet::hovered, set, [tips](bool on, int i) {
    if (on && i >= 0 && i < tips.size())
      showTip(tips[i]);
    else
      QToolTip::hideText();
  });
  auto* x = new QBarCategoryAxis;
  x->append(categories);
  x->setTitleText(groupName);
  if (categories.size() > 12) x->setLabelsAngle(-90);
  QValueAxis* y = valueAxis(name, low, high, true);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  attach(chart, bars, x, y);
  attach(chart, referenceLine(all, -0.5, double(categories.size()) - 0.5), x, y);
}

qint64 timeOf(const QDate& day) { return QDateTime(day, QTime(12, 0)).toMSecsSinceEpoch(); }

void lineChart(QChart* chart, std::vector<const BreakdownGroup*> groups, double all, BreakdownGrouping grouping,
               const QString& groupName, BreakdownMeasure measure) {
  const QString name = BreakdownMeasureName(measure);
  std::stable_sort(groups.begin(), groups.end(),
                   [](const BreakdownGroup* a, const BreakdownGroup* b) { return a->periodStart < b->periodStart; });
  auto* line = new QLineSeries;
  line->setName(name);
  QStringList tips;
  QDate first, last;
  double low = std::isnan(all) ? std::numeric_limits<double>::infinity() : all;
  double high = std::isnan(all) ? -std::numeric_limits<double>::infinity() : all;
  for (const BreakdownGroup* g : groups) {
    const double v = g->Measure(measure);
    if (g->isNull || std::isnan(v)) continue;
    line->append(double(timeOf(g->periodStart)), v);
    tips << QStringLiteral("%1: %2 %3").arg(g->label, name, valueText(v));
    if (!first.isValid()) first = g->periodStart;
    last = g->periodStart;
    low = std::min(low, v);
    high = std::max(high, v);
  }
  if (!first.isValid()) first = last = QDate::currentDate();
  line->setPointsVisible(line->count() <= 60);  // a year of days reads better as a plain line
  if (!std::isfinite(low)) low = high = 0;
  QObject::connect(line, &QLineSeries::hovered, line, [line, tips](const QPointF& p, bool on) {
    if (!on) return QToolTip::hideText();
    // The point nearest in time to the pointer.
    const QList<QPointF> points = line->points();
    qsizetype best = -1;
    double distance = std::numeric_limits<double>::infinity();
    for (qsizetype i = 0; i < points.size(); ++i)
      if (std::abs(points[i].x() - p.x()) < distance) distance = std::abs(points[i].x() - p.x()), best = i;
    if (best >= 0 && best < tips.size()) showTip(tips[best]);
  });

  // Half a period of room at each end, so the first and last points show.
  const qint64 halfPeriod = grouping == BreakdownGrouping::Month  ? 15LL * 86400000
                            : grouping == BreakdownGrouping::Week ? 3LL * 86400000 + 43200000
                                                                  : 43200000;
  auto* x = new QDateTimeAxis;
  x->setTitleText(groupName);
  x->setFormat(grouping == BreakdownGrouping::Month ? QStringLiteral("yyyy-MM") : QStringLiteral("yyyy-MM-dd"));
  x->setRange(QDateTime::fromMSecsSinceEpoch(timeOf(first) - halfPeriod),
              QDateTime::fromMSecsSinceEpoch(timeOf(last) + halfPeriod));
  x->setTickCount(int(std::clamp<qsizetype>(line->count(), 2, 8)));
  if (line->count() > 4) x->setLabelsAngle(-45);
  QValueAxis* y = valueAxis(name, low, high, false);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  attach(chart, line, x, y);
  attach(chart, referenceLine(all, double(timeOf(first) - halfPeriod), double(timeOf(last) + halfPeriod)), x, y);
}

}  // namespace

const std::vector<BreakdownMeasure>& ChartMeasures() {
  static const std::vector<BreakdownMeasure> measures = {BreakdownMeasure::TotalYield, BreakdownMeasure::NetYield,
                                                         BreakdownMeasure::ClearYield, BreakdownMeasure::ClearPer};
  return measures;
}

QChart* MakeBreakdownChart(const std::vector<const BreakdownGroup*>& groups, const BreakdownGroup& all,
                           BreakdownGrouping grouping, BreakdownMeasure measure) {
  auto* chart = new QChart;
  const QString groupName = BreakdownGroupingNames().value(int(grouping));
  chart->setTitle(QStringLiteral("%1 by %2").arg(BreakdownMeasureName(measure), groupName));
  chart->legend()->setAlignment(Qt::AlignBottom);
  const double allValue = all.Measure(measure);
  if (IsPeriodGrouping(grouping))
    lineChart(chart, groups, allValue, grouping, groupName, measure);
  else
    barChart(chart, groups, allValue, groupName, measure);
  return chart;
}
