#include "database/RecordTextCopy.h"

#include "database/Recordset.h"
#include "table/KeyIndex.h"

#include <sys/mman.h>

#include <cmath>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr qint64 kBlockRows = 2048;  // a block's slices stay in the caches
constexpr size_t kCopyPad = 32;      // texts up to this long move in one fixed-size copy

struct Slice {
  uint32_t begin = 0;
  uint32_t size = 0;
};

// Value -> slice, open addressing; key and slice share one entry, so a
// lookup costs one cache miss, not three (a length column holds some ten
// thousand distinct values, more than the first-level cache).
class SliceIndex {
 public:
  SliceIndex() : entries_(1024) {}

  // The slice of the key; `found` false when the key is new (then fill it).
  Slice& Find(uint64_t key, bool& found) {
    size_t i = SlotOf(key);
    for (;; i = (i + 1) & (entries_.size() - 1)) {
      Entry& e = entries_[i];
      if (e.slice.size == kUnused) break;
      if (e.key == key) {
        found = true;
        return e.slice;
      }
    }
    found = false;
    if ((size_ + 1) * 2 > entries_.size()) {
      Grow();
      return Find(key, found);
    }
    ++size_;
    entries_[i].key = key;
    entries_[i].slice = Slice{};
    return entries_[i].slice;
  }

 private:
  static constexpr uint32_t kUnused = 0xFFFFFFFFu;  // a slice size no text has
  struct Entry {
    uint64_t key = 0;
    Slice slice{0, kUnused};
  };
  size_t SlotOf(uint64_t key) const { return MixKey(key) & (entries_.size() - 1); }
  void Grow() {
    std::vector<Entry> old(entries_.size() * 2);
    old.swap(entries_);
    for (const Entry& e : old) {
      if (e.slice.size == kUnused) continue;
      size_t i = SlotOf(e.key);
      while (entries_[i].slice.size != kUnused) i = (i + 1) & (entries_.size() - 1);
      entries_[i] = e;
    }
  }

  std::vector<Entry> entries_;
  size_t size_ = 0;
};

// The distinct texts of one column, each made once.
class ColumnTexts {
 public:
  ColumnTexts(const ColumnStore& store, int field, const QByteArray& decimalPoint)
      : store_(store), field_(field), column_(store.At(field)), decimalPoint_(decimalPoint) {
    if (column_.type == ColumnType::Text) byId_.assign(store.Pool().Size(), Slice{0, kUnseen});
  }

  Slice Of(qint64 row) {
    switch (column_.type) {
      case ColumnType::Text: {
        const uint32_t id = column_.text[size_t(row)];
        if (id == 0) return {};
        Slice& s = byId_[id];
        if (s.size == kUnseen) s = Add(store_.Pool().Utf8(id));
        return s;
      }
      case ColumnType::Number: {
        if (column_.number.Compact()) {
          const int32_t h = column_.number.HundredthsAt(size_t(row));
          if (h == NumberColumn::kNullHundredths) return {};
          if (h >= 0 && size_t(h) < kDirectSlots) return Direct(size_t(h), row);
        }
        double v = column_.number[size_t(row)];
        if (std::isnan(v)) return {};
        if (v == 0) v = 0;  // -0 reads as 0
        // Lengths and percentages have two decimals: such a value has a
        // slot of its own, found without hashing, and the slots in use lie
        // close together.
        const double scaled = v * 100;
        if (scaled >= 0 && scaled < double(kDirectSlots)) {
          const int64_t k = int64_t(scaled + 0.5);
          if (double(k) / 100 == v) return Direct(size_t(k), row);
        }
        return Cached(DoubleKey(v), row);
      }
      case ColumnType::Date: {
        const qint32 day = column_.date[size_t(row)];
        if (day == kNullDate) return {};
        if (dayBase_ == kNullDate) dayBase_ = day - qint32(kDirectSlots / 2);
        const int64_t k = int64_t(day) - dayBase_;
        if (k >= 0 && k < int64_t(kDirectSlots)) return Direct(size_t(k), row);
        return Cached(uint32_t(day), row);
      }
    }
    return {};
  }

  const char* Chars() const { return chars_.data(); }

 private:
  static constexpr uint32_t kUnseen = 0xFFFFFFFFu;

  static constexpr size_t kDirectSlots = size_t(1) << 17;

  Slice Direct(size_t slot, qint64 row) {
    if (direct_.empty()) direct_.assign(kDirectSlots, Slice{0, kUnseen});
    Slice& s = direct_[slot];
    if (s.size != kUnseen) return s;
    scratch_.clear();
    store_.AppendUtf8(scratch_, field_, row, decimalPoint_);
    return s = Add(scratch_);
  }

  Slice Cached(uint64_t key, qint64 row) {
    bool found = false;
    Slice& s = index_.Find(key, found);
    if (found) return s;
    scratch_.clear();
    store_.AppendUtf8(scratch_, field_, row, decimalPoint_);
    return s = Add(scratch_);
  }

  // The texts end in kCopyPad spare bytes, so that a short text can be
  // copied as one fixed-size move.
  Slice Add(QByteArrayView text) {
    const Slice s{used_, uint32_t(text.size())};
    chars_.resize(used_);
    chars_.append(text.data(), size_t(text.size()));
    used_ = uint32_t(chars_.size());
    chars_.append(kCopyPad, '\0');
    return s;
  }

  const ColumnStore& store_;
  int field_;
  const ColumnStore::Column& column_;
  const QByteArray& decimalPoint_;
  std::vector<Slice> byId_;    // text columns: by pool id
  std::vector<Slice> direct_;  // number and date columns: by hundredths or day
  qint32 dayBase_ = kNullDate;
  SliceIndex index_;  // other values: by value
  std::string chars_;
  uint32_t used_ = 0;  // chars_ without its spare bytes
  QByteArray scratch_;
};

}  // namespace

namespace {

// Resolves the slices of one block for a share of the columns.
void resolveColumns(std::vector<ColumnTexts>& texts, const ColumnStore& store, int firstField, int fields,
                    const std::vector<qint64>& storeRows, qint64 n, std::vector<Slice>& slices, int firstColumn,
                    int step, qint64& bytes) {
  for (int f = firstColumn; f < fields; f += step) {
    ColumnTexts& column = texts[size_t(f)];
    const ColumnStore::Column& data = store.At(firstField + f);
    for (qint64 i = 0; i < n; ++i) {
      // The rows come in the grid's order, not the store's: fetch ahead.
      if (i + 16 < n) {
        const size_t ahead = size_t(storeRows[size_t(i + 16)]);
        switch (data.type) {
          case ColumnType::Text: __builtin_prefetch(data.text.Address(ahead)); break;
          case ColumnType::Number: __builtin_prefetch(data.number.Address(ahead)); break;
          case ColumnType::Date: __builtin_prefetch(&data.date[ahead]); break;
        }
      }
      const Slice s = column.Of(storeRows[size_t(i)]);
      slices[size_t(i) * size_t(fields) + size_t(f)] = s;
      bytes += s.size;
    }
  }
}

// A second thread that resolves every other column of each block while the
// calling thread resolves the rest; the calling thread alone writes. Each
// column's texts belong to one thread, so nothing is shared while both run.
class ColumnHelper {
 public:
  using Work = std::function<void(qint64& bytes)>;
  explicit ColumnHelper(Work work) : work_(std::move(work)), thread_([this] { Run(); }) {}
  ~ColumnHelper() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  void Start() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++given_;
    }
    wake_.notify_all();
  }
  // Waits for the block given last; its bytes, or the helper's failure.
  qint64 Finish() {
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait(lock, [this] { return done_ == given_; });
    if (failure_) std::rethrow_exception(failure_);
    return bytes_;
  }

 private:
  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stop_ || given_ > done_; });
      if (stop_) return;
      lock.unlock();
      qint64 bytes = 0;
      std::exception_ptr failure;
      try {
        work_(bytes);
      } catch (...) {
        failure = std::current_exception();
      }
      lock.lock();
      bytes_ = bytes;
      if (failure) failure_ = failure;
      done_ = given_;
      wake_.notify_all();
    }
  }

  Work work_;
  std::mutex mutex_;
  std::condition_variable wake_;
  qint64 given_ = 0, done_ = 0, bytes_ = 0;
  bool stop_ = false;
  std::exception_ptr failure_;
  std::thread thread_;
};

void reserveFor(QByteArray& out, qint64 blockBytes, qint64 blockRows, qint64 rows) {
  const qint64 estimate = out.size() + blockBytes * rows / blockRows * 21 / 20 + qint64(kCopyPad);
  out.reserve(qsizetype(estimate));
#if defined(MADV_HUGEPAGE)
  constexpr uintptr_t kLargePage = uintptr_t(2) << 20;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(out.data()) + kLargePage - 1) & ~(kLargePage - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(out.data()) + uintptr_t(out.capacity())) & ~(kLargePage - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);  // a hint: failure is harmless
#endif
}

constexpr qint64 kRowsWorthAHelper = 20000;  // starting a thread costs less than a tenth of such a copy

// storeRows[k]: the store row of visible record range.firstRow + k.
void appendRecordText(QByteArray& out, const ColumnStore& store, const uint32_t* storeRowsFromFirst,
                      const RecordTextRange& range, const QByteArray& decimalPoint) {
  const int fields = range.lastField - range.firstField + 1;
  if (range.lastRow < range.firstRow || (fields <= 0 && !range.leadingEmptyCell)) return;
  std::vector<ColumnTexts> texts;
  texts.reserve(size_t(std::max(0, fields)));
  for (int f = range.firstField; f <= range.lastField; ++f) texts.emplace_back(store, f, decimalPoint);
  const qint64 tabsPerRow = std::max(0, fields - 1) + (range.leadingEmptyCell && fields > 0 ? 1 : 0);

  std::vector<Slice> slices(size_t(kBlockRows) * size_t(std::max(1, fields)));
  std::vector<qint64> storeRows(static_cast<size_t>(kBlockRows));
  qint64 n = 0;
  // A large copy shares the columns out with a second thread.
  const bool shared =
      fields > 1 && range.lastRow - range.firstRow >= kRowsWorthAHelper && std::thread::hardware_concurrency() > 1;
  std::optional<ColumnHelper> helper;
  if (shared)
    helper.emplace([&](qint64& bytes) {
      resolveColumns(texts, store, range.firstField, fields, storeRows, n, slices, 1, 2, bytes);
    });
  bool newline = range.newlineFirst;
  for (qint64 first = range.firstRow; first <= range.lastRow; first += kBlockRows) {
    n = std::min(kBlockRows, range.lastRow - first + 1);
    for (qint64 i = 0; i < n; ++i) storeRows[size_t(i)] = storeRowsFromFirst[first - range.firstRow + i];
    // Column by column: one column's array and texts at a time in the caches.
    qint64 bytes = n * tabsPerRow + n - (newline ? 0 : 1);
    if (helper) {
      helper->Start();
      resolveColumns(texts, store, range.firstField, fields, storeRows, n, slices, 0, 2, bytes);
      bytes += helper->Finish();
    } else {
      resolveColumns(texts, store, range.firstField, fields, storeRows, n, slices, 0, 1, bytes);
    }
    // After the first block, room for all of them, judged by it (the rows of
    // a grid are alike), in large pages where the system offers them: a
    // hundred megabytes in 4 KB pages is 25,000 page faults.
    if (first == range.firstRow && range.lastRow - first + 1 > n) reserveFor(out, bytes, n, range.lastRow - first + 1);
    // Then the block's bytes, sized exactly, as plain copies.
    const qsizetype start = out.size();
    out.resize(start + bytes + qsizetype(kCopyPad));  // room for the last fixed-size move
    char* p = out.data() + start;
    for (qint64 i = 0; i < n; ++i) {
      if (newline) *p++ = '\n';
      newline = true;
      if (range.leadingEmptyCell && fields > 0) *p++ = '\t';
      const Slice* row = &slices[size_t(i) * size_t(fields)];
      for (int f = 0; f < fields; ++f) {
        if (f > 0) *p++ = '\t';
        const char* from = texts[size_t(f)].Chars() + row[f].begin;
        if (row[f].size <= kCopyPad)
          std::memcpy(p, from, kCopyPad);
        else
          std::memcpy(p, from, row[f].size);
        p += row[f].size;
      }
    }
    out.resize(start + bytes);
  }
}

}  // namespace

void AppendRecordText(QByteArray& out, const Recordset& records, const RecordTextRange& range,
                      const QByteArray& decimalPoint) {
  if (range.lastRow < range.firstRow) return;
  appendRecordText(out, records.Store(), records.VisibleStoreRows() + range.firstRow, range, decimalPoint);
}

std::function<void(QByteArray&)> RecordTextLater(const Recordset& records, const RecordTextRange& range,
                                                 const QByteArray& decimalPoint) {
  // Every record shown (the Copy button's case): the recordset's own list,
  // kept as it is now; a part of it: its rows copied.
  std::shared_ptr<const std::vector<uint32_t>> rows;
  if (range.lastRow >= range.firstRow) {
    if (range.firstRow == 0 && range.lastRow == records.RecordCount() - 1) {
      rows = records.SharedVisibleStoreRows();
    } else {
      const uint32_t* from = records.VisibleStoreRows() + range.firstRow;
      rows = std::make_shared<const std::vector<uint32_t>>(from, from + (range.lastRow - range.firstRow + 1));
    }
  }
  return [store = records.SharedStore(), rows, range, decimalPoint](QByteArray& out) {
    if (rows && !rows->empty()) appendRecordText(out, *store, rows->data(), range, decimalPoint);
  };
}
