#include "DistinctLists.h"

#include "ReportDatabase.h"

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

void ListJobNames(QStringList& list) {
  ListDistinct(QStringLiteral("SELECT DISTINCT JobName FROM tblYieldReport order by jobname"),
               QStringLiteral("JobName"), list);
}

void ListMaterials(QStringList& list) {
  ListDistinct(QStringLiteral("SELECT DISTINCT material FROM tblYieldReport order by material"),
               QStringLiteral("Material"), list);
}

void ListSuppliers(QStringList& list) {
  ListDistinct(QStringLiteral("SELECT DISTINCT Supplier FROM tblYieldReport order by Supplier"),
               QStringLiteral("Supplier"), list);
}

void ListWidths(QStringList& list) {
  ListDistinct(QStringLiteral("SELECT DISTINCT Width FROM tblYieldReport order by Width"), QStringLiteral("Width"),
               list);
}

void ListDates(QStringList& list) {
  ListDistinct(QStringLiteral("SELECT DISTINCT bdate FROM tblYieldReport order by bdate"), QStringLiteral("bdate"),
               list);
}

}  // namespace modReportGeneration
