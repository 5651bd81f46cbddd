#include "sqlite/SqlStatement.h"

#include <QStringView>

namespace {

// Words, names (optionally in double quotes) and the marks * , ; of one
// statement, in order.
class Tokens {
 public:
  explicit Tokens(const QString& sql) : s_(sql) {}

  bool AtEnd() {
    SkipSpace();
    return i_ >= s_.size();
  }
  // The next token if it is this keyword (any letter case).
  bool Keyword(QLatin1StringView word) {
    const qsizetype start = i_;
    const QString w = Name(false);
    if (!w.isEmpty() && w.compare(word, Qt::CaseInsensitive) == 0) return true;
    i_ = start;
    return false;
  }
  bool Mark(QChar c) {
    SkipSpace();
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  // A name, or "" when the next token is not one.
  QString Name(bool quotesAllowed = true) {
    SkipSpace();
    if (quotesAllowed && i_ < s_.size() && s_[i_] == u'"') {
      const qsizetype close = s_.indexOf(u'"', i_ + 1);
      if (close < 0) return {};
      const QString name = s_.mid(i_ + 1, close - i_ - 1);
      if (!IsName(name)) return {};
      i_ = close + 1;
      return name;
    }
    const qsizetype start = i_;
    while (i_ < s_.size() && (s_[i_].isLetterOrNumber() || s_[i_] == u'_')) ++i_;
    const QString name = s_.mid(start, i_ - start);
    if (!IsName(name)) {
      i_ = start;
      return {};
    }
    return name;
  }

 private:
  static bool IsName(QStringView n) {
    if (n.isEmpty() || !(n[0].isLetter() || n[0] == u'_')) return false;
    for (QChar c : n)
      if (!(c.isLetterOrNumber() || c == u'_')) return false;
    return true;
  }
  void SkipSpace() {
    while (i_ < s_.size() && s_[i_].isSpace()) ++i_;
  }
  const QString& s_;
  qsizetype i_ = 0;
};

// An optional final ";" and nothing after it.
bool Ends(Tokens& t) {
  t.Mark(u';');
  return t.AtEnd();
}

}  // namespace

SqlStatement SqlStatement::Parse(const QString& sql) {
  SqlStatement st;
  Tokens t(sql);
  if (t.Keyword(QLatin1StringView("DELETE"))) {
    t.Mark(u'*');
    if (!t.Keyword(QLatin1StringView("FROM"))) return {};
    st.table = t.Name();
    if (st.table.isEmpty() || !Ends(t)) return {};
    st.kind = Kind::DeleteAll;
    return st;
  }
  if (!t.Keyword(QLatin1StringView("SELECT"))) return {};
  if (t.Keyword(QLatin1StringView("DISTINCT"))) {
    st.column = t.Name();
    if (st.column.isEmpty() || !t.Keyword(QLatin1StringView("FROM"))) return {};
    st.table = t.Name();
    if (st.table.isEmpty()) return {};
    if (t.Keyword(QLatin1StringView("ORDER"))) {
      if (!t.Keyword(QLatin1StringView("BY"))) return {};
      const QString key = t.Name();
      // Sorted by its own column, as the distinct lists are; anything else is the engine's.
      if (key.compare(st.column, Qt::CaseInsensitive) != 0) return {};
      st.sortKeys << key;
    }
    if (!Ends(t)) return {};
    st.kind = Kind::SelectDistinct;
    return st;
  }
  if (!t.Mark(u'*') || !t.Keyword(QLatin1StringView("FROM"))) return {};
  st.table = t.Name();
  if (st.table.isEmpty()) return {};
  st.kind = Kind::SelectAll;
  if (t.Keyword(QLatin1StringView("ORDER"))) {
    if (!t.Keyword(QLatin1StringView("BY"))) {
      st.hasMore = true;
      return st;
    }
    do {
      const QString key = t.Name();
      if (key.isEmpty()) {
        st.hasMore = true;
        return st;
      }
      st.sortKeys << key;
    } while (t.Mark(u','));
  }
  st.hasMore = !Ends(t);
  return st;
}
