#include "BreakdownChart.h"

#include <QBarCategoryAxis>
#include <QCategoryAxis>
#include <QChart>
#include <QCursor>
#include <QLineSeries>
#include <QPen>
#include <QScatterSeries>
#include <QSet>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

QString valueText(double v) { return std::isnan(v) ? QStringLiteral("no value") : BreakdownNumberText(v); }

void showTip(const QString& text) { QToolTip::showText(QCursor::pos(), text); }

// A tick step of 1, 2, 2.5 or 5 times a power of ten giving about four
// steps over the span, never below the hundredth the labels show.
double tickStep(double span) {
  const double rough = span / 4;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  double step = power * 5;
  for (double f : {1.0, 2.0, 2.5})
    if (rough <= power * f) {
      step = power * f;
      break;
    }
  return std::max(step, 0.01);
}

// The value axis fitted to the values (not from zero), a labelled tick per
// step, the first and last at its ends so that its range shows, each label
// in the table's number format.
QCategoryAxis* valueAxis(const QString& name, double low, double high) {
  if (!(high - low >= 0.01)) {  // one value, or values alike to the hundredth
    low -= 0.5;
    high += 0.5;
  }
  const double step = tickStep(high - low);
  const double first = std::floor((low - step * 0.25) / step) * step;
  const double last = std::ceil((high + step * 0.25) / step) * step;
  auto* y = new QCategoryAxis;
  y->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  y->setStartValue(first);
  const int ticks = int(std::lround((last - first) / step));
  for (int i = 0; i <= ticks; ++i) {
    const double v = first + step * i;
    y->append(BreakdownNumberText(std::abs(v) < step * 1e-9 ? 0.0 : v), v);
  }
  y->setRange(first, last);
  y->setTitleText(name);
  return y;
}

// The "All" value across the whole width of the chart.
QLineSeries* referenceLine(double all, int categories) {
  auto* ref = new QLineSeries;
  ref->setName(QStringLiteral("All: %1").arg(valueText(all)));
  QPen pen(Qt::darkRed);
  pen.setStyle(Qt::DashLine);
  pen.setWidthF(1.5);
  ref->setPen(pen);
  if (!std::isnan(all)) {
    ref->append(-0.5, all);
    ref->append(categories - 0.5, all);
  }
  return ref;
}

void attach(QChart* chart, QAbstractSeries* series, QAbstractAxis* x, QAbstractAxis* y) {
  chart->addSeries(series);
  series->attachAxis(x);
  series->attachAxis(y);
}

// The tip of the point nearest to where the pointer is.
void tipsOnHover(QXYSeries* series, const QStringList& tips) {
  QObject::connect(series, &QXYSeries::hovered, series, [series, tips](const QPointF& p, bool on) {
    if (!on) return QToolTip::hideText();
    const QList<QPointF> points = series->points();
    qsizetype best = -1;
    double distance = std::numeric_limits<double>::infinity();
    for (qsizetype i = 0; i < points.size(); ++i)
      if (std::abs(points[i].x() - p.x()) < distance) distance = std::abs(points[i].x() - p.x()), best = i;
    if (best >= 0 && best < tips.size()) showTip(tips[best]);
  });
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
  const QString name = BreakdownMeasureName(measure);
  chart->setTitle(QStringLiteral("%1 by %2").arg(name, groupName));
  chart->legend()->setAlignment(Qt::AlignBottom);
  chart->setMargins(QMargins(6, 6, 6, 6));  // the room goes to the plot, not around it

  // Periods run in time order, whatever the table's sort; a record without
  // a date has no place in time.
  const bool periods = IsPeriodGrouping(grouping);
  std::vector<const BreakdownGroup*> shown;
  for (const BreakdownGroup* g : groups)
    if (!periods || !g->isNull) shown.push_back(g);
  if (periods)
    std::stable_sort(shown.begin(), shown.end(),
                     [](const BreakdownGroup* a, const BreakdownGroup* b) { return a->periodStart < b->periodStart; });
  if (shown.empty()) {
    chart->legend()->hide();
    return chart;
  }

  const double allValue = all.Measure(measure);
  QXYSeries* points = periods ? static_cast<QXYSeries*>(new QLineSeries) : new QScatterSeries;
  points->setName(name);
  if (periods) points->setPointsVisible(true);
  if (auto* dots = qobject_cast<QScatterSeries*>(points)) dots->setMarkerSize(9);
  QStringList categories, tips;
  QSet<QString> used;
  double low = std::isnan(allValue) ? std::numeric_limits<double>::infinity() : allValue;
  double high = std::isnan(allValue) ? -std::numeric_limits<double>::infinity() : allValue;
  for (const BreakdownGroup* g : shown) {
    // Category names must differ; a text value may read like another's.
    QString label = g->label;
    while (used.contains(label)) label += QLatin1Char(' ');
    used.insert(label);
    const double v = g->Measure(measure);
    if (!std::isnan(v)) {  // a group without a value keeps its place, without a point
      points->append(double(categories.size()), v);
      tips << QStringLiteral("%1: %2 %3").arg(g->label, name, valueText(v));
      low = std::min(low, v);
      high = std::max(high, v);
    }
    categories << label;
  }
  if (!std::isfinite(low)) low = high = 0;
  tipsOnHover(points, tips);

  auto* x = new QBarCategoryAxis;
  x->append(categories);
  x->setTitleText(groupName);
  if (categories.size() > 12) x->setLabelsAngle(-90);
  QCategoryAxis* y = valueAxis(name, low, high);
  // Small type on the axes: a year of weeks or days needs the room, and a
  // window below the main window's buttons is short.
  for (QAbstractAxis* axis : {static_cast<QAbstractAxis*>(x), static_cast<QAbstractAxis*>(y)}) {
    QFont labels = axis->labelsFont();
    labels.setPointSizeF(std::max(6.0, labels.pointSizeF() - 1.5));
    axis->setLabelsFont(labels);
  }
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  attach(chart, points, x, y);
  attach(chart, referenceLine(allValue, int(categories.size())), x, y);
  return chart;
}
