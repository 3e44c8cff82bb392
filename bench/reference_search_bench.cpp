// The reference search over a 256 MiB image, from memory and from a file in the page cache,
// against a plain loop of the C library's memory search over the same bytes: the search must not
// take more than 1.5 times as long as that loop.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "pe/facts/references.h"

namespace marlit::bench {
namespace {

constexpr std::size_t kImageSize = std::size_t{256} << 20;
constexpr std::uint32_t kAddress = 0x401010;
// One pointer to the address every this many bytes.
constexpr std::size_t kPointerSpacing = 64 * 1024;

// Bytes of a program's mix: about a quarter zeros, the rest spread over every value, with the
// address stored at regular places.
const std::vector<std::uint8_t>& Image() {
  static const std::vector<std::uint8_t> image = [] {
    std::vector<std::uint8_t> bytes(kImageSize);
    std::uint64_t state = 0x9E3779B97F4A7C15;
    for (std::uint8_t& b : bytes) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      b = (state & 0x300) == 0 ? 0 : static_cast<std::uint8_t>(state);
    }
    const StoredPointer pointer = PointerBytes(ImageKind::Pe32, kAddress);
    for (std::size_t at = 0x123; at + 4 <= bytes.size(); at += kPointerSpacing) {
      std::copy(pointer.View().begin(), pointer.View().end(),
                bytes.begin() + static_cast<std::ptrdiff_t>(at));
    }
    return bytes;
  }();
  return image;
}

// The whole file as one section 1000h bytes above its offsets.
class OneSection final : public RvaMapping {
 public:
  std::optional<FileRun> FileRunAt(std::uint32_t rva) const override {
    if (rva < 0x1000 || rva - 0x1000 >= kImageSize) return std::nullopt;
    return FileRun{rva - 0x1000, static_cast<std::uint32_t>(kImageSize - (rva - 0x1000))};
  }
  std::optional<std::uint32_t> RvaOfFileOffset(std::uint32_t offset) const override {
    return offset < kImageSize ? std::optional<std::uint32_t>(offset + 0x1000) : std::nullopt;
  }
};

void PlainMemorySearch(benchmark::State& state) {
  const std::vector<std::uint8_t>& image = Image();
  const StoredPointer pointer = PointerBytes(ImageKind::Pe32, kAddress);
  for (auto _ : state) {
    std::size_t found = 0;
    const std::uint8_t* from = image.data();
    const std::uint8_t* const end = image.data() + image.size();
    while (const void* hit = ::memmem(from, static_cast<std::size_t>(end - from),
                                      pointer.Bytes.data(), pointer.Width)) {
      ++found;
      from = static_cast<const std::uint8_t*>(hit) + 1;
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kImageSize));
}

void Search(benchmark::State& state, BoundedReader& reader) {
  const StoredPointer pointer = PointerBytes(ImageKind::Pe32, kAddress);
  const OneSection mapping;
  const BaseRelocations none;
  for (auto _ : state) {
    const ReferenceSearch search = FindReferences(
        reader, pointer, mapping, none, [](std::uint64_t, std::uint64_t) { return true; });
    if (search.References.size() != kImageSize / kPointerSpacing) state.SkipWithError("miscounted");
    benchmark::DoNotOptimize(search);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kImageSize));
}

void ReferenceSearchInMemory(benchmark::State& state) {
  BoundedReader reader(Image());
  Search(state, reader);
}

// The file is read back from the page cache, as after the loader has read it.
void ReferenceSearchInFile(benchmark::State& state) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("marlit-refs-bench-" + std::to_string(::getpid()));
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(Image().data()),
              static_cast<std::streamsize>(kImageSize));
  }
  {
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    BoundedReader reader(fd.get(), kImageSize);
    Search(state, reader);
  }
  std::filesystem::remove(path);
}

BENCHMARK(PlainMemorySearch)->Unit(benchmark::kMillisecond);
BENCHMARK(ReferenceSearchInMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(ReferenceSearchInFile)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace marlit::bench

BENCHMARK_MAIN();
