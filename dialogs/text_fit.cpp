#include "dialogs/text_fit.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <algorithm>

namespace marlit {

namespace {

// The margin on each side of a button's text, in pixels, as the Chinese captions have it.
constexpr int kButtonPadding = 6;

}  // namespace

int TextWidth(const QWidget& control) {
  const QFontMetrics metrics = control.fontMetrics();
  if (const auto* button = qobject_cast<const QPushButton*>(&control)) {
    return metrics.horizontalAdvance(button->text()) + 2 * kButtonPadding;
  }
  if (const auto* option = qobject_cast<const QRadioButton*>(&control)) {
    const QStyle* style = option->style();
    return style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, option) +
           style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, option) +
           metrics.horizontalAdvance(option->text());
  }
  if (const auto* label = qobject_cast<const QLabel*>(&control)) {
    return label->sizeHint().width();
  }
  return 0;
}

int FitRow(std::initializer_list<RowSlot> row) {
  int shift = 0;
  for (const RowSlot& slot : row) {
    QWidget& control = *slot.control;
    control.move(control.x() + shift, control.y());
    if (slot.room <= 0) continue;
    const int excess = std::max(0, TextWidth(control) - slot.room);
    control.resize(std::max(control.width(), slot.room + excess), control.height());
    shift += excess;
  }
  return shift;
}

}  // namespace marlit
