#pragma once
// The text of many records for the clipboard, made as a gather of bytes: the
// text of each distinct value of a column is made once, then each block of
// rows is sized exactly and filled with plain copies. A million records
// repeat a few thousand lengths, a few hundred dates and names.
#include "common/RecordSource.h"

#include <QByteArray>

#include <functional>

class Recordset;

// Appends the records' fields joined by tabs, rows separated by "\n".
// Numbers are written with `decimalPoint`, as the grid shows them.
void AppendRecordText(QByteArray& out, const Recordset& records, const RecordTextRange& range,
                      const QByteArray& decimalPoint);
// The same text made when the returned function is called, from the store
// and the records' rows as they are now: every record shown holds the
// recordset's own list of rows; a part of them, a copy of its rows.
std::function<void(QByteArray&)> RecordTextLater(const Recordset& records, const RecordTextRange& range,
                                                 const QByteArray& decimalPoint);
