#include "database/Recordset.h"

#include "database/RecordTextCopy.h"

#include "common/ErrorInfo.h"
#include "common/RuntimeErrors.h"
#include "database/Connection.h"
#include "sqlite/SqlStatement.h"
#include "sqlite/SqliteSession.h"
#include "table/ColumnRanks.h"
#include "table/ValueParse.h"
#include "table/ValueText.h"

#include <QRegularExpression>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>

namespace {

const QString kSource = QStringLiteral("Recordset");

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

QString Field::Name() const { return owner_->store_->At(index_).name; }

QVariant Field::Value() const {
  owner_->RequireOpen();
  if (owner_->Eof())
    RaiseError(kErrNoCurrentRecord,
               QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. Requested "
                              "operation requires a current record."),
               kSource);
  return owner_->store_->Value(index_, owner_->StoreRow(owner_->position_));
}

QString Field::Text() const { return ValueText(Value()); }

void Field::SetValue(QStringView text) { owner_->StoreCell(index_, text); }

// ---- Recordset ----

// The insert statement belongs to the session, which may still be writing
// this recordset's rows on its writer thread.
Recordset::~Recordset() = default;

void Recordset::RequireOpen() const {
  if (!open_)
    RaiseError(kErrObjectClosed, QStringLiteral("Operation is not allowed when the object is closed."), kSource);
}

void Recordset::Open(const QString& source, const std::shared_ptr<Connection>& activeConnection, int, int lockType,
                     int) {
  if (open_) RaiseError(kErrNotAllowed, QStringLiteral("Operation is not allowed when the object is open."), kSource);
  if (!activeConnection) RaiseError(kErrObjectClosed, QStringLiteral("The recordset has no open connection."), kSource);
  std::shared_ptr<SqliteSession> session = activeConnection->Session();
  session_ = session;
  // Opening a recordset is where stored rows reach the file. When that fails
  // the recordset still opens on what the file holds, and the failure is
  // reported afterwards. A recordset answered from the mirror does not wait
  // for them: they are in the mirror already, and go on being written behind.
  std::optional<ErrorInfo> commitFailure;
  const auto commitPending = [&] {
    try {
      session->Writer().Finish();
    } catch (const ErrorInfo& e) {
      commitFailure = e;
    }
  };
  const SqlStatement statement = SqlStatement::Parse(source);
  const bool behind = statement.AnsweredFromMemory() && session->Writer().WritingBehind();
  if (!behind) commitPending();
  answeredFromMemory_ = OpenFromMirror(statement, *session);
  if (!answeredFromMemory_) {
    if (behind) commitPending();
    PreparedStatement stmt;
    const QString stable = withStableOrder(source);
    if (!stable.isEmpty()) {
      try {
        stmt = session->Prepare(stable);
      } catch (const ErrorInfo&) {
        // not a plain table: keep the statement as written
      }
    }
    try {
      if (!stmt) stmt = session->Prepare(source);
      store_ = ColumnsOf(stmt.get());
      LoadRows(stmt.get());
    } catch (...) {
      store_.reset();
      rows_.clear();
      session_.reset();
      throw;
    }
  }

  updatable_ = lockType != adLockReadOnly && statement.kind == SqlStatement::Kind::SelectAll;
  table_ = updatable_ ? statement.table.toLower() : QString();  // SQL names ignore letter case
  source_ = source;
  open_ = true;
  position_ = 0;
  if (commitFailure) throw *commitFailure;
}

namespace {
std::vector<uint32_t> allRows(const ColumnStore& store) {
  std::vector<uint32_t> rows(size_t(store.RowCount()));
  for (uint32_t r = 0; r < rows.size(); ++r) rows[r] = r;
  return rows;
}
}  // namespace

bool Recordset::OpenFromMirror(const SqlStatement& statement, SqliteSession& session) {
  if (!statement.AnsweredFromMemory()) return false;
  std::shared_ptr<ColumnStore> mirror = session.Writer().Mirror(statement.table);
  if (!mirror) return false;
  if (statement.kind == SqlStatement::Kind::SelectAll) {
    std::vector<int> keys;
    for (const QString& name : statement.sortKeys) {
      const int col = mirror->FindColumn(name);
      if (col < 0) return false;  // let the engine report it
      keys.push_back(col);
    }
    rows_ = keys.empty() ? allRows(*mirror) : SortRows(*mirror, keys, allRows(*mirror));
    store_ = std::move(mirror);
    return true;
  }
  {
    const int col = mirror->FindColumn(statement.column);
    if (col < 0) return false;
    const ColumnRanks ranks = DistinctValues(*mirror, col, allRows(*mirror));
    const ColumnStore::Column& c = mirror->At(col);
    auto distinct = std::make_shared<ColumnStore>();
    distinct->AddColumn(statement.column, c.type);
    std::vector<CellValue> cell(1);
    if (ranks.hasNull) distinct->AppendRow(cell);
    for (size_t k = 1; k < ranks.rowOfRank.size(); ++k) {
      cell[0] = mirror->Cell(col, ranks.rowOfRank[k]);
      if (c.type == ColumnType::Text) cell[0].text = distinct->Pool().Intern(mirror->Pool().At(cell[0].text));
      distinct->AppendRow(cell);
    }
    rows_ = allRows(*distinct);
    store_ = std::move(distinct);
    return true;
  }
}

void Recordset::LoadRows(sqlite3_stmt* stmt) {
  ColumnStore& store = *store_;
  const int columns = store.ColumnCount();
  // Consecutive rows often repeat a text (sorted by material...): reuse the id.
  std::vector<QByteArray> lastBytes(columns);
  std::vector<uint32_t> lastId(columns, 0);
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    for (int i = 0; i < columns; ++i) {
      const int kind = sqlite3_column_type(stmt, i);
      switch (store.At(i).type) {
        case ColumnType::Number: {
          double v = std::nan("");
          if (kind == SQLITE_INTEGER || kind == SQLITE_FLOAT) {
            v = sqlite3_column_double(stmt, i);
          } else if (kind == SQLITE_TEXT) {
            double parsed;
            if (ParseNumber(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i))), parsed))
              v = parsed;
          }
          store.PushNumber(i, v);
          break;
        }
        case ColumnType::Date: {
          qint32 day = kNullDate;
          if (kind == SQLITE_TEXT) {
            qint32 parsed;
            if (ParseDate(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i))), parsed))
              day = parsed;
          }
          store.PushDate(i, day);
          break;
        }
        case ColumnType::Text: {
          uint32_t id = 0;
          if (kind != SQLITE_NULL) {
            const char* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
            const int len = sqlite3_column_bytes(stmt, i);
            if (lastId[i] != 0 && lastBytes[i].size() == len &&
                std::memcmp(lastBytes[i].constData(), bytes, len) == 0) {
              id = lastId[i];
            } else {
              id = store.Pool().Intern(QString::fromUtf8(bytes, len));
              lastBytes[i] = QByteArray(bytes, len);
              lastId[i] = id;
            }
          }
          store.PushText(i, id);
          break;
        }
      }
    }
    rows_.push_back(uint32_t(store.RowCount()));
    store.EndRow();
  }
  if (rc != SQLITE_DONE) session_->RaiseLastError(rc);
}

qint64 Recordset::RecordCount() const {
  RequireOpen();
  return filtered_ ? qint64(visible_.size()) : qint64(rows_.size());
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
  const int index = store_->FindColumn(name);
  if (index < 0)
    RaiseError(kErrNotInCollection,
               QStringLiteral("Item cannot be found in the collection corresponding to the requested name or "
                              "ordinal: %1.")
                   .arg(name),
               kSource);
  return Field(this, index);
}

Field Recordset::Fields(int index) {
  RequireOpen();
  if (index < 0 || index >= store_->ColumnCount())
    RaiseError(kErrNotInCollection,
               QStringLiteral("Item cannot be found in the collection corresponding to the requested name or "
                              "ordinal: %1.")
                   .arg(index),
               kSource);
  return Field(this, index);
}

void Recordset::AddNew() {
  RequireOpen();
  if (!updatable_)
    RaiseError(kErrNotUpdatable, QStringLiteral("Current Recordset does not support adding rows."), kSource);
  pending_.assign(size_t(store_->ColumnCount()), CellValue());
  if (recentTexts_.size() != pending_.size()) recentTexts_.assign(pending_.size(), {});
  hasPending_ = true;
}

void Recordset::StoreCell(int index, QStringView text) {
  RequireOpen();
  if (!hasPending_)
    RaiseError(kErrNotAllowed, QStringLiteral("No new row has been begun: call AddNew first."), kSource);
  CellValue& cell = pending_[size_t(index)];
  const ColumnStore::Column& col = store_->At(index);
  cell = CellValue();
  if (text.isEmpty()) return;  // empty text is Null
  switch (col.type) {
    case ColumnType::Text: {
      // Most text columns repeat a handful of values: try the column's last
      // ones first. Short texts are compared as the number they pack into.
      RecentTexts& recent = recentTexts_[size_t(index)];
      const TextPool& pool = store_->Pool();
      const uint64_t key = TextPool::PackShort(text);
      uint32_t id = 0;
      for (size_t k = 0; k < recent.ids.size() && id == 0; ++k) {
        const uint32_t candidate = recent.ids[k];
        if (candidate == 0) continue;
        if (key ? recent.keys[k] == key
                : recent.keys[k] == 0 && pool.At(candidate).size() == text.size() &&
                      QStringView(pool.At(candidate)) == text)
          id = candidate;
      }
      if (id == 0) {
        id = store_->Pool().Intern(text, key);
        std::rotate(recent.ids.rbegin(), recent.ids.rbegin() + 1, recent.ids.rend());
        std::rotate(recent.keys.rbegin(), recent.keys.rbegin() + 1, recent.keys.rend());
        recent.ids[0] = id;
        recent.keys[0] = key;
      }
      cell.text = id;
      cell.isNull = false;
      break;
    }
    case ColumnType::Number:
      if (IsBlank(text)) return;
      if (!ParseNumber(text, cell.number, cell.hundredths)) raiseConvert(text, QStringLiteral("a number"), col.name);
      cell.isNull = false;
      break;
    case ColumnType::Date:
      if (IsBlank(text)) return;
      if (!ParseDate(text, cell.date)) raiseConvert(text, QStringLiteral("a date"), col.name);
      cell.isNull = false;
      break;
  }
}

void Recordset::Update() {
  RequireOpen();
  if (!hasPending_)
    RaiseError(kErrNotAllowed, QStringLiteral("No new row has been begun: call AddNew first."), kSource);
  // The row is dropped whether or not it could be written.
  hasPending_ = false;
  TableWriter& writer = session_->Writer();
  if (!target_) target_ = &writer.TargetFor(table_, *store_);
  // Into the store, then to the writer: a row it cannot keep raises, and is
  // not one of this recordset's records.
  const uint32_t row = store_->AppendRow(pending_);
  writer.Store(*target_, store_, row);
  rows_.push_back(row);
  if (filtered_ && compiledFilter_.Matches(*store_, row)) visible_.push_back(row);
  emit Changed();
}

void Recordset::SetFilter(const QString& filterText) {
  RequireOpen();
  filter_.clear();
  filtered_ = false;
  visible_.clear();
  position_ = 0;
  if (filterText.isEmpty()) {
    emit Changed();
    return;
  }
  try {
    compiledFilter_ = RecordFilter::Parse(filterText, *store_);
  } catch (...) {
    emit Changed();
    throw;
  }
  visible_ = compiledFilter_.Apply(*store_, rows_.List());
  filtered_ = true;
  filter_ = filterText;
  emit Changed();
}

void Recordset::AppendRecordText(QByteArray& out, const RecordTextRange& range, const QByteArray& decimalPoint) const {
  ::AppendRecordText(out, *this, range, decimalPoint);
}

std::function<void(QByteArray&)> Recordset::RecordTextLater(const RecordTextRange& range,
                                                            const QByteArray& decimalPoint) const {
  return ::RecordTextLater(*this, range, decimalPoint);
}

QMetaObject::Connection Recordset::ConnectChanged(QObject* receiver, std::function<void()> changed) {
  return connect(this, &Recordset::Changed, receiver, std::move(changed));
}
