#include "pe/facts/export_names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/common/described_image.h"
#include "tests/pe/case_name.h"
#include "tests/pe/largest_allocation.h"
#include "tests/pe/load_image.h"

namespace marlit {
namespace {

using test::Put16;
using test::Put32;

constexpr std::uint32_t kDirectoryRva = 0x3000;
constexpr std::uint32_t kDirectoryOffset = 0xA00;
constexpr std::uint32_t kForwarder = kDirectoryRva + 0x30;

// Exports of base 5, the fourth a forwarder and the fifth unused; the names in the name table's
// order, each with the index of its function.
std::vector<std::uint8_t> ExportTable() {
  return test::ExportDirectory(
      kDirectoryRva, 5, {0x1000, 0x1100, 0x1200, kForwarder, 0, 0x1000, 0x2010},
      {{"Alpha", 0}, {"Zeta", 2}, {"Beta", 2}, {"AlphaAlias", 5}, {"Data", 6}, {"Forward", 3}});
}
// Where the name and ordinal tables are within the directory's bytes.
constexpr std::uint32_t kNamesAt = 40 + 4 * 7, kOrdinalsAt = kNamesAt + 4 * 6;

// The section of the view that holds rva.
RvaRange SectionOf(const PeImage& image, std::uint32_t rva) {
  for (const SectionRecord& r : Records(image)) {
    const RvaRange range{static_cast<std::uint32_t>(r.FileMin + r.RvaDelta),
                         static_cast<std::uint32_t>(r.FileMax + r.RvaDelta)};
    if (r.Included && range.Begin <= rva && rva < range.End) return range;
  }
  return {};
}

// .text at 1000h, .data at 2000h, .edata at 3000h, the last bytes of the file: 200h bytes, or
// as many as a larger table needs.
test::PeBuilder ImageWith(const std::vector<std::uint8_t>& table,
                          std::uint32_t directoryRva = kDirectoryRva) {
  const auto edata = std::max<std::uint32_t>(0x200, (table.size() + 0x1FF) & ~0x1FFu);
  return test::PeBuilder()
      .AddSection(".text", 0x1000, 0x400, 0x400)
      .AddSection(".data", 0x2000, 0x200, 0x800)
      .AddSection(".edata", kDirectoryRva, edata, kDirectoryOffset)
      .DataDirectory(0, directoryRva, static_cast<std::uint32_t>(table.size()))
      .Bytes(kDirectoryOffset, table);
}

struct NameCase {
  std::uint32_t rva;
  std::optional<std::u16string> name;
};

class ExportNameTest : public testing::TestWithParam<NameCase> {};

// Reading the exports does not depend on the image's kind, once its directories are read.
TEST_P(ExportNameTest, NamesTheExportAtOrBeforeTheAddressInItsSection) {
  const NameCase& c = GetParam();
  test::BuiltImage built(ImageWith(ExportTable()));
  const ExportNames exports = ExportNames::Read(built.Reader, built.Directories(), built.Mapping);
  EXPECT_EQ(exports.NameAt(c.rva, SectionOf(built.Image, c.rva)), c.name) << std::hex << c.rva;
}

const NameCase kNameCases[] = {
    {0x1000, u"Alpha"},      // the lower ordinal of two at one RVA
    {0x101A, u"Alpha+1A"},   //
    {0x1105, u"#6+5"},       // by ordinal only, the base included
    {0x1234, u"Zeta+34"},    // the first of its names in the name table
    {0x13FF, u"Zeta+1FF"},   // the last byte of the section
    {0x2000, std::nullopt},  // the export before it is in another section
    {0x3040, std::nullopt},  // a forwarder is no function
    {0x0FFF, std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Rows, ExportNameTest, testing::ValuesIn(kNameCases));

// functions functions, the first named of them at 1000h + 2 × index, named f0, f1, ..., the
// others empty slots.
struct CountCase {
  const char* what;
  std::uint32_t functions;
  std::uint32_t named;
  std::size_t exports;
};

class ExportCountTest : public testing::TestWithParam<CountCase> {};

TEST_P(ExportCountTest, KeepsEveryNameUpToWhatOrdinalsNumber) {
  const CountCase& c = GetParam();
  std::vector<std::uint32_t> functions(c.functions, 0);
  std::vector<std::pair<std::string, std::uint16_t>> names;
  for (std::uint16_t i = 0; i < c.named; ++i) {
    functions[i] = 0x1000 + 2u * i;
    names.emplace_back("f" + std::to_string(i), i);
  }
  test::BuiltImage built(ImageWith(test::ExportDirectory(kDirectoryRva, 1, functions, names)));
  const test::LargestAllocation allocation;
  const ExportNames exports = ExportNames::Read(built.Reader, built.Directories(), built.Mapping);
  EXPECT_EQ(exports.Count(), c.exports);
  const std::string last = "f" + std::to_string(c.named - 1);
  EXPECT_EQ(exports.NameAt(0x1000 + 2 * (c.named - 1), {0x1000, 0x1400}),
            c.exports == 0 ? std::nullopt : std::optional(std::u16string(last.begin(), last.end())));
  // At most what 65,536 functions need: a name's RVA, or none, for each.
  EXPECT_LE(allocation.Bytes(), 65536 * sizeof(std::optional<std::uint32_t>));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Tables, ExportCountTest, testing::Values(
    CountCase{"many short names in a small file", 300, 300, 300},
    CountCase{"as many functions as 16-bit ordinals number", 65536, 1, 1},
    CountCase{"one function more", 65537, 1, 0}), test::CaseName());
// clang-format on

struct CorruptCase {
  const char* what;
  std::function<void(std::vector<std::uint8_t>&)> damage;
  std::uint32_t directoryRva = kDirectoryRva;
};

class CorruptExportTest : public testing::TestWithParam<CorruptCase> {};

TEST_P(CorruptExportTest, GivesNoNameAtAll) {
  std::vector<std::uint8_t> table = ExportTable();
  GetParam().damage(table);
  test::BuiltImage built(ImageWith(table, GetParam().directoryRva));
  const ExportNames exports = ExportNames::Read(built.Reader, built.Directories(), built.Mapping);
  EXPECT_EQ(exports.Count(), 0u) << GetParam().what;
  EXPECT_EQ(exports.NameAt(0x1000, {0x1000, 0x1400}), std::nullopt) << GetParam().what;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Tables, CorruptExportTest, testing::Values(
    CorruptCase{"function count past the file", [](auto& d) { Put32(d, 20, 0x40000000); }},
    CorruptCase{"name count past the file", [](auto& d) { Put32(d, 24, 0x40000000); }},
    CorruptCase{"function table unmapped", [](auto& d) { Put32(d, 28, 0x90000); }},
    CorruptCase{"name table unmapped", [](auto& d) { Put32(d, 32, 0x90000); }},
    CorruptCase{"ordinal past the function table", [](auto& d) { Put16(d, kOrdinalsAt + 2, 7); }},
    CorruptCase{"name without a NUL before the end of the file",
                [](auto& d) { Put32(d, kNamesAt, kDirectoryRva + 0x1F0); }},
    CorruptCase{"name at an unmapped RVA", [](auto& d) { Put32(d, kNamesAt + 4, 0xFFFFFFFF); }},
    CorruptCase{"directory unmapped", [](auto&) {}, 0x9000},
    CorruptCase{"directory cut by the end of its section", [](auto&) {}, kDirectoryRva + 0x1F0}));
// clang-format on

}  // namespace
}  // namespace marlit
