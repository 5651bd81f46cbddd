// The filter lists: "ALL" followed by the distinct values of a column. These
// procedures trap nothing; the caller reports their failures.
#include "DistinctLists.h"
#include "Form1.h"
#include "controls/ListFit.h"

using namespace modReportGeneration;

namespace {

const QString kAll = QStringLiteral("ALL");

// Empties the list down to "ALL", with nothing picked yet.
void restart(QComboBox* list) {
  list->clear();
  list->addItem(kAll);
  list->setCurrentIndex(-1);
}

void addValues(QComboBox* list, const QStringList& values) {
  for (qsizetype i = 1; i < values.size(); ++i) list->addItem(values[i]);
  list->setCurrentIndex(0);
}

void refresh(QComboBox* list, void (*listProcedure)(QStringList&)) {
  restart(list);
  QStringList values;
  listProcedure(values);
  addValues(list, values);
}

}  // namespace

void Form1::GetJobNames() { refresh(cmboJobNames, ListJobNames); }
void Form1::GetMaterials() { refresh(cmboMaterial, ListMaterials); }
void Form1::GetSuppliers() { refresh(cmboSupplier, ListSuppliers); }
void Form1::GetWidths() { refresh(cmboWidth, ListWidths); }

void Form1::Getdates() {
  QStringList values;
  ListDates(values);
  for (QComboBox* list : cmboDate) {
    restart(list);
    addValues(list, values);
    FitListTextToRoom(list);  // a date in the window's type is wider than the list
  }
}
