#pragma once
// In-memory rows of a client-side recordset, stored by column: numbers as
// hundredths in 2 or 4 bytes where exact, dates as day numbers, texts as
// ids into one pool in which every distinct text is held once, a column of
// few distinct texts as 1- or 2-byte codes of those ids. A million yield
// records fit in about 30 MB this way.
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QVariant>

#include <QtGlobal>
#include "table/KeyIndex.h"

#include <array>
#include <cstdint>
#include <limits>
#include <shared_mutex>
#include <vector>

enum class ColumnType { Text, Number, Date };

// The column type for a declared SQL type: texts, dates, everything numeric.
ColumnType ColumnTypeOfDeclared(const char* declared);

inline constexpr qint32 kNullDate = std::numeric_limits<qint32>::min();

// Compares two texts in code point order (the order of their UTF-8 bytes).
int CompareText(QStringView a, QStringView b);

class TextPool {
 public:
  TextPool();
  // Short ASCII texts (times, codes, first names) packed into one number,
  // looked up without touching the strings: 0 when the text does not pack.
  static constexpr qsizetype kShortText = 8;
  static uint64_t PackShort(QStringView text);
  // Id of the text, adding it when new. Id 0 is Null.
  uint32_t Intern(QStringView text);
  // The same, for a text whose packed form (PackShort) is known already.
  uint32_t Intern(QStringView text, uint64_t packed);
  // Id of the text, or 0 when the pool does not hold it.
  uint32_t Find(QStringView text) const;
  const QString& At(uint32_t id) const { return strings_[id]; }
  // The text as UTF-8 (for writing to the database), made once when the text
  // came in; all of them lie in one block, so reading them costs few cache
  // misses and is safe from any thread while no text is added. At least
  // kUtf8Pad readable bytes follow each one, so that a short text can be
  // copied as one fixed-size move.
  static constexpr size_t kUtf8Pad = 16;
  QByteArrayView Utf8(uint32_t id) const {
    if (id == 0) return {};
    const size_t begin = utf8Ends_[id - 1];
    return QByteArrayView(utf8Bytes_.data() + begin, qsizetype(utf8Ends_[id] - begin));
  }
  uint32_t Size() const { return uint32_t(strings_.size()); }

 private:
  friend class ColumnStore;
  struct Slot {
    uint32_t id = 0;  // 0 = empty
    uint32_t hash = 0;
  };
  static uint32_t HashOf(QStringView text);
  // The second of the day a text "HH:MM:SS" names, or -1 for any other text.
  static int SecondOfDay(QStringView text);
  size_t SlotOf(QStringView text, uint32_t hash) const;
  void Grow();
  void AppendUtf8(QStringView text);

  std::vector<QString> strings_;
  std::vector<char> utf8Bytes_;   // the UTF-8 of every text, one after another
  std::vector<size_t> utf8Ends_;  // where each text's UTF-8 ends; [0] = 0 (Null)
  std::vector<Slot> slots_;       // open addressing
  KeyIndex shortIds_;             // packed short text -> id
  // Times of day, the one field of a report line that is nearly always a
  // new text: looked up by their second in 340 KB that stays in the cache,
  // where the index of every short text grows to megabytes. 0 = not yet.
  std::vector<uint32_t> timeIds_;
  // Held exclusively while a block another thread may read (the UTF-8, or a
  // column of the store this pool belongs to) moves: see
  // ColumnStore::ReadLock.
  mutable std::shared_mutex moving_;
};

// The numbers of a column. While every value is a whole number of
// hundredths (the lengths, widths and percentages of report lines), each
// takes 2 bytes while it lies within +-327.67, 4 bytes beyond, instead of 8;
// the first value that is not (or -0) turns the column into plain doubles
// for good. Either way a value reads back as exactly the double that was
// stored: hundredths are kept only when dividing them by 100 gives that
// double again.
class NumberColumn {
 public:
  double operator[](size_t row) const {
    switch (form_) {
      case Form::Narrow: return NarrowValue(narrow_[row]);
      case Form::Hundredths: return FromHundredths(hundredths_[row]);
      case Form::Wide: break;
    }
    return doubles_[row];
  }
  // The value of a 2-byte hundredths (kNarrowNull: NaN), looked up: a
  // division per cell was most of the time of reading a column.
  static double NarrowValue(int16_t n) { return kNarrowValues[size_t(int32_t(n) - kNarrowNull)]; }
  // The value of hundredths (kNullHundredths: NaN), looked up where it can be.
  static double HundredthsValue(int32_t h) { return FitsNarrow(h) ? NarrowValue(int16_t(h)) : FromHundredths(h); }
  size_t size() const {
    switch (form_) {
      case Form::Narrow: return narrow_.size();
      case Form::Hundredths: return hundredths_.size();
      case Form::Wide: break;
    }
    return doubles_.size();
  }
  void push_back(double value) {
    int32_t h;
    if (form_ != Form::Wide && ToHundredths(value, h))
      PushHundredths(h);
    else
      PushWide(value);
  }
  // The same, for a value known to be exactly hundredths / 100 (unless
  // hundredths is kNullHundredths): spares working that out again.
  void push_back(double value, int32_t hundredths) {
    if (form_ != Form::Wide && hundredths != kNullHundredths)
      PushHundredths(hundredths);
    else
      push_back(value);
  }
  // Whether the values are held as hundredths (in either width).
  bool Compact() const { return form_ != Form::Wide; }
  // The value of a row as hundredths (kNullHundredths for Null); only while
  // Compact().
  int32_t HundredthsAt(size_t row) const { return form_ == Form::Narrow ? FromNarrow(narrow_[row]) : hundredths_[row]; }
  // The values as 4-byte hundredths (kNullHundredths for Null), or nullptr
  // while they are 2-byte ones (Narrow()) or once they are plain doubles.
  const int32_t* Hundredths() const { return form_ == Form::Hundredths ? hundredths_.data() : nullptr; }
  // The values as 2-byte hundredths (kNarrowNull for Null), or nullptr.
  const int16_t* Narrow() const { return form_ == Form::Narrow ? narrow_.data() : nullptr; }
  const void* Address(size_t row) const {
    switch (form_) {
      case Form::Narrow: return &narrow_[row];
      case Form::Hundredths: return &hundredths_[row];
      case Form::Wide: break;
    }
    return &doubles_[row];
  }

  static constexpr int32_t kNullHundredths = std::numeric_limits<int32_t>::min();
  static constexpr int16_t kNarrowNull = std::numeric_limits<int16_t>::min();

  // Whether push_back(value, hundredths) may move the values elsewhere
  // (growing, or turning wider).
  bool PushMayMove(bool isNull, int32_t hundredths) const {
    switch (form_) {
      case Form::Narrow:
        if (!isNull && !FitsNarrow(hundredths)) return true;
        return narrow_.size() == narrow_.capacity();
      case Form::Hundredths:
        if (!isNull && hundredths == kNullHundredths) return true;
        return hundredths_.size() == hundredths_.capacity();
      case Form::Wide: break;
    }
    return doubles_.size() == doubles_.capacity();
  }

 private:
  enum class Form : uint8_t { Narrow, Hundredths, Wide };
  // Every 2-byte hundredths' value, from kNarrowNull up.
  static const std::array<double, 65536> kNarrowValues;
  static double FromHundredths(int32_t h) {
    return h == kNullHundredths ? std::numeric_limits<double>::quiet_NaN() : double(h) / 100;
  }
  static int32_t FromNarrow(int16_t n) { return n == kNarrowNull ? kNullHundredths : int32_t(n); }
  static bool FitsNarrow(int32_t h) { return h > kNarrowNull && h <= std::numeric_limits<int16_t>::max(); }
  static bool ToHundredths(double value, int32_t& h);
  // h may be kNullHundredths (Null).
  void PushHundredths(int32_t h) {
    if (form_ == Form::Narrow) {
      if (h == kNullHundredths) return narrow_.push_back(kNarrowNull);
      if (FitsNarrow(h)) return narrow_.push_back(int16_t(h));
      Widen();
    }
    hundredths_.push_back(h);
  }
  void Widen();
  void PushWide(double value);

  Form form_ = Form::Narrow;
  std::vector<int16_t> narrow_;
  std::vector<int32_t> hundredths_;
  std::vector<double> doubles_;
};

// The texts of a column, read as pool ids (0 = Null). While the column has
// few distinct texts (materials, suppliers, operators), each row holds a 1-
// or 2-byte code into the column's own list of their ids; past 65,535 of
// them the rows hold the pool ids themselves, for good.
class TextColumn {
 public:
  TextColumn() : ids_(1, 0) {}
  // The pool id of a row's text.
  const uint32_t& operator[](size_t row) const {
    switch (form_) {
      case Form::Byte: return ids_[bytes_[row]];
      case Form::Short: return ids_[shorts_[row]];
      case Form::Wide: break;
    }
    return wide_[row];
  }
  // Where a row's code (or id) lies, to be fetched ahead of reading it.
  const void* Address(size_t row) const {
    switch (form_) {
      case Form::Byte: return bytes_.data() + row;
      case Form::Short: return shorts_.data() + row;
      case Form::Wide: break;
    }
    return wide_.data() + row;
  }
  size_t size() const {
    switch (form_) {
      case Form::Byte: return bytes_.size();
      case Form::Short: return shorts_.size();
      case Form::Wide: break;
    }
    return wide_.size();
  }
  void push_back(uint32_t id);
  // Whether push_back(id) may move what another thread reads (growing, the
  // codes turning wider).
  bool PushMayMove(uint32_t id) const {
    if (form_ == Form::Wide) return wide_.size() == wide_.capacity();
    if (id != 0 && CodeOf(id) == 0) {
      if (ids_.size() == ids_.capacity()) return true;
      if (ids_.size() == (form_ == Form::Byte ? kByteCodes : kShortCodes)) return true;
    }
    return form_ == Form::Byte ? bytes_.size() == bytes_.capacity() : shorts_.size() == shorts_.capacity();
  }
  // Whether the rows hold the column's own codes: then CodeAt is 0 for Null
  // and below CodeCount() otherwise, and IdOfCode gives the text's pool id.
  bool Coded() const { return form_ != Form::Wide; }
  size_t CodeCount() const { return ids_.size(); }
  uint32_t CodeAt(size_t row) const { return form_ == Form::Byte ? bytes_[row] : shorts_[row]; }
  uint32_t IdOfCode(uint32_t code) const { return ids_[code]; }
  // The rows' 1-byte codes, or nullptr once they are wider.
  const uint8_t* ByteCodes() const { return form_ == Form::Byte ? bytes_.data() : nullptr; }

 private:
  enum class Form : uint8_t { Byte, Short, Wide };
  static constexpr size_t kByteCodes = size_t(1) << 8;
  static constexpr size_t kShortCodes = size_t(1) << 16;
  uint32_t CodeOf(uint32_t id) const { return id < codeOfId_.size() ? codeOfId_[id] : 0; }
  // The code of a text new to the column; 0 when the codes ran out and the
  // rows now hold pool ids.
  uint32_t AddCode(uint32_t id);

  Form form_ = Form::Byte;
  std::vector<uint8_t> bytes_;
  std::vector<uint16_t> shorts_;
  std::vector<uint32_t> wide_;
  std::vector<uint32_t> ids_;       // pool id of each code; [0] = 0 (Null)
  std::vector<uint16_t> codeOfId_;  // code of each pool id, 0 = not in the column (only the appending thread)
};

// One cell's value on its way into the store (a pending row).
struct CellValue {
  bool isNull = true;
  double number = 0;
  int32_t hundredths = NumberColumn::kNullHundredths;  // the number's, when the parse told them
  qint32 date = kNullDate;
  uint32_t text = 0;  // pool id
};

// Shared between the recordsets opened on the same rows: rows are only ever
// appended, so a recordset keeps seeing the rows it listed.
class ColumnStore {
 public:
  struct Column {
    QString name;
    ColumnType type = ColumnType::Text;
    TextColumn text;           // pool ids, 0 = Null
    NumberColumn number;       // NaN = Null
    std::vector<qint32> date;  // Julian day, kNullDate = Null
  };

  void AddColumn(const QString& name, ColumnType type);
  int ColumnCount() const { return int(columns_.size()); }
  qint64 RowCount() const { return rows_; }
  const Column& At(int column) const { return columns_[column]; }
  // Index of the column whose name matches without regard to letter case, or -1.
  int FindColumn(QStringView name) const;

  // Appends one row (cells holds one value per column) and returns its index.
  uint32_t AppendRow(const std::vector<CellValue>& cells);
  // Low-level appends used while reading a result set, one column at a time.
  void PushNumber(int column, double value) { columns_[column].number.push_back(value); }
  void PushDate(int column, qint32 day) { columns_[column].date.push_back(day); }
  void PushText(int column, uint32_t id) { columns_[column].text.push_back(id); }
  void EndRow() { ++rows_; }

  bool IsNull(int column, qint64 row) const;
  // A stored cell as the value it was stored from.
  CellValue Cell(int column, qint64 row) const;
  QVariant Value(int column, qint64 row) const;
  QString Text(int column, qint64 row) const;
  // Appends the text of a cell to out as UTF-8, without temporaries
  // (copying a grid of a million rows).
  void AppendUtf8(QByteArray& out, int column, qint64 row, const QByteArray& decimalPoint) const;
  // The number behind a number cell; false for other cells and Null.
  bool Number(int column, qint64 row, double& value) const;

  TextPool& Pool() { return pool_; }
  const TextPool& Pool() const { return pool_; }

  // For another thread reading rows already appended while this one appends
  // more (the database writer): held, it keeps the columns and the texts'
  // UTF-8 where they are. AppendRow and TextPool::Intern move them only
  // under the exclusive lock; the other appends are for stores no other
  // thread reads yet.
  std::shared_lock<std::shared_mutex> ReadLock() const { return std::shared_lock(pool_.moving_); }

 private:
  uint32_t AppendCells(const std::vector<CellValue>& cells);

  std::vector<Column> columns_;
  TextPool pool_;
  qint64 rows_ = 0;
};
