#pragma once
// What an export writes: a table of typed cells (numbers, dates, texts,
// Null) read row by row, and the sink that hears how far a writer got and
// answers whether to stop. Writers see only these, so a window, a test or a
// command line can drive them alike.
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <limits>

struct ExportCell {
  enum Type : uint8_t { Empty, Number, Date, Text };
  Type type = Empty;
  bool whole = false;  // a count: shown without decimals
  // Numbers known to be whole hundredths give them here (else kNoHundredths),
  // so that a writer can spell them without floating point.
  int32_t hundredths = kNoHundredths;
  double number = 0;
  qint32 day = 0;       // Julian day
  QByteArrayView text;  // UTF-8; valid until the next row is read

  static constexpr int32_t kNoHundredths = std::numeric_limits<int32_t>::min();
};

class ExportTable {
 public:
  virtual ~ExportTable() = default;
  virtual int ColumnCount() const = 0;
  virtual QString Header(int column) const = 0;
  virtual qint64 RowCount() const = 0;
  // Fills ColumnCount() cells with the row's values.
  virtual void ReadRow(qint64 row, ExportCell* cells) = 0;
  // True when two threads may call ReadRow at once (it changes nothing the
  // table holds), so that a writer may read two parts of it together.
  virtual bool ReadableFromTwoThreads() const { return false; }
};

// Told how far a writer got; asked, between rows, whether to stop.
class ExportProgress {
 public:
  virtual ~ExportProgress() = default;
  virtual void Advanced(qint64 rowsDone, qint64 rowsTotal) = 0;
  virtual bool StopRequested() const = 0;
};

// The chart of a breakdown sheet: one series of the table's column
// `valueColumn` over the categories of column 0, rows 1 to `points` of the
// table (the header is row 0).
struct ExportChart {
  QString title;
  QString valueName;
  int valueColumn = 1;
  int points = 0;
  bool joined = false;  // a line through the points (periods in time order)
};
