#include <benchmark/benchmark.h>

#include <atomic>
#include <charconv>
#include <cstdlib>
#include <new>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "bench/realistic_image.h"
#include "cli/batch.h"
#include "pe/conversion_panel.h"

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

// Reads the prepared input in place, without the copy an istringstream would make.
class InputBuffer : public std::streambuf {
 public:
  explicit InputBuffer(std::string& text) : text_(text) { Rewind(); }
  void Rewind() { setg(text_.data(), text_.data(), text_.data() + text_.size()); }

 private:
  std::string& text_;
};

// Takes the output and throws it away, so that only cli_core is measured.
class Discard : public std::streambuf {
 protected:
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
};

std::string MillionInputLines() {
  std::string input;
  char digits[16];
  for (const std::int32_t offset : SpreadOffsets()) {
    const auto r =
        std::to_chars(digits, digits + sizeof digits, static_cast<std::uint32_t>(offset), 16);
    input.append(digits, r.ptr);
    input += '\n';
  }
  return input;
}

void BM_CliBatchMillionLines(benchmark::State& state) {
  const bool json = state.range(0) != 0;
  const PeImage image = RealisticImage();
  std::string input = MillionInputLines();
  InputBuffer inputBuffer(input);
  std::istream in(&inputBuffer);
  Discard discard;
  std::ostream out(&discard);
  std::ostringstream err;
  std::int64_t allocationsInBatches = 0;
  for (auto _ : state) {
    inputBuffer.Rewind();
    in.clear();
    ConversionPanel panel(image, BuildHexByteText(), Radix::Hex);
    cli::ValueRunner runner(panel, out, err, json);
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
BENCHMARK(BM_CliBatchMillionLines)->ArgName("json")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace marlit::bench

BENCHMARK_MAIN();
