#pragma once
// The chart of one yield measure of a breakdown: a bar per group, or a line
// over time for days, weeks and months, with the "All" value as a dashed
// reference line. Values show on hover.
#include "YieldBreakdown.h"

#include <vector>

class QChart;

// Measures the chart offers, in the order of its drop-down.
const std::vector<BreakdownMeasure>& ChartMeasures();

// A new chart (the caller owns it) of the groups in the given order; period
// groupings are drawn in time order, groups without a date left out.
QChart* MakeBreakdownChart(const std::vector<const BreakdownGroup*>& groups, const BreakdownGroup& all,
                           BreakdownGrouping grouping, BreakdownMeasure measure);
