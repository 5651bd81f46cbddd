#include "common/MessageBoxSeam.h"

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

int AskMessageBox(const QString& title, const QString& text, const QStringList& buttons) {
  const MessageBoxRecord box{title, text, buttons.join(u'|')};
  int pressed = 0;
  if (handler())
    pressed = handler()(box);
  else if (display())
    pressed = display()(box);
  else
    qWarning("%s: %s", qPrintable(title), qPrintable(text));
  return pressed >= 0 && pressed < buttons.size() ? pressed : 0;
}

void ShowMessageBox(const QString& title, const QString& text) { AskMessageBox(title, text, {QStringLiteral("OK")}); }
