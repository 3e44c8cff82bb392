// The description line and the references of the address shown, driven through the window.
#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>
#include <optional>
#include <vector>

#include "mainwindow/main_window.h"
#include "pe/image_view.h"
#include "tests/common/described_image.h"
#include "tests/mainwindow/window_fakes.h"

namespace marlit::test {
namespace {

// The described PE32 image, opened; the references dialog notes what it is given and chooses
// the reference `choose`, or none.
class AddressFactsWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Described(0x10B).WriteTo(path);
    bed.window->OpenFromCommandLine(QString::fromStdString(path.string()));
    bed.referencesDialog = [this](QWidget&, const QString& address, const AddressReferences& found,
                                  Radix, NumberWidth) -> std::optional<std::uint64_t> {
      shown.push_back(address);
      for (const AddressReference& r : found.References) offsets.push_back(r.FileOffset);
      if (choose && *choose < found.References.size()) return found.References[*choose].FileOffset;
      return std::nullopt;
    };
  }
  void Type(const char* field, const char* text) {
    bed.Field(field)->setFocus();
    bed.Field(field)->clear();
    QTest::keyClicks(bed.Field(field), QString::fromUtf8(text));
  }

  TempDir dir;
  std::filesystem::path path = dir / "described.exe";
  WindowBed bed;
  QStringList shown;
  std::vector<std::uint64_t> offsets;
  std::optional<std::size_t> choose;
};

struct DescriptionCase {
  bool loader;
  const char* field;
  const char* typed;
  const char* line;
  const char* other;  // the other field afterwards
  const char* item;   // the section list's item
};

class DescriptionLineTest : public AddressFactsWindowTest,
                            public ::testing::WithParamInterface<DescriptionCase> {};

TEST_P(DescriptionLineTest, DescribesTheAddressAtEveryChange) {
  const DescriptionCase& c = GetParam();
  if (c.loader) {
    ASSERT_EQ(SetView(bed.module.Image, MappingView::Loader), ViewChange::Done);
    bed.window->OpenFromCommandLine(QString::fromStdString(path.string()));
  }
  Type(c.field, c.typed);
  EXPECT_EQ(bed.Text("位址說明"), QString::fromUtf8(c.line));
  EXPECT_TRUE(bed.Field("位址說明")->isReadOnly());
  EXPECT_EQ(bed.Text(std::string_view(c.field) == "實偏移" ? "虛偏移" : "實偏移"), c.other);
  EXPECT_EQ(bed.List()->currentText(), QString::fromUtf8(c.item));
}

const char* const kIat = ".idata · 匯入位址表 · CreateFileW+10";
INSTANTIATE_TEST_SUITE_P(
    Values, DescriptionLineTest,
    ::testing::Values(DescriptionCase{false, "虛偏移", "402110", kIat, "910", ".idata"},
                      DescriptionCase{false, "實偏移", "910", kIat, "402110", ".idata"},
                      DescriptionCase{false, "實偏移", "E10", "憑證表", "", "不在段內"},
                      DescriptionCase{false, "虛偏移", "", "", "", "不在段內"},
                      DescriptionCase{true, "虛偏移", "402800", ".idata · CreateFileW+700", "",
                                      ".idata"}));

struct ReferencesCase {
  const char* typed;  // into 虛偏移
  bool byKey;         // Ctrl+R instead of the button
  std::optional<std::size_t> choose;
  std::size_t found;
  const char* offsetAfter;
  const char* itemAfter;
};

class ReferencesTest : public AddressFactsWindowTest,
                       public ::testing::WithParamInterface<ReferencesCase> {};

TEST_P(ReferencesTest, ListsWhereTheFilePointsToTheAddressAndGoesToTheOneChosen) {
  const ReferencesCase& c = GetParam();
  choose = c.choose;
  Type("虛偏移", c.typed);
  if (c.byKey) {
    bed.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(bed.window.get()));
    QTest::keyClick(bed.window->focusWidget(), Qt::Key_R, Qt::ControlModifier);
  } else {
    QTest::mouseClick(bed.Button("列出引用"), Qt::LeftButton);
  }
  const bool any = *c.typed != '\0';
  EXPECT_EQ(shown, any ? QStringList{c.typed} : QStringList{});
  EXPECT_EQ(offsets.size(), c.found);
  EXPECT_EQ(bed.Text("實偏移"), QString::fromUtf8(c.offsetAfter));
  EXPECT_EQ(bed.List()->currentText(), QString::fromUtf8(c.itemAfter));
  EXPECT_EQ(bed.beeper.beeps, any ? 0 : 1) << "no address to search beeps";
  EXPECT_TRUE(bed.module.HotKeyEnabled);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ReferencesTest,
    ::testing::Values(ReferencesCase{"402110", false, 2, 4, "410", ".text"},
                      ReferencesCase{"402110", true, 0, 4, "300", "檔案頭"},
                      ReferencesCase{"401100", false, std::nullopt, 0, "510", ".text"},
                      ReferencesCase{"", true, std::nullopt, 0, "", "不在段內"}));

TEST_F(AddressFactsWindowTest, AFileThatCannotBeReadAgainIsReported) {
  Type("虛偏移", "402110");
  std::filesystem::remove(path);
  QTest::mouseClick(bed.Button("列出引用"), Qt::LeftButton);
  EXPECT_TRUE(shown.empty());
  ASSERT_EQ(bed.prompt.shown.size(), 1U);
  EXPECT_EQ(bed.prompt.shown[0].text.rfind(u"無法讀取檔案以搜尋引用：", 0), 0U);
  EXPECT_EQ(bed.Text("虛偏移"), "402110") << "the panel keeps its values";
}

TEST_F(AddressFactsWindowTest, TheNewControlsComeAfterTheSeedsInTheTabOrder) {
  QStringList order;
  QWidget* w = bed.Field("程式名");
  do {
    if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty()) order << w->objectName();
    w = w->nextInFocusChain();
  } while (w != bed.Field("程式名"));
  EXPECT_EQ(order.mid(order.indexOf(QStringLiteral("進制0")) + 1, 2),
            (QStringList{"位址說明", "列出引用"}));
}

}  // namespace
}  // namespace marlit::test
