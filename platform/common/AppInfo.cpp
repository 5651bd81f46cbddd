#include "common/AppInfo.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString& folderOverride() {
  static QString folder;
  return folder;
}
}  // namespace

QString AppTitle() { return QStringLiteral("Corvane Report Analysis V2"); }
QString AppSourceName() { return QStringLiteral("CorvaneYieldReport"); }
QString AppDisplayName() { return QStringLiteral("Corvane Yield Report Analysis V2.0"); }
QString AppId() { return QStringLiteral("com.corvane.YieldReportAnalysis"); }
QString AppVersion() { return QStringLiteral(CORVANE_VERSION); }

QString ProgramFolder() {
  if (!folderOverride().isEmpty()) return folderOverride();
  return QCoreApplication::applicationDirPath();
}

void SetProgramFolderOverride(const QString& folder) { folderOverride() = folder; }
