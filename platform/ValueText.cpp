#include "ValueText.h"

#include <QDate>
#include <QLocale>

#include <charconv>
#include <cstdio>

QString NumberText(double value) {
  if (value == 0) value = 0;  // no "-0"
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
  QString s = QString::fromLatin1(buf, res.ptr - buf);
  const QString dp = QLocale().decimalPoint();
  if (dp != QLatin1String(".")) s.replace(u'.', dp);
  return s;
}

QString DateText(qint32 julianDay) {
  int y = 0, m = 0, d = 0;
  QDate::fromJulianDay(julianDay).getDate(&y, &m, &d);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
  return QString::fromLatin1(buf);
}

QString ValueText(const QVariant& value) {
  if (value.isNull()) return QString();
  switch (value.typeId()) {
    case QMetaType::Double:
      return NumberText(value.toDouble());
    case QMetaType::QDate:
      return DateText(qint32(value.toDate().toJulianDay()));
    default:
      return value.toString();
  }
}
