#pragma once
// Length totals and length-weighted yields of the records a recordset shows,
// per group of one column (or one period of the board date). Each group's
// sums run in the records' shown order, as the summary's do, so the "All"
// row is the summary to the last bit.
#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

class Recordset;

enum class BreakdownGrouping { Supplier, Material, Width, Operator, Type, Day, Week, Month };

// Names as the window offers them, in the order of the enum.
const QStringList& BreakdownGroupingNames();
bool IsPeriodGrouping(BreakdownGrouping grouping);

// The measures of a group, in the summary's order.
enum class BreakdownMeasure {
  TotalLength,
  NetLength,
  ClearLength,
  ClearPer,
  PartsCut,
  TotalYield,
  NetYield,
  ClearYield
};
inline constexpr int kBreakdownMeasureCount = 8;
// The summary's own captions ("Total Length", ..., "Clear Yield %").
QString BreakdownMeasureName(BreakdownMeasure measure);
bool IsPercentMeasure(BreakdownMeasure measure);

struct BreakdownGroup {
  QString label;  // "(none)" for records without a value
  bool isNull = false;
  QDate periodStart;      // first day of the period, for period groupings
  long long records = 0;  // records in the sums
  long long leftOut = 0;  // records of the group missing a length
  double total = 0, net = 0, clear = 0, parts = 0;

  // NaN where the divisor is zero or the result does not fit a number.
  double Measure(BreakdownMeasure measure) const;
};

struct YieldBreakdown {
  BreakdownGrouping grouping = BreakdownGrouping::Supplier;
  std::vector<BreakdownGroup> groups;  // natural order: Null first, then by value
  BreakdownGroup all;                  // every record shown
  long long shown = 0;                 // records the grid shows
  long long leftOut = 0;               // of them, missing one of the four lengths
};

// The breakdown of the records the recordset shows now; an empty breakdown
// for a missing or closed recordset.
YieldBreakdown BreakDown(const Recordset* recordset, BreakdownGrouping grouping);

// A measure in the summary's format: two decimals in the locale's form; ""
// for NaN.
QString BreakdownNumberText(double value);
