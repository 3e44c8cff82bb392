// The description line and the references of the address shown, driven through the window.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "mainwindow/main_window.h"
#include "pe/image_view.h"
#include "tests/common/pe_builder.h"
#include "tests/mainwindow/window_fakes.h"

namespace marlit::test {
namespace {

constexpr std::uint32_t kDirectoryRva = 0x3000;

// An export directory at kDirectoryRva: Alpha at 1000h and CreateFileW at 2100h, ordinal base 1.
std::vector<std::uint8_t> Exports() {
  constexpr std::uint32_t kFunctionsAt = 40, kNamesAt = kFunctionsAt + 8, kOrdinalsAt = kNamesAt + 8;
  std::vector<std::uint8_t> b(kOrdinalsAt + 4, 0);
  const std::uint32_t fields[] = {
      1, 2, 2, kDirectoryRva + kFunctionsAt, kDirectoryRva + kNamesAt, kDirectoryRva + kOrdinalsAt};
  for (std::size_t i = 0; i < 6; ++i) Put32(b, 16 + 4 * i, fields[i]);
  Put32(b, kFunctionsAt, 0x1000);
  Put32(b, kFunctionsAt + 4, 0x2100);
  const char* names[] = {"Alpha", "CreateFileW"};
  for (std::uint16_t i = 0; i < 2; ++i) {
    Put32(b, kNamesAt + 4U * i, kDirectoryRva + static_cast<std::uint32_t>(b.size()));
    Put16(b, kOrdinalsAt + 2U * i, i);
    b.insert(b.end(), names[i], names[i] + std::strlen(names[i]) + 1);
  }
  return b;
}

// Image base 400000h. .text (file 400h, memory 1000h) exports Alpha at its start; .idata (file
// 800h, 200h bytes in 1000h of memory) holds the import address table at 2100h, and the export
// CreateFileW at 2100h; the certificate table lies in the overlay at E00h. The file points to
// 402110h from the headers at 300h and from .text at 410h, which a base relocation covers.
PeBuilder Described() {
  const std::vector<std::uint8_t> exports = Exports();
  std::vector<std::uint8_t> relocations;
  Put32(relocations, 0, 0x1000);
  Put32(relocations, 4, 12);
  Put16(relocations, 8, 0x3000 | 0x010);
  Put16(relocations, 10, 0);
  std::vector<std::uint8_t> pointer;
  Put32(pointer, 0, 0x402110);
  PeBuilder b;
  b.AddSection(TestSection{".text", 0x400, 0x1000, 0x400, 0x400})
      .AddSection(TestSection{".idata", 0x1000, 0x2000, 0x200, 0x800})
      .AddSection(".edata", kDirectoryRva, 0x200, 0xA00)
      .AddSection(".reloc", 0x4000, 0x200, 0xC00)
      .DataDirectory(0, kDirectoryRva, static_cast<std::uint32_t>(exports.size()))
      .DataDirectory(4, 0xE00, 0x100)
      .DataDirectory(5, 0x4000, 12)
      .DataDirectory(12, 0x2100, 0x40)
      .Bytes(0xA00, exports)
      .Bytes(0xC00, relocations)
      .Bytes(0x300, pointer)
      .Bytes(0x410, pointer)
      .FileLength(0xF80);
  return b;
}

class AddressFactsWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir / "described.exe";
    Described().WriteTo(path);
    bed.window->OpenFromCommandLine(QString::fromStdString(path.string()));
    bed.referencesDialog = [this](QWidget&, const QString& address, const AddressReferences& found,
                                  Radix, NumberWidth) -> std::optional<std::uint64_t> {
      ++shown;
      shownAddress = address;
      offsets.clear();
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
  std::filesystem::path path;
  WindowBed bed;
  int shown = 0;
  QString shownAddress;
  std::vector<std::uint64_t> offsets;
  std::optional<std::size_t> choose;
};

struct DescriptionCase {
  const char* name;
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
  const QLineEdit* line = bed.Field("位址說明");
  EXPECT_EQ(line->text(), QString::fromUtf8(c.line));
  EXPECT_TRUE(line->isReadOnly());
  const char* other = std::string_view(c.field) == "實偏移" ? "虛偏移" : "實偏移";
  EXPECT_EQ(bed.Text(other), QString::fromUtf8(c.other));
  EXPECT_EQ(bed.List()->currentText(), QString::fromUtf8(c.item));
}

INSTANTIATE_TEST_SUITE_P(
    Values, DescriptionLineTest,
    ::testing::Values(
        DescriptionCase{"Directory", false, "虛偏移", "402110",
                        ".idata · 匯入位址表 · CreateFileW+10", "910", ".idata"},
        DescriptionCase{"OffsetDescribesItsAddress", false, "實偏移", "910",
                        ".idata · 匯入位址表 · CreateFileW+10", "402110", ".idata"},
        DescriptionCase{"OffsetInTheCertificateTable", false, "實偏移", "E10", "憑證表", "",
                        "不在段內"},
        DescriptionCase{"Cleared", false, "虛偏移", "", "", "", "不在段內"},
        DescriptionCase{"ZeroFilledHasNoOffset", true, "虛偏移", "402800",
                        ".idata · CreateFileW+700", "", ".idata"}),
    [](const auto& p) { return std::string(p.param.name); });

struct ReferencesCase {
  const char* name;
  const char* typed;  // into 虛偏移
  bool byKey;         // Ctrl+R instead of the button
  std::optional<std::size_t> choose;
  int shown;
  std::vector<std::uint64_t> offsets;
  const char* offsetAfter;
  const char* itemAfter;
  int beeps;
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
  EXPECT_EQ(shown, c.shown);
  EXPECT_EQ(offsets, c.offsets);
  if (c.shown > 0) {
    EXPECT_EQ(shownAddress, QString::fromUtf8(c.typed));
  }
  EXPECT_EQ(bed.Text("實偏移"), QString::fromUtf8(c.offsetAfter));
  EXPECT_EQ(bed.List()->currentText(), QString::fromUtf8(c.itemAfter));
  EXPECT_EQ(bed.beeper.beeps, c.beeps);
  EXPECT_TRUE(bed.module.HotKeyEnabled);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ReferencesTest,
    ::testing::Values(
        ReferencesCase{"ChosenRelocated", "402110", false, 1, 1, {0x300, 0x410}, "410", ".text", 0},
        ReferencesCase{"ChosenInTheHeaders", "402110", true, 0, 1, {0x300, 0x410}, "300", "檔案頭",
                       0},
        ReferencesCase{"ClosedLeavesThePanel", "402110", false, std::nullopt, 1, {0x300, 0x410},
                       "910", ".idata", 0},
        ReferencesCase{"NoneFound", "401100", false, std::nullopt, 1, {}, "500", ".text", 0},
        ReferencesCase{"NoAddressBeeps", "", true, std::nullopt, 0, {}, "", "不在段內", 1}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(AddressFactsWindowTest, AFileThatCannotBeReadAgainIsReported) {
  Type("虛偏移", "402110");
  std::filesystem::remove(path);
  QTest::mouseClick(bed.Button("列出引用"), Qt::LeftButton);
  EXPECT_EQ(shown, 0);
  ASSERT_EQ(bed.prompt.shown.size(), 1U);
  EXPECT_EQ(bed.prompt.shown[0].text.rfind(u"無法讀取檔案以搜尋引用：", 0), 0U);
  EXPECT_EQ(bed.Text("虛偏移"), "402110") << "the panel keeps its values";
}

TEST_F(AddressFactsWindowTest, TheNewControlsComeAfterTheSeedsInTheTabOrder) {
  QStringList order;
  QWidget* first = bed.Field("程式名");
  QWidget* w = first;
  do {
    if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty()) order << w->objectName();
    w = w->nextInFocusChain();
  } while (w != first);
  const qsizetype at = order.indexOf(QStringLiteral("進制0"));
  ASSERT_GE(at, 0);
  EXPECT_EQ(order.mid(at + 1, 2), (QStringList{"位址說明", "列出引用"}));
  EXPECT_EQ(order.indexOf(QStringLiteral("程式名")), 0);
}

}  // namespace
}  // namespace marlit::test
