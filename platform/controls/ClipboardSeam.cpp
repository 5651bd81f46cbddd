#include "controls/ClipboardSeam.h"

#include "common/AppInfo.h"
#include "common/ErrorInfo.h"
#include "common/RuntimeErrors.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {
class SystemClipboard : public ClipboardBackend {
 public:
  void Clear() override { board()->clear(); }
  void SetText(const QString& text) override {
    auto* mime = new QMimeData;
    mime->setText(text);
    board()->setMimeData(mime);
  }
  void SetUtf8Text(const QByteArray& utf8) override {
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("text/plain"), utf8);  // read back as UTF-8 text
    board()->setMimeData(mime);
  }

 private:
  static QClipboard* board() {
    QClipboard* c = QGuiApplication::clipboard();
    if (!c) RaiseError(kErrInternal, QStringLiteral("The clipboard cannot be opened."), AppSourceName());
    return c;
  }
};

ClipboardBackend*& current() {
  static ClipboardBackend* backend = nullptr;
  return backend;
}

ClipboardBackend& backend() {
  static SystemClipboard system;
  return current() ? *current() : system;
}
}  // namespace

void SetClipboardBackend(ClipboardBackend* b) { current() = b; }
void ClipboardClear() { backend().Clear(); }
void ClipboardSetText(const QString& text) { backend().SetText(text); }
void ClipboardSetText(const QByteArray& utf8) { backend().SetUtf8Text(utf8); }
