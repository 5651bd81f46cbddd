#pragma once
// Start-up of the program.
#include <QStringList>

#include <optional>

class Form1;

namespace Module1 {

// Chooses the report database and, unless a copy of the program already runs
// on it, opens it, empties the yield table and shows the main window, which
// then imports `files` (report files named on the command line) as if
// dropped on it. A copy already running on the database gets the files
// instead and comes to the front, and this one never opens the database.
// Returns the exit code when the program ends here (0: handed over; not 0:
// after the box of a database that cannot be used), nothing when it runs.
std::optional<int> Main(const QStringList& files = {});

// The main window shown by Main (null before Main and after it ends).
Form1* MainForm();

}  // namespace Module1
