#include "ImportProgress.h"

#include "common/AppInfo.h"
#include "common/ErrorBoxes.h"
#include "common/MessageBoxSeam.h"

namespace {
ImportProgress*& current() {
  static ImportProgress* progress = nullptr;
  return progress;
}
}  // namespace

ImportProgress* CurrentImportProgress() { return current(); }

ImportProgressScope::ImportProgressScope(ImportProgress* progress) : previous_(current()) { current() = progress; }

ImportProgressScope::~ImportProgressScope() { current() = previous_; }

void ShowImportErrorBox(ImportProgress* progress, const ErrorInfo& error, ImportProblem where) {
  if (!progress) {
    ShowErrorBox(error);
    return;
  }
  if (progress->StopRequested()) return;
  where.text = ErrorBoxText(error);
  const QString text = where.text;
  progress->Problems().Add(std::move(where));
  if (progress->IgnoringProblems()) return;
  // "Stop Import" last, so that Escape still stops.
  const int pressed = AskMessageBox(
      AppTitle(), text, {QStringLiteral("OK"), QStringLiteral("Ignore All"), QStringLiteral("Stop Import")});
  if (pressed == 1) progress->IgnoreProblems();
  if (pressed == 2) progress->RequestStop();
}
