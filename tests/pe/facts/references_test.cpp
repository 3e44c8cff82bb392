#include "pe/facts/references.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/common/described_image.h"
#include "tests/pe/case_name.h"
#include "tests/pe/largest_allocation.h"
#include "tests/pe/load_image.h"

namespace marlit {

void PrintTo(const Reference& r, std::ostream* os) {
  *os << std::hex << r.FileOffset << (r.Relocated ? " relocated" : " -");
}

namespace {

using test::Put32;

struct Block {
  std::uint32_t page;
  std::vector<std::uint16_t> entries;  // type << 12 | offset
  std::uint32_t size = 0;              // 0: its header and entries
};

std::vector<std::uint8_t> RelocationTable(const std::vector<Block>& blocks) {
  std::vector<std::uint8_t> b;
  for (const Block& block : blocks) {
    const std::size_t at = b.size();
    Put32(b, at, block.page);
    Put32(b, at + 4, block.size ? block.size : std::uint32_t(8 + 2 * block.entries.size()));
    for (std::size_t i = 0; i < block.entries.size(); ++i)
      test::Put16(b, at + 8 + 2 * i, block.entries[i]);
  }
  return b;
}

// .text [400h, 600h) at 1000h, .data [600h, 800h) at 2000h, .reloc [800h, A00h) at 3000h, and an
// overlay of 100h bytes after it.
test::PeBuilder ImageWithRelocations(const std::vector<Block>& blocks) {
  const std::vector<std::uint8_t> table = RelocationTable(blocks);
  return test::PeBuilder()
      .ImageBase(test::FileBase(test::kPe32Magic))
      .AddSection(".text", 0x1000, 0x200, 0x400)
      .AddSection(".data", 0x2000, 0x200, 0x600)
      .AddSection(".reloc", 0x3000, 0x200, 0x800)
      .FileLength(0xB00)
      .DataDirectory(5, 0x3000, static_cast<std::uint32_t>(table.size()))
      .Bytes(0x800, table);
}

BaseRelocations RelocationsOf(test::BuiltImage& built) {
  return BaseRelocations::Read(built.Reader, built.Directories(), built.Image.Kind, built.Mapping);
}

struct RelocationCase {
  const char* what;
  std::vector<Block> blocks;
  std::vector<std::uint32_t> rvas;
};

class RelocationTest : public testing::TestWithParam<RelocationCase> {};

TEST_P(RelocationTest, KeepsTheEntriesOfTheImagesPointerType) {
  const RelocationCase& c = GetParam();
  test::BuiltImage built(ImageWithRelocations(c.blocks));
  const BaseRelocations relocations = RelocationsOf(built);
  EXPECT_EQ(std::vector<std::uint32_t>(relocations.Rvas().begin(), relocations.Rvas().end()),
            c.rvas)
      << c.what;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Tables, RelocationTest, testing::Values(
    RelocationCase{"HIGHLOW in PE32, sorted, once",
                   {{0x2000, {0x3010, 0x3004, 0xA008, 0x0000}}, {0x1000, {0x3FFF, 0x3004}}},
                   {0x1004, 0x1FFF, 0x2004, 0x2010}},
    RelocationCase{"a block larger than the table ends it",
                   {{0x1000, {0x3004}}, {0x2000, {0x3008}}, {0, {}}}, {0x1004, 0x2008}},
    RelocationCase{"a block smaller than its header ends it",
                   {{0x1000, {0x3004}}, {0x2000, {0x3008}, 4}}, {0x1004}},
    RelocationCase{"page past the RVAs", {{0xFFFFF000, {0x3FFF}}}, {0xFFFFFFFF}}));
// clang-format on

// A directory whose range the view does not map gives nothing, and nothing is allocated for its
// size, which is within the file's length.
struct UnmappedCase {
  const char* what;
  std::uint32_t rva;
};

class UnmappedRelocationTest : public testing::TestWithParam<UnmappedCase> {};

TEST_P(UnmappedRelocationTest, AllocatesNothingForItsSize) {
  constexpr std::uint32_t kSize = 0xA00;
  test::BuiltImage built(
      ImageWithRelocations({{0x1000, {0x3004}}}).DataDirectory(5, GetParam().rva, kSize));
  const test::LargestAllocation allocation;
  EXPECT_TRUE(RelocationsOf(built).Rvas().empty());
  EXPECT_LT(allocation.Bytes(), kSize);
}

INSTANTIATE_TEST_SUITE_P(Tables, UnmappedRelocationTest,
                         testing::Values(UnmappedCase{"past every section", 0x9000},
                                         UnmappedCase{"running on past .reloc", 0x3000}),
                         test::CaseName());

struct ReferenceCase {
  const char* what;
  std::int64_t address;                 // a PE32 image stores its low 32 bits
  std::vector<std::uint32_t> pointers;  // file offsets where the builder stores it
  std::vector<Reference> expected;
};

class ReferenceTest : public testing::TestWithParam<ReferenceCase> {};

// The relocation table covers .text+10h and .data+8h with HIGHLOW, and .text+20h with DIR64, the
// other image kind's pointer type.
TEST_P(ReferenceTest, FindsEveryOffsetHoldingTheAddress) {
  const ReferenceCase& c = GetParam();
  test::PeBuilder builder = ImageWithRelocations({{0x1000, {0x3010, 0xA020}}, {0x2000, {0x3008}}});
  for (std::uint32_t offset : c.pointers) {
    std::vector<std::uint8_t> bytes;
    Put32(bytes, 0, static_cast<std::uint32_t>(c.address));
    builder.Bytes(offset, bytes);
  }
  test::BuiltImage built(builder);
  const ReferenceSearch search = FindReferences(
      built.Reader, PointerBytes(built.Image.Kind, c.address), built.Mapping, RelocationsOf(built));
  EXPECT_EQ(search.References, c.expected) << c.what;
  EXPECT_FALSE(search.Cancelled || search.Truncated);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Tables, ReferenceTest, testing::Values(
    ReferenceCase{"relocated and not, header and overlay", 0x402100,
                  {0x300, 0x410, 0x420, 0x430, 0x608, 0xAFC},
                  {{0x300, false}, {0x410, true}, {0x420, false}, {0x430, false}, {0x608, true},
                   {0xAFC, false}}},
    ReferenceCase{"overlapping copies of 41414141h", 0x41414141, {0x410, 0x411},
                  {{0x410, true}, {0x411, false}}},
    // 80000000h is also the header's 80h at 3Ch, after three zero bytes.
    ReferenceCase{"a negative address", -2147483647 - 1, {0x300}, {{0x39, false}, {0x300, false}}}));
// clang-format on

// A file without sections, of size bytes of fill, with copies of the pointer at the offsets given.
std::vector<std::uint8_t> BareFile(std::size_t size, std::uint8_t fill,
                                   const StoredPointer& pointer,
                                   const std::vector<std::uint64_t>& at) {
  std::vector<std::uint8_t> bytes(size, fill);
  for (std::uint64_t offset : at)
    std::copy(pointer.View().begin(), pointer.View().end(), bytes.begin() + long(offset));
  return bytes;
}

ReferenceSearch Search(const std::vector<std::uint8_t>& bytes, const StoredPointer& pointer,
                       const SearchProgress& goOn = {}, std::size_t limit = kMaxReferences) {
  BoundedReader reader(bytes);
  const PeImage none;
  return FindReferences(reader, pointer, test::SectionMapping(none), {}, goOn, limit);
}

// Copies that end at the first block boundary, cross the second one and end the file.
TEST(ReferenceTest, FindsPointersAcrossBlockBoundariesOnce) {
  constexpr std::size_t kEnd = 2 * kReferenceBlockSize + 64;
  for (const std::size_t width : {std::size_t{4}, std::size_t{8}}) {
    const StoredPointer pointer =
        PointerBytes(width == 8 ? ImageKind::Pe32Plus : ImageKind::Pe32, 0x0102030405060708);
    const std::vector<std::uint64_t> offsets = {kReferenceBlockSize - width,
                                                kReferenceBlockSize + 9,
                                                2 * kReferenceBlockSize - width + 1, kEnd - width};
    std::vector<std::uint64_t> found;
    for (const Reference& r : Search(BareFile(kEnd, 0x5A, pointer, offsets), pointer).References)
      found.push_back(r.FileOffset);
    EXPECT_EQ(found, offsets) << width;
  }
}

TEST(ReferenceTest, StopsWhenCancelledOrAtTheLimit) {
  const StoredPointer pointer = PointerBytes(ImageKind::Pe32, 0x11111111);
  const std::vector<std::uint8_t> bytes =
      BareFile(kReferenceBlockSize + 0x100, 0, pointer, {0x10, kReferenceBlockSize + 0x10});
  std::vector<std::uint64_t> progress;
  const ReferenceSearch cancelled =
      Search(bytes, pointer, [&](std::uint64_t at, std::uint64_t total) {
        EXPECT_EQ(total, bytes.size());
        progress.push_back(at);
        return progress.size() == 1;
      });
  EXPECT_TRUE(cancelled.Cancelled);
  EXPECT_EQ(progress, std::vector<std::uint64_t>({0, kReferenceBlockSize}));
  EXPECT_EQ(cancelled.References, std::vector<Reference>({{0x10, false}}));

  const ReferenceSearch limited = Search(BareFile(0x100, 0x11, pointer, {}), pointer, {}, 5);
  EXPECT_TRUE(limited.Truncated);
  ASSERT_EQ(limited.References.size(), 5u);
  EXPECT_EQ(limited.References.back().FileOffset, 4u);
}

}  // namespace
}  // namespace marlit
