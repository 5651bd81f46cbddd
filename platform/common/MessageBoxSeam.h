#pragma once
// Every modal message box of the program goes through here: no icon, an OK
// button, sometimes a second one. The layers below the windows report
// through this seam without knowing about widgets; the window layer installs
// the display that shows real boxes, and tests install a handler that
// records them (and may answer them) instead.
#include <QString>
#include <QStringList>

#include <functional>

struct MessageBoxRecord {
  QString title;
  QString text;
  QString buttons;  // "OK", or the captions joined by "|" ("OK|Stop Import")
};

// Shows the box and returns the button pressed: 0 for the first.
using MessageBoxHandler = std::function<int(const MessageBoxRecord&)>;

// A box with its OK button only.
void ShowMessageBox(const QString& title, const QString& text);
// A box with these buttons: the first is the default (Return), the last the
// one Escape presses. Returns the index of the button pressed.
int AskMessageBox(const QString& title, const QString& text, const QStringList& buttons);
// Tests: records the boxes; an empty handler restores the display.
void SetMessageBoxHandler(MessageBoxHandler handler);
// The window layer: shows the boxes (without one, a box is written to the
// log and answered with its first button, as a program without windows has
// nowhere else to show it).
void SetMessageBoxDisplay(MessageBoxHandler display);
