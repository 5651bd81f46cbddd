#pragma once
// The main of a test with windows: the program's own application object
// (message box display, guard at the event loop's edge), 96 dots per inch.
#include "TestSupport.h"
#include "controls/GuardedApplication.h"

#define CORVANE_WINDOW_TEST_MAIN(TestClass)                                \
  int main(int argc, char** argv) {                                        \
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); \
    GuardedApplication app(argc, argv);                                    \
    app.setAttribute(Qt::AA_Use96Dpi, true);                               \
    TestClass tc;                                                          \
    QTEST_SET_MAIN_SOURCE_PATH                                             \
    return QTest::qExec(&tc, argc, argv);                                  \
  }
