#include "ReportReadAhead.h"

#include <QFile>
#include <QFileInfo>

#include <system_error>

#include <fcntl.h>
#include <unistd.h>

ReportReadAhead::ReportReadAhead(QStringList paths, QString skip) : paths_(std::move(paths)), skip_(std::move(skip)) {
  StartAt(0);
}

ReportReadAhead::~ReportReadAhead() {
  if (reading_.valid()) reading_.wait();  // its error, if any, goes with it
  if (hinting_.valid()) hinting_.wait();
}

void ReportReadAhead::HintAfter(qsizetype index) {
  for (qsizetype next = index + 1; next < paths_.size(); ++next) {
    const QFileInfo info(paths_[next]);
    if (!info.isFile() || LeavesOut(paths_[next])) continue;
    if (info.size() <= kLargestReadAhead || next == hinted_) return;
    if (hinting_.valid()) hinting_.wait();
    hinted_ = next;
    // On a thread: asking may wait for the disk's queue. A hint that fails
    // costs nothing but the wait; the file's own read reports its errors.
    try {
      hinting_ = std::async(std::launch::async, [path = QFile::encodeName(paths_[next])] {
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return;
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_WILLNEED);
        ::close(fd);
      });
    } catch (const std::system_error&) {
      // No thread to be had: the file is read from the disk when its turn comes.
    }
    return;
  }
}

void ReportReadAhead::StartAt(qsizetype index) {
  ahead_ = -1;
  for (; index < paths_.size(); ++index) {
    const QFileInfo info(paths_[index]);
    // A large file is read when its turn comes, and the one after it ahead.
    if (!info.isFile() || info.size() > kLargestReadAhead || LeavesOut(paths_[index])) continue;
    // An error is kept with the result and raised when the file's turn comes.
    try {
      reading_ = std::async(std::launch::async, [path = paths_[index]] { return ReadReportLines(path); });
      ahead_ = index;
    } catch (const std::system_error&) {
      // No thread to be had: every file is read when its turn comes.
    }
    return;
  }
}

ReportLines ReportReadAhead::Read(const QString& path) {
  const qsizetype index = paths_.indexOf(path, next_);
  if (index < 0) return ReadReportLines(path);
  next_ = index + 1;
  ReportLines lines = index == ahead_ ? TakeReadAhead(index) : ReadReportLines(path);
  // Read first, then hinted: the two would share the disk otherwise.
  HintAfter(index);
  return lines;
}

ReportLines ReportReadAhead::TakeReadAhead(qsizetype index) {
  std::future<ReportLines> reading = std::move(reading_);
  try {
    ReportLines lines = reading.get();
    StartAt(index + 1);
    return lines;
  } catch (...) {
    StartAt(index + 1);
    throw;
  }
}

bool ReportReadAhead::LeavesOut(const QString& path) const {
  return !skip_.isEmpty() && QFileInfo(path) == QFileInfo(skip_);
}
