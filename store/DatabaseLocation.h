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

// The database file to open, and the template a user's copy is made from.
struct DatabasePlace {
  QString file;
  QString templatePath;  // empty when the file is the program's own (or none is there)
};

// Where the database is, without touching any file:
// - the one beside the program, when it is there and its folder can be
//   written;
// - else the user's copy, made from the database beside a read-only program
//   folder, or else from the installed template;
// - else, with neither there, the path beside the program, for the open's
//   error box.
DatabasePlace LocateReportDatabase(const QString& programFolder, const QString& userDataFolder);

// Makes the user's copy (or makes it again when it cannot serve); nothing for
// the program's own database. Kept apart from the choice so that a second
// start hands its files over without reading the running copy's database.
// A copy that cannot be made is left to the open, whose box names its path.
void MakeCopyServe(const DatabasePlace& place);

// The database for the running program: beside it or in the user's data
// folder ("Corvane Yield Report Analysis" in the generic data location,
// ~/.local/share). Chosen once, at the open.
DatabasePlace ChooseReportDatabase();

}  // namespace modReportGeneration
