#pragma once
// Reads the next file of a batch on a thread of its own while the current
// one is imported, so that the import does not stop for the disk and the
// decoding checks between two files. At most one file is read ahead, and
// only one of moderate size: two large files at once would double the
// memory the import needs. A large file's successor is only asked of the
// system, to have its bytes in the file cache by its turn (which costs the
// program no memory). The import is handed its read-ahead; there is no
// current one to look up.
#include "ReportFileReader.h"

#include <QString>
#include <QStringList>

#include <future>

class ReportReadAhead {
 public:
  // The files in the order they will be imported; `skip` is never read
  // (the program's own database, which the import leaves out).
  ReportReadAhead(QStringList paths, QString skip);
  // Whether `path` is the file never to be read, nor imported.
  bool LeavesOut(const QString& path) const;
  ~ReportReadAhead();  // waits for the file being read
  ReportReadAhead(const ReportReadAhead&) = delete;
  ReportReadAhead& operator=(const ReportReadAhead&) = delete;

  // The lines of a file: taken from the read ahead when it is that file's,
  // read now otherwise; the next file of the list is then read ahead. A
  // failure to read raises the same error either way.
  ReportLines Read(const QString& path);

  // Files larger than this are read when their turn comes.
  static constexpr qint64 kLargestReadAhead = qint64(64) << 20;

 private:
  void StartAt(qsizetype index);
  // The file read ahead, at `index`; the next one is then started.
  ReportLines TakeReadAhead(qsizetype index);
  // Asks the system to bring the next file after `index` into its file
  // cache, when that one is too large to be read ahead.
  void HintAfter(qsizetype index);

  QStringList paths_;
  QString skip_;
  qsizetype ahead_ = -1;  // index of the file being read ahead, or -1
  qsizetype next_ = 0;    // where the next file asked for is looked for first
  std::future<ReportLines> reading_;
  qsizetype hinted_ = -1;  // index of the file last hinted
  std::future<void> hinting_;
};
