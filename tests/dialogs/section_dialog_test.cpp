#include "dialogs/section_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest/QTest>
#include <string>
#include <vector>

#include "modal.h"
#include "pe/loader.h"
#include "pe/translate.h"
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
    EXPECT_EQ(d.minimumSize().width(), 243) << "the seed's width is the smallest";
    EXPECT_GE(Control<QWidget>(d, "檢視與載入位址").geometry().top(),
              Control<QLabel>(d, "基位址").geometry().bottom())
        << "the view and the load address come below the seed's controls";
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
    EXPECT_EQ(List(d).width(), 97);
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
    EXPECT_GE(base.geometry().top(), Control<QPushButton>(d, "確定").geometry().bottom());
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
                    ModeCase{"VaClickedAgain", false, "RVAmode1", "RVAmode1", false}),
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

// The boundaries of the current row follow the option: without the image base under "RVA".
struct BoundaryCase {
  const char* what;
  bool wide;
  const char* option;
  int row;
  const char* ramMin;
  const char* ramMax;
};

class SectionBoundaryTest : public SectionDialogTest,
                            public testing::WithParamInterface<BoundaryCase> {};

TEST_P(SectionBoundaryTest, RamMinAndRamMaxInTheModeChosen) {
  const BoundaryCase& c = GetParam();
  Analyse(c.wide ? 0xFFFFF80000000000ull : 0x400000);
  (void)Choose([&](QDialog& d) {
    QTest::mouseClick(&Control<QRadioButton>(d, c.option), Qt::LeftButton);
    List(d).setCurrentRow(c.row);
    EXPECT_EQ(Box(d, 0), QString::fromUtf8(c.ramMin));
    EXPECT_EQ(Box(d, 1), QString::fromUtf8(c.ramMax));
    for (const char* name : {"t0", "t1"}) {
      const QLineEdit& box = Control<QLineEdit>(d, name);
      EXPECT_LT(box.fontMetrics().horizontalAdvance(box.text()), box.contentsRect().width())
          << name << " readable whole, " << c.what;
    }
    Click(d, "取消");
  });
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Rows, SectionBoundaryTest,
    testing::Values(BoundaryCase{"VA", false, "RVAmode1", 1, "401000", "401200"},
                    BoundaryCase{"RVA", false, "RVAmode0", 1, "1000", "1200"},
                    BoundaryCase{"RVA of the header", false, "RVAmode0", 0, "0", "400"},
                    BoundaryCase{"64-bit VA", true, "RVAmode1", 1, "FFFFF80000001000", "FFFFF80000001200"},
                    BoundaryCase{"64-bit RVA", true, "RVAmode0", 1, "1000", "1200"}));
// clang-format on

// The list opens tall enough for up to 20 rows, and grows with the dialog.
struct RowsCase {
  int sections;
  int rowsShown;  // 0: the seed's size, which already shows every row
};

class SectionRowsTest : public SectionDialogTest, public testing::WithParamInterface<RowsCase> {};

TEST_P(SectionRowsTest, TheListShowsUpToTwentyRowsAndGrowsWithTheDialog) {
  prompt.answers.push_back(true);  // more than 20 sections are questioned first
  const auto path = dir / "rows.exe";
  test::EvenSections(GetParam().sections).WriteTo(path);
  ASSERT_TRUE(AnalyzePeFile(image, path, prompt));
  (void)Choose([&](QDialog& d) {
    QListWidget& list = List(d);
    const int rowHeight = list.sizeHintForRow(0);
    const int visible = list.viewport()->height() / rowHeight;
    if (GetParam().rowsShown == 0) {
      EXPECT_EQ(d.size(), d.minimumSize());
      EXPECT_GE(visible, list.count());
    } else {
      EXPECT_EQ(visible, GetParam().rowsShown);
    }
    const QSize before = list.size();
    d.resize(d.size() + QSize(100, 100));
    QApplication::processEvents();
    EXPECT_EQ(list.size(), before + QSize(100, 100));
    EXPECT_GE(d.height(), d.minimumHeight());
    Click(d, "取消");
  });
}

INSTANTIATE_TEST_SUITE_P(Counts, SectionRowsTest,
                         testing::Values(RowsCase{1, 0}, RowsCase{9, 10}, RowsCase{300, 20}));

}  // namespace
}  // namespace marlit

namespace marlit {
namespace {

// The view and the load address chosen in the dialog: the list shows the view's records at once,
// and 確定 puts both in force before the checks, or refuses a load address that overflows.
struct ViewCase {
  const char* name;
  bool wide;
  std::vector<const char*> views;  // the view options clicked, in order
  const char* loadAddress;  // typed over the field, or nullptr to leave it
  bool restore;             // 還原基位址 pressed after typing
  std::vector<bool> marks;  // shown once the view is chosen
  const char* ramMax1;      // t1 for .text, in "VA"
  bool refused;             // 確定 shows the overflow message and the dialog stays
  MappingView viewAfter;
  std::uint64_t baseAfter;
  std::int64_t addressOf400;  // where offset 400h lands afterwards
};

void PrintTo(const ViewCase& c, std::ostream* os) { *os << c.name; }

class SectionViewTest : public SectionDialogTest, public testing::WithParamInterface<ViewCase> {};

TEST_P(SectionViewTest, TheViewAndLoadAddressComeIntoForceAtOk) {
  const ViewCase& c = GetParam();
  const std::uint64_t imageBase = c.wide ? 0x140000000ull : 0x400000;
  test::PeBuilder pe;
  pe.ImageBase(imageBase)
      .AddSection(".text", 0x1000, 0x200, 0x400)
      .AddSection(".bss", 0x2000, 0, 0)
      .AddSection(".rsrc", 0x3000, 0x200, 0x600);
  if (c.wide) pe.Magic(0x20B);
  const auto path = dir / "view.exe";
  pe.WriteTo(path);
  ASSERT_TRUE(AnalyzePeFile(image, path, prompt));
  const bool confirmed = Choose([&](QDialog& d) {
    EXPECT_TRUE(Control<QRadioButton>(d, "檢視0").isChecked()) << "the raw view is the default";
    QLineEdit& field = Control<QLineEdit>(d, "載入位址");
    EXPECT_EQ(field.text().toStdString(), c.wide ? "140000000" : "400000");
    EXPECT_EQ(field.maxLength(), c.wide ? 16 : 8);
    for (const char* view : c.views) {
      QTest::mouseClick(&Control<QRadioButton>(d, view), Qt::LeftButton);
    }
    std::vector<bool> marks;
    for (int i = 0; i < List(d).count(); ++i) {
      marks.push_back(List(d).item(i)->checkState() == Qt::Checked);
    }
    EXPECT_EQ(marks, c.marks);
    QTest::mouseClick(&Control<QRadioButton>(d, "RVAmode1"), Qt::LeftButton);
    List(d).setCurrentRow(1);
    EXPECT_EQ(Box(d, 1).toStdString(), c.ramMax1);
    if (c.loadAddress != nullptr) {
      field.selectAll();
      QTest::keyClicks(&field, QString::fromUtf8(c.loadAddress));
    }
    if (c.restore) Click(d, "還原基位址");
    Click(d, "確定");
    EXPECT_EQ(d.isVisible(), c.refused);
    if (c.refused) {
      EXPECT_EQ(field.text().toStdString(), c.wide ? "140000000" : "400000")
          << "the base in force is shown again";
      Click(d, "取消");
    }
  });
  EXPECT_EQ(confirmed, !c.refused);
  ASSERT_EQ(prompt.shown.size(), c.refused ? 1U : 0U);
  if (c.refused) {
    EXPECT_EQ(prompt.shown[0].text, u"溢出！請填寫正確的數值。");
  }
  EXPECT_EQ(image.View, c.viewAfter);
  EXPECT_EQ(static_cast<std::uint64_t>(BaseInForce(image)), c.baseAfter);
  std::int64_t value = 0x400;
  EXPECT_EQ(FileToRam(image, value), 2);
  EXPECT_EQ(value, c.addressOf400);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Choices, SectionViewTest,
    testing::Values(
        ViewCase{"RawKept", false, {}, nullptr, false, {true, true, false, true}, "401200",
                 false, MappingView::Raw, 0x400000, 0x401000},
        ViewCase{"LoaderIncludesEverySection", false, {"檢視1"}, nullptr, false,
                 {true, true, true, true}, "402000", false, MappingView::Loader, 0x400000, 0x401000},
        ViewCase{"BackToRawShowsTheFlagsInForce", false, {"檢視1", "檢視0"}, nullptr, false,
                 {true, true, false, true}, "401200", false, MappingView::Raw, 0x400000, 0x401000},
        ViewCase{"LoadAddress", false, {}, "10000000", false, {true, true, false, true},
                 "401200", false, MappingView::Raw, 0x10000000, 0x10001000},
        ViewCase{"EmptyIsTheImageBase", false, {}, "", false, {true, true, false, true},
                 "401200", false, MappingView::Raw, 0x400000, 0x401000},
        ViewCase{"RestoredInOneStep", false, {}, "10000000", true, {true, true, false, true},
                 "401200", false, MappingView::Raw, 0x400000, 0x401000},
        ViewCase{"OverflowRefused", false, {}, "7FFFF000", false, {true, true, false, true},
                 "401200", true, MappingView::Raw, 0x400000, 0x401000},
        ViewCase{"OverflowKeepsTheView", false, {"檢視1"}, "7FFFF800", false, {true, true, true, true},
                 "402000", true, MappingView::Raw, 0x400000, 0x401000},
        ViewCase{"WideLoadAddress", true, {"檢視1"}, "7FF612340000", false, {true, true, true, true},
                 "140002000", false, MappingView::Loader, 0x7FF612340000, 0x7FF612341000}),
    [](const testing::TestParamInfo<ViewCase>& p) { return std::string(p.param.name); });
// clang-format on

}  // namespace
}  // namespace marlit
