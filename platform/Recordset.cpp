#include "Recordset.h"

#include "Connection.h"
#include "ErrorInfo.h"
#include "RuntimeErrors.h"
#include "SqliteSession.h"
#include "ValueParse.h"
#include "ValueText.h"

#include <QRegularExpression>

#include <sqlite3.h>

#include <cmath>
#include <cstring>

namespace {

const QString kSource = QStringLiteral("Recordset");

ColumnType columnTypeOf(const char* declared) {
  if (!declared) return ColumnType::Text;
  const QByteArray d = QByteArray(declared).toUpper();
  if (d.contains("CHAR") || d.contains("TEXT") || d.contains("CLOB")) return ColumnType::Text;
  if (d.contains("DATE") || d.contains("TIME")) return ColumnType::Date;
  if (d.contains("INT") || d.contains("NUM") || d.contains("REAL") || d.contains("FLOA") || d.contains("DOUB") ||
      d.contains("DEC"))
    return ColumnType::Number;
  return ColumnType::Text;
}

// Rows that sort equal keep the order in which they were stored: a plain
// single-table query with an ORDER BY gets the row id as a last key.
QString withStableOrder(const QString& source) {
  static const QRegularExpression orderBy(QStringLiteral("\\border\\s+by\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression unsafe(QStringLiteral("\\b(distinct|group|limit|union|join|offset)\\b|[,;]\\s*$"),
                                         QRegularExpression::CaseInsensitiveOption);
  if (!source.contains(orderBy) || source.contains(unsafe)) return {};
  return source.trimmed() + QStringLiteral(", rowid");
}

[[noreturn]] void raiseConvert(QStringView text, const QString& kind, const QString& column) {
  RaiseError(kErrCannotConvert,
             QStringLiteral("'%1' is not %2; column %3 left empty.").arg(text.toString(), kind, column), kSource);
}

}  // namespace

// ---- Field ----

QString Field::Name() const { return owner_->store_.At(index_).name; }

QVariant Field::Value() const {
  owner_->RequireOpen();
  if (owner_->Eof())
    RaiseError(kErrNoCurrentRecord,
               QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. Requested "
                              "operation requires a current record."),
               kSource);
  return owner_->store_.Value(index_, owner_->StoreRow(owner_->position_));
}

QString Field::Text() const { return ValueText(Value()); }

void Field::SetValue(QStringView text) { owner_->StoreCell(index_, text); }

// ---- Recordset ----

Recordset::~Recordset() {
  if (insert_) sqlite3_finalize(insert_);
}

void Recordset::RequireOpen() const {
  if (!open_) RaiseError(kErrObjectClosed, QStringLiteral("Operation is not allowed when the object is closed."), kSource);
}

void Recordset::Open(const QString& source, const std::shared_ptr<Connection>& activeConnection, int, int lockType,
                     int) {
  if (open_) RaiseError(kErrNotAllowed, QStringLiteral("Operation is not allowed when the object is open."), kSource);
  if (!activeConnection)
    RaiseError(kErrObjectClosed, QStringLiteral("The recordset has no open connection."), kSource);
  std::shared_ptr<SqliteSession> session = activeConnection->Session();

  sqlite3_stmt* stmt = nullptr;
  const QString stable = withStableOrder(source);
  if (!stable.isEmpty()) {
    try {
      stmt = session->Prepare(stable);
    } catch (const ErrorInfo&) {
      stmt = nullptr;  // not a plain table: keep the statement as written
    }
  }
  if (!stmt) stmt = session->Prepare(source);

  ColumnStore store;
  const int columns = sqlite3_column_count(stmt);
  for (int i = 0; i < columns; ++i)
    store.AddColumn(QString::fromUtf8(sqlite3_column_name(stmt, i)), columnTypeOf(sqlite3_column_decltype(stmt, i)));
  store_ = std::move(store);
  session_ = session;
  try {
    LoadRows(stmt);
  } catch (...) {
    sqlite3_finalize(stmt);
    store_ = ColumnStore();
    session_.reset();
    throw;
  }
  sqlite3_finalize(stmt);

  static const QRegularExpression plainTable(QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+(\\w+)\\b"),
                                             QRegularExpression::CaseInsensitiveOption);
  const auto m = plainTable.match(source);
  updatable_ = lockType != adLockReadOnly && m.hasMatch();
  table_ = updatable_ ? m.captured(1) : QString();
  source_ = source;
  open_ = true;
  position_ = 0;
}

void Recordset::LoadRows(sqlite3_stmt* stmt) {
  const int columns = store_.ColumnCount();
  // Consecutive rows often repeat a text (sorted by material...): reuse the id.
  std::vector<QByteArray> lastBytes(columns);
  std::vector<uint32_t> lastId(columns, 0);
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    for (int i = 0; i < columns; ++i) {
      const int kind = sqlite3_column_type(stmt, i);
      switch (store_.At(i).type) {
        case ColumnType::Number: {
          double v = std::nan("");
          if (kind == SQLITE_INTEGER || kind == SQLITE_FLOAT) {
            v = sqlite3_column_double(stmt, i);
          } else if (kind == SQLITE_TEXT) {
            double parsed;
            if (ParseNumber(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i))), parsed))
              v = parsed;
          }
          store_.PushNumber(i, v);
          break;
        }
        case ColumnType::Date: {
          qint32 day = kNullDate;
          if (kind == SQLITE_TEXT) {
            qint32 parsed;
            if (ParseDate(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i))), parsed))
              day = parsed;
          }
          store_.PushDate(i, day);
          break;
        }
        case ColumnType::Text: {
          uint32_t id = 0;
          if (kind != SQLITE_NULL) {
            const char* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
            const int len = sqlite3_column_bytes(stmt, i);
            if (lastId[i] != 0 && lastBytes[i].size() == len && std::memcmp(lastBytes[i].constData(), bytes, len) == 0) {
              id = lastId[i];
            } else {
              id = store_.Pool().Intern(QString::fromUtf8(bytes, len));
              lastBytes[i] = QByteArray(bytes, len);
              lastId[i] = id;
            }
          }
          store_.PushText(i, id);
          break;
        }
      }
    }
    store_.EndRow();
  }
  if (rc != SQLITE_DONE) session_->RaiseLastError(rc);
}

qint64 Recordset::RecordCount() const {
  RequireOpen();
  return filtered_ ? qint64(visible_.size()) : store_.RowCount();
}

void Recordset::MoveFirst() {
  RequireOpen();
  position_ = 0;
}

void Recordset::MoveNext() {
  RequireOpen();
  if (Eof())
    RaiseError(kErrNoCurrentRecord,
               QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. Requested "
                              "operation requires a current record."),
               kSource);
  ++position_;
}

bool Recordset::Eof() const {
  RequireOpen();
  return position_ >= RecordCount();
}

Field Recordset::Fields(const QString& name) {
  RequireOpen();
  const int index = store_.FindColumn(name);
  if (index < 0)
    RaiseError(kErrNotInCollection,
               QStringLiteral("Item cannot be found in the collection corresponding to the requested name or "
                              "ordinal: %1.").arg(name),
               kSource);
  return Field(this, index);
}

Field Recordset::Fields(int index) {
  RequireOpen();
  if (index < 0 || index >= store_.ColumnCount())
    RaiseError(kErrNotInCollection,
               QStringLiteral("Item cannot be found in the collection corresponding to the requested name or "
                              "ordinal: %1.").arg(index),
               kSource);
  return Field(this, index);
}

void Recordset::AddNew() {
  RequireOpen();
  if (!updatable_)
    RaiseError(kErrNotUpdatable, QStringLiteral("Current Recordset does not support adding rows."), kSource);
  pending_.emplace(store_.ColumnCount());
}

void Recordset::StoreCell(int index, QStringView text) {
  RequireOpen();
  if (!pending_)
    RaiseError(kErrNotAllowed, QStringLiteral("No new row has been begun: call AddNew first."), kSource);
  CellValue& cell = (*pending_)[index];
  const ColumnStore::Column& col = store_.At(index);
  cell = CellValue();
  if (text.isEmpty()) return;  // empty text is Null
  switch (col.type) {
    case ColumnType::Text:
      cell.text = text.toString();
      cell.isNull = false;
      break;
    case ColumnType::Number:
      if (IsBlank(text)) return;
      if (!ParseNumber(text, cell.number)) raiseConvert(text, QStringLiteral("a number"), col.name);
      cell.isNull = false;
      break;
    case ColumnType::Date:
      if (IsBlank(text)) return;
      if (!ParseDate(text, cell.date)) raiseConvert(text, QStringLiteral("a date"), col.name);
      cell.isNull = false;
      break;
  }
}

void Recordset::PrepareInsert() {
  if (insert_) return;
  QStringList names, marks;
  for (int i = 0; i < store_.ColumnCount(); ++i) {
    names << QLatin1Char('"') + store_.At(i).name + QLatin1Char('"');
    marks << QStringLiteral("?");
  }
  insert_ = session_->Prepare(
      QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)").arg(table_, names.join(u','), marks.join(u',')));
}

void Recordset::Update() {
  RequireOpen();
  if (!pending_) RaiseError(kErrNotAllowed, QStringLiteral("No new row has been begun: call AddNew first."), kSource);
  // The row is dropped whether or not it could be written.
  std::vector<CellValue> cells = std::move(*pending_);
  pending_.reset();
  PrepareInsert();
  session_->BeginWrite();
  std::vector<QByteArray> texts(cells.size());
  for (int i = 0; i < int(cells.size()); ++i) {
    const CellValue& v = cells[i];
    const int p = i + 1;
    if (v.isNull) {
      sqlite3_bind_null(insert_, p);
      continue;
    }
    switch (store_.At(i).type) {
      case ColumnType::Number: sqlite3_bind_double(insert_, p, v.number); break;
      case ColumnType::Date: texts[i] = DateText(v.date).toLatin1(); break;
      case ColumnType::Text: texts[i] = v.text.toUtf8(); break;
    }
    if (store_.At(i).type != ColumnType::Number)
      sqlite3_bind_text(insert_, p, texts[i].constData(), int(texts[i].size()), SQLITE_STATIC);
  }
  const int rc = sqlite3_step(insert_);
  sqlite3_reset(insert_);
  sqlite3_clear_bindings(insert_);
  if (rc != SQLITE_DONE) session_->RaiseLastError(rc);
  session_->EndWrite();

  store_.AppendRow(cells);
  const qint64 row = store_.RowCount() - 1;
  if (filtered_ && compiledFilter_.Matches(store_, row)) visible_.push_back(uint32_t(row));
  emit Changed();
}

void Recordset::SetFilter(const QString& filterText) {
  RequireOpen();
  filter_.clear();
  filtered_ = false;
  visible_.clear();
  visible_.shrink_to_fit();
  position_ = 0;
  if (filterText.isEmpty()) {
    emit Changed();
    return;
  }
  try {
    compiledFilter_ = RecordFilter::Parse(filterText, store_);
  } catch (...) {
    emit Changed();
    throw;
  }
  visible_ = compiledFilter_.Apply(store_);
  filtered_ = true;
  filter_ = filterText;
  emit Changed();
}

QString Recordset::CellText(qint64 visibleRow, int field) const { return store_.Text(field, StoreRow(visibleRow)); }
