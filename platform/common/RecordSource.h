#pragma once
// What a grid bound to records reads from them: the records passing the
// filter, their fields' names and texts, the fast ways to copy and measure a
// million of them, and a word when they change. The database facade's
// Recordset implements it, so the grid control needs neither the in-memory
// table nor SQLite.
#include "common/WidestTexts.h"

#include <QByteArray>
#include <QMetaObject>
#include <QString>

#include <functional>

class QObject;

// Which records and fields a copy takes.
struct RecordTextRange {
  qint64 firstRow = 0;  // visible records, 0-based, inclusive
  qint64 lastRow = -1;
  int firstField = 0;  // fields, inclusive
  int lastField = -1;
  bool leadingEmptyCell = false;  // the grid's fixed column comes first, empty
  bool newlineFirst = false;      // a row is already in `out`
};

class RecordSource {
 public:
  virtual ~RecordSource() = default;

  virtual bool IsOpen() const = 0;
  // Records visible under the current filter.
  virtual qint64 RecordCount() const = 0;
  virtual int FieldCount() const = 0;
  virtual QString FieldName(int field) const = 0;
  // Text of a field in the visible record at a position (0-based).
  virtual QString CellText(qint64 visibleRow, int field) const = 0;
  // The same appended as UTF-8, numbers with `decimalPoint`.
  virtual void AppendCellUtf8(QByteArray& out, qint64 visibleRow, int field, const QByteArray& decimalPoint) const = 0;
  // Appends the records' fields joined by tabs, rows separated by "\n".
  // Numbers are written with `decimalPoint`, as the grid shows them.
  virtual void AppendRecordText(QByteArray& out, const RecordTextRange& range,
                                const QByteArray& decimalPoint) const = 0;
  // The same text, made only when the returned function is called: it keeps
  // the records as they are now, whatever filter or import follows.
  virtual std::function<void(QByteArray&)> RecordTextLater(const RecordTextRange& range,
                                                           const QByteArray& decimalPoint) const = 0;
  // The number a cell's text stands for, when the cell holds a number.
  virtual bool CellNumber(qint64 visibleRow, int field, double& value) const = 0;
  // CellNumber of `count` records from firstRow on, into values: how many
  // of them, from the first, hold a number (a sum of ten million cells
  // should not pay a call per cell).
  virtual qint64 CellNumbers(qint64 firstRow, int field, qint64 count, double* values) const = 0;
  // Offers the field's name and each distinct text of the visible records.
  virtual void WidestTextsOf(int field, const TextMeasure& widths, WidestTexts& widest) const = 0;
  // Calls `changed` in `receiver`'s thread whenever the visible records change.
  virtual QMetaObject::Connection ConnectChanged(QObject* receiver, std::function<void()> changed) = 0;
};
