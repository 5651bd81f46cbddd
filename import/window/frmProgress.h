#pragma once
// The progress window of a long import: which file of how many, the records
// read, a bar by bytes over all files, and "Stop". It appears only when the
// import has run for half a second, is application-modal so that no other
// control can be used meanwhile, and is kept painted (and its Stop button
// answering) by the import itself, which calls it every few hundred lines.
#include "ImportProgress.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

class frmProgress : public QWidget, public ImportProgress {
  Q_OBJECT

 public:
  explicit frmProgress(QWidget* owner);
  ~frmProgress() override;

  void BatchStarted(int files, qint64 bytes) override;
  void FileStarted(int number, const QString& path, qint64 bytesBefore) override;
  void Advanced(qint64 linesInFile, qint64 bytesInFile) override;
  // Between the steps of the road after the batch: keeps the window painted.
  void Poll();

  QLabel* lblFile;
  QLabel* lblRecords;
  QProgressBar* barBytes;
  QPushButton* cmdStop;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Refresh();

  QWidget* owner_;
  QElapsedTimer sinceStart_;
  QElapsedTimer sincePaint_;
  int files_ = 0;
  int file_ = 0;
  QString name_;
  qint64 totalBytes_ = 0;
  qint64 bytesBefore_ = 0;
  qint64 bytesDone_ = 0;
  qint64 recordsBefore_ = 0;
  qint64 linesInFile_ = 0;
};
