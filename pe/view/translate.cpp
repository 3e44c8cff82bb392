#include "pe/view/translate.h"

#include <array>

#include "pe/view/translation_index.h"
#include "platform/errors.h"

namespace marlit {

namespace {

// A PE32 image's values are 32-bit: its sums are checked in 32 bits.
std::int32_t Narrow(std::int64_t v) { return static_cast<std::int32_t>(v); }

// In a PE32+ image every record's memory range lies within 0 .. 2^64 - 1 and its RVA range within
// 0 .. 2^32 - 1 (the loader refuses other files), so the sums below, in Patterns, cannot leave them.

// A translated value, and whether its 32-bit sum overflowed: that is raised only when the value
// is the answer.
struct Sum {
  std::int64_t Value = 0;
  bool Overflow = false;
};

Sum OffsetToAddress(const PeImage& image, const OffsetAnswer& a, std::int64_t v) {
  if (image.Kind == ImageKind::Pe32Plus) {
    return {static_cast<std::int64_t>(Pattern(v) + Pattern(a.Shift))};
  }
  std::int32_t sum = 0;
  const bool overflow = __builtin_add_overflow(Narrow(v), Narrow(a.Shift), &sum);
  return {sum, overflow};
}

// The file offset of an address that its record holds with its file bytes, into bytes past
// RamMin; a PE32 image subtracts the delta in force, as the two directions stay inverse.
Sum AddressToOffset(const PeImage& image, const AddressAnswer& a, std::int64_t v,
                    std::uint64_t into) {
  if (image.Kind == ImageKind::Pe32Plus) {
    return {std::int64_t{a.Back} + static_cast<std::int64_t>(into)};
  }
  std::int32_t difference = 0;
  const bool overflow = __builtin_sub_overflow(Narrow(v), a.Back, &difference);
  return {difference, overflow};
}

// Where a value lands, by whether a record holds it and whether that part is zero-filled.
constexpr std::array<std::array<Landing, 2>, 2> kLanding{{
    {Landing::NotInSection, Landing::NotInSection},
    {Landing::Mapped, Landing::ZeroFilled},
}};

// The value when it is the answer, else 0; a mask rather than a branch.
std::int64_t Keep(std::int64_t value, bool answer) {
  return value & -static_cast<std::int64_t>(answer);
}

}  // namespace

// The lookup gives the answer of none, all 0, where no record holds the value, so the value is
// computed before the rank is known and chosen by it without a branch: a batch of values does not
// wait on each one's record.
Translation TranslateFileOffset(const PeImage& image, std::int64_t offset) {
  const TranslationIndex& index = LookupOf(image);
  const std::uint32_t position = index.FromOffset.Find(AddressOrder(ImageKind::Pe32, offset));
  const Sum address = OffsetToAddress(image, index.OffsetAnswers[position], offset);
  const bool held = position != 0;
  if (held & address.Overflow) throw OverflowError("32-bit addition overflow");
  return {static_cast<std::int32_t>(position), kLanding[held][0], Keep(address.Value, held)};
}

Translation TranslateAddress(const PeImage& image, std::int64_t address) {
  const TranslationIndex& index = LookupOf(image);
  const std::optional<std::int64_t> withBase = AddressWithBase(image, address);
  if (!withBase) return {};
  const std::uint32_t position = index.FromAddress.Find(AddressOrder(image.Kind, *withBase));
  const AddressAnswer& a = index.AddressAnswers[position];
  const std::uint64_t into = Pattern(*withBase) - a.RamMin;
  const Sum offset = AddressToOffset(image, a, address, into);
  const bool held = position != 0;
  const bool zeroFilled = into >= a.FileLength;
  const bool mapped = held & !zeroFilled;
  if (mapped & offset.Overflow) throw OverflowError("32-bit subtraction overflow");
  return {static_cast<std::int32_t>(position), kLanding[held][zeroFilled],
          Keep(offset.Value, mapped)};
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

std::optional<std::int64_t> AddressWithBase(const PeImage& image, std::int64_t address) {
  if (!image.OmitImageBase) return address;
  if (image.Kind == ImageKind::Pe32) return address + BaseInForce(image);
  std::uint64_t sum = 0;
  if (__builtin_add_overflow(Pattern(address), Pattern(BaseInForce(image)), &sum)) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>(sum);
}

void TableChanged(const PeImage& image) { image.Lookup.reset(); }

const SectionRecord* IncludedRecord(const PeImage& image, std::int32_t rank) {
  const std::vector<std::uint32_t>& records = LookupOf(image).RecordOfRank;
  if (rank < 1 || static_cast<std::size_t>(rank) >= records.size()) return nullptr;
  return &Records(image)[records[static_cast<std::size_t>(rank)]];
}

}  // namespace marlit
