#include "ReportReadAhead.h"

#include <QFileInfo>

#include <system_error>

ReportReadAhead::ReportReadAhead(QStringList paths, QString skip) : paths_(std::move(paths)), skip_(std::move(skip)) {
  StartAt(0);
}

ReportReadAhead::~ReportReadAhead() {
  if (reading_.valid()) reading_.wait();  // its error, if any, goes with it
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
  if (index != ahead_) return ReadReportLines(path);
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
