#include "pe/overlap.h"

#include <algorithm>
#include <vector>

namespace marlit {

namespace {

constexpr std::size_t kNameField = 8;
constexpr std::u16string_view kLineEnd = u"\r\n";
constexpr std::u16string_view kClosingLine =
    u"         ～～～～ 請用「選擇區段」功能去除其中的非法區段 ～～～～";

struct OverlapTest {
  bool (*holds)(const SectionRecord& i, const SectionRecord& j, ImageKind kind);
  std::u16string_view boundOfI;
  std::u16string_view rangeOfJ;
};

constexpr OverlapTest kTests[] = {
    {[](const SectionRecord& i, const SectionRecord& j, ImageKind) {
       return j.FileMin <= i.FileMin && i.FileMin < j.FileMax;
     },
     u"FileMin", u"FileOffset"},
    {[](const SectionRecord& i, const SectionRecord& j, ImageKind) {
       return j.FileMin < i.FileMax && i.FileMax < j.FileMax;
     },
     u"FileMax", u"FileOffset"},
    {[](const SectionRecord& i, const SectionRecord& j, ImageKind k) {
       return AddressOrder(k, j.RamMin) <= AddressOrder(k, i.RamMin) &&
              AddressOrder(k, i.RamMin) < AddressOrder(k, j.RamMax);
     },
     u"Ram Min", u"Ram Offset"},
    {[](const SectionRecord& i, const SectionRecord& j, ImageKind k) {
       return AddressOrder(k, j.RamMin) < AddressOrder(k, i.RamMax) &&
              AddressOrder(k, i.RamMax) < AddressOrder(k, j.RamMax);
     },
     u"Ram Max", u"Ram Offset"},
};

void AppendNameField(std::u16string& text, const std::u16string& name) {
  text += name;
  if (name.size() < kNameField) text.append(kNameField - name.size(), u' ');
}

void AppendWarning(std::u16string& text, const SectionRecord& i, const SectionRecord& j,
                   const OverlapTest& test) {
  text += u"★ 區段「";
  AppendNameField(text, i.Name);
  text += u"」的 ";
  text += test.boundOfI;
  text += u" 和區段「";
  AppendNameField(text, j.Name);
  text += u"」的 ";
  text += test.rangeOfJ;
  text += u" 部分重疊 ★";
  text += kLineEnd;
}

}  // namespace

std::u16string OverlapReport(const PeImage& image) {
  std::vector<const SectionRecord*> included;
  const std::size_t count =
      std::min(static_cast<std::size_t>(std::max<std::int16_t>(image.SectionCount, 0)),
               image.Sections.size());
  for (std::size_t i = 0; i < count; ++i) {
    if (image.Sections[i].Included) included.push_back(&image.Sections[i]);
  }

  std::u16string text;
  std::size_t lines = 0;
  for (std::size_t i = 0; i < included.size() && lines <= kMaxOverlapLines; ++i) {
    for (std::size_t j = 0; j < included.size() && lines <= kMaxOverlapLines; ++j) {
      if (i == j) continue;
      for (const OverlapTest& test : kTests) {
        if (!test.holds(*included[i], *included[j], image.Kind)) continue;
        if (++lines > kMaxOverlapLines) break;
        AppendWarning(text, *included[i], *included[j], test);
      }
    }
  }
  if (text.empty()) return text;
  if (lines > kMaxOverlapLines) {
    text += kOverlapCutLine;
    text += kLineEnd;
  }
  text += kLineEnd;
  text += kLineEnd;
  text += kClosingLine;
  return text;
}

}  // namespace marlit
