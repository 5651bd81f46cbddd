#pragma once
// The columns of tblYieldReport, named once: their names in the order of
// store/schema.sql, and the record grid column that shows each (the grid
// shows the table's columns in stored order after its fixed column 0).
// The import, the lists, the filter, the summary and the breakdown take
// their names and positions from here; tst_store checks the list against
// the template database, so a reordered schema fails there, not in a sum.
#include <QLatin1StringView>
#include <QString>

#include <array>

namespace modReportGeneration {

// In the order of the table's columns.
enum class YieldColumn {
  JobName,
  BDate,
  Btime,
  Operator,
  Supplier,
  Material,
  Width,
  BoardLength,
  NetBoardLength,
  ClearLength,
  ClearPer,
  LengthPartsCut,
  TotalYieldPer,
  ClearYieldPer,
  Type,
};

inline constexpr std::array<const char*, 15> kYieldColumnNames = {
    "JobName",  "BDate",          "Btime",         "Operator",       "Supplier",
    "Material", "Width",          "BoardLength",   "NetBoardLength", "ClearLength",
    "ClearPer", "LengthPartsCut", "TotalYieldPer", "ClearYieldPer",  "Type"};

// The column's name as the table spells it (made once: the import names a
// column with every field it stores).
inline const QString& ColumnName(YieldColumn column) {
  static const auto names = [] {
    std::array<QString, kYieldColumnNames.size()> texts;
    for (size_t c = 0; c < texts.size(); ++c) texts[c] = QLatin1StringView(kYieldColumnNames[c]);
    return texts;
  }();
  return names[size_t(column)];
}

// The record grid column showing it.
constexpr int GridColumn(YieldColumn column) { return int(column) + 1; }

}  // namespace modReportGeneration
