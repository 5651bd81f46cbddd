#pragma once
// The statements this program runs, read well enough to tell which of them
// the table mirror can answer from memory: their kind, table, column and
// sort keys. A statement of any other shape is kind Other and goes to the
// engine as written.
#include <QString>
#include <QStringList>

struct SqlStatement {
  enum class Kind {
    Other,           // anything else
    DeleteAll,       // DELETE [*] FROM t
    SelectAll,       // SELECT * FROM t [ORDER BY a, b, ...] [more the engine reads]
    SelectDistinct,  // SELECT DISTINCT c FROM t [ORDER BY c]
  };
  Kind kind = Kind::Other;
  QString table;         // as written, without quotes
  QString column;        // the DISTINCT column
  QStringList sortKeys;  // ORDER BY columns, as written
  // SelectAll only: something follows that this reading does not take in
  // (WHERE, DESC, LIMIT...), so only the engine can answer it.
  bool hasMore = false;

  static SqlStatement Parse(const QString& sql);
  // True when the mirror may answer it: every part of it is understood.
  bool AnsweredFromMemory() const { return (kind == Kind::SelectAll || kind == Kind::SelectDistinct) && !hasMore; }
};
