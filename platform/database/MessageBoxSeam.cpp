#include "MessageBoxSeam.h"

#include <QtGlobal>

namespace {
MessageBoxHandler& handler() {
  static MessageBoxHandler h;
  return h;
}
MessageBoxHandler& display() {
  static MessageBoxHandler d;
  return d;
}
}  // namespace

void SetMessageBoxHandler(MessageBoxHandler h) { handler() = std::move(h); }
void SetMessageBoxDisplay(MessageBoxHandler d) { display() = std::move(d); }

void ShowMessageBox(const QString& title, const QString& text) {
  const MessageBoxRecord box{title, text, QStringLiteral("OK")};
  if (handler())
    handler()(box);
  else if (display())
    display()(box);
  else
    qWarning("%s: %s", qPrintable(title), qPrintable(text));
}
