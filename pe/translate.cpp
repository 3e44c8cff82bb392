#include "pe/translate.h"

#include "pe/translation_index.h"
#include "platform/checked.h"

namespace marlit {

namespace {

// A PE32 image's values are 32-bit: its sums are checked in 32 bits.
std::int32_t Narrow(std::int64_t v) { return static_cast<std::int32_t>(v); }

// In a PE32+ image every record's memory range lies within 0 .. 2^64 - 1 and its RVA range within
// 0 .. 2^32 - 1 (the loader refuses other files), so the sums below cannot leave them.
std::uint64_t Pattern(std::int64_t v) { return static_cast<std::uint64_t>(v); }

std::int64_t OffsetToAddress(const PeImage& image, const RecordFields& r, std::int64_t v) {
  if (image.Kind == ImageKind::Pe32Plus) {
    const std::uint64_t into = Pattern(v) - Pattern(r.FileMin);
    const std::uint64_t base = image.OmitImageBase ? Pattern(BaseInForce(image)) : 0;
    return static_cast<std::int64_t>(Pattern(r.RamMin) - base + into);
  }
  return CheckedAdd(Narrow(v), Narrow(image.OmitImageBase ? r.RvaDelta : r.RamDelta));
}

// The address with the base, as the records hold it; none where adding the base leaves the
// image's addresses (no record holds such an address). A PE32 address is compared in 64 bits,
// where RamMin - ImageBase cannot wrap.
std::optional<std::int64_t> WithBase(const PeImage& image, std::int64_t v) {
  if (!image.OmitImageBase) return v;
  if (image.Kind == ImageKind::Pe32) return v + BaseInForce(image);
  std::uint64_t sum = 0;
  if (__builtin_add_overflow(Pattern(v), Pattern(BaseInForce(image)), &sum)) return std::nullopt;
  return static_cast<std::int64_t>(sum);
}

// The file offset of an address that r holds with its file bytes; the subtraction of the delta
// that the mode gives, as the two directions stay inverse.
std::int64_t AddressToOffset(const PeImage& image, const RecordFields& r, std::int64_t v,
                             std::int64_t withBase) {
  if (image.Kind == ImageKind::Pe32Plus) {
    return std::int64_t{r.FileMin} + static_cast<std::int64_t>(Pattern(withBase) - Pattern(r.RamMin));
  }
  return CheckedSub(Narrow(v), Narrow(image.OmitImageBase ? r.RvaDelta : r.RamDelta));
}

// The part of a record's memory that has file bytes is as long as its file range.
bool ZeroFilled(const RecordFields& r, std::int64_t withBase) {
  const std::int64_t fileLength = std::int64_t{r.FileMax} - r.FileMin;
  return fileLength <= 0 || Pattern(withBase) - Pattern(r.RamMin) >= Pattern(fileLength);
}

}  // namespace

Translation TranslateFileOffset(const PeImage& image, std::int64_t offset) {
  const TranslationIndex& index = LookupOf(image);
  const RecordFields* r = index.FromOffset.Find(AddressOrder(ImageKind::Pe32, offset));
  if (r == nullptr) return {};
  return {r->Position, Landing::Mapped, OffsetToAddress(image, *r, offset)};
}

Translation TranslateAddress(const PeImage& image, std::int64_t address) {
  const TranslationIndex& index = LookupOf(image);
  const std::optional<std::int64_t> withBase = WithBase(image, address);
  if (!withBase) return {};
  const RecordFields* r = index.FromAddress.Find(AddressOrder(image.Kind, *withBase));
  if (r == nullptr) return {};
  if (ZeroFilled(*r, *withBase)) return {r->Position, Landing::ZeroFilled, 0};
  return {r->Position, Landing::Mapped, AddressToOffset(image, *r, address, *withBase)};
}

std::int32_t FileToRam(const PeImage& image, std::int64_t& value) {
  const Translation t = TranslateFileOffset(image, value);
  value = t.Value;
  return t.Position;
}

std::int32_t RamToFile(const PeImage& image, std::int64_t& value) {
  const Translation t = TranslateAddress(image, value);
  value = t.Value;
  return t.Position;
}

void TableChanged(const PeImage& image) { image.Lookup.reset(); }

}  // namespace marlit
