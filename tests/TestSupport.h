#pragma once
// Helpers shared by the tests: a private copy of the template database in a
// temporary program folder, a recorder of message boxes, and fixed locale.
#include "common/ErrorInfo.h"
#include "common/MessageBoxSeam.h"

#include <QCoreApplication>
#include <QLocale>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <vector>

// A temporary program folder holding a fresh copy of ReportGenTemplate.mdb,
// made from the schema by the build (never the program's own database); the
// program's folder points there while the object lives.
class TempProgramFolder {
 public:
  TempProgramFolder();
  ~TempProgramFolder();
  QString Path() const { return dir_.path(); }
  QString DatabasePath() const;
  // Writes a file into the folder (bytes as given) and returns its path.
  QString WriteFile(const QString& name, const QByteArray& bytes) const;

 private:
  QTemporaryDir dir_;
};

// Records every message box while it lives.
class BoxRecorder {
 public:
  BoxRecorder();
  ~BoxRecorder();
  std::vector<MessageBoxRecord> boxes;
  // Which button each box gets pressed (0, the first, unless set).
  std::function<int(const MessageBoxRecord&)> answer;
  QStringList Texts() const;
  void Clear() { boxes.clear(); }
};

// Runs statements on a database file with a connection of its own (as
// another program would); fails the test run when they fail.
void ExecOn(const QString& databasePath, const char* sql);

// Runs a query on a database file with its own connection and returns the
// rows as tab-joined texts (NULL as "<null>").
QStringList QueryRows(const QString& databasePath, const QString& sql);

// Permission checks mean nothing to root, who reads every file. Run as root,
// this runs the named test function of this program again as the unprivileged
// user "nobody" (through setpriv) and returns true: the caller then returns,
// the child's result being the test's. Run as anyone else it returns false.
bool RerunAsUnprivilegedUser(const char* testFunction);

// The main of a test without windows.
#define CORVANE_TEST_MAIN(TestClass)                                       \
  int main(int argc, char** argv) {                                        \
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); \
    QCoreApplication app(argc, argv);                                      \
    TestClass tc;                                                          \
    QTEST_SET_MAIN_SOURCE_PATH                                             \
    return QTest::qExec(&tc, argc, argv);                                  \
  }

// The error a call raises (none: an empty one), so a test can compare its
// number, text and source.
ErrorInfo errorOf(const std::function<void()>& fn);
