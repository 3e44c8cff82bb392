#include "pe/panel/conversion_panel.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/common/sample_images.h"
#include "tests/pe/case_name.h"
#include "tests/pe/load_image.h"

namespace marlit {
namespace {

PeImage Load(const test::PeBuilder& builder) { return test::LoadedImage(builder); }

bool Exclude(PeImage& image, std::u16string_view name) {
  bool found = false;
  for (SectionRecord& record : Records(image)) {
    if (record.Name == name) found = !(record.Included = false);
  }
  return found;
}

const HexByteTable kHexByteText = BuildHexByteText();

struct Shown {
  std::string 實偏移, 虛偏移;
  std::int32_t position;
  std::u16string item;
  std::string 代碼;
  bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Shown& s) {
  return os << '[' << s.實偏移 << '|' << s.虛偏移 << '|' << s.position << '|' << s.item.size()
            << " code units|" << s.代碼 << ']';
}

Shown ShownBy(const ConversionPanel& panel) {
  return {std::string(panel.Text(PanelField::實偏移).View()),
          std::string(panel.Text(PanelField::虛偏移).View()), panel.Position(),
          panel.Items()[static_cast<std::size_t>(panel.Position())],
          std::string(panel.代碼().View())};
}

// Types text into field as the window's Change handler does, with the clearing after an
// overflow; false when it overflowed.
bool Type(ConversionPanel& panel, PanelField field, std::string_view text) {
  if (panel.Change(field, text) == ConversionPanel::Outcome::Done) return true;
  panel.ClearAfterOverflow();
  return false;
}

struct TypingCase {
  const char* what;
  PanelField field;
  Radix radix;
  bool omitImageBase;
  const char* text;
  bool overflows;
  Shown shown;
};

void PrintTo(const TypingCase& c, std::ostream* os) { *os << c.what; }

constexpr PanelField O = PanelField::實偏移;
constexpr PanelField A = PanelField::虛偏移;
constexpr Radix H = Radix::Hex;
constexpr Radix D = Radix::Decimal;

// clang-format off
const TypingCase kTypingCases[] = {
    {"offset in .text", O, H, false, "1000", false, {"1000", "401C00", 2, u".text", "001C4000"}},
    {"empty offset field translates nothing", O, H, false, "", false, {"", "", 0, u"不在段內", ""}},
    {"FileMax of .text is in .data", O, H, false, "1400", false, {"1400", "402000", 3, u".data", "00204000"}},
    {"lower case kept as typed", O, H, false, "abc", false, {"abc", "4016BC", 2, u".text", "BC164000"}},
    {"leading zeros kept", O, H, false, "00001000", false, {"00001000", "401C00", 2, u".text", "001C4000"}},
    {"top bit set is negative", O, H, false, "FFFFFFFF", false, {"FFFFFFFF", "", 0, u"不在段內", ""}},
    {"past every section", O, H, false, "1E00", false, {"1E00", "", 0, u"不在段內", ""}},
    {"address in .text", A, H, false, "401C00", false, {"1000", "401C00", 2, u".text", "001C4000"}},
    {"address of file offset 0 has the code offset 0 gives", A, H, false, "400000", false, {"0", "400000", 1, u"檔案頭", "00004000"}},
    {"empty address field", A, H, false, "", false, {"", "", 0, u"不在段內", ""}},
    {"address in .rdata", A, H, false, "4037ff", false, {"1DFF", "4037ff", 4, u".rdata", "FF374000"}},
    {"decimal offset", O, D, false, "4096", false, {"4096", "4201472", 2, u".text", "001C4000"}},
    {"decimal address", A, D, false, "4201472", false, {"4096", "4201472", 2, u".text", "001C4000"}},
    {"decimal offset above the largest",
     O, D, false, "2147483648", true, {"", "", 0, u"不在段內", ""}},
    {"decimal address above the largest",
     A, D, false, "9999999999", true, {"", "", 0, u"不在段內", ""}},
    {"offset without the image base", O, H, true, "1000", false, {"1000", "1C00", 2, u".text", "001C0000"}},
    {"address without the image base", A, H, true, "1C00", false, {"1000", "1C00", 2, u".text", "001C0000"}},
    {"address with the image base is in no section then",
     A, H, true, "401C00", false, {"", "401C00", 0, u"不在段內", ""}},
    {"header offset without the image base", O, H, true, "0", false, {"0", "0", 1, u"檔案頭", ""}},
};
// clang-format on

// The cases of one image: the typing tests type each into a fresh panel on it.
class TypingTest : public testing::TestWithParam<TypingCase> {
 protected:
  void Check(const test::PeBuilder& builder) {
    const TypingCase& c = GetParam();
    PeImage image = Load(builder);
    image.OmitImageBase = c.omitImageBase;
    ConversionPanel panel(image, kHexByteText, c.radix);
    EXPECT_EQ(Type(panel, c.field, c.text), !c.overflows);
    EXPECT_EQ(ShownBy(panel), c.shown);
    // The numbers that marlit-cli writes are those of the texts.
    for (const PanelField field : {PanelField::實偏移, PanelField::虛偏移}) {
      const std::string_view text = panel.Text(field).View();
      EXPECT_EQ(panel.Number(field),
                text.empty() ? 0 : ParseFieldNumber(text, c.radix, panel.Width(field)));
    }
  }
};

auto CaseName = [](const auto& param) { return "case" + std::to_string(param.index); };

class NarrowTypingTest : public TypingTest {};
TEST_P(NarrowTypingTest, FieldsShowWhatTheWindowShows) { Check(test::SampleImage()); }
INSTANTIATE_TEST_SUITE_P(Values, NarrowTypingTest, testing::ValuesIn(kTypingCases), CaseName);

TEST(PanelTest, OverflowInTheTranslationClearsTheFields) {
  const PeImage image = Load(test::HighBaseImage());
  ConversionPanel panel(image, kHexByteText);
  ASSERT_TRUE(Type(panel, O, "FFF"));
  EXPECT_EQ(ShownBy(panel), (Shown{"FFF", "7FFFFFFF", 1, u"檔案頭", "FFFFFF7F"}));
  EXPECT_FALSE(Type(panel, O, "1000"));
  EXPECT_EQ(ShownBy(panel), (Shown{"", "", 0, u"不在段內", ""}));
  // The next value starts afresh.
  ASSERT_TRUE(Type(panel, O, "2000"));
  EXPECT_EQ(ShownBy(panel), (Shown{"2000", "7FFFF000", 2, u".text", "00F0FF7F"}));
}

TEST(PanelTest, ExcludedSectionsAreNeitherFoundNorCounted) {
  PeImage image = Load(test::SampleImage());
  ASSERT_TRUE(Exclude(image, u".text"));
  EXPECT_FALSE(Exclude(image, u".nope"));
  ConversionPanel panel(image, kHexByteText);
  ASSERT_TRUE(Type(panel, O, "1000"));
  EXPECT_EQ(ShownBy(panel), (Shown{"1000", "", 0, u"不在段內", ""}));
  ASSERT_TRUE(Type(panel, O, "1400"));
  EXPECT_EQ(ShownBy(panel), (Shown{"1400", "402000", 2, u".data", "00204000"}));
  ASSERT_TRUE(Exclude(image, u"檔案頭"));
  ConversionPanel withoutHeader(image, kHexByteText);
  ASSERT_TRUE(Type(withoutHeader, O, "1600"));
  EXPECT_EQ(ShownBy(withoutHeader), (Shown{"1600", "403000", 2, u".rdata", "00304000"}));
}

TEST(PanelTest, BeforeAnyFileEveryValueIsInNoSection) {
  const PeImage empty;
  ConversionPanel panel(empty, kHexByteText);
  ASSERT_TRUE(Type(panel, O, "0"));
  EXPECT_EQ(ShownBy(panel), (Shown{"0", "", 0, u"不在段內", ""}));
  ASSERT_TRUE(Type(panel, A, "400000"));
  EXPECT_EQ(ShownBy(panel), (Shown{"", "400000", 0, u"不在段內", ""}));
  EXPECT_EQ(panel.Items().size(), 1u);
}

// A PE32+ image whose .data ends at 2^64 - 1, the highest end a memory range may have.
test::PeBuilder HighImage() {
  return test::PeBuilder()
      .Magic(0x20B)
      .ImageBase(0xFFFFFFFFFFFFDDFFull)
      .AddSection(".text", 0x1000, 0x1000, 0x400)
      .AddSection(".data", 0x2000, 0x200, 0x1400);
}

// clang-format off
const TypingCase kWideCases[] = {
    {"offset to a 64-bit address", O, H, false, "1000", false, {"1000", "FFFFFFFFFFFFF9FF", 2, u".text", "FFF9FFFFFFFFFFFF"}},
    {"16 hex digits back", A, H, false, "fffffffffffffdfe", false, {"13FF", "fffffffffffffdfe", 2, u".text", "FEFDFFFFFFFFFFFF"}},
    {"the last byte of the highest range", A, H, false, "FFFFFFFFFFFFFFFE", false, {"15FF", "FFFFFFFFFFFFFFFE", 3, u".data", "FEFFFFFFFFFFFFFF"}},
    {"2^64 - 1 is past every range", A, H, false, "FFFFFFFFFFFFFFFF", false, {"", "FFFFFFFFFFFFFFFF", 0, u"不在段內", ""}},
    {"17th hex digit is not read", A, H, false, "FFFFFFFFFFFFF9FF1", false, {"1000", "FFFFFFFFFFFFF9FF1", 2, u".text", "FFF9FFFFFFFFFFFF"}},
    {"the offset field keeps 32 bits", O, H, false, "FFFFFFFF1", false, {"FFFFFFFF1", "", 0, u"不在段內", ""}},
    {"20 decimal digits", A, D, false, "18446744073709551103", false, {"5120", "18446744073709551103", 3, u".data", "FFFDFFFFFFFFFFFF"}},
    {"above 2^64 - 1 overflows", A, D, false, "18446744073709551616", true, {"", "", 0, u"不在段內", ""}},
    {"without the image base 4 bytes of the RVA", O, H, true, "1000", false, {"1000", "1C00", 2, u".text", "001C0000"}},
    {"an RVA back", A, H, true, "2100", false, {"1500", "2100", 3, u".data", "00210000"}},
    {"header offset gives the image base", O, H, false, "0", false, {"0", "FFFFFFFFFFFFDDFF", 1, u"檔案頭", "FFDDFFFFFFFFFFFF"}},
    {"the image base gives the same code", A, H, false, "FFFFFFFFFFFFDDFF", false, {"0", "FFFFFFFFFFFFDDFF", 1, u"檔案頭", "FFDDFFFFFFFFFFFF"}},
};
// clang-format on

class WideTypingTest : public TypingTest {};
TEST_P(WideTypingTest, AddressesOfA64BitImage) { Check(HighImage()); }
INSTANTIATE_TEST_SUITE_P(Values, WideTypingTest, testing::ValuesIn(kWideCases), CaseName);

TEST(PanelTest, TheMemoryFieldIsWideOnlyInA64BitImage) {
  const PeImage narrow = Load(test::SampleImage());
  const PeImage wide = Load(HighImage());
  for (const Radix radix : {Radix::Hex, Radix::Decimal}) {
    const ConversionPanel a(narrow, kHexByteText, radix);
    const ConversionPanel b(wide, kHexByteText, radix);
    const int narrowLimit = radix == Radix::Hex ? 8 : 10;
    EXPECT_EQ(a.InputLimit(A), narrowLimit);
    EXPECT_EQ(b.InputLimit(O), narrowLimit);
    EXPECT_EQ(b.InputLimit(A), radix == Radix::Hex ? 16 : 20);
  }
  ConversionPanel panel(wide, kHexByteText);
  ASSERT_TRUE(Type(panel, O, "1000"));
  panel.SetRadix(Radix::Decimal);
  EXPECT_EQ(panel.Text(A).View(), "18446744073709550079");
  panel.SetRadix(Radix::Hex);
  EXPECT_EQ(panel.Text(A).View(), "FFFFFFFFFFFFF9FF");
}

// The sample image and a .bss of 800h bytes of memory, no file data.
test::PeBuilder WithBss() {
  return test::SampleImage().AddSection(test::TestSection{".bss", 0x800, 0x4000, 0, 0});
}

struct PickCase {
  const char* what;
  test::PeBuilder (*image)();
  bool omitImageBase;
  std::int32_t item;
  Shown shown;
  MappingView view = MappingView::Raw;
  bool zeroFilled = false;
};

// clang-format off
const PickCase kPickCases[] = {
    {"RVA of a section", test::SampleImage, true, 2, {"400", "1000", 2, u".text", "00100000"}},
    {"RVA of the header is 0", test::SampleImage, true, 1, {"0", "0", 1, u"檔案頭", ""}},
    {"64-bit address with the image base", HighImage, false, 2, {"400", "FFFFFFFFFFFFEDFF", 2, u".text", "FFEDFFFFFFFFFFFF"}},
    {"64-bit image: RVA in 4 bytes", HighImage, true, 3, {"1400", "2000", 3, u".data", "00200000"}},
    {"zero-filled section: no offset, as typing its start", WithBss, false, 5, {"", "404000", 5, u".bss", "00404000"}, MappingView::Loader, true},
};
// clang-format on

class PickTest : public testing::TestWithParam<PickCase> {};
TEST_P(PickTest, ASectionStartsInTheModeInForce) {
  const PickCase& c = GetParam();
  PeImage image = test::ImageInView(c.image(), c.view);
  image.OmitImageBase = c.omitImageBase;
  ConversionPanel panel(image, kHexByteText);
  panel.Pick(c.item);
  EXPECT_EQ(ShownBy(panel), c.shown);
  EXPECT_EQ(panel.ZeroFilled(), c.zeroFilled);
}
INSTANTIATE_TEST_SUITE_P(Values, PickTest, testing::ValuesIn(kPickCases), test::CaseName());

// .text: 200h bytes of file data in 800h of memory, which the loader's view rounds to 1000h.
test::PeBuilder ShortRawData() {
  return test::PeBuilder()
      .AddSection(test::TestSection{".text", 0x800, 0x1000, 0x200, 0x400})
      .AddSection(".data", 0x2000, 0x200, 0x600);
}

// A value typed after another: in the loader's view an address without file bytes has no offset,
// and in any view a value with no answer clears the answer of the value before it.
struct ViewCase {
  const char* what;
  MappingView view;
  PanelField beforeField;
  const char* before;  // typed first; empty: nothing
  PanelField field;
  const char* text;
  Radix radixAfter;
  Shown shown;
  bool zeroFilled;
};

void PrintTo(const ViewCase& c, std::ostream* os) { *os << c.what; }

constexpr MappingView L = MappingView::Loader;
constexpr MappingView R = MappingView::Raw;

// clang-format off
const ViewCase kViewCases[] = {
    {"zero-filled: its section, no offset", L, A, "", A, "401200", H, {"", "401200", 2, u".text", "00124000"}, true},
    {"last byte with file data", L, A, "", A, "4011FF", H, {"5FF", "4011FF", 2, u".text", "FF114000"}, false},
    {"a mapped address after a zero-filled one", L, A, "401200", A, "401000", H, {"400", "401000", 2, u".text", "00104000"}, false},
    {"an offset after a zero-filled address", L, A, "401200", O, "400", H, {"400", "401000", 2, u".text", "00104000"}, false},
    {"raw view: in no section", R, A, "", A, "401200", H, {"", "401200", 0, u"不在段內", ""}, false},
    {"offset erased", R, O, "400", O, "", H, {"", "", 0, u"不在段內", ""}, false},
    {"address erased", R, A, "401000", A, "", H, {"", "", 0, u"不在段內", ""}, false},
    {"address in no section", R, A, "401000", A, "500000", H, {"", "500000", 0, u"不在段內", ""}, false},
    {"other field empty after a radix switch", R, O, "1E00", O, "1E00", D, {"7680", "", 0, u"不在段內", ""}, false},
};
// clang-format on

class ViewTest : public testing::TestWithParam<ViewCase> {};
TEST_P(ViewTest, AValueWithoutAnAnswerLeavesTheOtherFieldEmpty) {
  const ViewCase& c = GetParam();
  const PeImage image = test::ImageInView(ShortRawData(), c.view);
  ConversionPanel panel(image, kHexByteText);
  if (*c.before != 0) {
    ASSERT_TRUE(Type(panel, c.beforeField, c.before));
  }
  ASSERT_TRUE(Type(panel, c.field, c.text));
  if (c.radixAfter != panel.radix()) panel.SetRadix(c.radixAfter);
  EXPECT_EQ(ShownBy(panel), c.shown);
  EXPECT_EQ(panel.ZeroFilled(), c.zeroFilled);
}
INSTANTIATE_TEST_SUITE_P(Values, ViewTest, testing::ValuesIn(kViewCases), CaseName);

}  // namespace
}  // namespace marlit
