// Analyses arbitrary bytes in memory as a PE file, then reads what describes an address where the
// loader maps it: the data directories, the export names and the base relocations, and searches
// the input for stored pointers, both as the tables give them and in the view in force. The
// loader's view is put in force when the last byte asks for it (fuzz/loader_options.h). Apart
// from fuzz_loader, so that each input's table reads and searches do not slow the loader's
// own runs.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "fuzz/loader_options.h"
#include "fuzz/require.h"
#include "fuzz/section_count_field.h"
#include "pe/facts/address_facts.h"
#include "pe/facts/data_directories.h"
#include "pe/facts/export_names.h"
#include "pe/facts/loader_mapping.h"
#include "pe/facts/references.h"
#include "pe/load/loader.h"
#include "pe/read/bounded_reader.h"
#include "pe/view/image_view.h"
#include "tests/fakes/fakes.h"

namespace marlit {
namespace {

// The most references a search records. An input of repeated bytes holds its pointer at every
// other place; beyond a few, each reference takes the paths of the first ones, and the limit's own
// path is taken too.
constexpr std::size_t kSearchLimit = 16;

// The first directory holding a directory's own first byte is that one or one before it; only
// the certificate table holds a file offset.
void CheckDirectories(const DataDirectories& directories) {
  MARLIT_REQUIRE(directories.EntryCount <= kMaxDataDirectories);
  for (std::size_t i = 0; i < kDirectoryKinds; ++i) {
    const auto kind = static_cast<DirectoryKind>(i);
    MARLIT_REQUIRE(!DirectoryKey(kind).empty() && !DirectoryName(kind).empty());
    const std::optional<DataDirectory> entry = NonEmptyEntry(directories, kind);
    if (!entry) continue;
    const std::optional<DirectoryKind> ofRva = DirectoryOfRva(directories, entry->VirtualAddress);
    MARLIT_REQUIRE(ofRva != DirectoryKind::Certificate);
    if (kind != DirectoryKind::Certificate) {
      MARLIT_REQUIRE(ofRva && static_cast<std::size_t>(*ofRva) <= i);
    } else {
      MARLIT_REQUIRE(DirectoryOfFileOffset(directories, entry->VirtualAddress) == kind);
    }
  }
}

// The RVA range of the first included record holding rva, as the mapping gives it.
std::optional<RvaRange> SectionOf(const PeImage& image, std::uint32_t rva) {
  for (const SectionRecord& r : Records(image)) {
    const std::int64_t begin = r.FileMin + r.RvaDelta;
    const std::int64_t end = r.FileMax + r.RvaDelta;
    if (r.Included && begin >= 0 && end <= std::numeric_limits<std::uint32_t>::max() &&
        begin <= rva && rva < end) {
      return RvaRange{static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(end)};
    }
  }
  return std::nullopt;
}

// A name, "Name+HEX" or "#ORDINAL", never empty; none outside the section.
void CheckExportNames(const PeImage& image, const DataDirectories& directories,
                      const ExportNames& exports) {
  std::vector<std::uint32_t> rvas;
  for (const DataDirectory& entry : directories.Entries) {
    rvas.insert(rvas.end(), {entry.VirtualAddress, entry.VirtualAddress + 1});
  }
  for (const SectionRecord& r : Records(image)) {
    const auto begin = static_cast<std::uint32_t>(r.FileMin + r.RvaDelta);
    rvas.insert(rvas.end(),
                {begin, begin + 0x10, static_cast<std::uint32_t>(r.FileMax + r.RvaDelta) - 1});
  }
  for (std::uint32_t rva : rvas) {
    const std::optional<RvaRange> section = SectionOf(image, rva);
    if (!section) continue;
    const std::optional<std::u16string> name = exports.NameAt(rva, *section);
    MARLIT_REQUIRE(!name || (!name->empty() && name->front() != u'+'));
    MARLIT_REQUIRE(!exports.NameAt(rva, {rva + 1, rva + 1}));
  }
}

void CheckRelocations(std::span<const std::uint8_t> input, const BaseRelocations& relocations) {
  const std::span<const std::uint32_t> rvas = relocations.Rvas();
  MARLIT_REQUIRE(rvas.size() <= input.size() / 2);
  MARLIT_REQUIRE(std::adjacent_find(rvas.begin(), rvas.end(), std::greater_equal<>()) ==
                 rvas.end());
}

// Every reference holds the pointer's bytes, in order, each once; a relocated one is at an RVA a
// relocation covers. For the value taken from the input, no holder is missed up to the limit, and
// the search says when it stopped there.
void CheckReferences(std::span<const std::uint8_t> input, const PeImage& image,
                     const RvaMapping& mapping, const BaseRelocations& relocations,
                     std::int64_t address, bool complete) {
  BoundedReader reader(input);
  const StoredPointer pointer = PointerBytes(image.Kind, address);
  const ReferenceSearch search =
      FindReferences(reader, pointer, mapping, relocations, {}, kSearchLimit);
  MARLIT_REQUIRE(!search.Cancelled);
  std::size_t holders = 0;
  for (std::size_t at = 0; complete && at + pointer.Width <= input.size(); ++at) {
    holders += std::equal(pointer.View().begin(), pointer.View().end(),
                          input.begin() + static_cast<std::ptrdiff_t>(at));
  }
  MARLIT_REQUIRE(!complete || search.References.size() == std::min(holders, kSearchLimit));
  MARLIT_REQUIRE(!complete || search.Truncated == (holders > kSearchLimit));
  std::optional<std::uint64_t> previous;
  for (const Reference& r : search.References) {
    MARLIT_REQUIRE(!previous || *previous < r.FileOffset);
    previous = r.FileOffset;
    MARLIT_REQUIRE(r.FileOffset + pointer.Width <= input.size());
    MARLIT_REQUIRE(std::equal(pointer.View().begin(), pointer.View().end(),
                              input.begin() + static_cast<std::ptrdiff_t>(r.FileOffset)));
    const std::optional<std::uint32_t> rva =
        mapping.RvaOfFileOffset(static_cast<std::uint32_t>(r.FileOffset));
    MARLIT_REQUIRE(r.Relocated == (rva && relocations.Covers(*rva)));
  }
}

// The pointer stored in the middle of the input, so that the search finds something.
std::int64_t StoredValue(std::span<const std::uint8_t> input, ImageKind kind) {
  std::array<std::uint8_t, 8> bytes{};
  const std::size_t at = input.size() / 2;
  std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(at),
              std::min<std::size_t>(8, input.size() - at), bytes.begin());
  const std::uint64_t low = LoadLe32(bytes, 0);
  return static_cast<std::int64_t>(
      kind == ImageKind::Pe32Plus ? low | std::uint64_t{LoadLe32(bytes, 4)} << 32 : low);
}

// The references in the view in force are the search's, each placed where translation puts its
// offset; a description names the record the value's translation gives.
void CheckViewReferences(std::span<const std::uint8_t> input, const PeImage& image,
                         std::int64_t address) {
  BoundedReader reader(input);
  const AddressReferences found = FindAddressReferences(image, reader, address, {}, kSearchLimit);
  const ReferenceSearch search =
      FindReferences(reader, StoredPointerOf(image, address), image.Facts->Mapping,
                     image.Facts->Relocations, {}, kSearchLimit);
  MARLIT_REQUIRE(found.References.size() == search.References.size());
  MARLIT_REQUIRE(found.Truncated == search.Truncated);
  for (std::size_t i = 0; i < found.References.size(); ++i) {
    const AddressReference& r = found.References[i];
    MARLIT_REQUIRE(r.FileOffset == search.References[i].FileOffset);
    MARLIT_REQUIRE(r.Address.has_value() == (r.Position != 0));
    MARLIT_REQUIRE(r.Section.has_value() == (r.Position != 0));
  }
  const AddressDescription described = DescribeAddress(image, address);
  MARLIT_REQUIRE(described.Section.has_value() == (described.Position != 0));
  MARLIT_REQUIRE(!described.Facts.Export || described.Position != 0);
  (void)DescriptionLine(DescribeFileOffset(image, StoredValue(input, ImageKind::Pe32) & 0xFFFFF));
}

// The tables as the analysis read them, where the loader maps them.
void RunAddressTables(std::span<const std::uint8_t> input, const PeImage& image) {
  const AddressFacts& facts = *image.Facts;
  const LoaderMapping& mapping = facts.Mapping;
  const DataDirectories& directories = facts.Directories;
  const BaseRelocations& relocations = facts.Relocations;
  CheckDirectories(directories);
  CheckExportNames(image, directories, facts.Exports);
  CheckRelocations(input, relocations);
  CheckReferences(input, image, mapping, relocations, StoredValue(input, image.Kind), true);
  for (std::size_t i = 0; i < kDirectoryKinds; i += 5) {
    const auto rva = directories.Entries[i].VirtualAddress;
    CheckReferences(input, image, mapping, relocations, image.ImageBase + rva, false);
  }
  CheckViewReferences(input, image, StoredValue(input, image.Kind));
}

}  // namespace
}  // namespace marlit

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace marlit;
  const std::span<const std::uint8_t> input(data, size);
  const std::int32_t count = fuzz::SectionCountField(input);
  if (count > fuzz::kLargestTable && count < std::numeric_limits<std::int16_t>::max()) return -1;

  PeImage image;
  fake::FakePrompt prompt;
  prompt.answers = {true};
  if (!AnalyzePeBytes(image, input, u"input", prompt) || image.Facts == nullptr) return 0;
  if (fuzz::LoaderOptionsOf(input).loaderView) (void)SetView(image, MappingView::Loader);
  RunAddressTables(input, image);
  return 0;
}
