#include "DatabaseLocation.h"

#include "AppInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace modReportGeneration {

namespace {
const QString kFileName = QStringLiteral("ReportGenTemplate.mdb");
}

QString InstalledTemplatePath(const QString& programFolder) {
  return QDir::cleanPath(programFolder + QStringLiteral("/../share/corvane-yield-report/") + kFileName);
}

QString LocateReportDatabase(const QString& programFolder, const QString& userDataFolder) {
  const QString beside = programFolder + QDir::separator() + kFileName;
  if (QFileInfo(programFolder).isWritable()) return beside;
  const QString copy = QDir(userDataFolder).filePath(kFileName);
  if (QFileInfo::exists(copy)) return copy;  // the user's own, used as it is
  QDir().mkpath(userDataFolder);
  const QString source = QFileInfo::exists(beside) ? beside : InstalledTemplatePath(programFolder);
  if (QFile::copy(source, copy))
    QFile::setPermissions(copy, QFile::permissions(copy) | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
  return copy;
}

QString ChooseReportDatabase() {
  // Named here, not by the application's name, which is the desktop's id.
  return LocateReportDatabase(ProgramFolder(), QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                                                   QStringLiteral("/Corvane Yield Report Analysis"));
}

}  // namespace modReportGeneration
