#pragma once
// One running copy of the program per user and database. A second start (a
// report file opened again from a file manager, the menu entry clicked
// again) must not open the database the first copy works on: it hands its
// report files to the running copy over a local socket and ends. The socket
// is named from the user and the database file, so copies on other
// databases (and the tests, each on a database of its own) run side by side.
#include "common/ErrorInfo.h"

#include <QLocalServer>
#include <QObject>
#include <QStringList>

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // The socket name for the current user and this database file; a hash,
  // since socket names have a length limit.
  static QString ServerName(const QString& databasePath);

  explicit SingleInstance(const QString& databasePath, QObject* parent = nullptr);
  ~SingleInstance() override;

  // Called before anything opens the database. When a copy runs on it, hands
  // the files over (made absolute: the running copy has a folder of its
  // own) and returns true once that copy has taken them: this one then ends.
  // Otherwise starts answering later starts, in place of a socket left by a
  // copy that crashed, and returns false. Raises ErrorInfo when a running
  // copy does not take the files, or no socket can be set up.
  bool HandOverOrListen(const QStringList& files);

 signals:
  // A later start's files (none: the window only comes to the front).
  void Requested(const QStringList& files);

 private:
  bool HandOver(const QStringList& files);
  void Listen();

  QString name_;
  QLocalServer server_;
};
