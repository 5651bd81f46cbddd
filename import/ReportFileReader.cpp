#include "ReportFileReader.h"

#include "AppInfo.h"
#include "ErrorInfo.h"
#include "RuntimeErrors.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; its five unassigned
// bytes keep their C1 code points so that nothing is lost.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString decodeCp1252(QByteArrayView bytes) {
  QString out(bytes.size(), Qt::Uninitialized);
  QChar* d = out.data();
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    d[i] = QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b));
  }
  return out;
}

[[noreturn]] void raiseFileError(qint32 number, const QString& what, const QString& path, const QString& detail) {
  RaiseError(number, QStringLiteral("%1: %2 (%3)").arg(what, path, detail), AppSourceName());
}

}  // namespace

QString DecodeReportBytes(const QByteArray& bytes) {
  QByteArrayView view(bytes);
  if (view.startsWith("\xEF\xBB\xBF")) view = view.sliced(3);
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  QString text = utf8.decode(view);
  if (!utf8.hasError()) return text;
  return decodeCp1252(view);
}

QStringList SplitReportLines(const QString& text) {
  QStringList lines;
  const qsizetype n = text.size();
  const QChar* d = text.constData();
  qsizetype start = 0;
  auto take = [&](qsizetype end) {
    qsizetype a = start, b = end;
    while (a < b && d[a] == u' ') ++a;
    while (b > a && d[b - 1] == u' ') --b;
    if (b > a) lines.append(text.mid(a, b - a));
  };
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = d[i].unicode();
    if (c != u'\r' && c != u'\n') continue;
    take(i);
    if (c == u'\r' && i + 1 < n && d[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  take(n);
  return lines;
}

QStringList ReadReportLines(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) raiseFileError(kErrFileNotFound, QStringLiteral("File not found"), path, QStringLiteral("it may have been moved or deleted"));
  if (info.isDir()) raiseFileError(kErrPathNotFound, QStringLiteral("Not a file"), path, QStringLiteral("it is a folder"));
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    const bool denied = file.error() == QFileDevice::OpenError && !info.isReadable();
    raiseFileError(denied ? kErrPermissionDenied : kErrFileIo,
                   denied ? QStringLiteral("Permission denied") : QStringLiteral("File cannot be opened"), path,
                   file.errorString());
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError)
    raiseFileError(kErrFileIo, QStringLiteral("File cannot be read"), path, file.errorString());
  return SplitReportLines(DecodeReportBytes(bytes));
}
