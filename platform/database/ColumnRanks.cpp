#include "ColumnRanks.h"

#include "KeyIndex.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numeric>

namespace {

uint64_t keyOf(const ColumnStore::Column& c, uint32_t row) {
  switch (c.type) {
    case ColumnType::Text: return c.text[row];
    case ColumnType::Number: return DoubleKey(c.number[row]);
    case ColumnType::Date: return uint32_t(c.date[row]);
  }
  return 0;
}

}  // namespace

ColumnRanks RankColumn(const ColumnStore& store, int column, const std::vector<uint32_t>& rows) {
  const ColumnStore::Column& c = store.At(column);
  ColumnRanks ranks;
  ranks.rankOfRow.assign(size_t(store.RowCount()), 0);
  // Distinct non-null values, each with a row that holds it.
  KeyIndex index(64);
  std::vector<uint32_t> firstRows;
  for (uint32_t r : rows) {
    if (store.IsNull(column, r)) {
      ranks.hasNull = true;
      continue;
    }
    bool inserted;
    index.FindOrInsert(keyOf(c, r), uint32_t(firstRows.size()), inserted);
    if (inserted) firstRows.push_back(r);
  }
  std::sort(firstRows.begin(), firstRows.end(), [&](uint32_t a, uint32_t b) {
    switch (c.type) {
      case ColumnType::Text: return CompareText(store.Pool().At(c.text[a]), store.Pool().At(c.text[b])) < 0;
      case ColumnType::Number: return c.number[a] < c.number[b];
      case ColumnType::Date: return c.date[a] < c.date[b];
    }
    return false;
  });
  KeyIndex rankOfKey(firstRows.size() + 1);
  ranks.rowOfRank.assign(1, 0);
  for (uint32_t r : firstRows) {
    bool inserted;
    rankOfKey.FindOrInsert(keyOf(c, r), uint32_t(ranks.rowOfRank.size()), inserted);
    ranks.rowOfRank.push_back(r);
  }
  for (uint32_t r : rows)
    if (!store.IsNull(column, r)) ranks.rankOfRow[r] = rankOfKey.Find(keyOf(c, r));
  return ranks;
}

std::vector<uint32_t> SortRows(const ColumnStore& store, const std::vector<int>& columns,
                               const std::vector<uint32_t>& rows) {
  std::vector<ColumnRanks> ranks;
  int bits = 0;
  for (int col : columns) {
    ranks.push_back(RankColumn(store, col, rows));
    bits += std::bit_width(ranks.back().rowOfRank.size());
  }
  std::vector<uint32_t> sorted = rows;
  if (bits <= 64 - 0) {
    // All keys fit one 64-bit word: sort (key, position) pairs, which keeps ties in order.
    std::vector<std::pair<uint64_t, uint32_t>> keyed(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
      uint64_t key = 0;
      for (size_t k = 0; k < ranks.size(); ++k)
        key = (key << std::bit_width(ranks[k].rowOfRank.size())) | ranks[k].rankOfRow[rows[i]];
      keyed[i] = {key, uint32_t(i)};
    }
    std::sort(keyed.begin(), keyed.end());
    for (size_t i = 0; i < rows.size(); ++i) sorted[i] = rows[keyed[i].second];
    return sorted;
  }
  std::stable_sort(sorted.begin(), sorted.end(), [&](uint32_t a, uint32_t b) {
    for (const ColumnRanks& r : ranks)
      if (r.rankOfRow[a] != r.rankOfRow[b]) return r.rankOfRow[a] < r.rankOfRow[b];
    return false;
  });
  return sorted;
}
