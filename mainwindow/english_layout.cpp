#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "dialogs/placement.h"
#include "dialogs/text_fit.h"
#include "mainwindow/main_window.h"
#include "mainwindow/number_field.h"

namespace marlit {

namespace {

int TwipWidth(int twips) { return TwipRect(0, 0, twips, 0).width(); }

}  // namespace

// The Chinese places stay as they are; an English text that needs more room widens its control,
// the section list and 代碼 take up the difference between the rows, and the window grows.
void 主窗體::FitEnglishTexts() {
  const int options = FitRow({{進制0, TwipWidth(960)},
                              {進制1, TwipWidth(1200)},
                              {區段訊息, 0},
                              {選擇區段訊息, 選擇區段訊息->width()},
                              {頂端, 頂端->width()},
                              {關於, 關於->width()}});
  const int fields = FitRow({{l0, TwipWidth(540)},
                             {虛偏移, 0},
                             {l1, TwipWidth(540)},
                             {實偏移, 0},
                             {l2, TwipWidth(360)},
                             {代碼, 0},
                             {至剪貼簿, 至剪貼簿->width()}});
  const int description = FitRow({{l3, TwipWidth(540)}, {位址說明, 0}, {列出引用, 列出引用->width()}});
  const int growth = std::max({options, fields, description});
  auto widen = [](QWidget* control, int by) {
    control->resize(control->width() + by, control->height());
  };
  auto move = [](QWidget* control, int by) { control->move(control->x() + by, control->y()); };
  widen(區段訊息, growth - options);
  for (QWidget* c : {選擇區段訊息, 頂端, 關於}) move(c, growth - options);
  widen(代碼, growth - fields);
  move(至剪貼簿, growth - fields);
  widen(位址說明, growth - description);
  move(列出引用, growth - description);
  widen(映射狀態, growth);
  widen(程式名, growth);
  move(瀏覽程式名, growth);
  widen(bk, growth);
  setFixedSize(width() + growth, height());
}

}  // namespace marlit
