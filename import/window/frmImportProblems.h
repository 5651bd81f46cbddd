#pragma once
// The "Import Problems" window: after a batch in which the user chose
// "Ignore All", one row per error box the batch gave or would have given
// (file, line, record, column, the box's text), with Copy and Close.
#include "ImportProblems.h"

#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QWidget>

class frmImportProblems : public QWidget {
  Q_OBJECT

 public:
  frmImportProblems(const ImportProblems& problems, QWidget* owner);

  // Shows the list of a batch in a window of the owner's, in place of the
  // list of the batch before.
  static frmImportProblems* ShowOver(QWidget* owner, const ImportProblems& problems);

  QLabel* lblCount;
  QTableView* tblProblems;
  QPushButton* cmdCopy;
  QPushButton* cmdClose;

 public slots:
  void cmdCopy_Click();

 private:
  ImportProblems problems_;
};
