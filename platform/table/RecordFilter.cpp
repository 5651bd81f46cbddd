#include "table/RecordFilter.h"

#include "common/ErrorInfo.h"
#include "common/RuntimeErrors.h"
#include "table/SideThread.h"
#include "table/ValueParse.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

[[noreturn]] void refuse(const QString& why, const QString& filterText) {
  RaiseError(kErrBadArguments, QStringLiteral("Invalid filter: %1 in \"%2\".").arg(why, filterText),
             QStringLiteral("Recordset"));
}

bool isIdentStart(QChar c) { return c.isLetter() || c == u'_'; }
bool isIdentPart(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

template <typename T>
bool compare(RecordFilter::Op op, const T& a, const T& b) {
  switch (op) {
    case RecordFilter::Op::Eq: return a == b;
    case RecordFilter::Op::Ne: return a != b;
    case RecordFilter::Op::Lt: return a < b;
    case RecordFilter::Op::Gt: return a > b;
    case RecordFilter::Op::Le: return a <= b;
    case RecordFilter::Op::Ge: return a >= b;
  }
  return false;
}

// Calls f with the comparison of op as a function object: a loop over
// millions of cells then compares without a switch per cell.
template <typename F>
void withComparison(RecordFilter::Op op, F&& f) {
  switch (op) {
    case RecordFilter::Op::Eq: return f(std::equal_to<>());
    case RecordFilter::Op::Ne: return f(std::not_equal_to<>());
    case RecordFilter::Op::Lt: return f(std::less<>());
    case RecordFilter::Op::Gt: return f(std::greater<>());
    case RecordFilter::Op::Le: return f(std::less_equal<>());
    case RecordFilter::Op::Ge: return f(std::greater_equal<>());
  }
}

// Clears the bits of words [w1, w2) of mask (a bit per store row) whose row
// fails holds; rows from n on are cleared.
template <typename Holds>
void keepHolding(std::vector<uint64_t>& mask, size_t w1, size_t w2, qint64 n, Holds&& holds) {
  for (size_t w = w1; w < w2; ++w) {
    if (!mask[w]) continue;
    const qint64 first = qint64(w) * 64, end = std::min(n, first + 64);
    uint64_t bits = 0;
    for (qint64 r = first; r < end; ++r) bits |= uint64_t(holds(r)) << (r - first);
    mask[w] &= bits;
  }
}

}  // namespace

namespace {

// Reads a filter text step by step: a column, an operator, a literal, and
// the joining AND; each step refuses what it cannot read.
class FilterReader {
 public:
  FilterReader(const QString& text, const ColumnStore& store) : text_(text), store_(store) {}

  bool AtEnd() {
    SkipSpaces();
    return i_ >= text_.size();
  }

  // A column name of the store; returns its index.
  int Column() {
    SkipSpaces();
    if (AtEnd() || !isIdentStart(text_[i_])) refuse(QStringLiteral("column name expected"), text_);
    const qsizetype start = i_;
    while (i_ < text_.size() && isIdentPart(text_[i_])) ++i_;
    name_ = text_.mid(start, i_ - start);
    const int column = store_.FindColumn(name_);
    if (column < 0) refuse(QStringLiteral("unknown column %1").arg(name_), text_);
    return column;
  }

  RecordFilter::Op Operator() {
    using Op = RecordFilter::Op;
    SkipSpaces();
    static const struct {
      const char16_t* mark;
      Op op;
    } ops[] = {{u"<=", Op::Le}, {u">=", Op::Ge}, {u"<>", Op::Ne}, {u"=", Op::Eq}, {u"<", Op::Lt}, {u">", Op::Gt}};
    const QStringView rest = QStringView(text_).mid(i_);
    for (const auto& o : ops) {
      const QStringView mark(o.mark);
      if (rest.startsWith(mark)) {
        i_ += mark.size();
        return o.op;
      }
    }
    refuse(QStringLiteral("comparison operator expected after %1").arg(name_), text_);
  }

  // A quoted literal ('' for one quote) or a token running to the next space.
  // quoted tells which; an empty quoted literal never matches.
  QString Literal(bool& quoted) {
    SkipSpaces();
    if (AtEnd()) refuse(QStringLiteral("value expected after %1").arg(name_), text_);
    quoted = text_[i_] == u'\'';
    if (!quoted) {
      const qsizetype start = i_;
      while (i_ < text_.size() && !text_[i_].isSpace()) ++i_;
      return text_.mid(start, i_ - start);
    }
    QString literal;
    for (++i_; i_ < text_.size(); ++i_) {
      if (text_[i_] != u'\'') {
        literal += text_[i_];
        continue;
      }
      if (i_ + 1 < text_.size() && text_[i_ + 1] == u'\'') {
        literal += u'\'';
        ++i_;
        continue;
      }
      ++i_;
      return literal;
    }
    refuse(QStringLiteral("unterminated quote"), text_);
  }

  // The literal converted to the clause's column type.
  void Convert(const QString& literal, RecordFilter::Clause& c) const {
    const ColumnStore::Column& col = store_.At(c.column);
    bool ok = true;
    switch (col.type) {
      case ColumnType::Text: c.text = literal; break;
      case ColumnType::Number: {
        const QString dp = QLocale().decimalPoint();
        ok = ParseNumber(literal, c.number, dp.size() == 1 ? dp[0] : QChar(u'.'));
        break;
      }
      case ColumnType::Date: ok = ParseDate(literal, c.date); break;
    }
    if (!ok) refuse(QStringLiteral("'%1' is not a value of column %2").arg(literal, col.name), text_);
  }

  // The joining word, allowed right after a closing quote.
  void And() {
    SkipSpaces();
    const QStringView join = QStringView(text_).mid(i_, 3);
    if (join.compare(QLatin1String("AND"), Qt::CaseInsensitive) != 0 || i_ + 3 >= text_.size() ||
        !text_[i_ + 3].isSpace())
      refuse(QStringLiteral("AND expected at position %1").arg(i_ + 1), text_);
    i_ += 3;
  }

 private:
  void SkipSpaces() {
    while (i_ < text_.size() && text_[i_].isSpace()) ++i_;
  }
  const QString& text_;
  const ColumnStore& store_;
  qsizetype i_ = 0;
  QString name_;  // the clause's column as written, for messages
};

void prefetchCell(const ColumnStore::Column& col, uint32_t row) {
  switch (col.type) {
    case ColumnType::Text: __builtin_prefetch(col.text.Address(row)); break;
    case ColumnType::Number: __builtin_prefetch(col.number.Address(row)); break;
    case ColumnType::Date: __builtin_prefetch(&col.date[row]); break;
  }
}

}  // namespace

RecordFilter RecordFilter::Parse(const QString& text, const ColumnStore& store) {
  RecordFilter f;
  FilterReader reader(text, store);
  if (reader.AtEnd()) refuse(QStringLiteral("empty expression"), text);
  for (;;) {
    Clause c;
    c.column = reader.Column();
    c.op = reader.Operator();
    bool quoted = false;
    const QString literal = reader.Literal(quoted);
    c.nullLiteral = quoted && literal.isEmpty();
    if (!c.nullLiteral) reader.Convert(literal, c);
    f.clauses_.push_back(std::move(c));
    if (reader.AtEnd()) break;
    reader.And();
  }
  return f;
}

void RecordFilter::Bind(const ColumnStore& store) {
  // Text comparisons are decided once per distinct text, not once per row.
  const TextPool& pool = store.Pool();
  if (boundPoolSize_ == pool.Size()) return;
  for (Clause& c : clauses_) {
    if (store.At(c.column).type != ColumnType::Text || c.nullLiteral) continue;
    c.textPasses.resize(pool.Size());
    c.textPasses[0] = 0;
    for (uint32_t id = 1; id < pool.Size(); ++id) c.textPasses[id] = compare(c.op, CompareText(pool.At(id), c.text), 0);
  }
  boundPoolSize_ = pool.Size();
}

bool RecordFilter::Holds(const Clause& c, const ColumnStore& store, qint64 row) {
  if (c.nullLiteral) return false;
  const ColumnStore::Column& col = store.At(c.column);
  switch (col.type) {
    case ColumnType::Text: return c.textPasses[col.text[row]] != 0;
    case ColumnType::Number: {
      const double v = col.number[row];
      return !std::isnan(v) && compare(c.op, v, c.number);
    }
    case ColumnType::Date: {
      const qint32 v = col.date[row];
      return v != kNullDate && compare(c.op, v, c.date);
    }
  }
  return false;
}

bool RecordFilter::Matches(const ColumnStore& store, qint64 row) {
  Bind(store);
  for (const Clause& c : clauses_)
    if (!Holds(c, store, row)) return false;
  return true;
}

std::vector<uint32_t> RecordFilter::Apply(const ColumnStore& store, const std::vector<uint32_t>& rows) {
  Bind(store);
  if (clauses_.empty()) return {};
  const size_t count = rows.size();
  // Room for every row at once: growing millions of rows copies them again
  // and again.
  std::vector<uint32_t> passing(count);
  size_t passed = 0;
  if (!WorthASecondThread(count)) {
    passed = Passing(store, rows.data(), count, passing.data());
  } else {
    // Millions of rows in grid order would cost a cache miss each: the
    // clauses are decided in store order, a pass that streams, into a bit
    // per row small enough for the cache; the rows then look up their bit.
    // Both passes in two halves, the second on a thread beside, the halves
    // joined in row order.
    const qint64 n = store.RowCount();
    std::vector<uint64_t> mask(size_t((n + 63) / 64), ~uint64_t(0));
    const size_t halfWords = mask.size() / 2;
    RunBeside([&] { MaskHolding(store, mask, halfWords, mask.size()); },
              [&] { MaskHolding(store, mask, 0, halfWords); });
    const auto keep = [&](const uint32_t* from, size_t count, uint32_t* to) {
      size_t kept = 0;
      for (const uint32_t* r = from; r < from + count; ++r) {
        to[kept] = *r;
        kept += (mask[*r >> 6] >> (*r & 63)) & 1;
      }
      return kept;
    };
    const size_t half = count / 2;
    size_t second = 0;
    RunBeside([&] { second = keep(rows.data() + half, count - half, passing.data() + half); },
              [&] { passed = keep(rows.data(), half, passing.data()); });
    std::copy(passing.begin() + qsizetype(half), passing.begin() + qsizetype(half + second),
              passing.begin() + qsizetype(passed));
    passed += second;
  }
  passing.resize(passed);
  if (passing.capacity() - passing.size() > passing.size()) passing.shrink_to_fit();  // a narrow filter keeps little
  return passing;
}

void RecordFilter::MaskHolding(const ColumnStore& store, std::vector<uint64_t>& mask, size_t w1, size_t w2) const {
  const qint64 n = store.RowCount();
  for (const Clause& c : clauses_) {
    const ColumnStore::Column& col = store.At(c.column);
    if (c.nullLiteral) {
      std::fill(mask.begin() + qsizetype(w1), mask.begin() + qsizetype(w2), 0);
      return;
    }
    switch (col.type) {
      case ColumnType::Text:
        keepHolding(mask, w1, w2, n, [&](qint64 r) { return c.textPasses[col.text[size_t(r)]] != 0; });
        break;
      case ColumnType::Number:
        withComparison(c.op, [&](auto cmp) {
          keepHolding(mask, w1, w2, n, [&](qint64 r) {
            const double v = col.number[size_t(r)];
            return !std::isnan(v) && cmp(v, c.number);
          });
        });
        break;
      case ColumnType::Date:
        withComparison(c.op, [&](auto cmp) {
          keepHolding(mask, w1, w2, n, [&](qint64 r) {
            const qint32 v = col.date[size_t(r)];
            return v != kNullDate && cmp(v, c.date);
          });
        });
        break;
    }
  }
}

size_t RecordFilter::Passing(const ColumnStore& store, const uint32_t* rows, size_t count, uint32_t* passing) const {
  // One pass, every clause on a row in turn: the rows come in grid order,
  // not store order, so each row's cells cost a cache miss, paid once for
  // all its clauses (a date range reads the same cell twice). The cells of
  // the row some rows ahead are asked for before they are needed, so that
  // the misses overlap.
  size_t passed = 0;
  std::vector<const ColumnStore::Column*> columns;
  for (const Clause& c : clauses_)
    if (columns.empty() || columns.back() != &store.At(c.column)) columns.push_back(&store.At(c.column));
  constexpr size_t kAhead = 16;
  for (size_t i = 0; i < count; ++i) {
    if (i + kAhead < count)
      for (const ColumnStore::Column* col : columns) prefetchCell(*col, rows[i + kAhead]);
    const uint32_t r = rows[i];
    bool holds = true;
    for (const Clause& c : clauses_)
      if (!Holds(c, store, r)) {
        holds = false;
        break;
      }
    if (holds) passing[passed++] = r;
  }
  return passed;
}
