#include "frmProgress.h"

#include "common/TestHooks.h"
#include "controls/WindowLayout.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QVBoxLayout>

namespace {
int showDelay() { return TheTestHooks().progressShowDelayMs.value_or(500); }
// The window is repainted and its button answered this often while shown.
int paintEvery() { return TheTestHooks().progressPaintIntervalMs.value_or(50); }
}  // namespace

frmProgress::frmProgress(QWidget* owner)
    : QWidget(owner, Qt::Dialog),
      lblFile(new QLabel(this)),
      lblRecords(new QLabel(this)),
      barBytes(new QProgressBar(this)),
      cmdStop(new QPushButton(QStringLiteral("Stop"), this)),
      owner_(owner) {
  setObjectName(QStringLiteral("frmProgress"));
  setWindowTitle(QStringLiteral("Importing Yield Reports"));
  setWindowModality(Qt::ApplicationModal);
  lblFile->setObjectName(QStringLiteral("lblFile"));
  lblRecords->setObjectName(QStringLiteral("lblRecords"));
  barBytes->setObjectName(QStringLiteral("barBytes"));
  cmdStop->setObjectName(QStringLiteral("cmdStop"));
  cmdStop->setToolTip(QStringLiteral("End the import after the current line and show what was read"));
  barBytes->setRange(0, 1000);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblFile);
  layout->addWidget(lblRecords);
  layout->addWidget(barBytes);
  layout->addWidget(cmdStop, 0, Qt::AlignHCenter);
  setFixedWidth(TwipsToPixels(6000));
  connect(cmdStop, &QPushButton::clicked, this, [this] {
    RequestStop();
    cmdStop->setEnabled(false);
    cmdStop->setText(QStringLiteral("Stopping..."));
  });
  sinceStart_.start();
}

frmProgress::~frmProgress() = default;

void frmProgress::BatchStarted(int files, qint64 bytes) {
  files_ = files;
  totalBytes_ = bytes;
  Poll();
}

void frmProgress::FileStarted(int number, const QString& path, qint64 bytesBefore) {
  recordsBefore_ += linesInFile_;
  linesInFile_ = 0;
  file_ = number;
  name_ = QFileInfo(path).fileName();
  bytesBefore_ = bytesDone_ = bytesBefore;
  Poll();
}

void frmProgress::Advanced(qint64 linesInFile, qint64 bytesInFile) {
  linesInFile_ = linesInFile;
  bytesDone_ = bytesBefore_ + bytesInFile;
  Poll();
}

void frmProgress::Poll() {
  if (!isVisible()) {
    if (sinceStart_.elapsed() < showDelay()) return;  // a quick import never shows it
    Refresh();
    adjustSize();
    const QRect area = owner_ && owner_->isVisible() ? owner_->frameGeometry() : screen()->geometry();
    move(area.center() - rect().center());
    show();
    ++TheTestHooks().progressWindowsShown;
  } else if (sincePaint_.isValid() && sincePaint_.elapsed() < paintEvery()) {
    return;
  }
  Refresh();
  sincePaint_.start();
  // Only this window takes input while it is shown: it is application-modal.
  QCoreApplication::processEvents();
}

void frmProgress::Refresh() {
  const QLocale locale;
  lblFile->setText(files_ > 0 ? QStringLiteral("File %1 of %2: %3").arg(file_).arg(files_).arg(name_)
                              : QStringLiteral("Preparing the import..."));
  lblRecords->setText(QStringLiteral("Records read: %1").arg(locale.toString(recordsBefore_ + linesInFile_)));
  barBytes->setValue(totalBytes_ > 0 ? int(1000 * bytesDone_ / totalBytes_) : 0);
}

void frmProgress::closeEvent(QCloseEvent* event) {
  // The close box asks to stop, like the button; the window goes with the road.
  event->ignore();
  cmdStop->click();
}
