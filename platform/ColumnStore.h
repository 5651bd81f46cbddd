#pragma once
// In-memory rows of a client-side recordset, stored by column: numbers and
// dates as plain arrays, texts as ids into one pool in which every distinct
// text is held once. A million yield records fit in about 100 MB this way.
#include <QHash>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <QtGlobal>

#include <cstdint>
#include <limits>
#include <vector>

enum class ColumnType { Text, Number, Date };

inline constexpr qint32 kNullDate = std::numeric_limits<qint32>::min();

// Compares two texts in code point order (the order of their UTF-8 bytes).
int CompareText(QStringView a, QStringView b);

class TextPool {
 public:
  TextPool() : strings_(1) {}
  // Id of the text, adding it when new. Id 0 is Null.
  uint32_t Intern(const QString& text);
  // Id of the text, or 0 when the pool does not hold it.
  uint32_t Find(const QString& text) const { return ids_.value(text, 0); }
  const QString& At(uint32_t id) const { return strings_[id]; }
  uint32_t Size() const { return uint32_t(strings_.size()); }

 private:
  std::vector<QString> strings_;
  QHash<QString, uint32_t> ids_;
};

// One cell's value on its way into the store (a pending row).
struct CellValue {
  bool isNull = true;
  double number = 0;
  qint32 date = kNullDate;
  QString text;
};

class ColumnStore {
 public:
  struct Column {
    QString name;
    ColumnType type = ColumnType::Text;
    std::vector<uint32_t> text;  // pool ids, 0 = Null
    std::vector<double> number;  // NaN = Null
    std::vector<qint32> date;    // Julian day, kNullDate = Null
  };

  void AddColumn(const QString& name, ColumnType type);
  int ColumnCount() const { return int(columns_.size()); }
  qint64 RowCount() const { return rows_; }
  const Column& At(int column) const { return columns_[column]; }
  // Index of the column whose name matches without regard to letter case, or -1.
  int FindColumn(QStringView name) const;

  void Reserve(qint64 rows);
  // Appends one row; cells holds one value per column.
  void AppendRow(const std::vector<CellValue>& cells);
  // Low-level appends used while reading a result set, one column at a time.
  void PushNumber(int column, double value) { columns_[column].number.push_back(value); }
  void PushDate(int column, qint32 day) { columns_[column].date.push_back(day); }
  void PushText(int column, uint32_t id) { columns_[column].text.push_back(id); }
  void EndRow() { ++rows_; }

  bool IsNull(int column, qint64 row) const;
  QVariant Value(int column, qint64 row) const;
  QString Text(int column, qint64 row) const;

  TextPool& Pool() { return pool_; }
  const TextPool& Pool() const { return pool_; }

 private:
  std::vector<Column> columns_;
  TextPool pool_;
  qint64 rows_ = 0;
};
