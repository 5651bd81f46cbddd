#pragma once
// The clipboard as the program uses it: empty it, put plain text on it.
// Tests install a backend that records (or refuses) instead.
#include <QString>

class ClipboardBackend {
 public:
  virtual ~ClipboardBackend() = default;
  virtual void Clear() = 0;
  virtual void SetText(const QString& text) = 0;
  // Plain text given as UTF-8 (a big grid's text is half the size this way).
  virtual void SetUtf8Text(const QByteArray& utf8) { SetText(QString::fromUtf8(utf8)); }
};

void ClipboardClear();
void ClipboardSetText(const QString& text);
void ClipboardSetText(const QByteArray& utf8);
// nullptr restores the system clipboard. The backend stays owned by the caller.
void SetClipboardBackend(ClipboardBackend* backend);
