#pragma once
// Where the report database lives. Beside the program when one is there (the
// build folder, a portable copy), as always: the program's own place, whose
// faults are the open's error box. An installed program has none beside it
// (its folder is shared by every user, and root, too, must not write there):
// then each user gets a copy of the installed template in their own data
// folder, made durably, and keeps using it; a copy that cannot serve (damaged,
// or left by a version with another schema) is made again from the template.
#include <QString>

namespace modReportGeneration {

// The installed template: <prefix>/share/corvane-yield-report/ for a program
// in <prefix>/bin/.
QString InstalledTemplatePath(const QString& programFolder);

// The database file to open:
// - the one beside the program, when it is there and its folder can be
//   written;
// - else the user's copy, made (or made again) from the database beside a
//   read-only program folder, or else from the installed template;
// - else, with neither there, the path beside the program, for the open's
//   error box.
// A copy that cannot be made is left to the open, whose box names its path.
QString LocateReportDatabase(const QString& programFolder, const QString& userDataFolder);

// The database for the running program: beside it or in the user's data
// folder ("Corvane Yield Report Analysis" in the generic data location,
// ~/.local/share). Chosen once, at the open.
QString ChooseReportDatabase();

}  // namespace modReportGeneration
