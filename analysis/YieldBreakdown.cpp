#include "YieldBreakdown.h"

#include "YieldColumns.h"
#include "common/AppInfo.h"
#include "common/ErrorInfo.h"
#include "common/RuntimeErrors.h"
#include "database/Recordset.h"
#include "table/SideThread.h"
#include "table/ValueText.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <numeric>
#include <optional>
#include <unordered_map>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

using modReportGeneration::ColumnName;
using modReportGeneration::YieldColumn;

int requiredColumn(const ColumnStore& store, YieldColumn column) {
  const QString& name = ColumnName(column);
  const int c = store.FindColumn(name);
  if (c < 0)
    RaiseError(kErrNotInCollection, QStringLiteral("Item not found in this collection: %1").arg(name), AppSourceName());
  return c;
}

YieldColumn columnOf(BreakdownGrouping g) {
  switch (g) {
    case BreakdownGrouping::Supplier: return YieldColumn::Supplier;
    case BreakdownGrouping::Material: return YieldColumn::Material;
    case BreakdownGrouping::Width: return YieldColumn::Width;
    case BreakdownGrouping::Operator: return YieldColumn::Operator;
    case BreakdownGrouping::Type: return YieldColumn::Type;
    default: return YieldColumn::BDate;
  }
}

// A period as one ordered number, and its first day.
qint64 periodKey(BreakdownGrouping g, qint32 day, QDate& start) {
  const QDate d = QDate::fromJulianDay(day);
  if (g == BreakdownGrouping::Week) {
    int year = 0;
    const int week = d.weekNumber(&year);
    start = d.addDays(1 - d.dayOfWeek());  // ISO weeks start on Monday
    return qint64(year) * 100 + week;
  }
  if (g == BreakdownGrouping::Month) {
    start = QDate(d.year(), d.month(), 1);
    return qint64(d.year()) * 12 + d.month() - 1;
  }
  start = d;
  return day;
}

QString periodLabel(BreakdownGrouping g, qint32 day, const QDate& start) {
  if (g == BreakdownGrouping::Week) {
    int year = 0;
    const int week = QDate::fromJulianDay(day).weekNumber(&year);
    return QStringLiteral("%1-W%2").arg(year).arg(week, 2, 10, QLatin1Char('0'));
  }
  if (g == BreakdownGrouping::Month)
    return QStringLiteral("%1-%2").arg(start.year()).arg(start.month(), 2, 10, QLatin1Char('0'));
  return DateText(day);
}

// A group while the rows are read: its key orders the groups afterwards.
struct Found {
  BreakdownGroup group;
  uint32_t textId = 0;
  double number = 0;
  qint64 period = 0;
};

// Maps each row to its group, creating groups as their values first appear.
class GroupFinder {
 public:
  GroupFinder(const ColumnStore& store, int column, BreakdownGrouping grouping)
      : store_(store), column_(column), grouping_(grouping), data_(store.At(column)) {
    if (data_.type == ColumnType::Text) byText_.assign(store.Pool().Size(), -1);
  }

  // The group of a key read from the row.
  int GroupOf(uint64_t key, qint64 row) {
    switch (data_.type) {
      case ColumnType::Text: return OfText(uint32_t(key));
      case ColumnType::Number: {
        double v;
        if (numberCodes_) {
          v = NumberColumn::NarrowValue(int16_t(uint16_t(key)));
        } else {
          std::memcpy(&v, &key, sizeof v);
        }
        return OfNumber(v, row);
      }
      case ColumnType::Date: return OfDate(qint32(uint32_t(key)));
    }
    return 0;
  }

  // Number keys come as the column's 2-byte codes, not as a number's bits.
  void TakeNumberCodes() { numberCodes_ = true; }

  std::vector<Found>& Groups() { return found_; }

 private:
  int Add(QString label, bool isNull) {
    Found f;
    f.group.label = isNull ? QStringLiteral("(none)") : std::move(label);
    f.group.isNull = isNull;
    found_.push_back(std::move(f));
    return int(found_.size() - 1);
  }

  int OfText(uint32_t id) {
    int& g = byText_[id];
    if (g < 0) {
      g = Add(store_.Pool().At(id), id == 0);
      found_[size_t(g)].textId = id;
    }
    return g;
  }

  int OfNumber(double v, qint64 row) {
    if (std::isnan(v)) return nullGroup_ >= 0 ? nullGroup_ : (nullGroup_ = Add(QString(), true));
    if (v == 0) v = 0;  // -0 and 0 are one value
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    if (bits == lastKey_ && lastGroup_ >= 0) return lastGroup_;
    // A column holds a few values (widths): most rows find theirs in a
    // small table in front of the map.
    Recent& recent = recent_[size_t((bits * 0x9E3779B97F4A7C15ull) >> 56)];
    if (recent.group >= 0 && recent.bits == bits) {
      lastKey_ = bits;
      return lastGroup_ = recent.group;
    }
    auto [it, added] = byKey_.try_emplace(bits, int(found_.size()));
    if (added) {
      Add(store_.Text(column_, row), false);
      found_.back().number = v;
    }
    recent = {bits, it->second};
    lastKey_ = bits;
    return lastGroup_ = it->second;
  }

  int OfDate(qint32 day) {
    if (day == kNullDate) return nullGroup_ >= 0 ? nullGroup_ : (nullGroup_ = Add(QString(), true));
    if (uint64_t(uint32_t(day)) == lastKey_ && lastGroup_ >= 0) return lastGroup_;
    auto [dayIt, newDay] = byDay_.try_emplace(day, 0);
    if (newDay) {
      QDate start;
      const qint64 key = periodKey(grouping_, day, start);
      auto [it, added] = byKey_.try_emplace(uint64_t(key), int(found_.size()));
      if (added) {
        Add(periodLabel(grouping_, day, start), false);
        found_.back().period = key;
        found_.back().group.periodStart = start;
      }
      dayIt->second = it->second;
    }
    lastKey_ = uint64_t(uint32_t(day));
    return lastGroup_ = dayIt->second;
  }

  const ColumnStore& store_;
  int column_;
  BreakdownGrouping grouping_;
  const ColumnStore::Column& data_;
  std::vector<Found> found_;
  std::vector<int> byText_;
  std::unordered_map<uint64_t, int> byKey_;
  struct Recent {
    uint64_t bits = 0;
    int group = -1;
  };
  std::array<Recent, 256> recent_{};
  std::unordered_map<qint32, int> byDay_;
  uint64_t lastKey_ = 0;
  int lastGroup_ = -1;
  int nullGroup_ = -1;
  bool numberCodes_ = false;
};

// Null first, then values in the order the filter lists use.
bool naturallyBefore(const Found& a, const Found& b, ColumnType type) {
  if (a.group.isNull != b.group.isNull) return a.group.isNull;
  switch (type) {
    case ColumnType::Text: return CompareText(a.group.label, b.group.label) < 0;
    case ColumnType::Number: return a.number < b.number;
    case ColumnType::Date: return a.period < b.period;
  }
  return false;
}

// A row's cells as the breakdown reads them, handed from the reading thread
// to the summing one. Columns of 2-byte hundredths travel as they are (12
// bytes a row, not 40: the handing over, not the reading, bounded the
// breakdown) and become numbers where they are summed.
struct NarrowCells {
  uint32_t key;        // the text's pool id, the number's 2-byte code or the day
  int16_t lengths[4];  // board, net, clear, parts
  double Length(int i) const { return NumberColumn::NarrowValue(lengths[i]); }
};
// Any other form of the columns.
struct WideCells {
  uint64_t key;  // the text's pool id, the number's bits or the day
  double lengths[4];
  double Length(int i) const { return lengths[i]; }
};
constexpr qint64 kBlockRows = 8192;
constexpr int kRingSlots = 4;
// Of every kShare blocks, the first is read by the thread that sums them
// all, the others beside: the summing, where the lengths become numbers, is
// the larger part of the work. Should the reader beside fall behind, the
// summing thread reads its blocks too.
constexpr qint64 kShare = 16;

// A record's lengths into a group's sums (a BreakdownGroup, or Sums below).
template <class Group>
void add(Group& g, double t, double n, double c, double p) {
  ++g.records;
  g.total += t;
  g.net += n;
  g.clear += c;
  g.parts += p;
}

// A group's counts and sums while its rows are added.
struct Sums {
  Sums() = default;
  explicit Sums(const BreakdownGroup& g)
      : records(g.records), leftOut(g.leftOut), total(g.total), net(g.net), clear(g.clear), parts(g.parts) {}
  void Into(BreakdownGroup& g) const {
    g.records = records;
    g.leftOut = leftOut;
    g.total = total;
    g.net = net;
    g.clear = clear;
    g.parts = parts;
  }
  long long records = 0, leftOut = 0;
  double total = 0, net = 0, clear = 0, parts = 0;
};

double percent(double part, double whole) {
  if (whole == 0) return kNaN;
  const double v = part * 100 / whole;
  return std::isfinite(v) ? v : kNaN;
}

double orNaN(double v) { return std::isfinite(v) ? v : kNaN; }

// Reads rows [from, to) of the grid into out.
template <class Cells>
using CellReader = std::function<void(qint64 from, qint64 to, Cells* out)>;

template <class KeyOf>
CellReader<NarrowCells> narrowReader(KeyOf keyOf, const uint32_t* rows, const int16_t* const (&l)[4]) {
  // The grid's rows lie close to one another in the store: no fetching
  // ahead, and no asking each cell's column for its form.
  return [=, b = l[0], n = l[1], c = l[2], p = l[3]](qint64 from, qint64 to, NarrowCells* out) {
    for (qint64 v = from; v < to; ++v, ++out) {
      const size_t row = rows[v];
      *out = {keyOf(row), {b[row], n[row], c[row], p[row]}};
    }
  };
}

// A plain loop for the common forms of the columns: the lengths as 2-byte
// hundredths, the key a 1-byte text code, a 2-byte number or a day. None
// where a column has another form; numberCodes tells that the keys are a
// number column's codes.
std::optional<CellReader<NarrowCells>> narrowRowReader(const ColumnStore& store, int keyColumn, const uint32_t* rows,
                                                       const NumberColumn* const (&lengths)[4], bool& numberCodes) {
  const int16_t* narrow[4];
  for (int i = 0; i < 4; ++i)
    if ((narrow[i] = lengths[i]->Narrow()) == nullptr) return std::nullopt;
  const ColumnStore::Column& key = store.At(keyColumn);
  numberCodes = false;
  if (key.type == ColumnType::Text && key.text.ByteCodes()) {
    const uint8_t* codes = key.text.ByteCodes();
    const TextColumn* text = &key.text;
    return narrowReader([=](size_t row) -> uint32_t { return text->IdOfCode(codes[row]); }, rows, narrow);
  }
  if (key.type == ColumnType::Number && key.number.Narrow()) {
    const int16_t* numbers = key.number.Narrow();
    numberCodes = true;
    return narrowReader([=](size_t row) -> uint32_t { return uint16_t(numbers[row]); }, rows, narrow);
  }
  if (key.type == ColumnType::Date) {
    const qint32* days = key.date.data();
    return narrowReader([=](size_t row) -> uint32_t { return uint32_t(days[row]); }, rows, narrow);
  }
  return std::nullopt;
}

// Any form: each cell's column asked for its value.
CellReader<WideCells> wideRowReader(const ColumnStore& store, int keyColumn, const uint32_t* rows,
                                    const NumberColumn* const (&lengths)[4]) {
  return [&store, keyColumn, rows, lengths](qint64 from, qint64 to, WideCells* out) {
    const ColumnStore::Column& key = store.At(keyColumn);
    const auto keyOf = [&](size_t row) -> uint64_t {
      switch (key.type) {
        case ColumnType::Text: return key.text[row];
        case ColumnType::Number: {
          const double v = key.number[row];
          uint64_t bits;
          std::memcpy(&bits, &v, sizeof bits);
          return bits;
        }
        case ColumnType::Date: return uint32_t(key.date[row]);
      }
      return 0;
    };
    for (qint64 v = from; v < to; ++v, ++out) {
      const size_t row = rows[v];
      *out = {keyOf(row), {(*lengths[0])[row], (*lengths[1])[row], (*lengths[2])[row], (*lengths[3])[row]}};
    }
  };
}

// Reads the shown rows block by block and sums each block in the rows'
// order. Most blocks are read beside, into a ring of buffers, while this
// thread reads the others and sums every block in turn. A block is read by
// whichever thread claims it first: should the thread beside fall behind
// (the cores are shared), this one reads its blocks too.
template <class Cells, class Sum>
void readAndSum(qint64 shown, const CellReader<Cells>& read, const Sum& sum) {
  const qint64 blocks = (shown + kBlockRows - 1) / kBlockRows;
  const auto blockEnd = [&](qint64 k) { return std::min(shown, (k + 1) * kBlockRows); };
  std::vector<Cells> own(size_t(std::min<qint64>(shown, kBlockRows)));
  if (!WorthASecondThread(size_t(shown))) {
    for (qint64 k = 0; k < blocks; ++k) {
      read(k * kBlockRows, blockEnd(k), own.data());
      sum(own.data(), k * kBlockRows, blockEnd(k));
    }
    return;
  }
  std::vector<std::vector<Cells>> ring(kRingSlots, std::vector<Cells>(size_t(kBlockRows)));
  std::array<std::atomic<bool>, kRingSlots> full{};  // a slot holds its block, not yet summed
  std::vector<std::atomic<bool>> claimed(static_cast<size_t>(blocks));
  std::atomic<bool> stop{false};
  const auto slotOf = [](qint64 k) { return size_t((k / kShare * (kShare - 1) + k % kShare - 1) % kRingSlots); };
  RunBeside(
      [&] {
        for (qint64 k = 1; k < blocks && !stop; k += (k + 1) % kShare ? 1 : 2) {
          std::atomic<bool>& slot = full[slotOf(k)];
          slot.wait(true);  // until the block before in the slot is summed
          if (stop) return;
          if (claimed[size_t(k)].exchange(true)) continue;
          read(k * kBlockRows, blockEnd(k), ring[slotOf(k)].data());
          slot = true;
          slot.notify_one();
        }
      },
      [&] {
        try {
          for (qint64 k = 0; k < blocks; ++k) {
            if (!claimed[size_t(k)].exchange(true)) {
              read(k * kBlockRows, blockEnd(k), own.data());
              sum(own.data(), k * kBlockRows, blockEnd(k));
              continue;
            }
            std::atomic<bool>& slot = full[slotOf(k)];
            slot.wait(false);
            sum(ring[slotOf(k)].data(), k * kBlockRows, blockEnd(k));
            slot = false;
            slot.notify_one();
          }
        } catch (...) {
          stop = true;  // the reader beside may wait for a slot: free it
          for (std::atomic<bool>& slot : full) {
            slot = false;
            slot.notify_one();
          }
          throw;
        }
      });
}

// Adds rows [from, to) of the grid, read into cells, to their groups and to
// "All", in the rows' order: the same additions as the summary's, so the
// sums are its to the last bit. The running sums of "All" are kept out of
// memory; so are a group's while its rows follow one another, if inRuns.
// Returns how often the group changed from one row to the next.
template <bool inRuns, class Cells>
qint64 sumBlock(GroupFinder& finder, BreakdownGroup& allGroup, const Cells* cells, const uint32_t* rows, qint64 from,
                qint64 to) {
  std::vector<Found>& groups = finder.Groups();
  Sums all(allGroup);
  Sums run;
  int current = -1;
  qint64 changes = 0;
  for (const Cells* cell = cells; from < to; ++cell, ++from) {
    const int gi = finder.GroupOf(cell->key, rows[from]);  // may add a group: take references after
    if (gi != current) {
      ++changes;
      if (inRuns) {
        if (current >= 0) run.Into(groups[size_t(current)].group);
        run = Sums(groups[size_t(gi)].group);
      }
      current = gi;
    }
    const double t = cell->Length(0), n = cell->Length(1), c = cell->Length(2), p = cell->Length(3);
    const bool leftOut = std::isnan(t) || std::isnan(n) || std::isnan(c) || std::isnan(p);
    if (inRuns) {
      leftOut ? void(++run.leftOut) : add(run, t, n, c, p);
    } else {
      BreakdownGroup& g = groups[size_t(gi)].group;
      leftOut ? void(++g.leftOut) : add(g, t, n, c, p);
    }
    leftOut ? void(++all.leftOut) : add(all, t, n, c, p);
  }
  if (inRuns && current >= 0) run.Into(groups[size_t(current)].group);
  all.Into(allGroup);
  return changes;
}

}  // namespace

const QStringList& BreakdownGroupingNames() {
  static const QStringList names = {QStringLiteral("Supplier"), QStringLiteral("Material"), QStringLiteral("Width"),
                                    QStringLiteral("Operator"), QStringLiteral("Type"),     QStringLiteral("Day"),
                                    QStringLiteral("Week"),     QStringLiteral("Month")};
  return names;
}

bool IsPeriodGrouping(BreakdownGrouping g) {
  return g == BreakdownGrouping::Day || g == BreakdownGrouping::Week || g == BreakdownGrouping::Month;
}

QString BreakdownMeasureName(BreakdownMeasure m) {
  switch (m) {
    case BreakdownMeasure::TotalLength: return QStringLiteral("Total Length");
    case BreakdownMeasure::NetLength: return QStringLiteral("Net Length");
    case BreakdownMeasure::ClearLength: return QStringLiteral("Clear Length");
    case BreakdownMeasure::ClearPer: return QStringLiteral("Clear %");
    case BreakdownMeasure::PartsCut: return QStringLiteral("Length Parts Cut");
    case BreakdownMeasure::TotalYield: return QStringLiteral("Total Yield %");
    case BreakdownMeasure::NetYield: return QStringLiteral("Net Yield %");
    case BreakdownMeasure::ClearYield: return QStringLiteral("Clear Yield %");
  }
  return QString();
}

bool IsPercentMeasure(BreakdownMeasure m) {
  return m == BreakdownMeasure::ClearPer || m == BreakdownMeasure::TotalYield || m == BreakdownMeasure::NetYield ||
         m == BreakdownMeasure::ClearYield;
}

double BreakdownGroup::Measure(BreakdownMeasure m) const {
  // The summary's formulas: ratios of length sums, never averages of the
  // records' own percentages.
  switch (m) {
    case BreakdownMeasure::TotalLength: return orNaN(total);
    case BreakdownMeasure::NetLength: return orNaN(net);
    case BreakdownMeasure::ClearLength: return orNaN(clear);
    case BreakdownMeasure::ClearPer: return percent(clear, net);
    case BreakdownMeasure::PartsCut: return orNaN(parts);
    case BreakdownMeasure::TotalYield: return percent(parts, total);
    case BreakdownMeasure::NetYield: return percent(parts, net);
    case BreakdownMeasure::ClearYield: return percent(parts, clear);
  }
  return kNaN;
}

QString BreakdownNumberText(double value) { return std::isnan(value) ? QString() : QLocale().toString(value, 'f', 2); }

YieldBreakdown BreakDown(const Recordset* recordset, BreakdownGrouping grouping) {
  YieldBreakdown b;
  b.grouping = grouping;
  b.all.label = QStringLiteral("All");
  if (!recordset || !recordset->IsOpen()) return b;
  const ColumnStore& store = recordset->Store();
  const int keyColumn = requiredColumn(store, columnOf(grouping));
  const NumberColumn& board = store.At(requiredColumn(store, YieldColumn::BoardLength)).number;
  const NumberColumn& net = store.At(requiredColumn(store, YieldColumn::NetBoardLength)).number;
  const NumberColumn& clear = store.At(requiredColumn(store, YieldColumn::ClearLength)).number;
  const NumberColumn& parts = store.At(requiredColumn(store, YieldColumn::LengthPartsCut)).number;

  GroupFinder finder(store, keyColumn, grouping);
  b.shown = recordset->RecordCount();
  const uint32_t* rows = recordset->VisibleStoreRows();
  const NumberColumn* lengths[] = {&board, &net, &clear, &parts};

  // Blocks of rows have their key and lengths read into a buffer, and are
  // then summed from it, on this thread in the rows' order. A group's sums
  // stay in registers while its rows follow one another (a day's, a
  // material's in the grid's order); where groups change at almost every row
  // (a supplier's), they are added to in place. The block before tells which.
  bool inRuns = true;
  const auto sum = [&](const auto* cells, qint64 from, qint64 to) {
    const qint64 count = to - from;
    const qint64 changes = inRuns ? sumBlock<true>(finder, b.all, cells, rows, from, to)
                                  : sumBlock<false>(finder, b.all, cells, rows, from, to);
    inRuns = changes * 8 < count;
  };
  bool numberCodes = false;
  if (const auto narrow = narrowRowReader(store, keyColumn, rows, lengths, numberCodes)) {
    if (numberCodes) finder.TakeNumberCodes();
    readAndSum<NarrowCells>(b.shown, *narrow, sum);
  } else {
    readAndSum<WideCells>(b.shown, wideRowReader(store, keyColumn, rows, lengths), sum);
  }
  b.leftOut = b.all.leftOut;

  std::vector<Found>& found = finder.Groups();
  const ColumnType type = store.At(keyColumn).type;
  std::vector<size_t> order(found.size());
  std::iota(order.begin(), order.end(), size_t(0));
  std::sort(order.begin(), order.end(), [&](size_t x, size_t y) { return naturallyBefore(found[x], found[y], type); });
  b.groups.reserve(found.size());
  for (size_t i : order) b.groups.push_back(std::move(found[i].group));
  return b;
}
