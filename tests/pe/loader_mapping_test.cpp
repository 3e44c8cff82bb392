#include "pe/loader_mapping.h"

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

struct RunCase {
  const char* what;
  PeBuilder (*image)();
  std::uint32_t rva;
  FileBytes run;
};

class LoaderRunTest : public testing::TestWithParam<RunCase> {};

TEST_P(LoaderRunTest, MapsWhatTheLoaderMapsFromTheFile) {
  const RunCase& c = GetParam();
  const LoaderMapping mapping(test::ImageInView(c.image(), MappingView::Raw).Raw);
  const std::optional<FileRun> run = mapping.FileRunAt(c.rva);
  EXPECT_EQ(run ? FileBytes({run->FileOffset, run->Size}) : std::nullopt, c.run);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, LoaderRunTest,
    testing::Values(
        RunCase{"header", Standard, 0x10, std::pair{0x10u, 0x3F0u}},
        RunCase{"header_slack_is_zero_filled", Standard, 0x500, std::nullopt},
        RunCase{"data_from_rounded_pointer", Standard, 0x1000, std::pair{0x400u, 0x400u}},
        RunCase{"last_byte_of_data", Standard, 0x13FF, std::pair{0x7FFu, 1u}},
        RunCase{"zero_filled_tail", Standard, 0x1400, std::nullopt},
        RunCase{"past_the_image", Standard, 0x3000, std::nullopt},
        RunCase{"headers_first_from_memory", HeadersOverSection, 0x500, std::pair{0x500u, 0x100u}},
        RunCase{"run_ends_where_an_earlier_record_holds", Overlapping, 0x1F00,
                std::pair{0x1500u, 0x100u}},
        RunCase{"earlier_record_wins", Overlapping, 0x2000, std::pair{0x400u, 0x200u}},
        RunCase{"flat", Flat, 0x700, std::pair{0x700u, 0x100u}},
        RunCase{"flat_past_size_of_image", Flat, 0x800, std::nullopt}),
    test::CaseName{});

struct OffsetCase {
  const char* what;
  PeBuilder (*image)();
  std::uint32_t offset;
  std::optional<std::uint32_t> rva;
};

class LoaderOffsetTest : public testing::TestWithParam<OffsetCase> {};

TEST_P(LoaderOffsetTest, GivesTheRvaTheLoaderMapsTheByteAt) {
  const OffsetCase& c = GetParam();
  const LoaderMapping mapping(test::ImageInView(c.image(), MappingView::Raw).Raw);
  EXPECT_EQ(mapping.RvaOfFileOffset(c.offset), c.rva);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, LoaderOffsetTest,
    testing::Values(OffsetCase{"header", Standard, 0x3FF, 0x3FFu},
                    OffsetCase{"below_the_pointer_in_the_sector", Standard, 0x404, 0x1004u},
                    OffsetCase{"overlay", Standard, 0x800, std::nullopt},
                    OffsetCase{"section_before_headers_from_file", HeadersOverSection, 0x500,
                               0x1100u},
                    OffsetCase{"data_under_an_earlier_section", Overlapping, 0x1500, 0x1F00u},
                    OffsetCase{"flat", Flat, 0x7FF, 0x7FFu},
                    OffsetCase{"flat_past_size_of_image", Flat, 0x800, std::nullopt}),
    test::CaseName{});

}  // namespace
}  // namespace marlit
