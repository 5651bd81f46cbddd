#include "RecordFilter.h"

#include "ErrorInfo.h"
#include "RuntimeErrors.h"
#include "ValueParse.h"

#include <QLocale>

#include <cmath>

namespace {

[[noreturn]] void refuse(const QString& why, const QString& filterText) {
  RaiseError(kErrBadArguments, QStringLiteral("Invalid filter: %1 in \"%2\".").arg(why, filterText),
             QStringLiteral("Recordset"));
}

bool isIdentStart(QChar c) { return c.isLetter() || c == u'_'; }
bool isIdentPart(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

struct Scanner {
  const QString& s;
  qsizetype i = 0;
  void skipSpaces() {
    while (i < s.size() && s[i].isSpace()) ++i;
  }
  bool atEnd() const { return i >= s.size(); }
};

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

}  // namespace

RecordFilter RecordFilter::Parse(const QString& text, const ColumnStore& store) {
  RecordFilter f;
  Scanner sc{text};
  sc.skipSpaces();
  if (sc.atEnd()) refuse(QStringLiteral("empty expression"), text);
  for (;;) {
    Clause c;
    // Column name.
    sc.skipSpaces();
    if (sc.atEnd() || !isIdentStart(text[sc.i])) refuse(QStringLiteral("column name expected"), text);
    const qsizetype nameStart = sc.i;
    while (!sc.atEnd() && isIdentPart(text[sc.i])) ++sc.i;
    const QString name = text.mid(nameStart, sc.i - nameStart);
    c.column = store.FindColumn(name);
    if (c.column < 0) refuse(QStringLiteral("unknown column %1").arg(name), text);
    // Operator.
    sc.skipSpaces();
    const QStringView rest = QStringView(text).mid(sc.i);
    if (rest.startsWith(u"<=")) { c.op = Op::Le; sc.i += 2; }
    else if (rest.startsWith(u">=")) { c.op = Op::Ge; sc.i += 2; }
    else if (rest.startsWith(u"<>")) { c.op = Op::Ne; sc.i += 2; }
    else if (rest.startsWith(u"=")) { c.op = Op::Eq; sc.i += 1; }
    else if (rest.startsWith(u"<")) { c.op = Op::Lt; sc.i += 1; }
    else if (rest.startsWith(u">")) { c.op = Op::Gt; sc.i += 1; }
    else refuse(QStringLiteral("comparison operator expected after %1").arg(name), text);
    // Value.
    sc.skipSpaces();
    if (sc.atEnd()) refuse(QStringLiteral("value expected after %1").arg(name), text);
    QString literal;
    if (text[sc.i] == u'\'') {
      ++sc.i;
      bool closed = false;
      while (!sc.atEnd()) {
        if (text[sc.i] == u'\'') {
          if (sc.i + 1 < text.size() && text[sc.i + 1] == u'\'') {
            literal += u'\'';
            sc.i += 2;
            continue;
          }
          ++sc.i;
          closed = true;
          break;
        }
        literal += text[sc.i++];
      }
      if (!closed) refuse(QStringLiteral("unterminated quote"), text);
      c.nullLiteral = literal.isEmpty();
    } else {
      const qsizetype start = sc.i;
      while (!sc.atEnd() && !text[sc.i].isSpace()) ++sc.i;
      literal = text.mid(start, sc.i - start);
    }
    // Conversion to the column's type.
    if (!c.nullLiteral) {
      const ColumnStore::Column& col = store.At(c.column);
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
      if (!ok) refuse(QStringLiteral("'%1' is not a value of column %2").arg(literal, col.name), text);
    }
    f.clauses_.push_back(std::move(c));
    // Joining word, allowed right after a closing quote.
    sc.skipSpaces();
    if (sc.atEnd()) break;
    const QStringView join = QStringView(text).mid(sc.i, 3);
    if (join.compare(QLatin1String("AND"), Qt::CaseInsensitive) != 0 || sc.i + 3 >= text.size() ||
        !text[sc.i + 3].isSpace())
      refuse(QStringLiteral("AND expected at position %1").arg(sc.i + 1), text);
    sc.i += 3;
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
    for (uint32_t id = 1; id < pool.Size(); ++id)
      c.textPasses[id] = compare(c.op, CompareText(pool.At(id), c.text), 0);
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
  // Narrow clause by clause: each pass is a tight loop over one column.
  std::vector<uint32_t> passing;
  const std::vector<uint32_t>* from = &rows;
  for (const Clause& c : clauses_) {
    std::vector<uint32_t> next;
    for (uint32_t r : *from)
      if (Holds(c, store, r)) next.push_back(r);
    passing.swap(next);
    from = &passing;
  }
  return passing;
}
