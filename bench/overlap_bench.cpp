#include <benchmark/benchmark.h>

#include <cstdint>

#include "pe/view/overlap.h"

namespace marlit::bench {
namespace {

// The largest table a file can give: the header record and 32766 sections of 200h bytes each, laid
// one after another in the file and in memory, or all on the same place.
PeImage LargestTable(bool samePlace) {
  constexpr std::int32_t kImageBase = 0x400000;
  constexpr std::int32_t kSections = 32766;
  PeImage image;
  image.ImageBase = kImageBase;
  image.Sections.push_back(
      {u"檔案頭", kImageBase, kImageBase + 0x1000, 0, 0x400, kImageBase, 0, true});
  for (std::int32_t k = 0; k < kSections; ++k) {
    const std::int32_t at = samePlace ? 0 : k;
    SectionRecord r;
    r.Name = u".s";
    r.FileMin = 0x400 + 0x200 * at;
    r.FileMax = r.FileMin + 0x200;
    r.RamMin = kImageBase + 0x1000 + 0x1000 * at;
    r.RamMax = r.RamMin + 0x200;
    r.RamDelta = r.RamMin - r.FileMin;
    r.RvaDelta = r.RamDelta - kImageBase;
    r.Included = true;
    image.Sections.push_back(r);
  }
  image.SectionCount = static_cast<std::int16_t>(image.Sections.size());
  return image;
}

void OverlapReportOfTheLargestTable(benchmark::State& state, bool samePlace) {
  const PeImage image = LargestTable(samePlace);
  for (auto _ : state) benchmark::DoNotOptimize(OverlapReport(image));
}

BENCHMARK_CAPTURE(OverlapReportOfTheLargestTable, NoOverlaps, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OverlapReportOfTheLargestTable, AllOnOnePlace, true)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace marlit::bench

BENCHMARK_MAIN();
