#include "table/ColumnRanks.h"

#include "table/KeyIndex.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>

namespace {

uint64_t keyOf(const ColumnStore::Column& c, uint32_t row) {
  switch (c.type) {
    case ColumnType::Text: return c.text[row];
    case ColumnType::Number: return DoubleKey(c.number[row]);
    case ColumnType::Date: return uint32_t(c.date[row]);
  }
  return 0;
}

// Codes that index an array, 0 for Null, for the columns whose values lie
// close together: texts by pool id, days and hundredths by their distance
// from the smallest. Looking a value up is then one load instead of a hash
// probe, for every row of the table.
class DenseCodes {
 public:
  DenseCodes(const ColumnStore& store, const ColumnStore::Column& c, const std::vector<uint32_t>& rows) {
    // An array no larger than the rows themselves (or small anyway).
    const uint64_t limit = std::max<uint64_t>(rows.size(), uint64_t(1) << 16);
    if (c.type == ColumnType::Text) {
      if (c.text.Coded()) {
        codes_ = &c.text;
        count_ = c.text.CodeCount();
        return;
      }
      if (store.Pool().Size() >= limit) return;  // a pool shared with far more varied columns
      texts_ = &c.text;
      count_ = store.Pool().Size() + size_t(1);
      return;
    }
    const int32_t* values = nullptr;
    int32_t null = 0;
    if (c.type == ColumnType::Date) {
      values = c.date.data();
      null = kNullDate;
    } else if (c.number.Hundredths()) {
      values = c.number.Hundredths();
      null = NumberColumn::kNullHundredths;
    }
    const int16_t* narrow = c.type == ColumnType::Number ? c.number.Narrow() : nullptr;
    if ((!values && !narrow) || rows.empty()) return;
    int64_t low = std::numeric_limits<int64_t>::max(), high = std::numeric_limits<int64_t>::min();
    const auto span = [&](const auto* of, auto nullValue) {
      for (uint32_t r : rows)
        if (of[r] != nullValue) {
          low = std::min<int64_t>(low, of[r]);
          high = std::max<int64_t>(high, of[r]);
        }
    };
    if (narrow)
      span(narrow, NumberColumn::kNarrowNull);
    else
      span(values, null);
    if (low > high || uint64_t(high - low) >= limit) return;
    values_ = values;
    narrow_ = narrow;
    null_ = null;
    base_ = low - 1;
    count_ = size_t(high - low) + 2;
  }
  bool Usable() const { return count_ > 0; }
  size_t Count() const { return count_; }
  size_t CodeOf(uint32_t row) const {
    if (codes_) return codes_->CodeAt(row);
    if (texts_) return (*texts_)[row];
    if (narrow_) {
      const int16_t n = narrow_[row];
      return n == NumberColumn::kNarrowNull ? 0 : size_t(int64_t(n) - base_);
    }
    const int32_t v = values_[row];
    return v == null_ ? 0 : size_t(int64_t(v) - base_);
  }

 private:
  const TextColumn* codes_ = nullptr;  // the column's own codes
  const TextColumn* texts_ = nullptr;  // pool ids
  const int32_t* values_ = nullptr;
  const int16_t* narrow_ = nullptr;
  int32_t null_ = 0;
  int64_t base_ = 0;
  size_t count_ = 0;
};

// The rank of each row's value, looked up through dense codes when the
// column has them, through a hash of the values otherwise.
class Ranker {
 public:
  Ranker(const ColumnStore& store, int column, const std::vector<uint32_t>& rows)
      : store_(store), column_(column), c_(store.At(column)), dense_(store, c_, rows) {
    std::vector<uint32_t> firstRows = dense_.Usable() ? FirstRowsDense(rows) : FirstRowsHashed(rows);
    std::sort(firstRows.begin(), firstRows.end(), [&](uint32_t a, uint32_t b) {
      switch (c_.type) {
        case ColumnType::Text: return CompareText(store.Pool().At(c_.text[a]), store.Pool().At(c_.text[b])) < 0;
        case ColumnType::Number: return c_.number[a] < c_.number[b];
        case ColumnType::Date: return c_.date[a] < c_.date[b];
      }
      return false;
    });
    rowOfRank_.reserve(firstRows.size() + 1);
    rowOfRank_.push_back(0);
    if (dense_.Usable()) {
      rankOfCode_.assign(dense_.Count(), 0);
      for (uint32_t r : firstRows) {
        rankOfCode_[dense_.CodeOf(r)] = uint32_t(rowOfRank_.size());
        rowOfRank_.push_back(r);
      }
    } else {
      rankOfKey_ = KeyIndex(firstRows.size() + 1);
      for (uint32_t r : firstRows) {
        bool inserted;
        rankOfKey_.FindOrInsert(keyOf(c_, r), uint32_t(rowOfRank_.size()), inserted);
        rowOfRank_.push_back(r);
      }
    }
  }

  uint32_t RankOf(uint32_t row) const {
    if (dense_.Usable()) return rankOfCode_[dense_.CodeOf(row)];
    return store_.IsNull(column_, row) ? 0 : rankOfKey_.Find(keyOf(c_, row));
  }
  bool HasNull() const { return hasNull_; }
  std::vector<uint32_t>& RowOfRank() { return rowOfRank_; }
  size_t Ranks() const { return rowOfRank_.size(); }

 private:
  // Distinct non-null values, each with the first row that holds it.
  std::vector<uint32_t> FirstRowsDense(const std::vector<uint32_t>& rows) {
    std::vector<uint32_t> firstRows;
    std::vector<char> seen(dense_.Count(), 0);
    for (uint32_t r : rows) {
      const size_t code = dense_.CodeOf(r);
      if (seen[code]) continue;
      seen[code] = 1;
      if (code == 0)
        hasNull_ = true;
      else
        firstRows.push_back(r);
    }
    return firstRows;
  }
  std::vector<uint32_t> FirstRowsHashed(const std::vector<uint32_t>& rows) {
    std::vector<uint32_t> firstRows;
    KeyIndex index(64);
    for (uint32_t r : rows) {
      if (store_.IsNull(column_, r)) {
        hasNull_ = true;
        continue;
      }
      bool inserted;
      index.FindOrInsert(keyOf(c_, r), uint32_t(firstRows.size()), inserted);
      if (inserted) firstRows.push_back(r);
    }
    return firstRows;
  }

  const ColumnStore& store_;
  const int column_;
  const ColumnStore::Column& c_;
  const DenseCodes dense_;
  bool hasNull_ = false;
  std::vector<uint32_t> rowOfRank_;
  std::vector<uint32_t> rankOfCode_;
  KeyIndex rankOfKey_{1};
};

}  // namespace

namespace {
ColumnRanks ranksOf(const ColumnStore& store, int column, const std::vector<uint32_t>& rows, bool ofEachRow) {
  Ranker ranker(store, column, rows);
  ColumnRanks ranks;
  if (ofEachRow) {
    ranks.rankOfRow.assign(size_t(store.RowCount()), 0);
    for (uint32_t r : rows) ranks.rankOfRow[r] = ranker.RankOf(r);
  }
  ranks.hasNull = ranker.HasNull();
  ranks.rowOfRank = std::move(ranker.RowOfRank());
  return ranks;
}
}  // namespace

ColumnRanks RankColumn(const ColumnStore& store, int column, const std::vector<uint32_t>& rows) {
  return ranksOf(store, column, rows, true);
}

ColumnRanks DistinctValues(const ColumnStore& store, int column, const std::vector<uint32_t>& rows) {
  return ranksOf(store, column, rows, false);
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

// Sorts words by their bits from `low` up to `low + width`, keeping the order
// of words whose bits there are equal: a few counting passes over the array
// instead of a comparison sort, since ranks take few bits.
void radixSort(std::vector<uint64_t>& words, int low, int width) {
  constexpr int kDigitBits = 11;
  std::vector<uint64_t> moved(words.size());
  std::array<size_t, (size_t(1) << kDigitBits) + 1> start{};
  for (int shift = low; shift < low + width; shift += kDigitBits) {
    const int bits = std::min(kDigitBits, low + width - shift);
    const uint64_t mask = (uint64_t(1) << bits) - 1;
    start.fill(0);
    for (uint64_t w : words) ++start[size_t((w >> shift) & mask) + 1];
    if (std::find(start.begin() + 1, start.end(), words.size()) != start.end()) continue;  // one digit only
    for (size_t d = 1; d < start.size(); ++d) start[d] += start[d - 1];
    for (uint64_t w : words) moved[start[size_t((w >> shift) & mask)]++] = w;
    words.swap(moved);
  }
}

// The ranks of all keys in one 32-bit word per row, built one column at a
// time so that only one column's ranks are held at once; false when they
// need more bits.
bool narrowKeys(const ColumnStore& store, const std::vector<int>& columns, const std::vector<uint32_t>& rows,
                std::vector<uint32_t>& keys, int& bits) {
  keys.assign(rows.size(), 0);
  bits = 0;
  for (int col : columns) {
    const Ranker ranker(store, col, rows);
    const int width = std::bit_width(ranker.Ranks());
    bits += width;
    if (bits > 32) return false;
    for (size_t i = 0; i < rows.size(); ++i) keys[i] = (keys[i] << width) | ranker.RankOf(rows[i]);
  }
  return true;
}

// A stable counting sort on few-bit keys: one pass to count, one to place,
// and no array beside the keys and the result (a year of boards sorted by
// day, material and width takes about 18 bits).
constexpr int kCountingBits = 22;

std::vector<uint32_t> countingSort(const std::vector<uint32_t>& rows, const std::vector<uint32_t>& keys, int bits) {
  std::vector<uint32_t> start((size_t(1) << bits) + 1, 0);
  for (uint32_t k : keys) ++start[size_t(k) + 1];
  for (size_t k = 1; k < start.size(); ++k) start[k] += start[k - 1];
  std::vector<uint32_t> sorted(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) sorted[start[keys[i]]++] = rows[i];
  return sorted;
}

}  // namespace

std::vector<uint32_t> SortRows(const ColumnStore& store, const std::vector<int>& columns,
                               const std::vector<uint32_t>& rows) {
  {
    std::vector<uint32_t> narrow;
    int narrowBits = 0;
    if (rows.size() < std::numeric_limits<uint32_t>::max() && narrowKeys(store, columns, rows, narrow, narrowBits) &&
        narrowBits <= kCountingBits)
      return countingSort(rows, narrow, narrowBits);
  }
  // Otherwise the ranks of all keys in one 64-bit word, again one column at
  // a time.
  std::vector<uint64_t> keys(rows.size(), 0);
  int bits = 0;
  for (int col : columns) {
    const Ranker ranker(store, col, rows);
    const int width = std::bit_width(ranker.Ranks());
    bits += width;
    if (bits > 64) return sortByEachRank(store, columns, rows);
    for (size_t i = 0; i < rows.size(); ++i) keys[i] = (keys[i] << width) | ranker.RankOf(rows[i]);
  }
  std::vector<uint32_t> sorted(rows.size());
  const int positionBits = std::bit_width(rows.size());
  if (bits + positionBits <= 64) {
    // The position in the low bits keeps ties in order: the words start in
    // position order and every pass keeps the order of equal digits.
    for (size_t i = 0; i < rows.size(); ++i) keys[i] = (keys[i] << positionBits) | i;
    if (bits <= 44)
      radixSort(keys, positionBits, bits);
    else
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
