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
// and the records' rows as they are now (the rows' list is copied: 4 bytes a
// record, against some hundred bytes of text).
std::function<void(QByteArray&)> RecordTextLater(const Recordset& records, const RecordTextRange& range,
                                                 const QByteArray& decimalPoint);
