#pragma once
// Judges a user's copy of the report database against the template it was
// copied from. The copy holds nothing the user needs (the table is emptied at
// every start), so a copy that cannot serve is replaced rather than reported:
// it must open for writing, pass SQLite's quick check, carry the template's
// schema version (PRAGMA user_version) and hold tblYieldReport with the
// template's columns in the template's order (the summary reads by position).
#include <QString>

namespace modReportGeneration {

// True when the copy is to be replaced from the template. False when it
// serves as it is, when another running program holds it busy (its owner is
// not to be pulled from under it), or when the template itself cannot be
// read (nothing better to put in its place).
bool CopyNeedsReplacing(const QString& copy, const QString& templatePath);

}  // namespace modReportGeneration
