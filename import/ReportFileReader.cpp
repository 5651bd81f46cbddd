#include "ReportFileReader.h"

#include "common/AppInfo.h"
#include "common/ErrorInfo.h"
#include "common/MemoryPolicy.h"
#include "common/RuntimeErrors.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cstdint>
#include <cstring>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; its five unassigned
// bytes keep their C1 code points so that nothing is lost.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QChar* decodeCp1252(QByteArrayView bytes, QChar* out) {
  for (char byte : bytes) {
    const unsigned char b = static_cast<unsigned char>(byte);
    *out++ = QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b));
  }
  return out;
}

QByteArrayView withoutBom(const QByteArray& bytes) {
  QByteArrayView view(bytes);
  return view.startsWith("\xEF\xBB\xBF") ? view.sliced(3) : view;
}

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF), checked in place without decoding.
bool isValidUtf8(QByteArrayView bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    // Plain ASCII, eight bytes a step.
    uint64_t eight;
    if (end - p >= 8 && (std::memcpy(&eight, p, 8), (eight & 0x8080808080808080ULL) == 0)) {
      p += 8;
      continue;
    }
    const unsigned char b = *p;
    if (b < 0x80) {
      ++p;
      continue;
    }
    int more;
    unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
    // clang-format off: the table of UTF-8 lead bytes reads best one a line
    if (b >= 0xC2 && b <= 0xDF)
      more = 1;
    else if (b == 0xE0) {
      more = 2;
      lo = 0xA0;
    } else if (b >= 0xE1 && b <= 0xEC)
      more = 2;
    else if (b == 0xED) {
      more = 2;
      hi = 0x9F;
    } else if (b >= 0xEE && b <= 0xEF)
      more = 2;
    else if (b == 0xF0) {
      more = 3;
      lo = 0x90;
    } else if (b >= 0xF1 && b <= 0xF3)
      more = 3;
    else if (b == 0xF4) {
      more = 3;
      hi = 0x8F;
    } else
      return false;
    // clang-format on
    if (end - p <= more) return false;
    if (p[1] < lo || p[1] > hi) return false;
    for (int i = 2; i <= more; ++i)
      if (p[i] < 0x80 || p[i] > 0xBF) return false;
    p += more + 1;
  }
  return true;
}

[[noreturn]] void raiseFileError(qint32 number, const QString& what, const QString& path, const QString& detail) {
  RaiseError(number, QStringLiteral("%1: %2 (%3)").arg(what, path, detail), AppSourceName());
}

}  // namespace

ReportLines::ReportLines(QByteArray bytes) : bytes_(std::move(bytes)) {
  const QByteArrayView view = withoutBom(bytes_);
  utf8_ = isValidUtf8(view);
  const char* base = bytes_.constData();
  const char* d = view.data();
  const qsizetype n = view.size();
  auto take = [&](const char* a, const char* b) {
    while (a < b && *a == ' ') ++a;
    while (b > a && b[-1] == ' ') --b;
    if (b > a) spans_.emplace_back(qsizetype(a - base), b - a);
  };
  // Line ends are found with memchr, many bytes a step; each LF is looked
  // for once, so a file of lone CRs costs no more than one of LFs.
  if (n == 0) return;  // (an empty file's bytes may have no address at all)
  // Room for lines of 48 bytes and longer (a report line is about a
  // hundred): the room no line takes is never touched, so it costs nothing.
  spans_.reserve(size_t(n / 48 + 16));
  AskForLargePages(spans_.data(), spans_.capacity() * sizeof spans_[0]);
  const char* const e = d + n;
  const char* lf = nullptr;  // the first LF at or after p, or e
  for (const char* p = d;;) {
    if (!lf || lf < p) {
      lf = static_cast<const char*>(std::memchr(p, '\n', size_t(e - p)));
      if (!lf) lf = e;
    }
    const char* cr = static_cast<const char*>(std::memchr(p, '\r', size_t(lf - p)));
    const char* end = cr ? cr : lf;
    take(p, end);
    if (end == e) break;
    p = end + 1;
    if (*end == '\r' && p < e && *p == '\n') ++p;
  }
}

void ReportLines::Line(qsizetype k, QString& out) const {
  const QByteArrayView bytes(bytes_.constData() + spans_[size_t(k)].first, spans_[size_t(k)].second);
  out.resize(bytes.size());  // a byte never makes more than one UTF-16 unit
  QChar* end;
  if (utf8_) {
    // The decoder widens runs of ASCII many bytes at a time.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    end = decoder.appendToBuffer(out.data(), bytes);
  } else {
    end = decodeCp1252(bytes, out.data());
  }
  out.truncate(end - out.constData());
}

qint64 ReportLines::FileLineNumber(qsizetype k) const {
  const qsizetype at = spans_[size_t(k)].first;
  if (at < countedTo_) countedTo_ = endsBefore_ = 0;  // asked out of order: count again from the start
  // A CR LF is one end; a line starts after a whole end, never between its CR and LF.
  const char* d = bytes_.constData();
  for (qsizetype i = countedTo_; i < at; ++i)
    if (d[i] == '\n' || (d[i] == '\r' && (i + 1 >= bytes_.size() || d[i + 1] != '\n'))) ++endsBefore_;
  countedTo_ = at;
  return endsBefore_ + 1;
}

QString ReportLines::Line(qsizetype k) const {
  QString line;
  Line(k, line);
  return line;
}

QString DecodeReportBytes(const QByteArray& bytes) {
  const QByteArrayView view = withoutBom(bytes);
  if (isValidUtf8(view)) {
    // Only the file's first byte order mark is dropped; a second one is text.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(view);
  }
  QString text(view.size(), Qt::Uninitialized);
  decodeCp1252(view, text.data());
  return text;
}

ReportLines ReadReportLines(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists())
    raiseFileError(kErrFileNotFound, QStringLiteral("File not found"), path,
                   QStringLiteral("it may have been moved or deleted"));
  if (info.isDir())
    raiseFileError(kErrPathNotFound, QStringLiteral("Not a file"), path, QStringLiteral("it is a folder"));
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    const bool denied = file.error() == QFileDevice::OpenError && !info.isReadable();
    raiseFileError(denied ? kErrPermissionDenied : kErrFileIo,
                   denied ? QStringLiteral("Permission denied") : QStringLiteral("File cannot be opened"), path,
                   file.errorString());
  }
  // Read into a block the system backs with large pages where it can: a
  // report of a million lines is a hundred megabytes, and faulting it in
  // 4 KB at a time cost as much as reading it.
  const qint64 size = file.size();
  QByteArray bytes(size, Qt::Uninitialized);
  AskForLargePages(bytes.data(), size_t(size));
  qint64 got = 0;
  while (got < size) {
    const qint64 n = file.read(bytes.data() + got, size - got);
    if (n <= 0) break;
    got += n;
  }
  bytes.truncate(got);
  if (got == size && file.error() == QFileDevice::NoError) bytes += file.readAll();  // it grew meanwhile
  if (file.error() != QFileDevice::NoError)
    raiseFileError(kErrFileIo, QStringLiteral("File cannot be read"), path, file.errorString());
  return ReportLines(std::move(bytes));
}
