#pragma once
// Room for the English texts in layouts made for the shorter Chinese ones.

#include <QWidget>
#include <initializer_list>

namespace marlit {

// A control of a row and the width, in pixels, that the layout gives its text; 0 for a control
// that keeps its width (a field).
struct RowSlot {
  QWidget* control = nullptr;
  int room = 0;
};

// The width a button, an option button or a label needs for its text.
[[nodiscard]] int TextWidth(const QWidget& control);

// Widens each control of the row, left to right, whose text needs more than its room, and moves
// what follows it over by as much; gives how much the row grew.
int FitRow(std::initializer_list<RowSlot> row);

}  // namespace marlit
