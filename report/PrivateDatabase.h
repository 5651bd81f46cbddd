#pragma once
// The report run's own database: a new file with the template's schema
// (page size, version, tables), never the template's rows nor its file, so a
// window running on that database is neither read mid-write nor disturbed.
#include <QString>

// Raises an ErrorInfo when the template cannot be read or the file made.
void MakePrivateDatabase(const QString& templatePath, const QString& file);
