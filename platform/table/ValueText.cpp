#include "table/ValueText.h"

#include <QDate>
#include <QLocale>

#include <charconv>

QString NumberText(double value) {
  if (value == 0) value = 0;  // no "-0"
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
  QString s = QString::fromLatin1(buf, res.ptr - buf);
  const QString dp = QLocale().decimalPoint();
  if (dp != QLatin1String(".")) s.replace(u'.', dp);
  return s;
}

void DateChars(qint32 julianDay, char out[10]) {
  int y = 0, m = 0, d = 0;
  QDate::fromJulianDay(julianDay).getDate(&y, &m, &d);
  const int parts[] = {y / 1000 % 10, y / 100 % 10, y / 10 % 10, y % 10, -1, m / 10, m % 10, -1, d / 10, d % 10};
  for (int i = 0; i < 10; ++i) out[i] = parts[i] < 0 ? '-' : char('0' + parts[i]);
}

QString DateText(qint32 julianDay) {
  char buf[10];
  DateChars(julianDay, buf);
  return QString::fromLatin1(buf, 10);
}

QString ValueText(const QVariant& value) {
  if (value.isNull()) return QString();
  switch (value.typeId()) {
    case QMetaType::Double: return NumberText(value.toDouble());
    case QMetaType::QDate: return DateText(qint32(value.toDate().toJulianDay()));
    default: return value.toString();
  }
}
