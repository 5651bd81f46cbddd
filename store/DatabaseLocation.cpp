#include "DatabaseLocation.h"

#include "DatabaseCopyCheck.h"
#include "common/AppInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <unistd.h>

namespace modReportGeneration {

namespace {
const QString kFileName = QStringLiteral("ReportGenTemplate.mdb");

// The rename that puts a new file in place lasts only once its folder is synced.
void SyncFolder(const QString& folder) {
  const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Puts the template in the copy's place: a temporary file in the same folder,
// synced, then renamed over it, so a power cut leaves the old copy or the
// whole new one, never a part. A journal of the old copy would be rolled back
// into the new one at its open: it goes first. A failure is left to the open,
// whose box names the copy; what went wrong here goes to the log.
void ReplaceCopy(const QString& templatePath, const QString& copy) {
  const QString folder = QFileInfo(copy).path();
  QDir().mkpath(folder);
  QFile source(templatePath);
  QSaveFile target(copy);
  if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly)) {
    qWarning("cannot copy %s to %s: %s%s", qPrintable(templatePath), qPrintable(copy), qPrintable(source.errorString()),
             qPrintable(target.errorString()));
    return;
  }
  for (const char* journal : {"-journal", "-wal", "-shm"}) QFile::remove(copy + QLatin1String(journal));
  while (!source.atEnd() && target.error() == QFileDevice::NoError) target.write(source.read(1 << 20));
  if (source.error() != QFileDevice::NoError) target.cancelWriting();
  if (!target.commit()) {
    qWarning("cannot copy %s to %s: %s", qPrintable(templatePath), qPrintable(copy), qPrintable(target.errorString()));
    return;
  }
  QFile::setPermissions(copy, QFile::permissions(copy) | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  SyncFolder(folder);
}
}  // namespace

QString InstalledTemplatePath(const QString& programFolder) {
  return QDir::cleanPath(programFolder + QStringLiteral("/../share/corvane-yield-report/") + kFileName);
}

DatabasePlace LocateReportDatabase(const QString& programFolder, const QString& userDataFolder) {
  const QString beside = QDir(programFolder).filePath(kFileName);
  const bool besideThere = QFileInfo::exists(beside);
  if (besideThere && QFileInfo(programFolder).isWritable()) return {beside, QString()};
  // A database beside a folder that cannot be written (a portable copy on a
  // read-only medium) lends itself as the template.
  const QString templatePath = besideThere ? beside : InstalledTemplatePath(programFolder);
  if (!QFileInfo::exists(templatePath)) return {beside, QString()};
  return {QDir(userDataFolder).filePath(kFileName), templatePath};
}

void MakeCopyServe(const DatabasePlace& place) {
  if (place.templatePath.isEmpty()) return;
  if (!QFileInfo::exists(place.file) || CopyNeedsReplacing(place.file, place.templatePath))
    ReplaceCopy(place.templatePath, place.file);
}

DatabasePlace ChooseReportDatabase() {
  // Named here, not by the application's name, which is the desktop's id.
  return LocateReportDatabase(ProgramFolder(), QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                                                   QStringLiteral("/Corvane Yield Report Analysis"));
}

}  // namespace modReportGeneration
