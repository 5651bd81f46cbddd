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

namespace {

// Any number of keys: every column's ranks at once, compared in turn.
std::vector<uint32_t> sortByEachRank(const ColumnStore& store, const std::vector<int>& columns,
                                     const std::vector<uint32_t>& rows) {
  std::vector<ColumnRanks> ranks;
  for (int col : columns) ranks.push_back(RankColumn(store, col, rows));
  std::vector<uint32_t> sorted = rows;
  std::stable_sort(sorted.begin(), sorted.end(), [&](uint32_t a, uint32_t b) {
    for (const ColumnRanks& r : ranks)
      if (r.rankOfRow[a] != r.rankOfRow[b]) return r.rankOfRow[a] < r.rankOfRow[b];
    return false;
  });
  return sorted;
}

}  // namespace

std::vector<uint32_t> SortRows(const ColumnStore& store, const std::vector<int>& columns,
                               const std::vector<uint32_t>& rows) {
  // The usual case: the ranks of all keys fit one 64-bit word, built one
  // column at a time so that only one column's ranks are held at once.
  std::vector<uint64_t> keys(rows.size(), 0);
  int bits = 0;
  for (int col : columns) {
    const ColumnRanks ranks = RankColumn(store, col, rows);
    const int width = std::bit_width(ranks.rowOfRank.size());
    bits += width;
    if (bits > 64) return sortByEachRank(store, columns, rows);
    for (size_t i = 0; i < rows.size(); ++i) keys[i] = (keys[i] << width) | ranks.rankOfRow[rows[i]];
  }
  std::vector<uint32_t> sorted(rows.size());
  const int positionBits = std::bit_width(rows.size());
  if (bits + positionBits <= 64) {
    // The position in the low bits keeps ties in order and makes every key
    // distinct: one plain sort of 8-byte words.
    for (size_t i = 0; i < rows.size(); ++i) keys[i] = (keys[i] << positionBits) | i;
    std::sort(keys.begin(), keys.end());
    const uint64_t mask = (uint64_t(1) << positionBits) - 1;
    for (size_t i = 0; i < rows.size(); ++i) sorted[i] = rows[size_t(keys[i] & mask)];
    return sorted;
  }
  std::vector<std::pair<uint64_t, uint32_t>> keyed(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) keyed[i] = {keys[i], uint32_t(i)};
  std::vector<uint64_t>().swap(keys);
  std::sort(keyed.begin(), keyed.end());
  for (size_t i = 0; i < rows.size(); ++i) sorted[i] = rows[keyed[i].second];
  return sorted;
}
