#pragma once
// The knobs and counters that tests and the benchmark reach inside the
// product, in one place instead of in the product's classes. Product code
// reads the knobs and bumps the counters; only tests and the benchmark set
// the knobs. A knob left unset means the product's own behaviour, so a run
// that never touches them behaves as if they were not there.
#include <QString>

#include <functional>
#include <optional>

struct TestHooks {
  // frmProgress: how long an import runs before the window appears, and the
  // least time between two repaints while it is shown (unset: 500 and 50 ms).
  std::optional<int> progressShowDelayMs;
  std::optional<int> progressPaintIntervalMs;
  // ProgramFolder(): the folder taken for the executable's, so that each test
  // works on a database file of its own (empty: the real one).
  QString programFolder;
  // The writer thread: called as each batch begins, before it touches the
  // connection, so a test can hold the writer there. Tests set and clear it
  // while the writer is idle.
  std::function<void()> writerBatch;

  // How often each window has appeared; never reset, so tests compare a
  // count before and after.
  int progressWindowsShown = 0;    // frmProgress
  int rowsBehindWindowsShown = 0;  // the wait for the rows behind the grid
};

// The one set the program reads (main thread).
TestHooks& TheTestHooks();
