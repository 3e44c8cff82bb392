#include <benchmark/benchmark.h>

#include "bench/realistic_image.h"
#include "pe/translate.h"

namespace marlit::bench {
namespace {

void BM_FileToRamMillion(benchmark::State& state) {
  const PeImage image = RealisticImage();
  const std::vector<std::int32_t> offsets = SpreadOffsets();
  for (auto _ : state) {
    std::int64_t found = 0;
    for (const std::int32_t offset : offsets) {
      std::int32_t value = offset;
      found += FileToRam(image, value);
      benchmark::DoNotOptimize(value);
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(offsets.size()));
}
BENCHMARK(BM_FileToRamMillion)->Unit(benchmark::kMillisecond);

void BM_RamToFileMillion(benchmark::State& state) {
  PeImage image = RealisticImage();
  std::vector<std::int32_t> addresses = SpreadOffsets();
  for (auto& a : addresses) a += image.ImageBase;
  for (auto _ : state) {
    std::int64_t found = 0;
    for (const std::int32_t address : addresses) {
      std::int32_t value = address;
      found += RamToFile(image, value);
      benchmark::DoNotOptimize(value);
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(addresses.size()));
}
BENCHMARK(BM_RamToFileMillion)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace marlit::bench

BENCHMARK_MAIN();
