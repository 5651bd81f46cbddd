#pragma once
// A run-time error as a value: number, description and the component that
// raised it. Procedures that pass errors on throw it; procedures that trap
// errors catch it and show it in one of the error boxes.
#include <QString>
#include <QtGlobal>

struct ErrorInfo {
  qint32 Number = 0;
  QString Description;
  QString Source;
};

// Raises the error (throws it to the nearest trapping caller).
[[noreturn]] void RaiseError(qint32 number, const QString& description, const QString& source);

// Turns whatever is in flight inside a catch(...) block into an ErrorInfo, so a
// trapping procedure reports out-of-memory and library failures like any other.
ErrorInfo CurrentError();
