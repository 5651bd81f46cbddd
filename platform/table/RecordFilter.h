#pragma once
// Filter expressions of recordsets: comparisons "Column op value" joined by
// AND. Values are quoted literals ('...' with '' for one quote) or unquoted
// tokens running to the next space, converted to the column's type.
#include "table/ColumnStore.h"

#include <QString>

#include <vector>

class RecordFilter {
 public:
  enum class Op { Eq, Ne, Lt, Gt, Le, Ge };

  struct Clause {
    int column = -1;
    Op op = Op::Eq;
    bool nullLiteral = false;  // '' : never satisfied
    double number = 0;
    qint32 date = kNullDate;
    QString text;
    // Text columns: for each pool id, whether the clause holds (filled by Bind).
    std::vector<char> textPasses;
  };

  // Parses and converts against the store's columns; raises an error on a
  // malformed text, an unknown column or a literal its column refuses.
  static RecordFilter Parse(const QString& filterText, const ColumnStore& store);

  // The rows (store rows, in the given order) that pass.
  std::vector<uint32_t> Apply(const ColumnStore& store, const std::vector<uint32_t>& rows);
  bool Matches(const ColumnStore& store, qint64 row);

 private:
  void Bind(const ColumnStore& store);
  static bool Holds(const Clause& c, const ColumnStore& store, qint64 row);
  // Writes the rows of rows[0..count) that pass to passing, in order, and
  // returns how many (clauses bound already; reads only, so two threads
  // may share it).
  size_t Passing(const ColumnStore& store, const uint32_t* rows, size_t count, uint32_t* passing) const;
  // Clears the bits of mask words [w1, w2) (a bit per store row) whose row
  // fails a clause, or lies past the store's rows.
  void MaskHolding(const ColumnStore& store, std::vector<uint64_t>& mask, size_t w1, size_t w2) const;
  std::vector<Clause> clauses_;
  uint32_t boundPoolSize_ = 0;
};
