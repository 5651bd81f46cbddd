#include "controls/ClipboardSeam.h"

#include "common/AppInfo.h"
#include "common/ErrorBoxes.h"
#include "common/ErrorInfo.h"
#include "common/RuntimeErrors.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

// Plain text made each time it is asked for (each paste): holding it would
// keep the gigabyte the offer spares.
class TextLater : public QMimeData {
 public:
  explicit TextLater(std::function<QByteArray()> make) : make_(std::move(make)) {}
  QStringList formats() const override { return {plainText()}; }
  bool hasFormat(const QString& mimeType) const override { return mimeType == plainText(); }

 protected:
  QVariant retrieveData(const QString& mimeType, QMetaType type) const override {
    // Read back as UTF-8 text, as the text given at once (SetUtf8Text) is.
    // A text that cannot be made (no memory for it) gets its box; the
    // program pasting gets none.
    if (mimeType == plainText()) {
      QByteArray text;
      TrapInWindowBox([&] { text = make_(); });
      return text;
    }
    return QMimeData::retrieveData(mimeType, type);
  }

 private:
  static QString plainText() { return QStringLiteral("text/plain"); }
  std::function<QByteArray()> make_;
};

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
  void SetUtf8TextLater(std::function<QByteArray()> make) override {
    board()->setMimeData(new TextLater(std::move(make)));
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
void ClipboardSetTextLater(std::function<QByteArray()> makeUtf8) { backend().SetUtf8TextLater(std::move(makeUtf8)); }
