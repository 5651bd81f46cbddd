#pragma once
// The clipboard as the program uses it: empty it, put plain text on it.
// Tests install a backend that records (or refuses) instead.
#include <QString>

#include <functional>

class ClipboardBackend {
 public:
  virtual ~ClipboardBackend() = default;
  virtual void Clear() = 0;
  virtual void SetText(const QString& text) = 0;
  // Plain text given as UTF-8 (a big grid's text is half the size this way).
  virtual void SetUtf8Text(const QByteArray& utf8) { SetText(QString::fromUtf8(utf8)); }
  // Plain text offered now and made (as UTF-8) only when a program pastes
  // it: a gigabyte for ten million records. Recording backends make it now.
  virtual void SetUtf8TextLater(std::function<QByteArray()> make) { SetUtf8Text(make()); }
};

void ClipboardClear();
void ClipboardSetText(const QString& text);
void ClipboardSetText(const QByteArray& utf8);
void ClipboardSetTextLater(std::function<QByteArray()> makeUtf8);
// nullptr restores the system clipboard. The backend stays owned by the caller.
void SetClipboardBackend(ClipboardBackend* backend);
