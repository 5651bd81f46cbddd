#include "controls/FileDialogSeam.h"

#include <QFileDialog>

namespace {
SaveFileNameHandler& handler() {
  static SaveFileNameHandler h;
  return h;
}
}  // namespace

void SetSaveFileNameHandler(SaveFileNameHandler h) { handler() = std::move(h); }

QString AskSaveFileName(QWidget* parent, const QString& caption, const QString& suggested, const QString& filters,
                        QString* selectedFilter) {
  if (handler()) return handler()(caption, suggested, filters);
  return QFileDialog::getSaveFileName(parent, caption, suggested, filters, selectedFilter);
}
