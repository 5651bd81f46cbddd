#include "YieldReportImport.h"

#include "AppInfo.h"
#include "ErrorBoxes.h"
#include "ReportDatabase.h"
#include "ReportFileReader.h"
#include "RuntimeErrors.h"

#include <QDir>

#include <array>
#include <optional>

namespace modReportGeneration {

namespace {

// The columns of the fourteen fields of a report line, by field position.
const std::array<QString, 14> kFieldColumns = {
    QStringLiteral("BDate"),          QStringLiteral("Btime"),         QStringLiteral("Operator"),
    QStringLiteral("Supplier"),       QStringLiteral("Type"),          QStringLiteral("Material"),
    QStringLiteral("Width"),          QStringLiteral("BoardLength"),   QStringLiteral("LengthPartsCut"),
    QStringLiteral("TotalYieldPer"),  QStringLiteral("NetBoardLength"), QStringLiteral("ClearLength"),
    QStringLiteral("ClearPer"),       QStringLiteral("ClearYieldPer")};

Recordset& sharedRecordset() {
  if (!YieldRecordset)
    RaiseError(91, QStringLiteral("Object variable or With block variable not set"), AppSourceName());
  return *YieldRecordset;
}

// Runs one step of the row pass; a failure shows its box and the pass goes
// on with the next step.
template <typename Step>
void trapped(Step&& step) {
  try {
    step();
  } catch (...) {
    ShowErrorBox(CurrentError());
  }
}

}  // namespace

void ImportYieldReportFile(const QString& path) {
  QStringList lines;
  try {
    if (path == ProgramFolder() + QDir::separator() + QStringLiteral("ReportGenTemplate.mdb")) return;
    lines = ReadReportLines(path);
  } catch (...) {
    // A file that cannot be opened or read ends its import after one box.
    ShowErrorBox(CurrentError());
    return;
  }

  // The fields are looked up once per file when the recordset allows it;
  // otherwise every assignment looks its field up and reports its own failure.
  std::array<std::optional<Field>, 14> fields;
  try {
    for (size_t k = 0; k < kFieldColumns.size(); ++k) fields[k] = sharedRecordset().Fields(kFieldColumns[k]);
  } catch (...) {
    fields = {};
  }

  for (const QString& line : lines) {
    const QList<QStringView> values = QStringView(line).split(u',');
    trapped([] { sharedRecordset().AddNew(); });
    for (size_t k = 0; k < kFieldColumns.size(); ++k) {
      trapped([&] {
        if (qsizetype(k) >= values.size())
          RaiseError(kErrSubscript, QStringLiteral("Subscript out of range"), AppSourceName());
        Field field = fields[k] ? *fields[k] : sharedRecordset().Fields(kFieldColumns[k]);
        field.SetValue(values[qsizetype(k)]);
      });
    }
    trapped([] { sharedRecordset().Update(); });
  }
}

}  // namespace modReportGeneration
