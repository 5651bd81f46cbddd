#pragma once
// The progress window of a long export, in the style of the import's: rows
// written of how many, a bar, and "Stop", which ends the export without
// leaving a file.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

class frmExportProgress : public QWidget {
  Q_OBJECT

 public:
  explicit frmExportProgress(QWidget* owner);

  // Rows written so far; when all are, the file is being finished.
  void Show(qint64 done, qint64 total);
  bool StopRequested() const { return stop_; }

  QLabel* lblRows;
  QProgressBar* barRows;
  QPushButton* cmdStop;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  bool stop_ = false;
};
