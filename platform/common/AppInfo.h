#pragma once
#include <QString>

// Title of every message box of the program.
QString AppTitle();
// Name the program gives as the source of its own run-time errors.
QString AppSourceName();
// Name shown at the head of printouts.
QString AppDisplayName();
// The program's id on the desktop: its menu entry's name (without
// ".desktop"), its window class and its AppStream id.
QString AppId();
// The version, as the package and --version give it.
QString AppVersion();

// Folder that holds the program's executable (tests point it elsewhere
// through TestHooks).
QString ProgramFolder();
