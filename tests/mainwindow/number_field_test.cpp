#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTimer>

#include "mainwindow/number_field.h"
#include "tests/mainwindow/window_fakes.h"

namespace marlit::test {
namespace {

struct KeyCase {
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  const char* text;
  std::optional<std::int32_t> code;
};

TEST(KeyCodeOf, MapsKeysToTheFilterCodes) {
  const KeyCase cases[] = {
      {Qt::Key_1, Qt::NoModifier, "1", u'1'},
      {Qt::Key_A, Qt::ShiftModifier, "A", u'A'},
      {Qt::Key_Space, Qt::NoModifier, " ", 32},
      {Qt::Key_Backspace, Qt::NoModifier, "\b", 8},
      {Qt::Key_Return, Qt::NoModifier, "\r", 13},
      {Qt::Key_Enter, Qt::KeypadModifier, "\r", 13},
      {Qt::Key_Escape, Qt::NoModifier, "\x1b", 27},
      {Qt::Key_C, Qt::ControlModifier, "\x03", 3},
      {Qt::Key_X, Qt::ControlModifier, "", 24},
      {Qt::Key_V, Qt::ControlModifier, "v", 22},
      {Qt::Key_Insert, Qt::ShiftModifier, "", 22},
      {Qt::Key_Z, Qt::ControlModifier, "", 26},
      {Qt::Key_Left, Qt::NoModifier, "", std::nullopt},
      {Qt::Key_Home, Qt::NoModifier, "", std::nullopt},
      {Qt::Key_Delete, Qt::NoModifier, "\x7f", std::nullopt},
      {Qt::Key_F5, Qt::NoModifier, "", std::nullopt},
      {Qt::Key_unknown, Qt::NoModifier, "中", 0x4E2D},
  };
  for (const auto& c : cases) {
    QKeyEvent e(QEvent::KeyPress, c.key, c.modifiers, QString::fromUtf8(c.text));
    EXPECT_EQ(KeyCodeOf(e), c.code) << "key " << c.key << " text " << c.text;
  }
}

class FieldTest : public ::testing::Test {
 protected:
  NumberField* Field() { return static_cast<NumberField*>(bed.Field("實偏移")); }
  void Decimal() { QTest::mouseClick(bed.Get<QRadioButton>("進制0"), Qt::LeftButton); }
  WindowBed bed;
};

struct TypedCase {
  bool decimal;
  const char* typed;
  const char* kept;
  int beeps;
};

TEST_F(FieldTest, KeysPassTheFilterOfTheRadix) {
  const TypedCase cases[] = {
      {false, "1aF", "1aF", 0}, {false, "g", "", 1},  {false, "G", "", 1},
      {false, " ", "", 1},      {false, "-", "", 1},
      {true, "09", "09", 0},    {true, "A", "", 1},   {true, ".", "", 1},
  };
  for (const auto& c : cases) {
    if (c.decimal != !bed.Get<QRadioButton>("進制1")->isChecked()) {
      QTest::mouseClick(bed.Get<QRadioButton>(c.decimal ? "進制0" : "進制1"), Qt::LeftButton);
    }
    Field()->clear();
    bed.beeper.beeps = 0;
    Field()->setFocus();
    QTest::keyClicks(Field(), QString::fromUtf8(c.typed));
    EXPECT_EQ(Field()->text(), QString::fromUtf8(c.kept)) << c.typed;
    EXPECT_EQ(bed.beeper.beeps, c.beeps) << c.typed;
  }
  QTest::keyClick(Field(), Qt::Key_Escape);
  EXPECT_EQ(bed.beeper.beeps, 2) << "Escape is refused with a beep";
  QKeyEvent chinese(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("中"));
  QApplication::sendEvent(Field(), &chinese);
  EXPECT_EQ(Field()->text(), "");
  EXPECT_EQ(bed.beeper.beeps, 3) << "a character of an input method is refused";
}

struct PasteCase {
  const char* name;
  std::optional<std::u16string> clipboard;
  const char* before;
  const char* after;
  std::optional<std::u16string> clipboardAfter;
  int beeps;
};

const PasteCase kPastes[] = {
    {"digits", u"12x34", "", "12", u"12", 1},
    {"nothing kept", u"x", "", "", u"", 1},
    {"no text", std::nullopt, "", "", std::nullopt, 0},
    {"cut to the limit", u"123456789A", "AB", "AB123456", u"123456789A", 0},
    {"a debugger's copy", u" 0x401000\r\n", "", "401000", u"401000", 0},
    {"only white space", u" \t", "1", "1", u"", 1},
};

enum class PastePath { CtrlV, ShiftInsert, ContextMenu };

class PasteTest : public FieldTest, public ::testing::WithParamInterface<PastePath> {
 protected:
  void Paste() {
    switch (GetParam()) {
      case PastePath::CtrlV: QTest::keyClick(Field(), Qt::Key_V, Qt::ControlModifier); break;
      case PastePath::ShiftInsert: QTest::keyClick(Field(), Qt::Key_Insert, Qt::ShiftModifier); break;
      case PastePath::ContextMenu: PasteFromContextMenu(); break;
    }
  }
  void PasteFromContextMenu() {
    // The menu's paste entry is enabled by Qt's own clipboard.
    QGuiApplication::clipboard()->setText(QStringLiteral("9"));
    bool triggered = false;
    QTimer::singleShot(0, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (menu == nullptr) return;

      for (QAction* a : menu->actions()) {
        EXPECT_EQ(a->menu(), nullptr) << "no submenu can insert characters";
        if (a->text().startsWith(QLatin1String("&Paste"))) {
          a->trigger();
          triggered = true;
        }
      }
      menu->close();
    });
    QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(2, 2), Field()->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(Field(), &e);
    EXPECT_TRUE(triggered);
  }
};

TEST_P(PasteTest, PastesOnlyTheKeptDigits) {
  for (const auto& c : kPastes) {
    Field()->setFocus();
    Field()->setText(QString::fromUtf8(c.before));
    Field()->end(false);
    bed.clipboard.text = c.clipboard;
    bed.beeper.beeps = 0;
    Paste();
    EXPECT_EQ(Field()->text(), QString::fromUtf8(c.after)) << c.name;
    EXPECT_EQ(bed.clipboard.text, c.clipboardAfter) << c.name;
    EXPECT_EQ(bed.beeper.beeps, c.beeps) << c.name;
  }
  // The pasted digits are translated like typed ones: with no file, into an empty answer.
  Field()->clear();
  bed.Field("虛偏移")->setText("77");
  bed.clipboard.text = u"5";
  Paste();
  EXPECT_EQ(bed.Text("虛偏移"), "");
}

INSTANTIATE_TEST_SUITE_P(Paths, PasteTest,
                         ::testing::Values(PastePath::CtrlV, PastePath::ShiftInsert,
                                           PastePath::ContextMenu));

TEST_F(FieldTest, FailingClipboardPastesNothingAndSaysSo) {
  Field()->setFocus();
  bed.clipboard.text = u"12";
  bed.clipboard.failWith = "busy";
  QTest::keyClick(Field(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Field()->text(), "");
  EXPECT_EQ(bed.Messages(), std::vector<std::u16string>{u"剪貼簿操作出錯：busy"});
}

TEST_F(FieldTest, DroppedTextIsFilteredAndTranslated) {
  bed.Field("代碼")->setFocus();
  bed.Field("虛偏移")->setText("77");
  QMimeData data;
  data.setText("1g2");
  QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
  QApplication::sendEvent(Field(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(2, 2), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Field(), &drop);
  EXPECT_EQ(Field()->text(), "1");
  EXPECT_EQ(bed.beeper.beeps, 1);
  EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
  EXPECT_EQ(bed.Text("虛偏移"), "") << "the drop gives the field the focus, so it translates";
}

TEST_F(FieldTest, TypingStopsAtTheLimitButProgramTextIsWhole) {
  Field()->setFocus();
  QTest::keyClicks(Field(), "123456789");
  EXPECT_EQ(Field()->text(), "12345678");
  QTest::keyClick(Field(), Qt::Key_Backspace);
  QTest::keyClicks(Field(), "9");
  EXPECT_EQ(Field()->text(), "12345679");
  Field()->selectAll();
  QTest::keyClicks(Field(), "A");
  EXPECT_EQ(Field()->text(), "A") << "typing over a selection replaces it";
  Field()->setText("-2147483648");
  EXPECT_EQ(Field()->text(), "-2147483648");
}

}  // namespace
}  // namespace marlit::test
