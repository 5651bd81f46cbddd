#pragma once
// The sort order of a column's values as ranks: rank 0 is Null, ranks 1..n
// the distinct values in ascending order (texts by code point, numbers and
// dates by value). Sorting and DISTINCT over in-memory rows both use it.
#include "table/ColumnStore.h"

#include <cstdint>
#include <vector>

struct ColumnRanks {
  std::vector<uint32_t> rankOfRow;  // indexed by store row (rows not asked for: 0)
  std::vector<uint32_t> rowOfRank;  // a store row holding each rank's value; [0] unused
  bool hasNull = false;
};

ColumnRanks RankColumn(const ColumnStore& store, int column, const std::vector<uint32_t>& rows);
// The same without the rank of every row (left empty): for DISTINCT, which
// needs only the values.
ColumnRanks DistinctValues(const ColumnStore& store, int column, const std::vector<uint32_t>& rows);

// Rows ordered by the columns' values, Null first, ties in the given order.
std::vector<uint32_t> SortRows(const ColumnStore& store, const std::vector<int>& columns,
                               const std::vector<uint32_t>& rows);
