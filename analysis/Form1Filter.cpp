// The record filter: the picks of the filter lists become the filter of the
// window's recordset, and the bound record grid follows it.
#include "Form1.h"
#include "YieldColumns.h"
#include "common/ErrorBoxes.h"
#include "table/ValueParse.h"

using modReportGeneration::ColumnName;
using modReportGeneration::YieldColumn;

namespace {

// Only a list's first entry, "ALL", means no restriction: a stored value
// that happens to read "ALL" is a value like any other.
bool noRestriction(const QComboBox* list) { return list->currentIndex() == 0; }

// A list text inside a quoted literal: quotes doubled, so a value such as
// Pete's Oak matches itself instead of breaking the filter.
QString quoted(const QString& text) {
  QString t = text;
  t.replace(u'\'', QStringLiteral("''"));
  return QStringLiteral("'") + t + QStringLiteral("'");
}

bool isDate(const QString& text) {
  qint32 day;
  return ParseDate(text, day);
}

// A date bound as the filter reads it; a list without any date gives the
// empty literal, which no record satisfies.
QString bound(const QString& text) { return isDate(text) ? text : QStringLiteral("''"); }

}  // namespace

void Form1::cmdFilter_Click() {
  TrapInWindowBox([&] {
    if (!mrsYield) return;
    filterInForce_.clear();
    mrsYield->SetFilter(QString());
    if (mrsYield->RecordCount() < 1) return;

    QString filter;
    const struct {
      QComboBox* list;
      YieldColumn column;
    } criteria[] = {
        {cmboMaterial, YieldColumn::Material}, {cmboSupplier, YieldColumn::Supplier}, {cmboWidth, YieldColumn::Width}};
    for (const auto& c : criteria) {
      if (noRestriction(c.list)) continue;
      const QString text = c.list->currentText();
      filter += (filter.isEmpty() ? QString() : QStringLiteral("AND ")) + ColumnName(c.column) + QStringLiteral(" = ") +
                quoted(text);
    }

    // "ALL" dates take the widest bounds: the first date of the list (the
    // empty entry of undated records sorts before it) and its last entry.
    QString start = cmboDate[0]->currentText();
    if (noRestriction(cmboDate[0])) {
      start.clear();
      for (int i = 1; i < cmboDate[0]->count() && start.isEmpty(); ++i)
        if (isDate(cmboDate[0]->itemText(i))) start = cmboDate[0]->itemText(i);
    }
    QString end = cmboDate[1]->currentText();
    if (noRestriction(cmboDate[1])) end = cmboDate[1]->itemText(cmboDate[1]->count() - 1);

    const QString& date = ColumnName(YieldColumn::BDate);
    filter += (filter.isEmpty() ? QString() : QStringLiteral(" And ")) + date + QStringLiteral(" >= ") + bound(start) +
              QStringLiteral(" AND ") + date + QStringLiteral(" <=") + bound(end);
    mrsYield->SetFilter(filter);
    filterInForce_ = PicksText();
  });
  RecordsShownChanged();
}

QString Form1::PicksText() const {
  return QStringLiteral("Supplier %1, Material %2, Width %3, Start Date %4, End Date %5")
      .arg(cmboSupplier->currentText(), cmboMaterial->currentText(), cmboWidth->currentText(),
           cmboDate[0]->currentText(), cmboDate[1]->currentText());
}
