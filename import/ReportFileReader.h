#pragma once
// Reading a yield report file into its lines. The file's bytes are UTF-8 when
// the whole file is valid UTF-8, otherwise Windows-1252 (the plants' code
// page), so no byte is ever dropped. CR LF, a lone CR and a lone LF all end a
// line; a byte order mark is not part of the first line. Each line loses its
// leading and trailing spaces (the space character only) and blank lines are
// skipped.
#include <QByteArray>
#include <QString>
#include <QStringList>

QString DecodeReportBytes(const QByteArray& bytes);
QStringList SplitReportLines(const QString& text);

// Reads the whole file; raises an error when it cannot be opened or read.
QStringList ReadReportLines(const QString& path);
