#include "common/ErrorBoxes.h"

#include "common/AppInfo.h"
#include "common/MessageBoxSeam.h"

QString ErrorBoxText(const ErrorInfo& e) {
  return QStringLiteral("Error #: %1, %2, %3").arg(e.Number).arg(e.Description, e.Source);
}

QString WindowErrorBoxText(const ErrorInfo& e) {
  return QStringLiteral("Error: %1, %2").arg(e.Number).arg(e.Description);
}

void ShowErrorBox(const ErrorInfo& error) { ShowMessageBox(AppTitle(), ErrorBoxText(error)); }

void ShowWindowErrorBox(const ErrorInfo& error) { ShowMessageBox(AppTitle(), WindowErrorBoxText(error)); }

void TrapInWindowBox(const std::function<void()>& work, const std::function<void()>& cleanUp) {
  try {
    work();
  } catch (...) {
    const ErrorInfo error = CurrentError();
    if (cleanUp) cleanUp();
    ShowWindowErrorBox(error);
  }
}
