#include "table/ValueParse.h"

#include <limits>

#include <QDate>
#include <QLocale>
#include <QString>

#include <charconv>
#include <cstdint>
#include <string>

namespace {

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Checks the number grammar and copies it into plain ASCII for from_chars.
template <typename Out>
bool toAsciiNumber(QStringView t, QChar altDecimal, Out& out) {
  out.clear();
  qsizetype i = 0;
  const qsizetype n = t.size();
  if (i < n && (t[i] == u'+' || t[i] == u'-')) {
    if (t[i] == u'-') out.push_back('-');
    ++i;
  }
  int intDigits = 0, fracDigits = 0;
  while (i < n && isDigit(t[i])) {
    out.push_back(char(t[i].unicode()));
    ++i;
    ++intDigits;
  }
  if (i < n && (t[i] == u'.' || t[i] == altDecimal)) {
    out.push_back('.');
    ++i;
    while (i < n && isDigit(t[i])) {
      out.push_back(char(t[i].unicode()));
      ++i;
      ++fracDigits;
    }
  }
  if (intDigits + fracDigits == 0) return false;
  if (i < n && (t[i] == u'e' || t[i] == u'E')) {
    out.push_back('e');
    ++i;
    if (i < n && (t[i] == u'+' || t[i] == u'-')) {
      out.push_back(char(t[i].unicode()));
      ++i;
    }
    int expDigits = 0;
    while (i < n && isDigit(t[i])) {
      out.push_back(char(t[i].unicode()));
      ++i;
      ++expDigits;
    }
    if (expDigits == 0) return false;
  }
  return i == n;
}

// Reads exactly `count` digits at `pos` or fewer when `allowFewer`.
int readDigits(QStringView t, qsizetype& pos, int minCount, int maxCount) {
  int v = 0, k = 0;
  while (pos < t.size() && k < maxCount && isDigit(t[pos])) {
    v = v * 10 + (t[pos].unicode() - u'0');
    ++pos;
    ++k;
  }
  return k >= minCount ? v : -1;
}

bool parseIsoDate(QStringView t, qint32& jd) {
  qsizetype p = 0;
  const int y = readDigits(t, p, 4, 4);
  if (y < 0 || p >= t.size() || t[p] != u'-') return false;
  ++p;
  const int m = readDigits(t, p, 1, 2);
  if (m < 0 || p >= t.size() || t[p] != u'-') return false;
  ++p;
  const int d = readDigits(t, p, 1, 2);
  if (d < 0 || p != t.size()) return false;
  const QDate date(y, m, d);
  if (!date.isValid() || y < 1) return false;
  jd = qint32(date.toJulianDay());
  return true;
}

// The locale's short date format with one-or-two-digit day and month and a
// four-digit year ("M/d/yyyy" under en_US).
QString localeDateFormat() {
  QString f = QLocale().dateFormat(QLocale::ShortFormat);
  f.replace(QStringLiteral("dd"), QStringLiteral("d"));
  f.replace(QStringLiteral("MM"), QStringLiteral("M"));
  if (!f.contains(QStringLiteral("yyyy"))) f.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
  return f;
}

bool hasFourDigitRun(QStringView t) {
  int run = 0;
  bool four = false;
  for (QChar c : t) {
    if (isDigit(c)) {
      ++run;
    } else {
      four = four || run == 4;
      run = 0;
    }
  }
  return four || run == 4;
}

bool parseLocaleDate(QStringView t, qint32& jd) {
  if (!hasFourDigitRun(t)) return false;
  for (QChar c : t)
    if (c.isLetter() || c == u':') return false;  // numeric dates only, never a time
  const QDate date = QDate::fromString(t.toString(), localeDateFormat());
  if (!date.isValid() || date.year() < 1 || date.year() > 9999) return false;
  jd = qint32(date.toJulianDay());
  return true;
}

}  // namespace

// Only spaces and tabs around a field are padding; any other white space
// (no-break space, vertical tab...) is a character the field cannot hold.
QStringView TrimSpacesAndTabs(QStringView text) {
  const auto pad = [](QChar c) { return c == u' ' || c == u'\t'; };
  qsizetype b = 0, e = text.size();
  while (b < e && pad(text[b])) ++b;
  while (e > b && pad(text[e - 1])) --e;
  return text.mid(b, e - b);
}

bool IsBlank(QStringView text) { return TrimSpacesAndTabs(text).isEmpty(); }

// A fixed buffer for the usual short number, so parsing allocates nothing.
struct ShortAscii {
  char chars[64];
  size_t n = 0;
  bool overflow = false;
  void clear() {
    n = 0;
    overflow = false;
  }
  void push_back(char c) {
    if (n < sizeof chars)
      chars[n++] = c;
    else
      overflow = true;
  }
  const char* data() const { return chars; }
  size_t size() const { return n; }
};

// Plain decimals ("190.11", "-4", "0.5") with up to 15 digits are exact as an
// integer over a power of ten, and one IEEE division of two exact values is
// correctly rounded: the same result as from_chars, without its cost.
// With at most two decimals the value is also a whole number of hundredths:
// m / 10^f and (m * 10^(2-f)) / 100 are the same exact quotient, rounded once.
static bool parseShortDecimal(QStringView t, QChar altDecimal, double& value, qint32* hundredths = nullptr) {
  static constexpr double kPowers[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  qsizetype i = 0;
  const bool negative = i < t.size() && t[i] == u'-';
  if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) ++i;
  uint64_t mantissa = 0;
  int digits = 0, fraction = -1;
  for (; i < t.size(); ++i) {
    const QChar c = t[i];
    if (isDigit(c)) {
      mantissa = mantissa * 10 + (c.unicode() - u'0');
      if (++digits > 15) return false;
      if (fraction >= 0) ++fraction;
    } else if ((c == u'.' || c == altDecimal) && fraction < 0) {
      fraction = 0;
    } else {
      return false;  // exponents and anything else take the general road
    }
  }
  if (digits == 0) return false;
  double v = double(mantissa);
  if (fraction > 0) v /= kPowers[fraction];
  value = negative ? -v : v;
  if (hundredths && fraction <= 2 && !(negative && mantissa == 0)) {  // -0 is not a hundredth
    const uint64_t h = mantissa * uint64_t(fraction == 2 ? 1 : fraction == 1 ? 10 : 100);
    if (h <= uint64_t(std::numeric_limits<qint32>::max())) *hundredths = negative ? -qint32(h) : qint32(h);
  }
  return true;
}

bool ParseNumber(QStringView text, double& value, QChar altDecimal) {
  const QStringView t = TrimSpacesAndTabs(text);
  if (parseShortDecimal(t, altDecimal, value)) return true;
  ShortAscii shortAscii;
  if (!toAsciiNumber(t, altDecimal, shortAscii)) return false;
  std::string longAscii;
  if (shortAscii.overflow) toAsciiNumber(t, altDecimal, longAscii);
  const std::string_view ascii =
      shortAscii.overflow ? std::string_view(longAscii) : std::string_view(shortAscii.data(), shortAscii.size());
  double v = 0;
  const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), v);
  if (ec != std::errc() || end != ascii.data() + ascii.size()) return false;
  value = v;
  return true;
}

bool ParseNumber(QStringView text, double& value, qint32& hundredths) {
  hundredths = std::numeric_limits<qint32>::min();
  if (parseShortDecimal(TrimSpacesAndTabs(text), u'.', value, &hundredths)) return true;
  return ParseNumber(text, value);  // (a failed short parse leaves hundredths alone)
}

bool ParseDate(QStringView text, qint32& julianDay) {
  const QStringView t = TrimSpacesAndTabs(text);
  if (t.isEmpty()) return false;
  return parseIsoDate(t, julianDay) || parseLocaleDate(t, julianDay);
}
