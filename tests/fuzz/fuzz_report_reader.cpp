// Fuzzes reading a report file: bytes to lines (line ends, byte order mark,
// encoding detection) to fields, and checks what every line must satisfy.
#include "ReportFileReader.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  const ReportLines lines(bytes);
  QString line;
  qsizetype total = 0;
  for (qsizetype k = 0; k < lines.Count(); ++k) {
    lines.Line(k, line);
    if (line.isEmpty() || line.startsWith(u' ') || line.endsWith(u' ')) std::abort();
    if (line.contains(u'\r') || line.contains(u'\n')) std::abort();
    total += line.split(u',').size();
  }
  const QString whole = DecodeReportBytes(bytes);
  // Nothing but line ends and spaces is ever dropped.
  qsizetype kept = 0;
  for (QChar c : whole)
    if (c != u'\r' && c != u'\n' && c != u' ') ++kept;
  qsizetype inLines = 0;
  for (qsizetype k = 0; k < lines.Count(); ++k)
    for (QChar c : lines.Line(k))
      if (c != u' ') ++inLines;
  if (kept != inLines) std::abort();
  return total < 0;
}
