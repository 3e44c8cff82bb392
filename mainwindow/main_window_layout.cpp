// The places of 主窗體's controls, and the wider fields of a 64-bit image.

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "dialogs/placement.h"
#include "mainwindow/main_window.h"
#include "mainwindow/number_field.h"
#include "platform/translation.h"

namespace marlit {

namespace {

// Positions and sizes are kept in twips as the window was laid out (TwipRect turns them into
// pixels).
constexpr int kClientWidth = 5760;
constexpr int kClientHeight = 1425;
// The rows the window grew by below bk: the description with the references button, and the
// line that names the view and the base in force.
constexpr int kRowsBelow = 600;

// A label that sizes itself to its text, from its top-left corner.
void PlaceLabel(QLabel& l, const QRect& r) {
  l.move(r.topLeft());
  l.adjustSize();
}

}  // namespace

void 主窗體::LayOut(int memoryGrowth, int codeGrowth) {
  // The layout of a 32-bit image, in twips; with a 64-bit image loaded 虛偏移 grows by
  // memoryGrowth pixels and 代碼 by codeGrowth, and what lies right of them moves over.
  const int growth = memoryGrowth + codeGrowth;
  auto wider = [](QRect r, int by) { return r.adjusted(0, 0, by, 0); };
  auto moved = [](QRect r, int by) { return r.translated(by, 0); };
  setFixedSize(wider(TwipRect(0, 0, kClientWidth, kClientHeight + kRowsBelow), growth).size());
  bk->setGeometry(wider(TwipRect(50, 0, 5655, 1350), growth));
  程式名->setGeometry(wider(TwipRect(120, 240, 4935, 270), growth));
  瀏覽程式名->setGeometry(moved(TwipRect(5040, 220, 495, 270), growth));
  進制0->setGeometry(TwipRect(120, 640, 1095, 180));
  進制1->setGeometry(TwipRect(1080, 640, 1095, 180));
  區段訊息->setGeometry(wider(TwipRect(2280, 600, 1215, 300), growth));
  選擇區段訊息->setGeometry(moved(TwipRect(3480, 590, 735, 300), growth));
  頂端->setGeometry(moved(TwipRect(4200, 590, 615, 300), growth));
  關於->setGeometry(moved(TwipRect(4800, 590, 735, 300), growth));
  虛偏移->setGeometry(wider(TwipRect(680, 960, 1020, 270), memoryGrowth));
  實偏移->setGeometry(moved(TwipRect(2280, 960, 1020, 270), memoryGrowth));
  代碼->setGeometry(wider(moved(TwipRect(3720, 960, 920, 270), memoryGrowth), codeGrowth));
  至剪貼簿->setGeometry(moved(TwipRect(4640, 940, 900, 300), growth));
  PlaceLabel(*l0, TwipRect(120, 1000, 540, 180));
  PlaceLabel(*l1, moved(TwipRect(1720, 1005, 540, 180), memoryGrowth));
  PlaceLabel(*l2, moved(TwipRect(3330, 1005, 360, 180), memoryGrowth));
  PlaceLabel(*l3, TwipRect(170, 1420, 540, 180));
  位址說明->setGeometry(wider(TwipRect(730, 1380, 3900, 270), growth));
  列出引用->setGeometry(moved(TwipRect(4690, 1365, 900, 300), growth));
  映射狀態->setGeometry(wider(TwipRect(170, 1710, 5415, 270), growth));
  if (CurrentLanguage() == Language::English) FitEnglishTexts();
}

void 主窗體::FitAddressFields() {
  const bool wide = panel_->Width(PanelField::虛偏移) == NumberWidth::Wide;
  if (wide == wideLayout_) return;
  wideLayout_ = wide;
  if (!wide) {
    LayOut(0, 0);
    return;
  }
  // Every digit of the longest texts shows without scrolling: 20 decimal digits of an address,
  // the 16 hexadecimal digits of its 8 bytes.
  LayOut(GrowthForDigits(*虛偏移, FieldInputLimit(Radix::Decimal, NumberWidth::Wide)),
         GrowthForDigits(*代碼, 16));
}

}  // namespace marlit
