#include "pe/facts/address_facts.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "pe/view/image_view.h"
#include "pe/view/section_choice.h"
#include "tests/common/described_image.h"
#include "tests/pe/case_name.h"
#include "tests/pe/load_image.h"

namespace marlit {
namespace {

using test::Described;
using test::kPe32Magic;
using test::kPe32PlusMagic;
using test::PeBuilder;

// How the image is shown: the view, VA or RVA, and a load address.
struct Shown {
  std::uint16_t magic = kPe32Magic;
  MappingView view = MappingView::Raw;
  bool rva = false;
  std::optional<std::int64_t> loadAddress = std::nullopt;
};

void Show(PeImage& image, const Shown& shown) {
  ASSERT_EQ(SetViewAndLoadAddress(image, shown.view, shown.loadAddress.value_or(image.ImageBase)),
            ViewChange::Done);
  OmitImageBase(image, shown.rva);
}

constexpr Shown kRaw{};
constexpr Shown kLoader{kPe32Magic, MappingView::Loader, false, std::nullopt};

enum class Typed { Address, Offset };

// The pointers at 300h, 404h and 410h (relocated) as the view in force places them; the one in
// the overlay at E10h has no address. No addresses: the address has no references.
struct DescriptionCase {
  const char* what;
  Shown shown;
  Typed typed;
  std::int64_t value;
  std::u16string line;
  std::vector<std::int64_t> addresses = {};
};

// A reference as the rows show it: offset, relocated, memory address and section.
using Row =
    std::tuple<std::uint64_t, bool, std::optional<std::int64_t>, std::optional<std::u16string>>;

class DescriptionTest : public testing::TestWithParam<DescriptionCase> {};

TEST_P(DescriptionTest, NamesSectionDirectoryExportAndReferences) {
  const DescriptionCase& c = GetParam();
  test::BuiltImage built(Described(c.shown.magic));
  Show(built.Image, c.shown);
  const AddressDescription description = c.typed == Typed::Address
                                             ? DescribeAddress(built.Image, c.value)
                                             : DescribeFileOffset(built.Image, c.value);
  EXPECT_EQ(DescriptionLine(description), c.line);
  if (c.typed == Typed::Offset) return;
  const AddressReferences found = FindAddressReferences(built.Image, built.Reader, c.value);
  std::vector<Row> expected;
  if (!c.addresses.empty()) {
    const bool loader = c.shown.view == MappingView::Loader;
    expected = {{0x300, false, c.addresses[0], u"檔案頭"},
                {0x404, false, c.addresses[1], loader ? u".text" : u"檔案頭"},
                {0x410, true, c.addresses[2], u".text"},
                {0xE10, false, std::nullopt, std::nullopt}};
  }
  std::vector<Row> rows;
  for (const AddressReference& r : found.References)
    rows.emplace_back(r.FileOffset, r.Relocated, r.Address, r.Section);
  EXPECT_EQ(rows, expected);
  EXPECT_FALSE(found.Cancelled || found.Truncated);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Tables, DescriptionTest, testing::Values(
    DescriptionCase{"first_directory_in_order", kRaw, Typed::Address, 0x402110, u".idata · 匯入位址表 · CreateFileW+10", {0x400300, 0x400404, 0x401000}},
    DescriptionCase{"zero_filled", kLoader, Typed::Address, 0x402800, u".idata · CreateFileW+700"},
    DescriptionCase{"rva", Shown{.rva = true}, Typed::Address, 0x2110, u".idata · 匯入位址表 · CreateFileW+10", {0x300, 0x404, 0x1000}},
    DescriptionCase{"load_address_searched_with_the_file_base", Shown{.view = MappingView::Loader, .loadAddress = 0x10000000}, Typed::Address, 0x10002110, u".idata · 匯入位址表 · CreateFileW+10", {0x10000300, 0x10001004, 0x10001010}},
    DescriptionCase{"file_base_when_rebased", Shown{.loadAddress = 0x10000000}, Typed::Address, 0x402110, u""},
    DescriptionCase{"pe32plus_loader", Shown{.magic = kPe32PlusMagic, .view = MappingView::Loader}, Typed::Address, 0x140002110, u".idata · 匯入位址表 · CreateFileW+10", {0x140000300, 0x140001004, 0x140001010}},
    DescriptionCase{"pe32plus_below_the_base", Shown{.magic = kPe32PlusMagic}, Typed::Address, 0x2110, u""},
    DescriptionCase{"pe32plus_rebased", Shown{.magic = kPe32PlusMagic, .loadAddress = 0x7FF000000000}, Typed::Address, 0x7FF000001000, u".text · Alpha"},
    DescriptionCase{"offset", kRaw, Typed::Offset, 0x910, u".idata · 匯入位址表 · CreateFileW+10"},
    DescriptionCase{"certificate_by_offset", kRaw, Typed::Offset, 0xE10, u"憑證表"},
    DescriptionCase{"overlay", kRaw, Typed::Offset, 0xF10, u""},
    DescriptionCase{"raw_header_before_unaligned_data", kRaw, Typed::Offset, 0x404, u"檔案頭"},
    DescriptionCase{"loader_section_from_rounded_pointer", kLoader, Typed::Offset, 0x404, u".text · Alpha+4"}),
    test::CaseName{});
// clang-format on

TEST(AddressFactsTest, StayWithTheTableOfTheLastAnalysisThatBuiltOne) {
  test::BuiltImage built(Described(kPe32Magic));
  const std::shared_ptr<const AddressFacts> first = built.Image.Facts;
  ASSERT_NE(first, nullptr);
  fake::FakePrompt prompt;
  const std::vector<std::uint8_t> notPe(0x200, 0);
  EXPECT_FALSE(AnalyzePeBytes(built.Image, notPe, u"bad", prompt));
  EXPECT_EQ(built.Image.Facts, first);
  const std::vector<std::uint8_t> other =
      PeBuilder().AddSection(".text", 0x1000, 0x200, 0x400).Build();
  ASSERT_TRUE(AnalyzePeBytes(built.Image, other, u"other", prompt));
  EXPECT_EQ(DescriptionLine(DescribeAddress(built.Image, 0x401000)), u".text");
}

}  // namespace
}  // namespace marlit
