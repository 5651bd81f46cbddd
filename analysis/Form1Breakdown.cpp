// The way from the main window to the yield breakdown: a button right of the
// summary's Copy, the same command in both grids' context menu, and the
// news of which records the grid shows.
#include "Form1.h"
#include "common/ErrorBoxes.h"
#include "controls/WindowLayout.h"

void Form1::BuildBreakdownCommands() {
  cmdBreakdown = new QPushButton(QStringLiteral("Breakdown"), this);
  cmdBreakdown->setObjectName(QStringLiteral("cmdBreakdown"));
  cmdBreakdown->setAutoDefault(false);
  PlaceTwips(cmdBreakdown, 5640, 5220, 1335, 315);
  connect(cmdBreakdown, &QPushButton::clicked, this, &Form1::cmdBreakdown_Click);

  mnuGrid = new QMenu(this);
  mnuGrid->setObjectName(QStringLiteral("mnuGrid"));
  mnuBreakdown = mnuGrid->addAction(QStringLiteral("Breakdown"));
  mnuBreakdown->setObjectName(QStringLiteral("mnuBreakdown"));
  connect(mnuBreakdown, &QAction::triggered, this, &Form1::cmdBreakdown_Click);
  for (QAbstractScrollArea* grid :
       {static_cast<QAbstractScrollArea*>(fgRS), static_cast<QAbstractScrollArea*>(fgSummary)}) {
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this,
            [this, grid](const QPoint& at) { mnuGrid->popup(grid->viewport()->mapToGlobal(at)); });
  }
}

void Form1::cmdBreakdown_Click() {
  TrapInWindowBox([&] {
    if (!breakdownWindow_) {
      breakdownWindow_ = new frmBreakdown(this);
      breakdownWindow_->SetSource(mrsYield, filterInForce_);
    }
    breakdownWindow_->show();
    breakdownWindow_->raise();
    breakdownWindow_->activateWindow();
  });
}

void Form1::RecordsShownChanged() {
  if (breakdownWindow_) breakdownWindow_->SetSource(mrsYield, filterInForce_);
}
