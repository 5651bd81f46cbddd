#include "frmExportProgress.h"

#include "controls/WindowLayout.h"

#include <QCloseEvent>
#include <QLocale>
#include <QVBoxLayout>

frmExportProgress::frmExportProgress(QWidget* owner)
    : QWidget(owner, Qt::Dialog),
      lblRows(new QLabel(this)),
      barRows(new QProgressBar(this)),
      cmdStop(new QPushButton(QStringLiteral("Stop"), this)) {
  setObjectName(QStringLiteral("frmExportProgress"));
  setWindowTitle(QStringLiteral("Exporting"));
  setWindowModality(Qt::ApplicationModal);
  lblRows->setObjectName(QStringLiteral("lblRows"));
  barRows->setObjectName(QStringLiteral("barRows"));
  cmdStop->setObjectName(QStringLiteral("cmdStop"));
  cmdStop->setToolTip(QStringLiteral("End the export; no file is left"));
  barRows->setRange(0, 1000);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblRows);
  layout->addWidget(barRows);
  layout->addWidget(cmdStop, 0, Qt::AlignHCenter);
  setFixedWidth(TwipsToPixels(6000));
  connect(cmdStop, &QPushButton::clicked, this, [this] {
    stop_ = true;
    cmdStop->setEnabled(false);
    cmdStop->setText(QStringLiteral("Stopping..."));
  });
}

void frmExportProgress::Show(qint64 done, qint64 total) {
  const QLocale locale;
  lblRows->setText(total > 0 && done >= total
                       ? QStringLiteral("Rows written: %1; finishing the file...").arg(locale.toString(total))
                       : QStringLiteral("Rows written: %1 of %2").arg(locale.toString(done), locale.toString(total)));
  barRows->setValue(total > 0 ? int(1000 * done / total) : 0);
}

void frmExportProgress::closeEvent(QCloseEvent* event) {
  // The close box asks to stop, like the button.
  event->ignore();
  if (!stop_) cmdStop->click();
}
