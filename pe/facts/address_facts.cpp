#include "pe/facts/address_facts.h"

#include "pe/view/translate.h"
#include "pe/view/translation_index.h"
#include "platform/errors.h"
#include "platform/translation.h"

namespace marlit {

namespace {

// The RVA of an address that includes the base in force. A PE32 image counts in 32 bits, so its
// RVAs wrap as its addresses do; a PE32+ address below the base, or more than 4 GiB above it, has
// none.
std::optional<std::uint32_t> RvaOfAddress(const PeImage& image, std::int64_t withBase) {
  const std::uint64_t distance = Pattern(withBase) - Pattern(BaseInForce(image));
  if (image.Kind == ImageKind::Pe32) return static_cast<std::uint32_t>(distance);
  if (Pattern(withBase) < Pattern(BaseInForce(image)) || distance > kLargestRva) {
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(distance);
}

// The RVA of an address given in the mode in force.
std::optional<std::uint32_t> RvaInMode(const PeImage& image, std::int64_t address) {
  if (!image.OmitImageBase) return RvaOfAddress(image, address);
  if (image.Kind == ImageKind::Pe32) return static_cast<std::uint32_t>(address);
  if (Pattern(address) > kLargestRva) return std::nullopt;
  return static_cast<std::uint32_t>(address);
}

// The first RVA of the included record that holds an address (in the mode in force, whose RVA is
// rva), found through translation's lookup.
std::optional<std::uint32_t> StartOfHolder(const PeImage& image, std::int64_t address,
                                           std::uint32_t rva) {
  const std::optional<std::int64_t> withBase = AddressWithBase(image, address);
  if (!withBase) return std::nullopt;
  const TranslationIndex& lookup = LookupOf(image);
  const std::uint32_t holder = lookup.FromAddress.Find(AddressOrder(image.Kind, *withBase));
  if (holder == 0) return std::nullopt;
  const std::optional<std::uint32_t> start =
      RvaOfAddress(image, static_cast<std::int64_t>(lookup.AddressAnswers[holder].RamMin));
  if (!start || *start > rva) return std::nullopt;
  return start;
}

// The first of two directories in the header's order.
std::optional<DirectoryKind> FirstOf(std::optional<DirectoryKind> a,
                                     std::optional<DirectoryKind> b) {
  if (!a) return b;
  if (!b) return a;
  return *a < *b ? a : b;
}

// Translation of a value inside a record cannot overflow; a value that does has no answer.
Translation TranslatedOrNothing(Translation (*translate)(const PeImage&, std::int64_t),
                                const PeImage& image, std::int64_t value) {
  try {
    return translate(image, value);
  } catch (const Error&) {
    return {};
  }
}

std::optional<std::u16string> NameOf(const PeImage& image, std::int32_t position) {
  const SectionRecord* record = IncludedRecord(image, position);
  if (record == nullptr) return std::nullopt;
  return record->Name;
}

}  // namespace

AddressFacts ReadAddressFacts(BoundedReader& reader, const RawImageHeaders& raw,
                              std::int32_t peOffset, ImageKind kind) {
  AddressFacts facts;
  facts.Mapping = LoaderMapping(raw);
  facts.Directories = ReadDataDirectories(reader, peOffset, kind);
  facts.Exports = ExportNames::Read(reader, facts.Directories, facts.Mapping);
  facts.Relocations = BaseRelocations::Read(reader, facts.Directories, kind, facts.Mapping);
  return facts;
}

ValueFacts FactsOfAddress(const PeImage& image, std::int64_t address) {
  ValueFacts facts;
  const std::optional<std::uint32_t> rva = RvaInMode(image, address);
  if (image.Facts == nullptr || !rva) return facts;
  facts.Directory = DirectoryOfRva(image.Facts->Directories, *rva);
  if (image.Facts->Exports.Count() == 0) return facts;
  if (const std::optional<std::uint32_t> start = StartOfHolder(image, address, *rva)) {
    facts.Export = image.Facts->Exports.NameAt(*rva, RvaRange{*start, *rva + 1});
  }
  return facts;
}

ValueFacts FactsOfTranslatedOffset(const PeImage& image, std::int64_t offset,
                                   std::optional<std::int64_t> address) {
  ValueFacts facts;
  if (image.Facts == nullptr) return facts;
  if (address) facts = FactsOfAddress(image, *address);
  if (offset >= 0 && Pattern(offset) <= kLargestRva) {
    facts.Directory = FirstOf(
        facts.Directory,
        DirectoryOfFileOffset(image.Facts->Directories, static_cast<std::uint32_t>(offset)));
  }
  return facts;
}

ValueFacts FactsOfFileOffset(const PeImage& image, std::int64_t offset) {
  if (image.Facts == nullptr) return {};
  const Translation t = TranslatedOrNothing(TranslateFileOffset, image, offset);
  return FactsOfTranslatedOffset(
      image, offset, t.Where == Landing::Mapped ? std::optional(t.Value) : std::nullopt);
}

AddressDescription DescribeAddress(const PeImage& image, std::int64_t address) {
  const std::int32_t position = TranslatedOrNothing(TranslateAddress, image, address).Position;
  return {position, NameOf(image, position), FactsOfAddress(image, address)};
}

AddressDescription DescribeFileOffset(const PeImage& image, std::int64_t offset) {
  const std::int32_t position = TranslatedOrNothing(TranslateFileOffset, image, offset).Position;
  return {position, NameOf(image, position), FactsOfFileOffset(image, offset)};
}

std::u16string DescriptionLine(const AddressDescription& description) {
  std::u16string line;
  const auto add = [&line](std::u16string_view part) {
    if (part.empty()) return;
    if (!line.empty()) line += u" · ";
    line += part;
  };
  if (description.Section) add(ShownName(*description.Section));
  if (description.Facts.Directory) add(DirectoryName(*description.Facts.Directory));
  if (description.Facts.Export) add(*description.Facts.Export);
  return line;
}

StoredPointer StoredPointerOf(const PeImage& image, std::int64_t address) {
  // The RVA plus the file's image base, in the image's own arithmetic (wrapping like its
  // addresses).
  const std::uint64_t rva =
      image.OmitImageBase ? Pattern(address) : Pattern(address) - Pattern(BaseInForce(image));
  return PointerBytes(image.Kind, static_cast<std::int64_t>(rva + Pattern(image.ImageBase)));
}

AddressReferences FindAddressReferences(const PeImage& image, BoundedReader& reader,
                                        std::int64_t address, const SearchProgress& goOn,
                                        std::size_t limit) {
  static const LoaderMapping kNoMapping;
  static const BaseRelocations kNoRelocations;
  const bool read = image.Facts != nullptr;
  const ReferenceSearch search =
      FindReferences(reader, StoredPointerOf(image, address),
                     read ? static_cast<const RvaMapping&>(image.Facts->Mapping) : kNoMapping,
                     read ? image.Facts->Relocations : kNoRelocations, goOn, limit);
  AddressReferences found;
  found.Cancelled = search.Cancelled;
  found.Truncated = search.Truncated;
  found.References.reserve(search.References.size());
  for (const Reference& r : search.References) {
    AddressReference reference{r.FileOffset, r.Relocated, std::nullopt, 0, std::nullopt};
    const Translation t =
        TranslatedOrNothing(TranslateFileOffset, image, static_cast<std::int64_t>(r.FileOffset));
    if (t.Where == Landing::Mapped) {
      reference.Address = t.Value;
      reference.Position = t.Position;
      reference.Section = NameOf(image, t.Position);
    }
    found.References.push_back(std::move(reference));
  }
  return found;
}

}  // namespace marlit
