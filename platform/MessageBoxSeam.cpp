#include "MessageBoxSeam.h"

#include <QApplication>
#include <QMessageBox>

namespace {
MessageBoxHandler& handler() {
  static MessageBoxHandler h;
  return h;
}
}  // namespace

void SetMessageBoxHandler(MessageBoxHandler h) { handler() = std::move(h); }

void ShowMessageBox(const QString& title, const QString& text) {
  if (handler()) {
    handler()({title, text, QStringLiteral("OK")});
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}
