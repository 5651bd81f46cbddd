#include "frmImportProblems.h"

#include "common/ErrorBoxes.h"
#include "controls/ClipboardSeam.h"
#include "controls/WindowLayout.h"

#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
#include <QVBoxLayout>

namespace {

// The problems as a read-only table; the cells are the copy's cells.
class ProblemsModel : public QAbstractTableModel {
 public:
  ProblemsModel(const ImportProblems& problems, QObject* parent) : QAbstractTableModel(parent), problems_(problems) {}
  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : int(problems_.List().size());
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : int(ImportProblems::Header().size());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    return ImportProblems::Cells(problems_.List()[size_t(index.row())]).value(index.column());
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    return ImportProblems::Header().value(section);
  }

 private:
  const ImportProblems& problems_;
};

QString countText(const ImportProblems& problems) {
  const QLocale locale;
  const qint64 listed = qint64(problems.List().size());
  if (listed == problems.Count())
    return QStringLiteral("Problems in this import: %1. The import went on past each of them.")
        .arg(locale.toString(listed));
  return QStringLiteral("Problems in this import: %1 (the first %2 are listed). The import went on past each of them.")
      .arg(locale.toString(problems.Count()), locale.toString(listed));
}

}  // namespace

frmImportProblems::frmImportProblems(const ImportProblems& problems, QWidget* owner)
    : QWidget(owner, Qt::Window),
      lblCount(new QLabel(this)),
      tblProblems(new QTableView(this)),
      cmdCopy(new QPushButton(QStringLiteral("Copy"), this)),
      cmdClose(new QPushButton(QStringLiteral("Close"), this)),
      problems_(problems) {
  setObjectName(QStringLiteral("frmImportProblems"));
  setWindowTitle(QStringLiteral("Import Problems"));
  setAttribute(Qt::WA_DeleteOnClose);
  lblCount->setObjectName(QStringLiteral("lblCount"));
  tblProblems->setObjectName(QStringLiteral("tblProblems"));
  cmdCopy->setObjectName(QStringLiteral("cmdCopy"));
  cmdClose->setObjectName(QStringLiteral("cmdClose"));
  cmdCopy->setToolTip(QStringLiteral("Copy the list to the clipboard for a spreadsheet (tab-separated, header first)"));
  cmdClose->setToolTip(QStringLiteral("Close this window"));
  cmdCopy->setAutoDefault(false);
  lblCount->setText(countText(problems_));
  lblCount->setWordWrap(true);
  tblProblems->setModel(new ProblemsModel(problems_, tblProblems));
  tblProblems->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tblProblems->setSelectionBehavior(QAbstractItemView::SelectRows);
  tblProblems->horizontalHeader()->setStretchLastSection(true);
  tblProblems->resizeColumnsToContents();

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdCopy);
  buttons->addWidget(cmdClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblCount);
  layout->addWidget(tblProblems, 1);
  layout->addLayout(buttons);
  resize(TwipsToPixels(11000), TwipsToPixels(5400));

  connect(cmdCopy, &QPushButton::clicked, this, &frmImportProblems::cmdCopy_Click);
  connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
}

frmImportProblems* frmImportProblems::ShowOver(QWidget* owner, const ImportProblems& problems) {
  // One list at a time: the batch before's makes room.
  for (frmImportProblems* before : owner->findChildren<frmImportProblems*>(Qt::FindDirectChildrenOnly)) delete before;
  auto* window = new frmImportProblems(problems, owner);
  CenterOnScreen(window);
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

void frmImportProblems::cmdCopy_Click() {
  TrapInWindowBox([&] {
    ClipboardClear();
    ClipboardSetText(problems_.Text());
  });
}
