#include "table/ColumnStore.h"

#include "table/ValueText.h"

#include <QDate>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <mutex>

ColumnType ColumnTypeOfDeclared(const char* declared) {
  if (!declared) return ColumnType::Text;
  const QByteArray d = QByteArray(declared).toUpper();
  if (d.contains("CHAR") || d.contains("TEXT") || d.contains("CLOB")) return ColumnType::Text;
  if (d.contains("DATE") || d.contains("TIME")) return ColumnType::Date;
  if (d.contains("INT") || d.contains("NUM") || d.contains("REAL") || d.contains("FLOA") || d.contains("DOUB") ||
      d.contains("DEC"))
    return ColumnType::Number;
  return ColumnType::Text;
}

int CompareText(QStringView a, QStringView b) {
  // UTF-16 order differs from code point order only where surrogates meet
  // characters from U+E000 up; shift those so surrogates sort above them.
  const auto key = [](char16_t c) -> int {
    if (c >= 0xD800 && c <= 0xDFFF) return c + 0x2000;
    if (c >= 0xE000) return c - 0x800;
    return c;
  };
  const qsizetype n = std::min(a.size(), b.size());
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t x = a[i].unicode(), y = b[i].unicode();
    if (x != y) return key(x) < key(y) ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

namespace {
// Worked out by the compiler, which divides as the processor would.
constexpr std::array<double, 65536> narrowValues() {
  std::array<double, 65536> values{};
  values[0] = std::numeric_limits<double>::quiet_NaN();
  for (int32_t n = NumberColumn::kNarrowNull + 1; n <= std::numeric_limits<int16_t>::max(); ++n)
    values[size_t(n - NumberColumn::kNarrowNull)] = double(n) / 100;
  return values;
}
}  // namespace

constinit const std::array<double, 65536> NumberColumn::kNarrowValues = narrowValues();

bool NumberColumn::ToHundredths(double value, int32_t& h) {
  if (std::isnan(value)) {
    h = kNullHundredths;
    return true;
  }
  const double scaled = std::nearbyint(value * 100);
  if (!(scaled > double(kNullHundredths) && scaled <= double(std::numeric_limits<int32_t>::max()))) return false;
  h = int32_t(scaled);
  return FromHundredths(h) == value && !(h == 0 && std::signbit(value));
}

void NumberColumn::Widen() {
  hundredths_.reserve(std::max(narrow_.capacity(), narrow_.size() + 1));
  for (int16_t n : narrow_) hundredths_.push_back(FromNarrow(n));
  std::vector<int16_t>().swap(narrow_);
  form_ = Form::Hundredths;
}

void NumberColumn::PushWide(double value) {
  if (form_ != Form::Wide) {
    const size_t n = size();
    doubles_.reserve(std::max(form_ == Form::Narrow ? narrow_.capacity() : hundredths_.capacity(), n + 1));
    for (size_t row = 0; row < n; ++row) doubles_.push_back((*this)[row]);
    std::vector<int16_t>().swap(narrow_);
    std::vector<int32_t>().swap(hundredths_);
    form_ = Form::Wide;
  }
  doubles_.push_back(value);
}

void TextColumn::push_back(uint32_t id) {
  if (form_ != Form::Wide) {
    uint32_t code = 0;
    if (id != 0 && (code = CodeOf(id)) == 0) code = AddCode(id);
    if (form_ == Form::Byte) return bytes_.push_back(uint8_t(code));
    if (form_ == Form::Short) return shorts_.push_back(uint16_t(code));
  }
  wide_.push_back(id);
}

uint32_t TextColumn::AddCode(uint32_t id) {
  if (ids_.size() == kShortCodes) {
    wide_.reserve(std::max(shorts_.capacity(), shorts_.size() + 1));
    for (uint16_t code : shorts_) wide_.push_back(ids_[code]);
    std::vector<uint16_t>().swap(shorts_);
    std::vector<uint32_t>().swap(ids_);
    std::vector<uint16_t>().swap(codeOfId_);
    form_ = Form::Wide;
    return 0;
  }
  if (ids_.size() == kByteCodes) {
    shorts_.reserve(std::max(bytes_.capacity(), bytes_.size() + 1));
    shorts_.assign(bytes_.begin(), bytes_.end());
    std::vector<uint8_t>().swap(bytes_);
    form_ = Form::Short;
  }
  const uint32_t code = uint32_t(ids_.size());
  ids_.push_back(id);
  if (id >= codeOfId_.size()) codeOfId_.resize(std::max<size_t>(size_t(id) + 1, codeOfId_.size() * 2), 0);
  codeOfId_[id] = uint16_t(code);
  return code;
}

TextPool::TextPool() : strings_(1), utf8Bytes_(kUtf8Pad, '\0'), utf8Ends_(1, 0), slots_(64) {}

uint32_t TextPool::HashOf(QStringView text) {
  uint32_t h = 2166136261u;  // FNV-1a: short texts, hashed a million times
  for (QChar c : text) h = (h ^ c.unicode()) * 16777619u;
  return h;
}

size_t TextPool::SlotOf(QStringView text, uint32_t hash) const {
  const size_t mask = slots_.size() - 1;
  size_t i = (hash ^ (hash >> 15)) & mask;
  for (;; i = (i + 1) & mask) {
    const Slot& s = slots_[i];
    if (s.id == 0) return i;
    if (s.hash != hash) continue;
    const QString& candidate = strings_[s.id];
    if (candidate.size() == text.size() &&
        std::memcmp(candidate.constData(), text.data(), size_t(text.size()) * sizeof(QChar)) == 0)
      return i;
  }
}

uint64_t TextPool::PackShort(QStringView text) {
  if (text.isEmpty() || text.size() > kShortText) return 0;
  uint64_t key = uint64_t(text.size()) << 56;
  int shift = 0;
  for (QChar c : text) {
    if (c.unicode() >= 0x80) return 0;
    key |= uint64_t(c.unicode()) << shift;
    shift += 7;
  }
  return key;
}

uint32_t TextPool::Find(QStringView text) const {
  if (const uint64_t key = PackShort(text)) {
    const uint32_t id = shortIds_.Find(key);
    return id == KeyIndex::kEmpty ? 0 : id;
  }
  return slots_[SlotOf(text, HashOf(text))].id;
}

uint32_t TextPool::Intern(QStringView text) { return Intern(text, PackShort(text)); }

int TextPool::SecondOfDay(QStringView text) {
  if (text.size() != 8 || text[2] != u':' || text[5] != u':') return -1;
  int part[3];
  for (int k = 0; k < 3; ++k) {
    const char16_t tens = text[3 * k].unicode(), ones = text[3 * k + 1].unicode();
    if (tens < u'0' || tens > u'9' || ones < u'0' || ones > u'9') return -1;
    part[k] = (tens - u'0') * 10 + (ones - u'0');
  }
  if (part[0] > 23 || part[1] > 59 || part[2] > 59) return -1;
  return part[0] * 3600 + part[1] * 60 + part[2];
}

uint32_t TextPool::Intern(QStringView text, uint64_t key) {
  constexpr int kSecondsPerDay = 86400;
  const int second = key ? SecondOfDay(text) : -1;
  if (second >= 0) {
    if (timeIds_.empty()) timeIds_.assign(kSecondsPerDay, 0);
    if (const uint32_t id = timeIds_[size_t(second)]) return id;
  } else if (key) {
    const uint32_t id = shortIds_.Find(key);
    if (id != KeyIndex::kEmpty) return id;
  }
  const uint32_t hash = HashOf(text);
  const size_t slot = SlotOf(text, hash);
  if (slots_[slot].id != 0) return slots_[slot].id;
  const uint32_t id = uint32_t(strings_.size());
  strings_.push_back(text.toString());
  // UTF-8 takes at most three bytes per UTF-16 unit.
  const bool moves =
      utf8Bytes_.size() + size_t(text.size()) * 3 > utf8Bytes_.capacity() || utf8Ends_.size() == utf8Ends_.capacity();
  if (moves) {
    std::unique_lock lock(moving_);
    AppendUtf8(text);
  } else {
    AppendUtf8(text);
  }
  if (key) {
    bool inserted;
    shortIds_.FindOrInsert(key, id, inserted);
  }
  if (second >= 0) timeIds_[size_t(second)] = id;
  if (strings_.size() * 2 > slots_.size()) {
    Grow();
  } else {
    slots_[slot] = {id, hash};
  }
  return id;
}

void TextPool::Grow() {
  slots_.assign(slots_.size() * 2, Slot());
  for (uint32_t id = 1; id < strings_.size(); ++id) {
    const uint32_t hash = HashOf(strings_[id]);
    slots_[SlotOf(strings_[id], hash)] = {id, hash};
  }
}

void TextPool::AppendUtf8(QStringView text) {
  utf8Bytes_.resize(utf8Bytes_.size() - kUtf8Pad);
  const size_t start = utf8Bytes_.size();
  if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; })) {
    utf8Bytes_.resize(start + size_t(text.size()));
    std::transform(text.begin(), text.end(), utf8Bytes_.begin() + std::ptrdiff_t(start),
                   [](QChar c) { return char(c.unicode()); });
  } else {
    const QByteArray utf8 = text.toUtf8();
    utf8Bytes_.insert(utf8Bytes_.end(), utf8.begin(), utf8.end());
  }
  utf8Ends_.push_back(utf8Bytes_.size());
  utf8Bytes_.resize(utf8Bytes_.size() + kUtf8Pad, '\0');
}

void ColumnStore::AddColumn(const QString& name, ColumnType type) {
  Column c;
  c.name = name;
  c.type = type;
  columns_.push_back(std::move(c));
}

int ColumnStore::FindColumn(QStringView name) const {
  for (int i = 0; i < int(columns_.size()); ++i)
    if (name.compare(columns_[i].name, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

uint32_t ColumnStore::AppendRow(const std::vector<CellValue>& cells) {
  bool moves = false;
  for (int i = 0; i < int(columns_.size()) && !moves; ++i) {
    const Column& c = columns_[i];
    switch (c.type) {
      case ColumnType::Text: moves = c.text.PushMayMove(cells[i].isNull ? 0 : cells[i].text); break;
      case ColumnType::Number: moves = c.number.PushMayMove(cells[i].isNull, cells[i].hundredths); break;
      case ColumnType::Date: moves = c.date.size() == c.date.capacity(); break;
    }
  }
  if (moves) {
    std::unique_lock lock(pool_.moving_);
    return AppendCells(cells);
  }
  return AppendCells(cells);
}

uint32_t ColumnStore::AppendCells(const std::vector<CellValue>& cells) {
  for (int i = 0; i < int(columns_.size()); ++i) {
    const CellValue& v = cells[i];
    Column& c = columns_[i];
    switch (c.type) {
      case ColumnType::Text: c.text.push_back(v.isNull ? 0 : v.text); break;
      case ColumnType::Number:
        if (v.isNull)
          c.number.push_back(std::nan(""));
        else
          c.number.push_back(v.number, v.hundredths);
        break;
      case ColumnType::Date: c.date.push_back(v.isNull ? kNullDate : v.date); break;
    }
  }
  return uint32_t(rows_++);
}

CellValue ColumnStore::Cell(int column, qint64 row) const {
  const Column& c = columns_[column];
  CellValue v;
  v.isNull = IsNull(column, row);
  v.number = c.type == ColumnType::Number ? c.number[size_t(row)] : 0;
  v.date = c.type == ColumnType::Date ? c.date[size_t(row)] : kNullDate;
  v.text = c.type == ColumnType::Text ? c.text[size_t(row)] : 0;
  return v;
}

bool ColumnStore::IsNull(int column, qint64 row) const {
  const Column& c = columns_[column];
  switch (c.type) {
    case ColumnType::Text: return c.text[row] == 0;
    case ColumnType::Number: return std::isnan(c.number[row]);
    case ColumnType::Date: return c.date[row] == kNullDate;
  }
  return true;
}

QVariant ColumnStore::Value(int column, qint64 row) const {
  if (IsNull(column, row)) return {};
  const Column& c = columns_[column];
  switch (c.type) {
    case ColumnType::Text: return pool_.At(c.text[row]);
    case ColumnType::Number: return c.number[row];
    case ColumnType::Date: return QDate::fromJulianDay(c.date[row]);
  }
  return {};
}

QString ColumnStore::Text(int column, qint64 row) const {
  if (IsNull(column, row)) return {};
  const Column& c = columns_[column];
  switch (c.type) {
    case ColumnType::Text: return pool_.At(c.text[row]);
    case ColumnType::Number: return NumberText(c.number[row]);
    case ColumnType::Date: return DateText(c.date[row]);
  }
  return {};
}

void ColumnStore::AppendUtf8(QByteArray& out, int column, qint64 row, const QByteArray& decimalPoint) const {
  const Column& c = columns_[column];
  switch (c.type) {
    case ColumnType::Text:
      if (c.text[row] != 0) out.append(pool_.Utf8(c.text[row]));
      return;
    case ColumnType::Number: {
      double v = c.number[row];
      if (std::isnan(v)) return;
      if (v == 0) v = 0;
      char buf[400];
      const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
      const char* dot = std::char_traits<char>::find(buf, size_t(res.ptr - buf), '.');
      if (!dot || decimalPoint == ".") {
        out.append(buf, res.ptr - buf);
      } else {
        out.append(buf, dot - buf);
        out += decimalPoint;
        out.append(dot + 1, res.ptr - dot - 1);
      }
      return;
    }
    case ColumnType::Date:
      if (c.date[row] != kNullDate) {
        char buf[10];
        DateChars(c.date[row], buf);
        out.append(buf, 10);
      }
      return;
  }
}

bool ColumnStore::Number(int column, qint64 row, double& value) const {
  const Column& c = columns_[column];
  if (c.type != ColumnType::Number || std::isnan(c.number[row])) return false;
  value = c.number[row];
  return true;
}
