#include <benchmark/benchmark.h>

#include "bench/realistic_image.h"
#include "pe/view/translate.h"

namespace marlit::bench {
namespace {

using Translation = std::int32_t (*)(const PeImage&, std::int64_t&);

// A million values through one translation; addresses are the spread offsets plus the image base.
void TranslateMillion(benchmark::State& state, Translation translate, bool addImageBase) {
  const PeImage image = RealisticImage();
  const std::vector<std::int32_t> offsets = SpreadOffsets();
  std::vector<std::int64_t> values(offsets.begin(), offsets.end());
  if (addImageBase) {
    for (auto& v : values) v += image.ImageBase;
  }
  for (auto _ : state) {
    std::int64_t found = 0;
    for (const std::int64_t v : values) {
      std::int64_t value = v;
      found += translate(image, value);
      benchmark::DoNotOptimize(value);
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()));
}

BENCHMARK_CAPTURE(TranslateMillion, FileToRam, &FileToRam, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TranslateMillion, RamToFile, &RamToFile, true)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace marlit::bench

BENCHMARK_MAIN();
