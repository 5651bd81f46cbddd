#include "common/AppInfo.h"

#include "common/TestHooks.h"

#include <QCoreApplication>
#include <QDir>

QString AppTitle() { return QStringLiteral("Corvane Report Analysis V2"); }
QString AppSourceName() { return QStringLiteral("CorvaneYieldReport"); }
QString AppDisplayName() { return QStringLiteral("Corvane Yield Report Analysis V2.0"); }
QString AppId() { return QStringLiteral("com.corvane.YieldReportAnalysis"); }
QString AppVersion() { return QStringLiteral(CORVANE_VERSION); }

QString ProgramFolder() {
  const QString& forTests = TheTestHooks().programFolder;
  if (!forTests.isEmpty()) return forTests;
  return QCoreApplication::applicationDirPath();
}
