#pragma once
// Rows of a column store made into the parameters of an INSERT of all its
// columns (in column order), so that the database writer can take rows the
// recordset has already stored instead of a second copy made as they came in.
#include <QtGlobal>

class ColumnStore;
class RowBatch;

// Appends store rows [first, end) to the batch, one batch row each. Another
// thread may append to the store meanwhile: the caller holds the store's
// ReadLock (or is that thread).
void AppendStoreRows(RowBatch& batch, const ColumnStore& store, qint64 first, qint64 end);
