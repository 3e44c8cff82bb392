#include "pe/overlap.h"

#include <gtest/gtest.h>

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
