// The description line and the references of the address shown, driven through the window.
#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>
#include <optional>
#include <vector>

#include "mainwindow/main_window.h"
#include "pe/view/image_view.h"
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

enum class Refs { None, Button, Key };

// A value typed, the line that describes its address, the other field and the list's item; then
// the references of the address listed (a beep when there is none) and the one chosen shown.
struct FactsCase {
  bool loader;
  const char* field;
  const char* typed;
  const char* line;
  const char* other;
  const char* item;
  Refs refs;
  std::optional<std::size_t> choose;
  std::size_t found;
  const char* offsetAfter;  // 實偏移 after the references
  const char* itemAfter;
};

class AddressFactsTest : public AddressFactsWindowTest,
                         public ::testing::WithParamInterface<FactsCase> {};

TEST_P(AddressFactsTest, DescribesTheAddressAndGoesToTheReferenceChosen) {
  const FactsCase& c = GetParam();
  if (c.loader) {
    ASSERT_EQ(SetView(bed.module.Image, MappingView::Loader), ViewChange::Done);
    bed.window->OpenFromCommandLine(QString::fromStdString(path.string()));
  }
  Type(c.field, c.typed);
  EXPECT_EQ(bed.Text("位址說明"), QString::fromUtf8(c.line));
  EXPECT_TRUE(bed.Field("位址說明")->isReadOnly());
  EXPECT_EQ(bed.Text(std::string_view(c.field) == "實偏移" ? "虛偏移" : "實偏移"), c.other);
  EXPECT_EQ(bed.List()->currentText(), QString::fromUtf8(c.item));
  if (c.refs == Refs::None) return;
  choose = c.choose;
  const QString address = bed.Text("虛偏移");
  if (c.refs == Refs::Key) {
    bed.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(bed.window.get()));
    QTest::keyClick(bed.window->focusWidget(), Qt::Key_R, Qt::ControlModifier);
  } else {
    QTest::mouseClick(bed.Button("列出引用"), Qt::LeftButton);
  }
  EXPECT_EQ(shown, address.isEmpty() ? QStringList{} : QStringList{address});
  EXPECT_EQ(bed.beeper.beeps, address.isEmpty() ? 1 : 0) << "no address to search beeps";
  EXPECT_EQ(offsets.size(), c.found);
  EXPECT_EQ(bed.Text("實偏移"), QString::fromUtf8(c.offsetAfter));
  EXPECT_EQ(bed.List()->currentText(), QString::fromUtf8(c.itemAfter));
  EXPECT_TRUE(bed.module.HotKeyEnabled);
}

const char* const kIat = ".idata · 匯入位址表 · CreateFileW+10";
constexpr auto kNone = std::nullopt;
// clang-format off
INSTANTIATE_TEST_SUITE_P(Values, AddressFactsTest, ::testing::Values(
    FactsCase{false, "虛偏移", "402110", kIat, "910", ".idata", Refs::Button, 2, 4, "410", ".text"},
    FactsCase{false, "實偏移", "910", kIat, "402110", ".idata", Refs::Key, 0, 4, "300", "檔案頭"},
    FactsCase{false, "虛偏移", "401100", ".text · Alpha+100", "510", ".text", Refs::Button, kNone, 0, "510", ".text"},
    FactsCase{false, "實偏移", "E10", "憑證表", "", "不在段內", Refs::None, kNone, 0, "", ""},
    FactsCase{false, "虛偏移", "", "", "", "不在段內", Refs::Key, kNone, 0, "", "不在段內"},
    FactsCase{true, "虛偏移", "402800", ".idata · CreateFileW+700", "", ".idata", Refs::None, kNone, 0, "", ""}));
// clang-format on

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
