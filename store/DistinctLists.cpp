#include "DistinctLists.h"

#include "ReportDatabase.h"
#include "StoreStatements.h"

namespace modReportGeneration {

namespace {

void ListDistinct(const QString& statement, const QString& column, QStringList& list) {
  auto rs = std::make_shared<Recordset>();
  rs->Open(statement, ReportConnection, adOpenKeyset, adLockOptimistic, adCmdText);
  list = QStringList{QString()};
  if (rs->RecordCount() <= 0) return;
  rs->MoveFirst();
  while (!rs->Eof()) {
    list.append(rs->Fields(column).Text());
    rs->MoveNext();
  }
}

}  // namespace

void ListJobNames(QStringList& list) { ListDistinct(Statements::JobNames, QStringLiteral("JobName"), list); }

void ListMaterials(QStringList& list) { ListDistinct(Statements::Materials, QStringLiteral("Material"), list); }

void ListSuppliers(QStringList& list) { ListDistinct(Statements::Suppliers, QStringLiteral("Supplier"), list); }

void ListWidths(QStringList& list) { ListDistinct(Statements::Widths, QStringLiteral("Width"), list); }

void ListDates(QStringList& list) { ListDistinct(Statements::Dates, QStringLiteral("bdate"), list); }

}  // namespace modReportGeneration
