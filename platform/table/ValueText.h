#pragma once
// The text form of stored values, as the grids and the distinct lists show
// them and as a filter can read them back.
#include <QString>
#include <QVariant>
#include <QtGlobal>

// Fixed notation, the fewest digits that read back to the same value, the
// locale's decimal separator, no group separator, no trailing ".0".
QString NumberText(double value);
// "YYYY-MM-DD".
QString DateText(qint32 julianDay);
// The same ten characters into a buffer (no terminating zero).
void DateChars(qint32 julianDay, char out[10]);
// Null gives ""; numbers and dates as above; text unchanged.
QString ValueText(const QVariant& value);
