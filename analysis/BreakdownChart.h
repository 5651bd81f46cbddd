#pragma once
// The chart of one yield measure of a breakdown: a dot per group in the
// table's order, or per period in time order joined by a line, over one
// category per group labelled as the table labels it, with the "All" value
// as a dashed reference line. The value axis is fitted to the values, not
// from zero, with labelled ticks at both ends, so a point or two between
// groups shows; its labels carry two decimals in the locale's form, as the
// table does. Dots, not bars: a bar's length from a cut axis would mislead.
// Values show on hover.
#include "YieldBreakdown.h"

#include <vector>

class QChart;

// Measures the chart offers, in the order of its drop-down.
const std::vector<BreakdownMeasure>& ChartMeasures();

// A new chart (the caller owns it) of the groups in the given order; period
// groupings are drawn in time order, groups without a date left out. With
// no group the chart has its title only: no axis, series or legend.
QChart* MakeBreakdownChart(const std::vector<const BreakdownGroup*>& groups, const BreakdownGroup& all,
                           BreakdownGrouping grouping, BreakdownMeasure measure);
