#include "pe/facts/loader_mapping.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>

#include "tests/pe/case_name.h"
#include "tests/pe/load_image.h"

namespace marlit {
namespace {

using test::PeBuilder;
using test::TestSection;

// .text: memory [1000h, 3000h), raw data from 410h rounded down to 400h, 400h bytes: the rest of
// its memory zero-filled. The headers: memory [0, 1000h), file [0, 400h).
PeBuilder Standard() {
  return PeBuilder()
      .AddSection(TestSection{".text", 0x1800, 0x1000, 0x3F0, 0x410})
      .FileLength(0xA00);
}

// SizeOfHeaders 600h reaches into .text's data at 400h.
PeBuilder HeadersOverSection() { return Standard().SizeOfHeaders(0x600); }

// .data [2000h, 3000h) is tested before .code [1000h, 3000h), whose data [1000h, 2200h) runs on
// under it.
PeBuilder Overlapping() {
  return PeBuilder()
      .AddSection(TestSection{".data", 0x1000, 0x2000, 0x200, 0x400})
      .AddSection(TestSection{".code", 0x1200, 0x1000, 0x1200, 0x600})
      .FileLength(0x1800);
}

// SectionAlignment 200h: the first 800h bytes of the file at the same RVAs.
PeBuilder Flat() {
  return PeBuilder()
      .SectionAlignment(0x200)
      .SizeOfImage(0x800)
      .AddSection(TestSection{".text", 0x400, 0x400, 0x200, 0x400})
      .FileLength(0x1000);
}

using FileBytes = std::optional<std::pair<std::uint32_t, std::uint32_t>>;  // file offset, size

// The file bytes the loader maps at an RVA, and, where offset is not -1, the RVA it maps the byte
// at that file offset to.
struct MapCase {
  const char* what;
  PeBuilder (*image)();
  std::uint32_t rva;
  FileBytes run;
  std::int64_t offset = -1;
  std::optional<std::uint32_t> rvaOfOffset = std::nullopt;
};

class LoaderMappingTest : public testing::TestWithParam<MapCase> {};

TEST_P(LoaderMappingTest, MapsWhatTheLoaderMapsFromTheFile) {
  const MapCase& c = GetParam();
  const LoaderMapping mapping(test::ImageInView(c.image(), MappingView::Raw).Raw);
  const std::optional<FileRun> run = mapping.FileRunAt(c.rva);
  EXPECT_EQ(run ? FileBytes({run->FileOffset, run->Size}) : std::nullopt, c.run);
  if (c.offset >= 0) {
    EXPECT_EQ(mapping.RvaOfFileOffset(static_cast<std::uint32_t>(c.offset)), c.rvaOfOffset);
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rules, LoaderMappingTest, testing::Values(
    MapCase{"header", Standard, 0x10, std::pair{0x10u, 0x3F0u}, 0x3FF, 0x3FFu},
    MapCase{"header_slack_is_zero_filled_below_the_pointer_in_the_sector", Standard, 0x500, std::nullopt, 0x404, 0x1004u},
    MapCase{"data_from_rounded_pointer_and_overlay", Standard, 0x1000, std::pair{0x400u, 0x400u}, 0x800, std::nullopt},
    MapCase{"last_byte_of_data", Standard, 0x13FF, std::pair{0x7FFu, 1u}},
    MapCase{"zero_filled_tail", Standard, 0x1400, std::nullopt},
    MapCase{"past_the_image", Standard, 0x3000, std::nullopt},
    MapCase{"headers_first_from_memory_section_first_from_file", HeadersOverSection, 0x500, std::pair{0x500u, 0x100u}, 0x500, 0x1100u},
    MapCase{"run_ends_where_an_earlier_record_holds", Overlapping, 0x1F00, std::pair{0x1500u, 0x100u}, 0x1500, 0x1F00u},
    MapCase{"earlier_record_wins", Overlapping, 0x2000, std::pair{0x400u, 0x200u}},
    MapCase{"flat", Flat, 0x700, std::pair{0x700u, 0x100u}, 0x7FF, 0x7FFu},
    MapCase{"flat_past_size_of_image", Flat, 0x800, std::nullopt, 0x800, std::nullopt}),
    test::CaseName{});
// clang-format on

}  // namespace
}  // namespace marlit
