#include "controls/ListFit.h"

#include <QComboBox>
#include <QFontMetricsF>
#include <QStyle>
#include <QStyleOptionComboBox>

namespace {
constexpr double kSmallestPoints = 6;
constexpr double kStepPoints = 0.25;
}  // namespace

int ListTextRoom(const QComboBox* list) {
  QStyleOptionComboBox option;
  option.initFrom(list);
  option.editable = list->isEditable();
  option.frame = list->hasFrame();
  option.subControls = QStyle::SC_All;
  const QRect field = list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list);
  // The style draws the shown text a pixel inside the field on either side.
  return field.width() - 2;
}

void FitListTextToRoom(QComboBox* list) {
  list->setFont(QFont());  // back to the window's type first
  QFont font = list->font();
  const auto widest = [&](const QFont& f) {
    const QFontMetricsF metrics(f, list);
    double w = 0;
    for (int i = 0; i < list->count(); ++i) w = std::max(w, metrics.horizontalAdvance(list->itemText(i)));
    return w;
  };
  const int room = ListTextRoom(list);
  if (font.pointSizeF() <= 0 || widest(font) <= room) return;
  while (font.pointSizeF() - kStepPoints >= kSmallestPoints && widest(font) > room)
    font.setPointSizeF(font.pointSizeF() - kStepPoints);
  list->setFont(font);
}
