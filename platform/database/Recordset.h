#pragma once
// A client-side recordset over one statement's rows: record count, a forward
// walk, fields by name (any letter case), adding rows (kept in its column
// store and handed to the session's TableWriter, which writes them), and a
// filter. A bound grid reads it as a RecordSource and listens to Changed().
#include "SharedRowList.h"
#include "common/RecordSource.h"
#include "sqlite/TableWriter.h"
#include "table/ColumnStore.h"
#include "table/RecordFilter.h"

#include <QObject>
#include <QString>
#include <QVariant>

#include <array>
#include <cmath>
#include <memory>
#include <vector>

class Connection;
class Recordset;
struct ErrorInfo;
class SqliteSession;
struct SqlStatement;
struct sqlite3_stmt;

// One field of a recordset, addressed by position: reads the current record,
// writes the row begun by AddNew.
class Field {
 public:
  Field(Recordset* owner, int index) : owner_(owner), index_(index) {}
  QString Name() const;
  QVariant Value() const;  // null QVariant for Null
  QString Text() const;    // "" for Null
  // Converts the text to the column's type; refuses what the column cannot hold.
  void SetValue(QStringView text);
  void SetValue(const QString& text) { SetValue(QStringView(text)); }
  void SetValue(const char* text) { SetValue(QString::fromUtf8(text)); }

 private:
  Recordset* owner_;
  int index_;
};

class Recordset : public QObject, public RecordSource {
  Q_OBJECT

 public:
  Recordset() = default;
  ~Recordset() override;

  void Open(const QString& source, const std::shared_ptr<Connection>& activeConnection, int cursorType, int lockType,
            int options);
  bool IsOpen() const override { return open_; }
  QString Source() const { return source_; }
  // True when the rows came from the session's table mirror, not the engine.
  bool AnsweredFromMemory() const { return answeredFromMemory_; }

  // Records visible under the current filter.
  qint64 RecordCount() const override;
  void MoveFirst();
  void MoveNext();
  bool Eof() const;

  int FieldCount() const override { return store_ ? store_->ColumnCount() : 0; }
  Field Fields(const QString& name);
  Field Fields(int index);
  QString FieldName(int index) const override { return store_->At(index).name; }

  void AddNew();
  void Update();

  QString Filter() const { return filter_; }
  // "" removes the filter; a text that cannot be used raises an error and
  // leaves the recordset without filter.
  void SetFilter(const QString& filterText);

  // Text of a field in the visible record at a position (0-based), for grids.
  QString CellText(qint64 visibleRow, int field) const override { return store_->Text(field, StoreRow(visibleRow)); }
  void AppendCellUtf8(QByteArray& out, qint64 visibleRow, int field, const QByteArray& decimalPoint) const override {
    store_->AppendUtf8(out, field, StoreRow(visibleRow), decimalPoint);
  }
  void AppendRecordText(QByteArray& out, const RecordTextRange& range, const QByteArray& decimalPoint) const override;
  std::function<void(QByteArray&)> RecordTextLater(const RecordTextRange& range,
                                                   const QByteArray& decimalPoint) const override;
  bool CellNumber(qint64 visibleRow, int field, double& value) const override {
    return store_->Number(field, StoreRow(visibleRow), value);
  }
  qint64 CellNumbers(qint64 firstRow, int field, qint64 count, double* values) const override {
    // ColumnStore::Number, inline: no call per cell. Grid order is not store
    // order, so the cells some rows ahead are asked for before they are read.
    const ColumnStore::Column& column = store_->At(field);
    if (column.type != ColumnType::Number) return 0;
    const uint32_t* rows = VisibleStoreRows() + firstRow;
    constexpr qint64 kAhead = 16;
    for (qint64 i = 0; i < count; ++i) {
      if (i + kAhead < count) __builtin_prefetch(column.number.Address(rows[i + kAhead]));
      const double v = column.number[rows[i]];
      if (std::isnan(v)) return i;  // Null
      values[i] = v;
    }
    return count;
  }
  void WidestTextsOf(int field, const TextMeasure& widths, WidestTexts& widest) const override;
  QMetaObject::Connection ConnectChanged(QObject* receiver, std::function<void()> changed) override;
  const ColumnStore& Store() const { return *store_; }
  std::shared_ptr<const ColumnStore> SharedStore() const { return store_; }
  // Store rows of the visible records, in order (RecordCount() of them).
  const uint32_t* VisibleStoreRows() const { return filtered_ ? visible_.data() : rows_.data(); }
  // The same list, held as it is now by whoever keeps the pointer.
  std::shared_ptr<const std::vector<uint32_t>> SharedVisibleStoreRows() const {
    return filtered_ ? visible_.Shared() : rows_.Shared();
  }
  // Store row of a visible position.
  qint64 StoreRow(qint64 visibleRow) const { return filtered_ ? visible_[visibleRow] : rows_[visibleRow]; }

 signals:
  // The visible records changed (filter set or cleared, row added).
  void Changed();

 private:
  friend class Field;
  void RequireOpen() const;
  bool OpenFromMirror(const SqlStatement& statement, SqliteSession& session);
  void LoadRows(sqlite3_stmt* stmt);
  void StoreCell(int index, QStringView text);

  bool open_ = false;
  QString source_;
  QString table_;  // table rows are added to; empty when not updatable
  bool updatable_ = false;
  bool answeredFromMemory_ = false;
  std::shared_ptr<SqliteSession> session_;
  const TableWriter::Target* target_ = nullptr;  // kept by the session's writer
  std::shared_ptr<ColumnStore> store_;           // may be shared with the session's mirror
  SharedRowList rows_;                           // this recordset's records, in order
  std::vector<CellValue> pending_;
  struct RecentTexts {
    std::array<uint32_t, 8> ids{};   // pool ids, 0 = none
    std::array<uint64_t, 8> keys{};  // their packed form, 0 = too long to pack
  };
  std::vector<RecentTexts> recentTexts_;  // per column, ids of the texts stored last
  bool hasPending_ = false;
  QString filter_;
  bool filtered_ = false;
  RecordFilter compiledFilter_;
  SharedRowList visible_;
  qint64 position_ = 0;
};
