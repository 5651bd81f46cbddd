#pragma once
// Start-up of the program.
class Form1;

namespace Module1 {

// Opens the report database, empties the yield table and shows the main
// window. Returns 0 when the program may run, or a non-zero exit code after
// the database's error box when it cannot.
int Main();

// The main window shown by Main (null before Main and after it ends).
Form1* MainForm();

}  // namespace Module1
