#include "pe/facts/data_directories.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tests/pe/load_image.h"

namespace marlit {
namespace {

using Kind = std::optional<DirectoryKind>;

struct DirectoryCase {
  const char* what;
  std::vector<std::pair<std::size_t, DataDirectory>> entries;
  std::uint32_t count;
  std::uint32_t value;
  Kind ofRva;
  Kind ofFileOffset;
};

class DirectoryTest : public testing::TestWithParam<std::tuple<std::uint16_t, DirectoryCase>> {};

TEST_P(DirectoryTest, NamesTheFirstDirectoryHoldingTheValue) {
  const auto& [magic, c] = GetParam();
  test::PeBuilder builder = test::EvenSections(2).Magic(magic).NumberOfRvaAndSizes(c.count);
  for (const auto& [index, entry] : c.entries)
    builder.DataDirectory(index, entry.VirtualAddress, entry.Size);
  test::BuiltImage built(builder);
  const DataDirectories directories = built.Directories();
  EXPECT_EQ(directories.NumberOfRvaAndSizes, c.count);
  EXPECT_EQ(DirectoryOfRva(directories, c.value), c.ofRva) << c.what;
  EXPECT_EQ(DirectoryOfFileOffset(directories, c.value), c.ofFileOffset) << c.what;
}

using enum DirectoryKind;

// clang-format off
const DirectoryCase kDirectoryCases[] = {
    {"last byte", {{1, {0x2000, 0x28}}}, 16, 0x2027, Import, {}},
    {"end excluded", {{1, {0x2000, 0x28}}}, 16, 0x2028, {}, {}},
    {"size 0 is empty", {{2, {0x2000, 0}}}, 16, 0x2000, {}, {}},
    {"address 0 is empty", {{2, {0, 0x100}}}, 16, 0, {}, {}},
    {"import before its IAT", {{12, {0x2000, 0x10}}, {1, {0x2000, 0x100}}}, 16, 0x2008, Import, {}},
    {"IAT alone", {{12, {0x2000, 0x10}}, {1, {0x2010, 0x100}}}, 16, 0x2008, ImportAddressTable, {}},
    {"certificate holds a file offset, not an RVA", {{4, {0x600, 0x80}}}, 16, 0x67F, {}, Certificate},
    {"certificate end excluded", {{4, {0x600, 0x80}}}, 16, 0x680, {}, {}},
    {"RVA beside the certificate's offset", {{4, {0x600, 0x80}}, {0, {0x600, 0x80}}}, 16, 0x600, Export, Certificate},
    {"entries past the count are not read", {{14, {0x2000, 0x10}}}, 14, 0x2000, {}, {}},
    {"the last directory within the count", {{14, {0x2000, 0x10}}}, 15, 0x2000, ClrRuntimeHeader, {}},
    {"reserved entry names nothing", {{15, {0x2000, 0x10}}}, 16, 0x2000, {}, {}},
    {"a count past 16 reads 16", {{13, {0x2000, 0x10}}}, 0xFFFFFFFF, 0x2000, DelayImport, {}},
    {"range up to the top of the RVAs", {{6, {0xFFFFFFF0, 0x20}}}, 16, 0xFFFFFFFF, Debug, {}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(BothKinds, DirectoryTest,
                         testing::Combine(testing::Values(test::kPe32Magic, test::kPe32PlusMagic),
                                          testing::ValuesIn(kDirectoryCases)));

TEST(DirectoryTest, DirectoriesPastTheEndOfTheFileAreEmpty) {
  const std::vector<std::uint8_t> bytes = test::EvenSections(1).Build();
  BoundedReader reader(std::span<const std::uint8_t>(bytes).first(0x80 + 116));
  const DataDirectories directories = ReadDataDirectories(reader, 0x80, ImageKind::Pe32);
  EXPECT_EQ(directories.NumberOfRvaAndSizes, 0u);
  EXPECT_EQ(directories.EntryCount, 0u);
}

}  // namespace
}  // namespace marlit
