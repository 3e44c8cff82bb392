#include "pe/export_names.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/pe/built_image.h"
#include "tests/pe/export_table.h"

namespace marlit {
namespace {

using test::Put16;
using test::Put32;

using test::ExportLayout;
using test::ExportTable;
using test::TableOffsets;
using test::OffsetsOf;
using test::kDirectoryRva;
constexpr std::uint32_t kDirectoryOffset = 0xA00;
constexpr std::uint32_t kForwarder = kDirectoryRva + 0x30;

// .text at 1000h, .data at 2000h, .edata at 3000h, the last bytes of the file.
test::PeBuilder ImageWithExports(std::uint16_t magic, const std::vector<std::uint8_t>& table,
                                 std::uint32_t directoryRva, std::uint32_t directorySize) {
  return test::PeBuilder()
      .Magic(magic)
      .AddSection(".text", 0x1000, 0x400, 0x400)
      .AddSection(".data", 0x2000, 0x200, 0x800)
      .AddSection(".edata", kDirectoryRva, 0x200, kDirectoryOffset)
      .DataDirectory(0, directoryRva, directorySize)
      .Bytes(kDirectoryOffset, table);
}

// The section of the view that holds rva.
RvaRange SectionOf(const PeImage& image, std::uint32_t rva) {
  for (const SectionRecord& r : Records(image)) {
    const RvaRange range{static_cast<std::uint32_t>(r.FileMin + r.RvaDelta),
                         static_cast<std::uint32_t>(r.FileMax + r.RvaDelta)};
    if (r.Included && range.Begin <= rva && rva < range.End) return range;
  }
  return {};
}

const ExportLayout kLayout = {
    5,
    {0x1000, 0x1100, 0x1200, kForwarder, 0, 0x1000, 0x2010},
    {{"Alpha", 0}, {"Zeta", 2}, {"Beta", 2}, {"AlphaAlias", 5}, {"Data", 6}, {"Forward", 3}},
};

struct NameCase {
  std::uint32_t rva;
  std::optional<std::u16string> name;
};

class ExportNameTest : public testing::TestWithParam<std::tuple<std::uint16_t, NameCase>> {};

TEST_P(ExportNameTest, NamesTheExportAtOrBeforeTheAddressInItsSection) {
  const auto& [magic, c] = GetParam();
  const std::vector<std::uint8_t> table = ExportTable(kLayout);
  test::BuiltImage built(
      ImageWithExports(magic, table, kDirectoryRva, static_cast<std::uint32_t>(table.size())));
  const ExportNames exports = ExportNames::Read(built.Reader, built.Directories(), built.Mapping);
  EXPECT_EQ(exports.NameAt(c.rva, SectionOf(built.Image, c.rva)), c.name) << std::hex << c.rva;
}

const NameCase kNameCases[] = {
    {0x1000, u"Alpha"},  // the lower ordinal of two at one RVA
    {0x101A, u"Alpha+1A"},  {0x10FF, u"Alpha+FF"},
    {0x1100, u"#6"},                                 // by ordinal only, the base included
    {0x1105, u"#6+5"},      {0x1234, u"Zeta+34"},    // the first of its names in the name table
    {0x13FF, u"Zeta+1FF"},  {0x2000, std::nullopt},  // the export before it is in another section
    {0x2010, u"Data"},      {0x3040, std::nullopt},  // a forwarder is no function
    {0x0FFF, std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(BothKinds, ExportNameTest,
                         testing::Combine(testing::Values(test::kPe32Magic, test::kPe32PlusMagic),
                                          testing::ValuesIn(kNameCases)));

struct CorruptCase {
  const char* what;
  std::function<void(std::vector<std::uint8_t>&)> damage;
  std::uint32_t directoryRva = kDirectoryRva;
};

class CorruptExportTest : public testing::TestWithParam<CorruptCase> {};

TEST_P(CorruptExportTest, GivesNoNameAtAll) {
  std::vector<std::uint8_t> table = ExportTable(kLayout);
  GetParam().damage(table);
  test::BuiltImage built(ImageWithExports(test::kPe32Magic, table, GetParam().directoryRva,
                                          static_cast<std::uint32_t>(table.size())));
  const ExportNames exports = ExportNames::Read(built.Reader, built.Directories(), built.Mapping);
  EXPECT_EQ(exports.Count(), 0u) << GetParam().what;
  EXPECT_EQ(exports.NameAt(0x1000, {0x1000, 0x1400}), std::nullopt) << GetParam().what;
}

const TableOffsets kOffsets = OffsetsOf(kLayout);

INSTANTIATE_TEST_SUITE_P(
    Tables, CorruptExportTest,
    testing::Values(
        CorruptCase{"function count past the file",
                    [](auto& table) { Put32(table, 20, 0x40000000); }},
        CorruptCase{"name count past the file", [](auto& table) { Put32(table, 24, 0x40000000); }},
        CorruptCase{"function table unmapped", [](auto& table) { Put32(table, 28, 0x90000); }},
        CorruptCase{"name table unmapped", [](auto& table) { Put32(table, 32, 0x90000); }},
        CorruptCase{"ordinal past the function table",
                    [](auto& table) { Put16(table, kOffsets.ordinals + 2, 7); }},
        CorruptCase{"name without a NUL before the end of the file",
                    [](auto& table) { Put32(table, kOffsets.names, kDirectoryRva + 0x1F0); }},
        CorruptCase{"empty name", [](auto& table) { Put32(table, kOffsets.names, kDirectoryRva); }},
        CorruptCase{"name at an unmapped RVA",
                    [](auto& table) { Put32(table, kOffsets.names + 4, 0xFFFFFFFF); }},
        CorruptCase{"directory unmapped", [](auto&) {}, 0x9000},
        CorruptCase{"directory cut by the end of its section", [](auto&) {},
                    kDirectoryRva + 0x1F0}));

}  // namespace
}  // namespace marlit
