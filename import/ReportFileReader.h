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

#include <vector>

// The non-blank lines of one file, kept as the file's bytes and the spans of
// its lines: a million lines cost no million strings, each line is decoded
// when it is used.
class ReportLines {
 public:
  explicit ReportLines(QByteArray bytes);
  qsizetype Count() const { return qsizetype(spans_.size()); }
  // Decodes line k (from 0) into out, reusing out's storage.
  void Line(qsizetype k, QString& out) const;
  QString Line(qsizetype k) const;
  bool IsUtf8() const { return utf8_; }
  qint64 Bytes() const { return bytes_.size(); }
  // The file's line (from 1, blank lines counted) that holds line k. Counted
  // on from the line asked for last, so asking in file order costs one pass.
  qint64 FileLineNumber(qsizetype k) const;

 private:
  QByteArray bytes_;
  bool utf8_ = true;
  std::vector<std::pair<qsizetype, qsizetype>> spans_;  // offset, length
  mutable qsizetype countedTo_ = 0;                     // offset up to which line ends are counted
  mutable qint64 endsBefore_ = 0;                       // line ends before that offset
};

// The whole text of a file's bytes, decoded the same way.
QString DecodeReportBytes(const QByteArray& bytes);

// Reads the whole file; raises an error when it cannot be opened or read.
ReportLines ReadReportLines(const QString& path);
