// Fuzzes the filter parser and its evaluation over a small set of rows with
// texts, numbers, dates and Nulls.
#include "common/ErrorInfo.h"
#include "table/ColumnStore.h"
#include "table/RecordFilter.h"

#include <QLocale>
#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {
ColumnStore& rows() {
  // Made in place: a store holds a lock, so it is neither copied nor moved.
  static ColumnStore* const store = [] {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    auto* made = new ColumnStore;
    ColumnStore& s = *made;
    s.AddColumn("Material", ColumnType::Text);
    s.AddColumn("Width", ColumnType::Number);
    s.AddColumn("BDate", ColumnType::Date);
    const char* materials[] = {"Oak", "Pete's Oak", "", "x' AND Supplier = 'y", "100%", "[Ash]", " Oak "};
    for (int i = 0; i < 7; ++i) {
      std::vector<CellValue> cells(3);
      if (*materials[i]) {
        cells[0].isNull = false;
        cells[0].text = s.Pool().Intern(QString::fromUtf8(materials[i]));
      }
      if (i % 3 != 0) {
        cells[1].isNull = false;
        cells[1].number = i * 1.5;
      }
      if (i % 4 != 1) {
        cells[2].isNull = false;
        cells[2].date = 2460000 + i;
      }
      s.AppendRow(cells);
    }
    return made;
  }();
  return *store;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  ColumnStore& store = rows();
  std::vector<uint32_t> all;
  for (uint32_t r = 0; r < store.RowCount(); ++r) all.push_back(r);
  try {
    RecordFilter filter = RecordFilter::Parse(text, store);
    const std::vector<uint32_t> passing = filter.Apply(store, all);
    size_t matches = 0;
    for (uint32_t r : all) matches += filter.Matches(store, r) ? 1 : 0;
    if (matches != passing.size() || passing.size() > all.size()) std::abort();
  } catch (const ErrorInfo& e) {
    if (e.Description.isEmpty()) std::abort();  // every refusal says why
  }
  return 0;
}
