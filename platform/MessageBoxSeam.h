#pragma once
// Every modal message box of the program goes through here: one OK button, no
// icon. Tests install a handler that records the boxes instead of showing them.
#include <QString>

#include <functional>

struct MessageBoxRecord {
  QString title;
  QString text;
  QString buttons;  // always "OK"
};

using MessageBoxHandler = std::function<void(const MessageBoxRecord&)>;

void ShowMessageBox(const QString& title, const QString& text);
// An empty handler restores real message boxes.
void SetMessageBoxHandler(MessageBoxHandler handler);
