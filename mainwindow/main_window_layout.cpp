// The places of 主窗體's controls, and the wider fields that a wider face or a 64-bit image needs.

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

void 主窗體::PlaceControls(const FieldGrowth& growth) {
  // The layout of the seed in twips; each field grows by its growth in pixels, and what lies
  // right of it moves over.
  const int memory = growth.memory;
  const int fields = memory + growth.file;
  const int all = fields + growth.code;
  auto wider = [](QRect r, int by) { return r.adjusted(0, 0, by, 0); };
  auto moved = [](QRect r, int by) { return r.translated(by, 0); };
  setFixedSize(wider(TwipRect(0, 0, kClientWidth, kClientHeight + kRowsBelow), all).size());
  bk->setGeometry(wider(TwipRect(50, 0, 5655, 1350), all));
  程式名->setGeometry(wider(TwipRect(120, 240, 4935, 270), all));
  瀏覽程式名->setGeometry(moved(TwipRect(5040, 220, 495, 270), all));
  進制0->setGeometry(TwipRect(120, 640, 1095, 180));
  進制1->setGeometry(TwipRect(1080, 640, 1095, 180));
  區段訊息->setGeometry(wider(TwipRect(2280, 600, 1215, 300), all));
  選擇區段訊息->setGeometry(moved(TwipRect(3480, 590, 735, 300), all));
  頂端->setGeometry(moved(TwipRect(4200, 590, 615, 300), all));
  關於->setGeometry(moved(TwipRect(4800, 590, 735, 300), all));
  虛偏移->setGeometry(wider(TwipRect(680, 960, 1020, 270), memory));
  實偏移->setGeometry(wider(moved(TwipRect(2280, 960, 1020, 270), memory), growth.file));
  代碼->setGeometry(wider(moved(TwipRect(3720, 960, 920, 270), fields), growth.code));
  至剪貼簿->setGeometry(moved(TwipRect(4640, 940, 900, 300), all));
  PlaceLabel(*l0, TwipRect(120, 1000, 540, 180));
  PlaceLabel(*l1, moved(TwipRect(1720, 1005, 540, 180), memory));
  PlaceLabel(*l2, moved(TwipRect(3330, 1005, 360, 180), fields));
  PlaceLabel(*l3, TwipRect(170, 1420, 540, 180));
  位址說明->setGeometry(wider(TwipRect(730, 1380, 3900, 270), all));
  列出引用->setGeometry(moved(TwipRect(4690, 1365, 900, 300), all));
  映射狀態->setGeometry(wider(TwipRect(170, 1710, 5415, 270), all));
}

void 主窗體::LayOut(NumberWidth addressWidth) {
  layoutWidth_ = addressWidth;
  PlaceControls({});
  // Every digit of the longest texts shows without scrolling: the decimal digits of an address and
  // of a file offset, and the hexadecimal digits of the address's bytes. The seed's face fits
  // them in the seed's places; a wider one, and a 64-bit address, needs more room.
  const bool wide = addressWidth == NumberWidth::Wide;
  PlaceControls({GrowthForDigits(*虛偏移, FieldInputLimit(Radix::Decimal, addressWidth)),
                 GrowthForDigits(*實偏移, FieldInputLimit(Radix::Decimal, NumberWidth::Narrow)),
                 GrowthForDigits(*代碼, wide ? 16 : 8)});
  if (CurrentLanguage() == Language::English) FitEnglishTexts();
}

void 主窗體::FitAddressFields() {
  const NumberWidth width = panel_->Width(PanelField::虛偏移);
  if (width != layoutWidth_) LayOut(width);
}

}  // namespace marlit
