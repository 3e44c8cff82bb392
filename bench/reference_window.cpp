// The yardstick of Marlit's start: a plain Qt window with the controls of Marlit's main window,
// their Chinese texts, places and font, and its caption and border, but no logic of its own.
// compare_map.sh times its first map against Marlit's.

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QWidget>

#include "dialogs/placement.h"
#include "mainwindow/program_font.h"

namespace {

enum class Kind {
  kField,
  kReadOnlyField,
  kButton,
  kToggle,
  kOption,
  kCheckedOption,
  kList,
  kLabel
};

struct Control {
  Kind kind;
  const char16_t* text;
  int left, top, width, height;  // twips inside the frame
};

constexpr Control kControls[] = {
    {Kind::kField, u"", 120, 240, 4935, 270},
    {Kind::kButton, u"…", 5040, 220, 495, 270},
    {Kind::kOption, u"十進制", 120, 640, 1095, 180},
    {Kind::kCheckedOption, u"十六進制", 1080, 640, 1095, 180},
    {Kind::kList, u"不在段內", 2280, 600, 1215, 300},
    {Kind::kButton, u"選擇", 3480, 590, 735, 300},
    {Kind::kToggle, u"頂端", 4200, 590, 615, 300},
    {Kind::kButton, u"關於", 4800, 590, 735, 300},
    {Kind::kField, u"", 680, 960, 1020, 270},
    {Kind::kField, u"", 2280, 960, 1020, 270},
    {Kind::kReadOnlyField, u"", 3720, 960, 920, 270},
    {Kind::kToggle, u"至剪貼簿", 4640, 940, 900, 300},
    {Kind::kLabel, u"虛偏移", 120, 1000, 540, 180},
    {Kind::kLabel, u"實偏移", 1720, 1005, 540, 180},
    {Kind::kLabel, u"代碼", 3330, 1005, 360, 180},
};

QWidget* Make(const Control& c, QWidget* parent) {
  const QString text = QString::fromUtf16(c.text);
  switch (c.kind) {
    case Kind::kField:
      return new QLineEdit(parent);
    case Kind::kReadOnlyField: {
      auto* field = new QLineEdit(parent);
      field->setReadOnly(true);
      return field;
    }
    case Kind::kButton:
      return new QPushButton(text, parent);
    case Kind::kToggle: {
      auto* toggle = new QPushButton(text, parent);
      toggle->setCheckable(true);
      return toggle;
    }
    case Kind::kOption:
    case Kind::kCheckedOption: {
      auto* option = new QRadioButton(text, parent);
      option->setChecked(c.kind == Kind::kCheckedOption);
      return option;
    }
    case Kind::kList: {
      auto* list = new QComboBox(parent);
      list->addItem(text);
      return list;
    }
    case Kind::kLabel:
      return new QLabel(text, parent);
  }
  return nullptr;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setFont(marlit::ProgramFont());

  QWidget window;
  window.setWindowTitle(QStringLiteral("Vesko偏移量轉換器 0.94B 版"));
  window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                        Qt::WindowCloseButtonHint);
  window.setFixedSize(marlit::TwipRect(0, 0, 5760, 1425).size());
  auto* frame = new QFrame(&window);
  frame->setGeometry(marlit::TwipRect(50, 0, 5655, 1350));
  for (const Control& c : kControls) {
    QWidget* w = Make(c, frame);
    const QRect r = marlit::TwipRect(c.left, c.top, c.width, c.height);
    if (c.kind == Kind::kLabel) {
      w->move(r.topLeft());
      w->adjustSize();
    } else {
      w->setGeometry(r);
    }
  }
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    window.move(screen->availableGeometry().center() - window.rect().center());
  }
  window.show();
  return QApplication::exec();
}
