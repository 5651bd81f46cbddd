#include "DistinctLists.h"

#include "ReportDatabase.h"
#include "StoreStatements.h"
#include "YieldColumns.h"

namespace modReportGeneration {

namespace {

void ListDistinct(const QString& statement, YieldColumn column, QStringList& list) {
  auto rs = std::make_shared<Recordset>();
  rs->Open(statement, ReportConnection, adOpenKeyset, adLockOptimistic, adCmdText);
  list = QStringList{QString()};
  if (rs->RecordCount() <= 0) return;
  rs->MoveFirst();
  while (!rs->Eof()) {
    list.append(rs->Fields(ColumnName(column)).Text());
    rs->MoveNext();
  }
}

}  // namespace

void ListJobNames(QStringList& list) { ListDistinct(Statements::JobNames, YieldColumn::JobName, list); }

void ListMaterials(QStringList& list) { ListDistinct(Statements::Materials, YieldColumn::Material, list); }

void ListSuppliers(QStringList& list) { ListDistinct(Statements::Suppliers, YieldColumn::Supplier, list); }

void ListWidths(QStringList& list) { ListDistinct(Statements::Widths, YieldColumn::Width, list); }

void ListDates(QStringList& list) { ListDistinct(Statements::Dates, YieldColumn::BDate, list); }

}  // namespace modReportGeneration
