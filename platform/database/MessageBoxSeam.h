#pragma once
// Every modal message box of the program goes through here: one OK button, no
// icon. The layers below the windows report through this seam without
// knowing about widgets; the window layer installs the display that shows
// real boxes, and tests install a handler that records them instead.
#include <QString>

#include <functional>

struct MessageBoxRecord {
  QString title;
  QString text;
  QString buttons;  // always "OK"
};

using MessageBoxHandler = std::function<void(const MessageBoxRecord&)>;

void ShowMessageBox(const QString& title, const QString& text);
// Tests: records the boxes; an empty handler restores the display.
void SetMessageBoxHandler(MessageBoxHandler handler);
// The window layer: shows the boxes (without one, a box is written to the
// log, as a program without windows has nowhere else to show it).
void SetMessageBoxDisplay(MessageBoxHandler display);
