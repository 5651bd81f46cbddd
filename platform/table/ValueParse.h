#pragma once
// Conversions from the text of a field to a column's type. Both ignore
// surrounding spaces and tabs and refuse anything they cannot read exactly,
// other white space included.
#include <QChar>
#include <QStringView>
#include <QtGlobal>

// A decimal number with "." as separator, optional sign and exponent.
// altDecimal, when not '.', is accepted in place of '.' (the user's locale in
// filter texts, so a width shown as "3,5" can be filtered on).
bool ParseNumber(QStringView text, double& value, QChar altDecimal = u'.');
// The same, also giving the value in hundredths when the text is a plain
// decimal with at most two decimals whose hundredths fit 32 bits (the value
// is then exactly hundredths / 100); otherwise hundredths is INT32_MIN.
bool ParseNumber(QStringView text, double& value, qint32& hundredths);

// ISO "YYYY-MM-DD" (month and day of one or two digits) or the locale's
// numeric short date with a four-digit year. julianDay receives the day.
bool ParseDate(QStringView text, qint32& julianDay);

// True for text that holds nothing but spaces and tabs (or nothing).
bool IsBlank(QStringView text);
// The text without the spaces and tabs around it.
QStringView TrimSpacesAndTabs(QStringView text);
