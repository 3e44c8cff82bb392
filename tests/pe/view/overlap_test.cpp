#include "pe/view/overlap.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

namespace marlit {
namespace {

struct Range {
  std::u16string name;
  std::int32_t fileMin, fileMax, ramMin, ramMax;
  bool included = true;
};

PeImage Image(const std::vector<Range>& ranges) {
  PeImage image;
  for (const Range& r : ranges) {
    SectionRecord s;
    s.Name = r.name;
    s.FileMin = r.fileMin;
    s.FileMax = r.fileMax;
    s.RamMin = r.ramMin;
    s.RamMax = r.ramMax;
    s.Included = r.included;
    image.Sections.push_back(s);
  }
  image.SectionCount = static_cast<std::int16_t>(image.Sections.size());
  return image;
}

const Range kHeader{u"檔案頭", 0, 0x400, 0x400000, 0x401000};
constexpr std::u16string_view kEnd =
    u"\r\n\r\n         ～～～～ 請用「選擇區段」功能去除其中的非法區段 ～～～～";

std::u16string Line(std::u16string_view i, std::u16string_view bound, std::u16string_view j,
                    std::u16string_view range) {
  return std::u16string(u"★ 區段「") + std::u16string(i) + u"」的 " + std::u16string(bound) +
         u" 和區段「" + std::u16string(j) + u"」的 " + std::u16string(range) + u" 部分重疊 ★\r\n";
}

TEST(OverlapTest, Reports) {
  struct Case {
    const char* what;
    std::vector<Range> ranges;
    std::u16string lines;  // without the closing part; empty: no report
  };
  const Case cases[] = {
      {"touching ranges",
       {kHeader,
        {u".text", 0x400, 0x600, 0x401000, 0x401200},
        {u".data", 0x600, 0x800, 0x401200, 0x401400}},
       u""},
      {"identical file ranges",
       {kHeader,
        {u"A", 0x400, 0x600, 0x401000, 0x401200},
        {u"B", 0x400, 0x600, 0x402000, 0x402200}},
       Line(u"A       ", u"FileMin", u"B       ", u"FileOffset") +
           Line(u"B       ", u"FileMin", u"A       ", u"FileOffset")},
      {"identical memory ranges",
       {kHeader,
        {u"A", 0x400, 0x600, 0x401000, 0x401200},
        {u"B", 0x800, 0xA00, 0x401000, 0x401200}},
       Line(u"A       ", u"Ram Min", u"B       ", u"Ram Offset") +
           Line(u"B       ", u"Ram Min", u"A       ", u"Ram Offset")},
      {"nested file range: only the inner section",
       {{u"outer", 0x400, 0x1000, 0x401000, 0x401C00},
        {u"inner", 0x600, 0x800, 0x402000, 0x402200}},
       Line(u"inner   ", u"FileMin", u"outer   ", u"FileOffset") +
           Line(u"inner   ", u"FileMax", u"outer   ", u"FileOffset")},
      {"header padded, long names whole",
       {{u"檔案頭", 0, 0x800, 0x400000, 0x401000}, {u"12345678", 0x400, 0x600, 0x401000, 0x401200}},
       Line(u"12345678", u"FileMin", u"檔案頭     ", u"FileOffset") +
           Line(u"12345678", u"FileMax", u"檔案頭     ", u"FileOffset")},
      {"excluded sections are not tested",
       {kHeader,
        {u"A", 0x400, 0x600, 0x401000, 0x401200},
        {u"B", 0x400, 0x600, 0x401000, 0x401200, false}},
       u""},
      {"partial overlap both ways",
       {{u"A", 0x400, 0x800, 0x401000, 0x401400}, {u"B", 0x600, 0xA00, 0x402000, 0x402400}},
       Line(u"A       ", u"FileMax", u"B       ", u"FileOffset") +
           Line(u"B       ", u"FileMin", u"A       ", u"FileOffset")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::u16string report = OverlapReport(Image(c.ranges));
    EXPECT_EQ(report, c.lines.empty() ? u"" : c.lines + std::u16string(kEnd));
  }
}

TEST(OverlapTest, RecordsBeyondSectionCountAreIgnored) {
  PeImage image = Image({kHeader, {u"A", 0, 0x400, 0x400000, 0x401000}});
  image.SectionCount = 1;
  EXPECT_EQ(OverlapReport(image), u"");
}

// Every ordered pair of included records and every test, as the report is defined.
std::vector<Overlap> AllPairs(const PeImage& image) {
  const auto count = std::min<std::size_t>(
      static_cast<std::size_t>(std::max<int>(image.SectionCount, 0)), image.Sections.size());
  std::vector<Overlap> found;
  for (std::size_t i = 0; i < count; ++i) {
    for (std::size_t j = 0; j < count; ++j) {
      const SectionRecord& a = image.Sections[i];
      const SectionRecord& b = image.Sections[j];
      if (i == j || !a.Included || !b.Included) continue;
      auto at = [&](std::int64_t address) { return AddressOrder(image.Kind, address); };
      // A record without file bytes has no file bounds to test.
      const bool fileBytes = a.FileMin != a.FileMax;
      const bool holds[] = {
          fileBytes && b.FileMin <= a.FileMin && a.FileMin < b.FileMax,
          fileBytes && b.FileMin < a.FileMax && a.FileMax < b.FileMax,
          at(b.RamMin) <= at(a.RamMin) && at(a.RamMin) < at(b.RamMax),
          at(b.RamMin) < at(a.RamMax) && at(a.RamMax) < at(b.RamMax),
      };
      for (std::size_t test = 0; test < 4; ++test) {
        if (holds[test]) found.push_back(Overlap{i, j, test});
      }
    }
  }
  return found;
}

// Small coordinates make equal, touching, nested and reversed ranges common; some bounds sit at
// the ends of the 32-bit range (of the 64-bit one, and across 2^63, for the memory ranges of a
// PE32+ image), some records are excluded, and a count may stop short of the table.
PeImage RandomTable(std::mt19937& random) {
  auto pick = [&](int lowest, int highest) {
    return std::uniform_int_distribution<int>(lowest, highest)(random);
  };
  auto bound = [&]() -> std::int32_t {
    switch (pick(0, 15)) {
      case 0:
        return std::numeric_limits<std::int32_t>::min();
      case 1:
        return std::numeric_limits<std::int32_t>::max();
      default:
        return pick(-2, 12);
    }
  };
  PeImage image;
  image.Kind = pick(0, 1) == 0 ? ImageKind::Pe32 : ImageKind::Pe32Plus;
  auto address = [&]() -> std::int64_t {
    if (image.Kind == ImageKind::Pe32 || pick(0, 3) != 0) return bound();
    // Patterns around 2^63, added without a signed overflow.
    return static_cast<std::int64_t>((std::uint64_t{1} << 63) +
                                     static_cast<std::uint64_t>(pick(0, 4)) - 2);
  };
  auto range = [&](auto& min, auto& max, auto next) {
    min = next();
    using Bound = std::remove_reference_t<decltype(min)>;
    // A short range from min, wrapping as a bit pattern would.
    const auto shortEnd = static_cast<Bound>(static_cast<std::uint64_t>(min) +
                                             static_cast<std::uint64_t>(pick(0, 4)));
    max = pick(0, 3) == 0 || min > 12 ? next() : shortEnd;
  };
  const int records = pick(0, 9);
  for (int k = 0; k < records; ++k) {
    SectionRecord r;
    r.Name = std::u16string(1, static_cast<char16_t>(u'A' + k));
    range(r.FileMin, r.FileMax, bound);
    range(r.RamMin, r.RamMax, address);
    r.Included = pick(0, 5) != 0;
    image.Sections.push_back(r);
  }
  image.SectionCount =
      static_cast<std::int16_t>(records - (pick(0, 7) == 0 ? pick(0, records) : 0));
  return image;
}

TEST(OverlapTest, FindsWhatComparingEveryPairFinds) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 5000; ++round) {
    const PeImage image = RandomTable(random);
    const std::vector<Overlap> expected = AllPairs(image);
    ASSERT_EQ(FindOverlaps(image, 1000), expected) << "round " << round;
    // A cut keeps the first warnings of the same order.
    const std::size_t limit = expected.size() / 2;
    ASSERT_EQ(FindOverlaps(image, limit),
              std::vector<Overlap>(expected.begin(),
                                   expected.begin() + static_cast<std::ptrdiff_t>(limit)))
        << "round " << round;
  }
}

TEST(OverlapTest, ASectionTheLoaderFillsWithZerosOverlapsNothingInTheFile) {
  const PeImage image = Image({kHeader,
                               {u".text", 0x400, 0x600, 0x401000, 0x401200},
                               {u".bss", 0, 0, 0x402000, 0x403000}});
  EXPECT_EQ(OverlapReport(image), u"");
}

TEST(OverlapTest, AFloodOfOverlapsIsCut) {
  std::vector<Range> ranges(300, Range{u"same", 0x400, 0x600, 0x401000, 0x401200});
  const std::u16string report = OverlapReport(Image(ranges));
  std::size_t lines = 0;
  for (std::size_t at = report.find(u"部分重疊 ★\r\n"); at != std::u16string::npos;
       at = report.find(u"部分重疊 ★\r\n", at + 1)) {
    ++lines;
  }
  EXPECT_EQ(lines, kMaxOverlapLines);
  EXPECT_TRUE(report.ends_with(std::u16string(kOverlapCutLine) + u"\r\n" + std::u16string(kEnd)));
}

}  // namespace
}  // namespace marlit
