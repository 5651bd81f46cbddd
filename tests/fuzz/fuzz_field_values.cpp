// Fuzzes the conversions of field texts to numbers and dates, and checks that
// every accepted value's text reads back to the same value.
#include "table/ValueParse.h"
#include "table/ValueText.h"

#include <QLocale>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool localeSet = [] {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    return true;
  }();
  (void)localeSet;
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  // Only spaces and tabs may surround an accepted value.
  const QStringView core = TrimSpacesAndTabs(text);
  const bool otherSpaceAround = !core.isEmpty() && (core.front().isSpace() || core.back().isSpace());
  double number = 0;
  if (ParseNumber(text, number)) {
    if (otherSpaceAround) std::abort();
    if (!std::isfinite(number)) std::abort();
    double back = 0;
    if (!ParseNumber(NumberText(number), back) || back != number) std::abort();
  }
  double withComma = 0;
  (void)ParseNumber(text, withComma, u',');
  qint32 day = 0;
  if (ParseDate(text, day)) {
    if (otherSpaceAround) std::abort();
    qint32 back = 0;
    if (!ParseDate(DateText(day), back) || back != day) std::abort();
  }
  return 0;
}
