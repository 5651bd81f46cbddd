#include "ImportProgress.h"

#include "AppInfo.h"
#include "ErrorBoxes.h"
#include "MessageBoxSeam.h"

namespace {
ImportProgress*& current() {
  static ImportProgress* progress = nullptr;
  return progress;
}
}  // namespace

ImportProgress* CurrentImportProgress() { return current(); }

ImportProgressScope::ImportProgressScope(ImportProgress* progress) : previous_(current()) { current() = progress; }

ImportProgressScope::~ImportProgressScope() { current() = previous_; }

void ShowImportErrorBox(const ErrorInfo& error) {
  ImportProgress* progress = CurrentImportProgress();
  if (!progress) {
    ShowErrorBox(error);
    return;
  }
  if (progress->StopRequested()) return;
  const int pressed =
      AskMessageBox(AppTitle(), ErrorBoxText(error), {QStringLiteral("OK"), QStringLiteral("Stop Import")});
  if (pressed == 1) progress->RequestStop();
}
