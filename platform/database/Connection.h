#pragma once
// A connection to the report database: provider, cursor location, open with
// a "Data Source=" string, execute statements that return no rows.
#include <QString>

#include <memory>

class SqliteSession;

inline constexpr int adUseClient = 3;
inline constexpr int adOpenKeyset = 1;
inline constexpr int adLockReadOnly = 1;
inline constexpr int adLockOptimistic = 3;
inline constexpr int adCmdText = 1;
inline constexpr int adExecuteNoRecords = 128;
inline constexpr int adOptionUnspecified = -1;

class Connection {
 public:
  // The provider name of our engine.
  static QString EngineProvider() { return QStringLiteral("SQLite"); }
  // The version of the engine's library the program runs with.
  static QString EngineVersion();

  QString Provider() const { return provider_; }
  void SetProvider(const QString& provider) { provider_ = provider; }
  int CursorLocation() const { return cursorLocation_; }
  void SetCursorLocation(int location) { cursorLocation_ = location; }

  // Opens the database named by "Data Source=<path>"; the file must exist.
  void Open(const QString& connectionString, const QString& userId = {}, const QString& password = {},
            int options = adOptionUnspecified);
  bool IsOpen() const { return session_ != nullptr; }

  // Runs a statement that returns no rows; recordsAffected receives the count.
  void Execute(const QString& commandText, int* recordsAffected = nullptr, int options = adCmdText);

  // Starts the mirror of a table the caller has just emptied as a whole: the
  // rows this connection adds to it next are kept in memory too, and reading
  // them back sorted or distinct is answered from there (TableWriter).
  // Gives the pages the emptying freed back to the file system first.
  void MirrorEmptiedTable(const QString& table);

  // The open session, or an error when the connection is not open.
  std::shared_ptr<SqliteSession> Session() const;

  // Our engine's spelling of a statement text (for example "Delete * from t").
  static QString EngineStatement(const QString& commandText);

 private:
  QString provider_;
  int cursorLocation_ = 2;
  std::shared_ptr<SqliteSession> session_;
};
