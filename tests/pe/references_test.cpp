#include "pe/references.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/pe/built_image.h"

namespace marlit {

void PrintTo(const Reference& r, std::ostream* os) {
  *os << std::hex << r.FileOffset << (r.Relocated ? " relocated" : " -");
}

namespace {

using test::Put16;
using test::Put32;
using test::Put64;

constexpr std::uint32_t kRelocRva = 0x3000;
constexpr std::uint32_t kRelocOffset = 0x800;

struct Block {
  std::uint32_t page;
  std::vector<std::uint16_t> entries;  // type << 12 | offset
};

std::vector<std::uint8_t> RelocationTable(const std::vector<Block>& blocks) {
  std::vector<std::uint8_t> b;
  for (const Block& block : blocks) {
    const std::size_t at = b.size();
    Put32(b, at, block.page);
    Put32(b, at + 4, static_cast<std::uint32_t>(8 + 2 * block.entries.size()));
    for (std::size_t i = 0; i < block.entries.size(); ++i)
      Put16(b, at + 8 + 2 * i, block.entries[i]);
  }
  return b;
}

// .text [400h, 600h) at 1000h, .data [600h, 800h) at 2000h, .reloc [800h, A00h) at 3000h, and an
// overlay of 100h bytes after it.
test::PeBuilder ImageWithRelocations(std::uint16_t magic, const std::vector<std::uint8_t>& table) {
  return test::PeBuilder()
      .Magic(magic)
      .ImageBase(magic == test::kPe32PlusMagic ? 0x140000000 : 0x400000)
      .AddSection(".text", 0x1000, 0x200, 0x400)
      .AddSection(".data", 0x2000, 0x200, 0x600)
      .AddSection(".reloc", kRelocRva, 0x200, kRelocOffset)
      .FileLength(0xB00)
      .DataDirectory(5, kRelocRva, static_cast<std::uint32_t>(table.size()))
      .Bytes(kRelocOffset, table);
}

struct RelocationCase {
  const char* what;
  std::uint16_t magic;
  std::vector<Block> blocks;
  std::vector<std::uint32_t> rvas;
};

class RelocationTest : public testing::TestWithParam<RelocationCase> {};

TEST_P(RelocationTest, KeepsTheEntriesOfTheImagesPointerType) {
  const RelocationCase& c = GetParam();
  test::BuiltImage built(ImageWithRelocations(c.magic, RelocationTable(c.blocks)));
  const BaseRelocations relocations =
      BaseRelocations::Read(built.Reader, built.Directories(), built.Image.Kind, built.Mapping);
  EXPECT_EQ(std::vector<std::uint32_t>(relocations.Rvas().begin(), relocations.Rvas().end()),
            c.rvas)
      << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Tables, RelocationTest,
    testing::Values(
        RelocationCase{"HIGHLOW in PE32, sorted, once",
                       test::kPe32Magic,
                       {{0x2000, {0x3010, 0x3004, 0xA008, 0x0000}}, {0x1000, {0x3FFF, 0x3004}}},
                       {0x1004, 0x1FFF, 0x2004, 0x2010}},
        RelocationCase{"DIR64 in PE32+",
                       test::kPe32PlusMagic,
                       {{0x2000, {0xA010, 0x3004, 0xA008}}},
                       {0x2008, 0x2010}},
        RelocationCase{"a block larger than the table ends it",
                       test::kPe32Magic,
                       {{0x1000, {0x3004}}, {0x2000, {0x3008}}, {0, {}}},
                       {0x1004, 0x2008}},
        RelocationCase{
            "page past the RVAs", test::kPe32Magic, {{0xFFFFF000, {0x3FFF}}}, {0xFFFFFFFF}}));

TEST(RelocationTest, ABlockSmallerThanItsHeaderEndsTheTable) {
  std::vector<std::uint8_t> table = RelocationTable({{0x1000, {0x3004}}, {0x2000, {0x3008}}});
  Put32(table, 12, 4);
  test::BuiltImage built(ImageWithRelocations(test::kPe32Magic, table));
  const BaseRelocations relocations =
      BaseRelocations::Read(built.Reader, built.Directories(), built.Image.Kind, built.Mapping);
  EXPECT_TRUE(relocations.Covers(0x1004));
  EXPECT_FALSE(relocations.Covers(0x2008));
}

struct ReferenceCase {
  const char* what;
  std::uint16_t magic;
  std::uint32_t rva;                    // of the address searched, taken with the file's base
  std::vector<std::uint32_t> pointers;  // file offsets where the builder stores it
  std::vector<Reference> expected;
};

class ReferenceTest : public testing::TestWithParam<ReferenceCase> {};

// The relocation table covers .text+10h and .data+8h with the image's own pointer type, and
// .text+20h with the other one.
TEST_P(ReferenceTest, FindsEveryOffsetHoldingTheAddress) {
  const ReferenceCase& c = GetParam();
  const bool wide = c.magic == test::kPe32PlusMagic;
  const std::uint16_t own = wide ? 0xA000 : 0x3000;
  const std::uint16_t other = wide ? 0x3000 : 0xA000;
  test::PeBuilder builder = ImageWithRelocations(
      c.magic, RelocationTable({{0x1000, {std::uint16_t(own | 0x10), std::uint16_t(other | 0x20)}},
                                {0x2000, {std::uint16_t(own | 0x8)}}}));
  const std::uint64_t address = (wide ? 0x140000000 : 0x400000) + std::uint64_t{c.rva};
  for (std::uint32_t offset : c.pointers) {
    std::vector<std::uint8_t> bytes;
    wide ? Put64(bytes, 0, address) : Put32(bytes, 0, static_cast<std::uint32_t>(address));
    builder.Bytes(offset, bytes);
  }
  test::BuiltImage built(builder);
  const DataDirectories directories = built.Directories();
  const BaseRelocations relocations =
      BaseRelocations::Read(built.Reader, directories, built.Image.Kind, built.Mapping);
  const ReferenceSearch search = FindReferences(
      built.Reader, PointerBytes(built.Image.Kind, static_cast<std::int64_t>(address)),
      built.Mapping, relocations);
  EXPECT_EQ(search.References, c.expected) << c.what;
  EXPECT_FALSE(search.Cancelled || search.Truncated);
}

INSTANTIATE_TEST_SUITE_P(
    BothKinds, ReferenceTest,
    testing::Values(ReferenceCase{"none", test::kPe32Magic, 0x2100, {}, {}},
                    ReferenceCase{"PE32: relocated and not, header and overlay",
                                  test::kPe32Magic,
                                  0x2100,
                                  {0x300, 0x410, 0x420, 0x430, 0x608, 0xAFC},
                                  {{0x300, false},
                                   {0x410, true},
                                   {0x420, false},
                                   {0x430, false},
                                   {0x608, true},
                                   {0xAFC, false}}},
                    ReferenceCase{"PE32+: eight bytes, DIR64 only",
                                  test::kPe32PlusMagic,
                                  0x1000,
                                  {0x410, 0x420, 0x608, 0xAF8},
                                  {{0x410, true}, {0x420, false}, {0x608, true}, {0xAF8, false}}},
                    ReferenceCase{"overlapping copies of 41414141h",
                                  test::kPe32Magic,
                                  0x41014141,
                                  {0x410, 0x411},
                                  {{0x410, true}, {0x411, false}}}));

// A file of several blocks with copies of the pointer that end at the first boundary, cross the
// second one and end the file.
TEST(ReferenceTest, FindsPointersAcrossBlockBoundariesOnce) {
  constexpr std::size_t kEnd = 2 * kReferenceBlockSize + 64;
  for (const std::size_t width : {std::size_t{4}, std::size_t{8}}) {
    const ImageKind kind = width == 8 ? ImageKind::Pe32Plus : ImageKind::Pe32;
    std::vector<std::uint8_t> bytes(kEnd, 0x5A);
    const StoredPointer pointer = PointerBytes(kind, 0x0102030405060708);
    const std::vector<std::uint64_t> offsets = {kReferenceBlockSize - width,
                                                kReferenceBlockSize + 9,
                                                2 * kReferenceBlockSize - width + 1, kEnd - width};
    for (std::uint64_t at : offsets) {
      std::copy(pointer.View().begin(), pointer.View().end(),
                bytes.begin() + static_cast<long>(at));
    }
    BoundedReader reader(bytes);
    PeImage none;
    const ReferenceSearch search =
        FindReferences(reader, pointer, test::SectionMapping(none), BaseRelocations());
    std::vector<std::uint64_t> found;
    for (const Reference& r : search.References) found.push_back(r.FileOffset);
    EXPECT_EQ(found, offsets) << width;
  }
}

TEST(ReferenceTest, StopsWhenCancelled) {
  std::vector<std::uint8_t> bytes(kReferenceBlockSize + 0x100, 0);
  const StoredPointer pointer = PointerBytes(ImageKind::Pe32, 0x11111111);
  for (std::size_t at : {std::size_t{0x10}, kReferenceBlockSize + 0x10}) {
    std::copy(pointer.View().begin(), pointer.View().end(), bytes.begin() + static_cast<long>(at));
  }
  BoundedReader reader(bytes);
  PeImage none;
  std::vector<std::uint64_t> progress;
  const ReferenceSearch search =
      FindReferences(reader, pointer, test::SectionMapping(none), BaseRelocations(),
                     [&](std::uint64_t searched, std::uint64_t total) {
                       EXPECT_EQ(total, bytes.size());
                       progress.push_back(searched);
                       return progress.size() == 1;
                     });
  EXPECT_TRUE(search.Cancelled);
  EXPECT_EQ(progress, std::vector<std::uint64_t>({0, kReferenceBlockSize}));
  EXPECT_EQ(search.References, std::vector<Reference>({{0x10, false}}));
}

TEST(ReferenceTest, StopsAtTheLimit) {
  std::vector<std::uint8_t> bytes(0x100, 0x11);
  BoundedReader reader(bytes);
  PeImage none;
  const ReferenceSearch search =
      FindReferences(reader, PointerBytes(ImageKind::Pe32, 0x11111111), test::SectionMapping(none),
                     BaseRelocations(), {}, 5);
  EXPECT_TRUE(search.Truncated);
  EXPECT_EQ(search.References.size(), 5u);
  EXPECT_EQ(search.References.back().FileOffset, 4u);
}

std::vector<std::uint8_t> StoredBytes(ImageKind kind, std::int64_t address) {
  const StoredPointer pointer = PointerBytes(kind, address);
  return {pointer.View().begin(), pointer.View().end()};
}

TEST(ReferenceTest, PointerBytesAreTheAddressInMemoryOrder) {
  EXPECT_EQ(StoredBytes(ImageKind::Pe32, -2147483647 - 1),
            std::vector<std::uint8_t>({0, 0, 0, 0x80}));
  EXPECT_EQ(StoredBytes(ImageKind::Pe32Plus, 0x140001010),
            std::vector<std::uint8_t>({0x10, 0x10, 0, 0x40, 1, 0, 0, 0}));
}

}  // namespace
}  // namespace marlit
