#include "dialogs/section_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest/QTest>
#include <string>
#include <vector>

#include "modal.h"
#include "pe/load/loader.h"
#include "pe/view/translate.h"
#include "tests/common/pe_builder.h"
#include "tests/fakes/fakes.h"
#include "widgets.h"

namespace marlit {
namespace {

using test::Control;

QListWidget& List(const QDialog& d) { return Control<QListWidget>(d, "區段清單"); }
QString Box(const QDialog& d, int k) {
  return Control<QLineEdit>(d, ("t" + std::to_string(k)).c_str()).text();
}
void Click(const QDialog& d, const char* button) {
  QTest::mouseClick(&Control<QPushButton>(d, button), Qt::LeftButton);
}
void Mark(const QDialog& d, int row, bool on) {
  List(d).item(row)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}
std::vector<bool> Included(const PeImage& image) {
  std::vector<bool> flags;
  for (const SectionRecord& r : image.Sections) flags.push_back(r.Included);
  return flags;
}

class SectionDialogTest : public testing::Test {
 protected:
  // Image base 400000h; .rdata has no raw data and .data no raw pointer, so neither is included.
  // A base beyond 32 bits makes a PE32+ image.
  void Analyse(std::uint64_t imageBase = 0x400000) {
    test::PeBuilder pe;
    if (imageBase > 0xFFFFFFFF) pe.Magic(0x20B);
    pe.ImageBase(imageBase)
        .AddSection(".text", 0x1000, 0x200, 0x400)
        .AddSection(".rdata", 0x2000, 0, 0x600)
        .AddSection(".data", 0x3000, 0x200, 0)
        .AddSection(".rsrc", 0x4000, 0x200, 0x600);
    const auto path = dir / "sample.exe";
    pe.WriteTo(path);
    ASSERT_TRUE(AnalyzePeFile(image, path, prompt));
  }

  // Opens the dialog over owner and lets act work in it; the answer of 選擇.
  bool Choose(const std::function<void(QDialog&)>& act) {
    bool confirmed = false;
    shown = test::WithModalDialog([&] { confirmed = 選擇區段::選擇(owner, image, prompt); }, act);
    return confirmed;
  }

  test::OwnerWindow owner;
  PeImage image;
  fake::FakePrompt prompt;
  test::TempDir dir;
  bool shown = false;
};

TEST_F(SectionDialogTest, FirstShowingAfterAnAnalysis) {
  Analyse();
  const bool confirmed = Choose([](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), QStringLiteral("選擇區段(基位址=400000)"));
    QListWidget& list = List(d);
    ASSERT_EQ(list.count(), 5);
    const char* names[] = {"檔案頭", ".text", ".rdata", ".data", ".rsrc"};
    const bool marks[] = {true, true, false, false, true};
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(list.item(i)->text(), QString::fromUtf8(names[i])) << i;
      EXPECT_EQ(list.item(i)->checkState() == Qt::Checked, marks[i]) << names[i];
    }
    EXPECT_EQ(list.currentRow(), 0);
    EXPECT_EQ(Box(d, 0), QStringLiteral("400000"));
    EXPECT_EQ(Box(d, 2), QStringLiteral("0"));
    list.setCurrentRow(1);
    EXPECT_EQ(Box(d, 0), QStringLiteral("401000"));
    EXPECT_EQ(Box(d, 1), QStringLiteral("401200"));
    EXPECT_EQ(Box(d, 2), QStringLiteral("400"));
    EXPECT_EQ(Box(d, 3), QStringLiteral("600"));
    Click(d, "取消");
  });
  EXPECT_TRUE(shown);
  EXPECT_FALSE(confirmed);
}

TEST_F(SectionDialogTest, DesignTimeSettings) {
  Analyse();
  (void)Choose([this](QDialog& d) {
    EXPECT_GE(d.minimumSize().width(), 243) << "never narrower than the seed";
    const QRect rows = Control<QWidget>(d, "檢視與載入位址").geometry();
    EXPECT_GE(rows.top(), Control<QLabel>(d, "基位址").geometry().bottom())
        << "the view and the load address come below the image base";
    for (const char* name : {"確定", "取消"}) {
      const QRect button = Control<QPushButton>(d, name).geometry();
      EXPECT_GE(button.top(), rows.bottom()) << name << " stands at the foot";
      EXPECT_LE(d.height() - button.bottom(), 10) << name;
    }
    EXPECT_EQ(d.font(), owner.font());
    EXPECT_EQ(d.windowIcon().cacheKey(), owner.windowIcon().cacheKey());
    EXPECT_EQ(d.focusWidget(), &Control<QPushButton>(d, "確定"));
    EXPECT_EQ(Control<QRadioButton>(d, "RVAmode0").text(), QStringLiteral("RVA"));
    EXPECT_EQ(Control<QRadioButton>(d, "RVAmode1").text(), QStringLiteral("VA"));
    const Qt::WindowFlags flags = d.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_GT(d.maximumSize().height(), d.minimumSize().height()) << "the dialog can be resized";
    for (const char* name : {"確定", "取消"}) {
      EXPECT_FALSE(Control<QPushButton>(d, name).isDefault()) << name;
      EXPECT_FALSE(Control<QPushButton>(d, name).autoDefault()) << name;
    }
    for (int k = 0; k < 4; ++k) {
      EXPECT_TRUE(Control<QLineEdit>(d, ("t" + std::to_string(k)).c_str()).isReadOnly()) << k;
    }
    EXPECT_EQ(List(d).geometry().topLeft(), QPoint(8, 15));
    EXPECT_GE(List(d).width(), 97);
    EXPECT_EQ(List(d).parentWidget()->objectName(), QStringLiteral("f"));

    // The controls that take the focus, in their tab order.
    QStringList order;
    QWidget* w = &Control<QPushButton>(d, "確定");
    do {
      if (w->focusPolicy() & Qt::TabFocus) order << w->objectName();
      w = w->nextInFocusChain();
    } while (w != &Control<QPushButton>(d, "確定"));
    EXPECT_EQ(order.join(u' '), QStringLiteral("確定 取消 區段清單 t0 t1 t2 t3 RVAmode0 RVAmode1 "
                                               "檢視0 檢視1 載入位址 還原基位址"));
    // Tab, in an active window, stops once at each option pair.
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    QStringList tabbed;
    QWidget* first = &Control<QPushButton>(d, "確定");
    for (int i = 0; i < 20 && (tabbed.isEmpty() || d.focusWidget() != first); ++i) {
      tabbed << d.focusWidget()->objectName();
      QTest::keyClick(d.focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(tabbed.join(u' ').toStdString(),
              "確定 取消 區段清單 t0 t1 t2 t3 RVAmode0 檢視0 載入位址 還原基位址");
    Click(d, "取消");
  });
  // In the wider Latin face of English, each boundary's label still ends before its box.
  owner.setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
  (void)Choose([this](QDialog& d) {
    for (int k = 0; k < 4; ++k) {
      const std::string n = std::to_string(k);
      EXPECT_LT(Control<QLabel>(d, ("l" + n).c_str()).geometry().right(),
                Control<QLineEdit>(d, ("t" + n).c_str()).geometry().left())
          << k;
    }
    Click(d, "取消");
  });
}

struct CaptionCase {
  std::int64_t imageBase;
  const char* caption;
  ImageKind kind = ImageKind::Pe32;
};

class SectionCaptionTest : public SectionDialogTest,
                           public testing::WithParamInterface<CaptionCase> {};

TEST_P(SectionCaptionTest, ShowsTheImageBaseInHex) {
  image.SectionCount = 1;
  image.Kind = GetParam().kind;
  image.ImageBase = GetParam().imageBase;
  image.Sections.push_back(
      SectionRecord{u"檔案頭", image.ImageBase, image.ImageBase, 0, 0x400, 0, 0, true});
  const QString caption = QString::fromUtf8(GetParam().caption);
  (void)Choose([&](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), caption);
    // A window manager may cut the caption; the row under the buttons shows the whole base, with
    // room for the 16 digits of a 64-bit base.
    const QLabel& base = Control<QLabel>(d, "基位址");
    EXPECT_EQ(base.text(), caption.mid(5, caption.size() - 6));
    EXPECT_EQ(Box(d, 0), caption.mid(9, caption.size() - 10)) << "RamMin with all its digits";
    EXPECT_TRUE(base.isVisible());
    EXPECT_GE(base.width(),
              base.fontMetrics().horizontalAdvance(QStringLiteral("基位址=FFFF800000000000")));
    EXPECT_LE(base.geometry().right(), d.width());
    EXPECT_LE(base.geometry().bottom(), Control<QPushButton>(d, "確定").geometry().top());
    // A window manager draws the caption in a bold face, beside the icon and three buttons.
    QFont bold(QStringLiteral("Sans Serif"));
    bold.setPointSize(9);
    bold.setBold(true);
    EXPECT_GE(d.width(), QFontMetrics(bold).horizontalAdvance(caption) + 80) << "caption cut";
    Click(d, "取消");
  });
  EXPECT_TRUE(shown);
}

INSTANTIATE_TEST_SUITE_P(
    Bases, SectionCaptionTest,
    testing::Values(CaptionCase{0x400000, "選擇區段(基位址=400000)"},
                    CaptionCase{0x10000, "選擇區段(基位址=10000)"},
                    CaptionCase{0, "選擇區段(基位址=0)"},
                    CaptionCase{INT32_MIN, "選擇區段(基位址=80000000)"},
                    CaptionCase{-1, "選擇區段(基位址=FFFFFFFF)"},
                    CaptionCase{static_cast<std::int64_t>(0xFFFF800000000000ull),
                                "選擇區段(基位址=FFFF800000000000)", ImageKind::Pe32Plus},
                    CaptionCase{0x140000000, "選擇區段(基位址=140000000)", ImageKind::Pe32Plus}));

struct NameWidthCase {
  const char* name;
  bool whole;  // shown whole, without a horizontal scroll bar
};

class SectionNameWidthTest : public SectionDialogTest,
                             public testing::WithParamInterface<NameWidthCase> {};

// The list opens as wide as its longest name, up to about 24 characters; longer names scroll.
TEST_P(SectionNameWidthTest, TheListFitsItsNames) {
  image.SectionCount = 2;
  image.ImageBase = 0x7B600000;
  image.Sections.push_back(SectionRecord{u"檔案頭", 0, 0, 0, 0x400, 0, 0, true});
  image.Sections.push_back(SectionRecord{QString::fromUtf8(GetParam().name).toStdU16String(),
                                         0x1000, 0x1200, 0x400, 0x600, 0, 0, true});
  (void)Choose([&](QDialog& d) {
    QListWidget& list = List(d);
    QApplication::processEvents();
    const int needed = list.sizeHintForIndex(list.model()->index(1, 0)).width();
    EXPECT_EQ(list.viewport()->width() >= needed, GetParam().whole) << list.viewport()->width();
    EXPECT_EQ(list.horizontalScrollBar()->isVisible(), !GetParam().whole);
    Click(d, "取消");
  });
}

INSTANTIATE_TEST_SUITE_P(Names, SectionNameWidthTest,
                         testing::Values(NameWidthCase{".debug_aranges", true},
                                         NameWidthCase{".zdebug_gnu_pubnames.dwo", true},
                                         NameWidthCase{".a_section_name_of_forty_characters_long",
                                                       false}));

TEST_F(SectionDialogTest, UntickAndOkTakesTheSectionOutOfTranslation) {
  Analyse();
  std::int64_t value = 0x400;
  ASSERT_EQ(FileToRam(image, value), 2);
  const bool confirmed = Choose([](QDialog& d) {
    Mark(d, 1, false);
    Click(d, "確定");
  });
  EXPECT_TRUE(confirmed);
  EXPECT_EQ(Included(image), (std::vector<bool>{true, false, false, false, true}));
  // As the window's report of the sections after 確定 does.
  TableChanged(image);
  value = 0x400;
  EXPECT_EQ(FileToRam(image, value), 0);
  // The next showing starts from the marks that 確定 left.
  (void)Choose([](QDialog& d) {
    EXPECT_EQ(List(d).item(1)->checkState(), Qt::Unchecked);
    Click(d, "取消");
  });
}

TEST_F(SectionDialogTest, CancelAndTheCloseControlChangeNothing) {
  Analyse();
  image.OmitImageBase = true;
  const PeImage before = image;
  const std::function<void(QDialog&)> leave[] = {
      [](QDialog& d) { Click(d, "取消"); },
      [](QDialog& d) { d.close(); },
  };
  for (const auto& how : leave) {
    const bool confirmed = Choose([&](QDialog& d) {
      Mark(d, 0, false);
      Mark(d, 2, true);
      QTest::mouseClick(&Control<QRadioButton>(d, "RVAmode1"), Qt::LeftButton);
      how(d);
    });
    EXPECT_FALSE(confirmed);
    EXPECT_EQ(Included(image), Included(before));
    EXPECT_TRUE(image.OmitImageBase);
  }
}

TEST_F(SectionDialogTest, CloseControlAfterAnEarlierOkIsStillCancel) {
  Analyse();
  EXPECT_TRUE(Choose([](QDialog& d) {
    Mark(d, 4, false);
    Click(d, "確定");
  }));
  EXPECT_FALSE(Choose([](QDialog& d) {
    Mark(d, 4, true);
    d.close();
  }));
  EXPECT_FALSE(image.Sections[4].Included);
}

TEST_F(SectionDialogTest, EnterAndEscapeDoNotCloseTheDialog) {
  Analyse();
  const bool confirmed = Choose([](QDialog& d) {
    QTest::keyClick(&d, Qt::Key_Escape);
    QTest::keyClick(&Control<QPushButton>(d, "確定"), Qt::Key_Return);
    QTest::keyClick(&List(d), Qt::Key_Return);
    QTest::keyClick(&List(d), Qt::Key_Escape);
    EXPECT_TRUE(d.isVisible());
    Click(d, "取消");
  });
  EXPECT_FALSE(confirmed);
}

struct ModeCase {
  const char* name;
  bool omitBefore;       // the mode in force when the dialog opens
  const char* selected;  // the option that the showing selects
  const char* clicked;   // the option the user clicks, or nullptr
  bool omitAfter;        // after 確定
};

class SectionModeTest : public SectionDialogTest, public testing::WithParamInterface<ModeCase> {};

// "VA" gives memory addresses with the image base, "RVA" without; a showing starts from the mode
// in force, so that 確定 alone keeps it.
TEST_P(SectionModeTest, ShowingSelectsTheModeInForceAndOkWritesTheChoice) {
  const ModeCase& c = GetParam();
  Analyse();
  image.OmitImageBase = c.omitBefore;
  EXPECT_TRUE(Choose([&](QDialog& d) {
    EXPECT_TRUE(Control<QRadioButton>(d, c.selected).isChecked());
    if (c.clicked != nullptr) {
      QTest::mouseClick(&Control<QRadioButton>(d, c.clicked), Qt::LeftButton);
      EXPECT_TRUE(Control<QRadioButton>(d, c.clicked).isChecked()) << "an option pair keeps one";
    }
    Click(d, "確定");
  }));
  EXPECT_EQ(image.OmitImageBase, c.omitAfter);
  std::int64_t value = 0x400;
  ASSERT_EQ(FileToRam(image, value), 2);
  EXPECT_EQ(value, c.omitAfter ? 0x1000 : 0x401000);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SectionModeTest,
    testing::Values(ModeCase{"VaKept", false, "RVAmode1", nullptr, false},
                    ModeCase{"RvaKept", true, "RVAmode0", nullptr, true},
                    ModeCase{"VaToRva", false, "RVAmode1", "RVAmode0", true},
                    ModeCase{"RvaToVa", true, "RVAmode0", "RVAmode1", false},
                    ModeCase{"VaClickedAgain", false, "RVAmode1", "RVAmode1", false},
                    ModeCase{"RvaClickedAgain", true, "RVAmode0", "RVAmode0", true}),
    [](const testing::TestParamInfo<ModeCase>& p) { return std::string(p.param.name); });

TEST_F(SectionDialogTest, NothingAnalysedShowsNothing) {
  image.Sections.push_back(SectionRecord{u"檔案頭", 0, 0, 0, 0, 0, 0, true});
  for (std::int16_t count : {std::int16_t{0}, std::int16_t{-3}}) {
    image.SectionCount = count;
    EXPECT_FALSE(Choose([](QDialog& d) { d.close(); }));
    EXPECT_FALSE(shown) << count;
    EXPECT_TRUE(owner.findChildren<QDialog*>().isEmpty());
  }
}

TEST_F(SectionDialogTest, ACountBeyondTheTableShowsTheRecordsThatExist) {
  Analyse();
  image.SectionCount = 40;
  EXPECT_TRUE(Choose([](QDialog& d) {
    EXPECT_EQ(List(d).count(), 5);
    Mark(d, 4, false);
    Click(d, "確定");
  }));
  EXPECT_EQ(Included(image), (std::vector<bool>{true, true, false, false, false}));
}

TEST_F(SectionDialogTest, CentresOverTheOwnerAndClampsOnlyLeftAndTop) {
  Analyse();
  owner.setGeometry(-300, -200, 120, 90);
  (void)Choose([](QDialog& d) {
    EXPECT_EQ(d.frameGeometry().topLeft(), QPoint(0, 0));
    Click(d, "取消");
  });
  // Partly below and right of the screen: the dialog follows the owner there.
  owner.setGeometry(1900, 1500, 400, 300);
  (void)Choose([this](QDialog& d) {
    const QPoint offset = d.frameGeometry().center() - owner.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
    Click(d, "取消");
  });
}

// With 300 sections the list opens 20 rows tall, and grows with the dialog.
TEST_F(SectionDialogTest, TheListShowsTwentyRowsAndGrowsWithTheDialog) {
  prompt.answers.push_back(true);  // more than 20 sections are questioned first
  test::EvenSections(300).WriteTo(dir / "rows.exe");
  ASSERT_TRUE(AnalyzePeFile(image, dir / "rows.exe", prompt));
  (void)Choose([&](QDialog& d) {
    QListWidget& list = List(d);
    EXPECT_EQ(list.viewport()->height() / list.sizeHintForRow(0), 20);
    const QSize before = list.size();
    d.resize(d.size() + QSize(100, 100));
    QApplication::processEvents();
    EXPECT_EQ(list.size(), before + QSize(100, 100));
    Click(d, "取消");
  });
}

// The view and the load address chosen in the dialog: the list shows the view's marks at once,
// RamMin and RamMax of .text show whole in the mode chosen, and 確定 puts the view and the load
// address in force, or refuses a load address that overflows and keeps what was in force.
struct ViewCase {
  const char* name;
  std::uint64_t imageBase;
  const char* view;         // the view option clicked, or nullptr
  const char* mode;         // RVAmode0 ("RVA") or RVAmode1 ("VA")
  const char* loadAddress;  // typed over the field, or nullptr
  bool restore;             // 還原基位址 pressed after typing
  const char* range;        // RamMin and RamMax of .text
  bool refused;
  MappingView viewAfter;
  std::uint64_t baseAfter;
};

class SectionViewTest : public SectionDialogTest, public testing::WithParamInterface<ViewCase> {};

TEST_P(SectionViewTest, TheViewAndLoadAddressComeIntoForceAtOk) {
  const ViewCase& c = GetParam();
  const QString base = QString::number(c.imageBase, 16).toUpper();
  Analyse(c.imageBase);
  const bool confirmed = Choose([&](QDialog& d) {
    EXPECT_TRUE(Control<QRadioButton>(d, "檢視0").isChecked()) << "the raw view is the default";
    QLineEdit& field = Control<QLineEdit>(d, "載入位址");
    EXPECT_EQ(field.text(), base);
    EXPECT_EQ(field.maxLength(), c.imageBase > 0xFFFFFFFF ? 16 : 8);
    if (c.view != nullptr) QTest::mouseClick(&Control<QRadioButton>(d, c.view), Qt::LeftButton);
    for (int i = 0; i < List(d).count(); ++i) {
      EXPECT_EQ(List(d).item(i)->checkState() == Qt::Checked, c.view || (i != 2 && i != 3)) << i;
    }
    QTest::mouseClick(&Control<QRadioButton>(d, c.mode), Qt::LeftButton);
    List(d).setCurrentRow(1);
    EXPECT_EQ(Box(d, 0) + ' ' + Box(d, 1), QString::fromUtf8(c.range));
    const QLineEdit& box = Control<QLineEdit>(d, "t1");
    EXPECT_LT(box.fontMetrics().horizontalAdvance(box.text()), box.contentsRect().width());
    if (c.loadAddress != nullptr) {
      field.selectAll();
      QTest::keyClicks(&field, QString::fromUtf8(c.loadAddress));
    }
    if (c.restore) Click(d, "還原基位址");
    Click(d, "確定");
    EXPECT_EQ(d.isVisible(), c.refused);
    if (c.refused) {
      EXPECT_EQ(field.text(), base) << "the base in force is shown again";
      Click(d, "取消");
    }
  });
  EXPECT_EQ(confirmed, !c.refused);
  EXPECT_EQ(prompt.shown.size(), c.refused ? 1U : 0U);
  if (c.refused) {
    EXPECT_EQ(prompt.shown[0].text, u"溢出！請填寫正確的數值。");
  }
  EXPECT_EQ(image.View, c.viewAfter);
  EXPECT_EQ(static_cast<std::uint64_t>(BaseInForce(image)), c.baseAfter);
  std::int64_t value = 0x400;
  EXPECT_EQ(FileToRam(image, value), 2);
  EXPECT_EQ(static_cast<std::uint64_t>(value),
            (std::string_view(c.mode) == "RVAmode1" ? c.baseAfter : 0) + 0x1000);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Choices, SectionViewTest, testing::Values(
    ViewCase{"Raw", 0x400000, nullptr, "RVAmode1", nullptr, false, "401000 401200", false, MappingView::Raw, 0x400000},
    ViewCase{"RawRva", 0x400000, nullptr, "RVAmode0", nullptr, false, "1000 1200", false, MappingView::Raw, 0x400000},
    ViewCase{"Loader", 0x400000, "檢視1", "RVAmode1", nullptr, false, "401000 402000", false, MappingView::Loader, 0x400000},
    ViewCase{"LoadAddress", 0x400000, nullptr, "RVAmode1", "10000000", false, "401000 401200", false, MappingView::Raw, 0x10000000},
    ViewCase{"Restored", 0x400000, nullptr, "RVAmode1", "10000000", true, "401000 401200", false, MappingView::Raw, 0x400000},
    ViewCase{"OverflowRefused", 0x400000, "檢視1", "RVAmode1", "7FFFF800", false, "401000 402000", true, MappingView::Raw, 0x400000},
    ViewCase{"Wide", 0xFFFFF80000000000, "檢視1", "RVAmode1", "7FF612340000", false, "FFFFF80000001000 FFFFF80000002000", false, MappingView::Loader, 0x7FF612340000}),
    [](const testing::TestParamInfo<ViewCase>& p) { return std::string(p.param.name); });
// clang-format on

}  // namespace
}  // namespace marlit
