// A million file offsets and a million addresses through the lookup, in an image of 20 sections
// and in one of 32766, in the raw view and in the loader's: the time per value must not grow with
// the section count; nor must the naming of references in the last of 32766 sections.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "pe/facts/address_facts.h"
#include "pe/view/image_view.h"
#include "pe/load/loader.h"
#include "pe/view/translate.h"

namespace marlit::bench {
namespace {

constexpr std::size_t kValues = 1'000'000;
constexpr std::uint32_t kImageBase = 0x400000;
constexpr std::uint32_t kPage = 0x1000;
constexpr std::uint32_t kRawSize = 0x200;

class YesPrompt : public Prompt {
 public:
  void ShowMessage(std::u16string_view) override {}
  bool AskOkCancel(std::u16string_view) override { return true; }
};

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A PE32 file of count sections, each 200h raw bytes one after the other, one page apart in
// memory with a VirtualSize of a page and a half, so that the loader's view has zero-filled tails.
std::vector<std::uint8_t> ImageBytes(std::uint32_t count) {
  constexpr std::uint32_t kPe = 0x80;
  constexpr std::uint32_t kTable = kPe + 24 + 224;
  const std::uint32_t headers = (kTable + 40 * count + kRawSize - 1) / kRawSize * kRawSize;
  std::vector<std::uint8_t> b(headers + std::size_t{kRawSize} * count);
  Put32(b, 60, kPe);
  Put32(b, kPe, 0x4550);
  b[kPe + 6] = static_cast<std::uint8_t>(count);
  b[kPe + 7] = static_cast<std::uint8_t>(count >> 8);
  b[kPe + 20] = 224;
  b[kPe + 24] = 0x0B;
  b[kPe + 25] = 0x01;
  Put32(b, kPe + 52, kImageBase);
  Put32(b, kPe + 56, kPage);
  Put32(b, kPe + 60, kRawSize);
  Put32(b, kPe + 80, kPage * (count + 2));
  Put32(b, kPe + 84, headers);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t at = kTable + 40 * std::size_t{i};
    b[at] = 's';
    Put32(b, at + 8, kPage + kPage / 2);
    Put32(b, at + 12, kPage * (i + 1));
    Put32(b, at + 16, kRawSize);
    Put32(b, at + 20, headers + kRawSize * i);
  }
  return b;
}

PeImage Analysed(std::span<const std::uint8_t> bytes, MappingView view) {
  YesPrompt prompt;
  PeImage image;
  image.View = view;
  if (!AnalyzePeBytes(image, bytes, u"bench", prompt)) std::abort();
  return image;
}

PeImage Analysed(std::uint32_t count, MappingView view) { return Analysed(ImageBytes(count), view); }

// Values spread over the image's file or memory and a little past them.
std::vector<std::int64_t> Spread(std::int64_t from, std::int64_t to) {
  std::mt19937 random(1234);
  std::uniform_int_distribution<std::int64_t> value(from, to + (to - from) / 16);
  std::vector<std::int64_t> values(kValues);
  for (auto& v : values) v = value(random);
  return values;
}

void TranslateMillion(benchmark::State& state, MappingView view, bool fromOffset) {
  const auto count = static_cast<std::uint32_t>(state.range(0));
  const PeImage image = Analysed(count, view);
  const SectionRecord& last = image.Sections.back();
  const std::vector<std::int64_t> values =
      fromOffset ? Spread(0, last.FileMax) : Spread(image.ImageBase, last.RamMax);
  (void)TranslateFileOffset(image, 0);  // the lookup is built once, with the table
  for (auto _ : state) {
    std::int64_t found = 0;
    for (const std::int64_t v : values) {
      const Translation t = fromOffset ? TranslateFileOffset(image, v) : TranslateAddress(image, v);
      found += t.Position + t.Value;
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()));
}

BENCHMARK_CAPTURE(TranslateMillion, RawOffsets, MappingView::Raw, true)
    ->Arg(20)->Arg(32766)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TranslateMillion, RawAddresses, MappingView::Raw, false)
    ->Arg(20)->Arg(32766)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TranslateMillion, LoaderOffsets, MappingView::Loader, true)
    ->Arg(20)->Arg(32766)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TranslateMillion, LoaderAddresses, MappingView::Loader, false)
    ->Arg(20)->Arg(32766)->Unit(benchmark::kMillisecond);

// Building the lookup of the largest table, which happens once per change of the table.
void BuildLookup(benchmark::State& state) {
  const PeImage image = Analysed(32766, MappingView::Loader);
  for (auto _ : state) {
    TableChanged(image);
    benchmark::DoNotOptimize(TranslateFileOffset(image, 0));
  }
}
BENCHMARK(BuildLookup)->Unit(benchmark::kMillisecond);

// As many references as a search keeps, in the last sections of the largest table, each named
// after its section: naming must not grow with the section's place in the table.
void ReferencesInTheLastSections(benchmark::State& state) {
  std::vector<std::uint8_t> bytes = ImageBytes(32766);
  const std::uint32_t address = kImageBase + kPage;  // the first byte of the first section
  for (std::size_t at = bytes.size() - 4 * kMaxReferences; at < bytes.size(); at += 4) {
    Put32(bytes, at, address);
  }
  const PeImage image = Analysed(bytes, MappingView::Raw);
  BoundedReader reader(bytes);
  for (auto _ : state) {
    const AddressReferences found = FindAddressReferences(image, reader, address);
    if (found.References.size() != kMaxReferences || !found.References.back().Section) {
      state.SkipWithError("miscounted");
    }
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(ReferencesInTheLastSections)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace marlit::bench

BENCHMARK_MAIN();
