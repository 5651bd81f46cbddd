#pragma once
// Where the report database lives. Beside the program when its folder can be
// written (the build folder, a portable copy), as always. An installed
// program's folder cannot be written, and is shared by every user of the
// machine: then each user gets a copy of the installed template in their own
// data folder on first start, and keeps using it.
#include <QString>

namespace modReportGeneration {

// The installed template: <prefix>/share/corvane-yield-report/ for a program
// in <prefix>/bin/.
QString InstalledTemplatePath(const QString& programFolder);

// The database file to open. When the program folder is not writable, makes
// the user's copy if there is none yet; a copy that cannot be made is left
// to the open, whose error box names the path.
QString LocateReportDatabase(const QString& programFolder, const QString& userDataFolder);

// The database for the running program: beside it or in the user's data
// folder ("Corvane Yield Report Analysis" in the generic data location,
// ~/.local/share). Chosen once, at the open.
QString ChooseReportDatabase();

}  // namespace modReportGeneration
