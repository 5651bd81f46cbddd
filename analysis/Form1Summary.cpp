// The summary: length totals and length-weighted yields of the records the
// record grid shows, written cell by cell into the summary grid.
#include "Form1.h"
#include "YieldColumns.h"
#include "common/AppInfo.h"
#include "common/ErrorBoxes.h"
#include "common/RuntimeErrors.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using modReportGeneration::GridColumn;
using modReportGeneration::YieldColumn;

// Record grid column of the date, and of the four lengths.
constexpr int kDateCol = GridColumn(YieldColumn::BDate);
constexpr int kBoardLengthCol = GridColumn(YieldColumn::BoardLength);
constexpr int kNetLengthCol = GridColumn(YieldColumn::NetBoardLength);
constexpr int kClearLengthCol = GridColumn(YieldColumn::ClearLength);
constexpr int kPartsCutCol = GridColumn(YieldColumn::LengthPartsCut);

double checked(double v) {
  if (!std::isfinite(v)) RaiseError(kErrOverflow, QStringLiteral("Overflow"), AppSourceName());
  return v;
}

double cellNumber(const GridControl& grid, int row, int col, const QLocale& locale) {
  // A number value is exactly what its cell text reads back to: skip the text.
  double v = 0;
  if (grid.NumberMatrix(row, col, v)) return v;
  const QString text = grid.TextMatrix(row, col);
  bool ok = false;
  v = locale.toDouble(text.trimmed(), &ok);
  if (!ok)
    RaiseError(kErrTypeMismatch,
               QStringLiteral("Type mismatch: '%1' in row %2, column %3 is not a number").arg(text).arg(row).arg(col),
               AppSourceName());
  return v;
}

// A block of values added to a sum one after another. Apart, so that the
// running sum stays in a register: inlined where the sum lives across calls,
// it was kept in memory, and each addition waited on the store before it.
[[gnu::noinline]] double addedInOrder(double sum, const double* values, int count) {
  for (int i = 0; i < count; ++i) sum += values[i];
  return sum;
}

// Added in row order, as one by one: the same total to the last bit. The
// number values come in blocks; a cell without one is read from its text
// (or refused) in its turn, after the sum so far is checked, so the first
// fault met is the one reported.
double columnSum(const GridControl& grid, int col, int lastRow) {
  const QLocale locale;
  constexpr int kBlock = 4096;
  std::vector<double> values(kBlock);
  double sum = 0;
  for (int r = 1; r <= lastRow;) {
    const int n = std::min(kBlock, lastRow - r + 1);
    const int numbers = grid.NumberMatrices(r, col, n, values.data());
    sum = addedInOrder(sum, values.data(), numbers);
    r += numbers;
    if (numbers < n) sum = checked(checked(sum) + cellNumber(grid, r++, col, locale));
  }
  return checked(sum);
}

double percent(double part, double whole) {
  const double scaled = checked(part * 100);
  if (whole == 0) RaiseError(kErrDivisionByZero, QStringLiteral("Division by zero"), AppSourceName());
  return checked(scaled / whole);
}

QString formatted(double v) { return QLocale().toString(v, 'f', 2); }

// The count of the records summed and their dates' span, for the printout's
// heading. The grid is in date order, records without a date first.
QString recordsSummed(const GridControl& grid, int lastRow) {
  QString text = QStringLiteral("Records summed: %1").arg(QLocale().toString(lastRow));
  int first = 1;
  while (first <= lastRow && grid.TextMatrix(first, kDateCol).isEmpty()) ++first;
  if (first <= lastRow)
    text +=
        QStringLiteral(", dated %1 to %2").arg(grid.TextMatrix(first, kDateCol), grid.TextMatrix(lastRow, kDateCol));
  return text;
}

}  // namespace

void Form1::cmdSummary_Click() {
  TrapInWindowBox([&] {
    if (fgRS->Rows() < 2) return;
    fgSummary->SetTextMatrix(2, 2, cmboSupplier->currentText());
    fgSummary->SetTextMatrix(2, 3, cmboMaterial->currentText());
    fgSummary->SetTextMatrix(2, 4, cmboWidth->currentText());
    fgSummary->SetTextMatrix(2, 5, cmboDate[0]->currentText());
    fgSummary->SetTextMatrix(2, 6, cmboDate[1]->currentText());
    const int last = fgRS->Rows() - 1;
    summaryNumbers_.clear();  // a failure below leaves the rest out of the export
    summaryHeading_ = {QStringLiteral("Filter: ") + PicksText(), recordsSummed(*fgRS, last)};

    const double t = columnSum(*fgRS, kBoardLengthCol, last);
    fgSummary->SetTextMatrix(4, 2, formatted(summaryNumbers_[4] = t));
    const double n = columnSum(*fgRS, kNetLengthCol, last);
    fgSummary->SetTextMatrix(5, 2, formatted(summaryNumbers_[5] = n));
    const double c = columnSum(*fgRS, kClearLengthCol, last);
    fgSummary->SetTextMatrix(6, 2, formatted(summaryNumbers_[6] = c));
    fgSummary->SetTextMatrix(7, 2, formatted(summaryNumbers_[7] = percent(c, n)));
    const double p = columnSum(*fgRS, kPartsCutCol, last);
    fgSummary->SetTextMatrix(8, 2, formatted(summaryNumbers_[8] = p));
    fgSummary->SetTextMatrix(10, 2, formatted(summaryNumbers_[10] = percent(p, t)));
    fgSummary->SetTextMatrix(11, 2, formatted(summaryNumbers_[11] = percent(p, n)));
    fgSummary->SetTextMatrix(12, 2, formatted(summaryNumbers_[12] = percent(p, c)));
    fgSummary->AutoSize(1, fgSummary->Cols() - 1, false, 50);
  });
}
