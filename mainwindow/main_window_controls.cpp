// 主窗體's controls: their names, texts, looks and tab order. Their places are in
// main_window_layout.cpp and english_layout.cpp.
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "mainwindow/main_window.h"
#include "mainwindow/number_field.h"
#include "platform/qt/qt_text.h"
#include "platform/translation.h"

namespace marlit {

namespace {

// The most rows the open section list shows before it scrolls.
constexpr int kSectionRowsShown = 20;

void UseTooltipBackground(QLineEdit& field) {
  QPalette p = field.palette();
  p.setColor(QPalette::Base, p.color(QPalette::ToolTipBase));
  p.setColor(QPalette::Text, p.color(QPalette::ToolTipText));
  field.setPalette(p);
}

// A toggle that is on looks pressed in the selection colour, plain at a glance under any style.
void ShowCheckedPlainly(QPushButton& toggle) {
  toggle.setStyleSheet(
      QStringLiteral("QPushButton:checked { background-color: palette(highlight); "
                     "color: palette(highlighted-text); border: 1px solid palette(shadow); "
                     "border-radius: 2px; }"));
}

template <typename W>
W* Named(W* w, const char16_t* name) {
  w->setObjectName(QString::fromUtf16(name));
  return w;
}

}  // namespace

void 主窗體::BuildControls() {
  setObjectName(QStringLiteral("主窗體"));
  setWindowTitle(ToQString(Translate(u"偏移量轉換器")));
  // A fixed border with a minimize button and no maximize button.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);

  bk = Named(new QFrame(this), u"bk");
  bk->setFrameShape(QFrame::NoFrame);

  程式名 = Named(new FileNameField(
                     bk, [this](const QMimeData& dropped) { return 程式名_OLEDragDrop(dropped); }),
                 u"程式名");
  UseTooltipBackground(*程式名);
  程式名->setPlaceholderText(
      ToQString(Translate(u"將 .exe、.dll、.ocx 檔案拖放到此，或按「…」瀏覽")));
  瀏覽程式名 = Named(new QPushButton(QStringLiteral("…"), bk), u"瀏覽程式名");

  進制0 = Named(new QRadioButton(ToQString(Translate(u"十進制")), bk), u"進制0");
  進制1 = Named(new QRadioButton(ToQString(Translate(u"十六進制")), bk), u"進制1");
  進制1->setChecked(true);

  區段訊息 = Named(new QComboBox(bk), u"區段訊息");
  區段訊息->setEditable(false);
  區段訊息->addItem(ToQString(Translate(u"不在段內")));
  // A long table scrolls in a list of a few rows rather than in one as tall as the screen.
  區段訊息->setMaxVisibleItems(kSectionRowsShown);
  // The rows are taller than the font, so that an underscore below its baseline shows.
  區段訊息->setStyleSheet(QStringLiteral(
      "QComboBox { combobox-popup: 0; } QComboBox QAbstractItemView::item { padding: 2px 0px; }"));

  選擇區段訊息 = Named(new QPushButton(ToQString(Translate(u"選擇")), bk), u"選擇區段訊息");
  頂端 = Named(new QPushButton(ToQString(Translate(u"頂端")), bk), u"頂端");
  頂端->setCheckable(true);
  關於 = Named(new QPushButton(ToQString(Translate(u"關於")), bk), u"關於");

  auto mode = [this] { return panel_->radix(); };
  auto clipboardFailed = [this](const char* description) { ShowClipboardError(description); };
  虛偏移 = Named(new NumberField(bk, clipboard_, beeper_, mode, clipboardFailed), u"虛偏移");
  實偏移 = Named(new NumberField(bk, clipboard_, beeper_, mode, clipboardFailed), u"實偏移");

  代碼 = Named(new QLineEdit(bk), u"代碼");
  代碼->setReadOnly(true);
  UseTooltipBackground(*代碼);
  至剪貼簿 = Named(new QPushButton(ToQString(Translate(u"至剪貼簿")), bk), u"至剪貼簿");
  至剪貼簿->setCheckable(true);

  l0 = Named(new QLabel(ToQString(Translate(u"虛偏移")), bk), u"l0");
  l1 = Named(new QLabel(ToQString(Translate(u"實偏移")), bk), u"l1");
  l2 = Named(new QLabel(ToQString(Translate(u"代碼")), bk), u"l2");

  // Below the seed's frame: what the address is, where the file points to it, and the view.
  l3 = Named(new QLabel(ToQString(Translate(u"說明")), this), u"l3");
  位址說明 = Named(new QLineEdit(this), u"位址說明");
  位址說明->setReadOnly(true);
  l3->setBuddy(位址說明);
  列出引用 = Named(new QPushButton(ToQString(Translate(u"引用")), this), u"列出引用");
  列出引用->setToolTip(ToQString(Translate(u"列出檔案中引用這個位址的位置 (Ctrl+R)")));

  映射狀態 = Named(new QLabel(this), u"映射狀態");
  映射狀態->setTextInteractionFlags(Qt::TextSelectableByMouse);
  映射狀態->setAutoFillBackground(true);

  for (QPushButton* toggle : {頂端, 至剪貼簿}) ShowCheckedPlainly(*toggle);
  for (QPushButton* b : {瀏覽程式名, 選擇區段訊息, 頂端, 關於, 至剪貼簿, 列出引用}) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }
  // The new controls come after the seed's, whose order stays.
  QWidget* order[] = {程式名, 瀏覽程式名, 進制1, 區段訊息, 選擇區段訊息, 頂端,     關於,
                      虛偏移, 實偏移,     代碼,  至剪貼簿, 進制0,        位址說明, 列出引用};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

  定時器.setInterval(kHotKeyTimerMs);
  定時器.setSingleShot(false);
  LayOut(NumberWidth::Narrow);
}

}  // namespace marlit
