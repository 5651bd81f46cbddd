#pragma once
// Distinct value lists: the sorted distinct values of one column of
// tblYieldReport as texts. Element 0 is always the empty text and carries no
// value; elements 1 to n hold the values ("" for Null). Failures pass to the
// caller, and the list then holds what was built up to that point.
#include <QStringList>

namespace modReportGeneration {

void ListJobNames(QStringList& list);
void ListMaterials(QStringList& list);
void ListSuppliers(QStringList& list);
void ListWidths(QStringList& list);
void ListDates(QStringList& list);

}  // namespace modReportGeneration
