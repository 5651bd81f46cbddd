#include "ExportFiles.h"

#include "common/AppInfo.h"
#include "common/ErrorInfo.h"
#include "common/RuntimeErrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>

void RaiseCannotWrite(const QString& path) {
  RaiseError(kErrPathFileAccess, QStringLiteral("Path/File access error: %1").arg(QDir::toNativeSeparators(path)),
             AppSourceName());
}

TemporaryBeside::TemporaryBeside(const QString& destination) : destination_(destination) {
  const QFileInfo info(destination);
  if (destination.isEmpty() || info.isDir()) RaiseCannotWrite(destination);
  // A hidden name in the same folder, so that the rename stays on one file
  // system and a file manager does not show the half-written file.
  QTemporaryFile reserve(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
  reserve.setAutoRemove(false);
  if (!reserve.open()) RaiseCannotWrite(destination);
  temporary_ = reserve.fileName();
}

TemporaryBeside::~TemporaryBeside() {
  if (!committed_) QFile::remove(temporary_);
}

void TemporaryBeside::Commit() {
  const int fd = ::open(QFile::encodeName(temporary_).constData(), O_RDONLY);
  // The temporary file was made for this user alone; the file it becomes
  // gets the permissions of the file it replaces, or else those a new file
  // gets here (the umask), so that others may read a report as they would
  // any other file.
  struct stat older {};
  mode_t mode = 0;
  if (::stat(QFile::encodeName(destination_).constData(), &older) == 0) {
    mode = older.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (fd >= 0 && ::fchmod(fd, mode) != 0) {
    ::close(fd);
    RaiseCannotWrite(destination_);
  }
  const bool synced = fd >= 0 && ::fsync(fd) == 0;
  if (fd >= 0) ::close(fd);
  // rename() replaces an older file of that name in one step.
  if (!synced ||
      std::rename(QFile::encodeName(temporary_).constData(), QFile::encodeName(destination_).constData()) != 0)
    RaiseCannotWrite(destination_);
  committed_ = true;
}
