#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "bench/realistic_image.h"
#include "cli/batch.h"
#include "cli/block_input.h"
#include "pe/facts/address_facts.h"
#include "pe/panel/conversion_panel.h"

// Every allocation of the process is counted, so that the batch path's allocations per value
// show as a counter beside its speed.
namespace {
std::atomic<std::int64_t> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
// GCC takes the free() of a pointer that operator new returned for a mismatch; here new is malloc.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace marlit::bench {
namespace {

// Takes the output and throws it away, so that only cli_core is measured.
class Discard : public std::streambuf {
 protected:
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
};

// The image with the data directories that a program of its sections has, so that each JSON
// row looks its value up in them.
PeImage WithDirectories(PeImage image) {
  auto facts = std::make_shared<AddressFacts>();
  DataDirectories& d = facts->Directories;
  d.NumberOfRvaAndSizes = kMaxDataDirectories;
  d.EntryCount = kMaxDataDirectories;
  d.Entries[static_cast<std::size_t>(DirectoryKind::Import)] = {0xD6000, 0x1C00};
  d.Entries[static_cast<std::size_t>(DirectoryKind::Resource)] = {0xD9000, 0x41E00};
  d.Entries[static_cast<std::size_t>(DirectoryKind::BaseRelocation)] = {0x11B000, 0x9400};
  d.Entries[static_cast<std::size_t>(DirectoryKind::Tls)] = {0xD8000, 0x18};
  d.Entries[static_cast<std::size_t>(DirectoryKind::ImportAddressTable)] = {0xD6800, 0x400};
  image.Facts = std::move(facts);
  return image;
}

// json: 0 tab-separated rows, 1 JSON rows, 2 JSON rows of an image with data directories.
void BM_CliBatchMillionLines(benchmark::State& state) {
  const bool json = state.range(0) != 0;
  const PeImage image =
      state.range(0) == 2 ? WithDirectories(RealisticImage()) : RealisticImage();
  const std::string input = SpreadOffsetLines();
  Discard discard;
  std::ostream out(&discard);
  std::ostringstream err;
  std::int64_t allocationsInBatches = 0;
  for (auto _ : state) {
    cli::TextInput in(input);
    cli::ValueRunner runner(image, Radix::Hex, out, err, json);
    const std::int64_t before = allocations.load(std::memory_order_relaxed);
    const bool taken = runner.Lines(cli::Field::FileOffset, in);
    benchmark::DoNotOptimize(runner.Finish());
    allocationsInBatches += allocations.load(std::memory_order_relaxed) - before;
    if (!taken) state.SkipWithError("a line was refused");
  }
  const auto values = state.iterations() * static_cast<std::int64_t>(kValueCount);
  state.SetItemsProcessed(values);
  state.counters["allocations_per_value"] =
      static_cast<double>(allocationsInBatches) / static_cast<double>(values);
}
BENCHMARK(BM_CliBatchMillionLines)->ArgName("json")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace marlit::bench

BENCHMARK_MAIN();
