#include "pe/translate.h"

#include "platform/checked.h"

namespace marlit {

namespace {

// The walk common to both directions: the first included record that holds value wins, and its
// rank among the included records is the result.
template <typename Holds, typename Move>
std::int32_t Translate(const PeImage& image, std::int64_t& value, Holds holds, Move move) {
  std::int32_t rank = 0;
  for (const SectionRecord& record : Records(image)) {
    if (!record.Included) continue;
    ++rank;
    if (holds(record, value)) {
      value = move(record, value);
      return rank;
    }
  }
  value = 0;
  return 0;
}

bool HoldsOffset(const SectionRecord& r, std::int64_t v) { return r.FileMin <= v && v < r.FileMax; }

// A PE32 image's values are 32-bit: its sums are checked in 32 bits.
std::int32_t Narrow(std::int64_t v) { return static_cast<std::int32_t>(v); }

std::int32_t FileToRam32(const PeImage& image, std::int64_t& value) {
  return Translate(image, value, HoldsOffset, [&image](const SectionRecord& r, std::int64_t v) {
    return std::int64_t{
        CheckedAdd(Narrow(v), Narrow(image.OmitImageBase ? r.RvaDelta : r.RamDelta))};
  });
}

std::int32_t RamToFile32(const PeImage& image, std::int64_t& value) {
  if (image.OmitImageBase) {
    // Addresses without the image base, as FileToRam gives them in this mode, so that the two
    // directions stay inverse. The range is compared in 64 bits: RamMin - ImageBase cannot wrap.
    return Translate(
        image, value,
        [&image](const SectionRecord& r, std::int64_t v) {
          const std::int64_t withBase = v + image.ImageBase;
          return r.RamMin <= withBase && withBase < r.RamMax;
        },
        [](const SectionRecord& r, std::int64_t v) {
          return std::int64_t{CheckedSub(Narrow(v), Narrow(r.RvaDelta))};
        });
  }
  return Translate(
      image, value,
      [](const SectionRecord& r, std::int64_t v) { return r.RamMin <= v && v < r.RamMax; },
      [](const SectionRecord& r, std::int64_t v) {
        return std::int64_t{CheckedSub(Narrow(v), Narrow(r.RamDelta))};
      });
}

// In a PE32+ image every record's memory range lies within 0 .. 2^64 - 1 and its RVA range within
// 0 .. 2^32 - 1 (the loader refuses other files), so the sums below cannot leave them.
std::uint64_t Pattern(std::int64_t v) { return static_cast<std::uint64_t>(v); }

std::int32_t FileToRam64(const PeImage& image, std::int64_t& value) {
  return Translate(image, value, HoldsOffset, [&image](const SectionRecord& r, std::int64_t v) {
    const std::uint64_t into = Pattern(v) - Pattern(r.FileMin);
    const std::uint64_t base = image.OmitImageBase ? Pattern(image.ImageBase) : 0;
    return static_cast<std::int64_t>(Pattern(r.RamMin) - base + into);
  });
}

std::int32_t RamToFile64(const PeImage& image, std::int64_t& value) {
  // Without the image base an address is the RVA: the range is the record's less the base.
  const std::uint64_t base = image.OmitImageBase ? Pattern(image.ImageBase) : 0;
  return Translate(
      image, value,
      [base](const SectionRecord& r, std::int64_t v) {
        return Pattern(r.RamMin) - base <= Pattern(v) && Pattern(v) < Pattern(r.RamMax) - base;
      },
      [base](const SectionRecord& r, std::int64_t v) {
        return std::int64_t{r.FileMin} +
               static_cast<std::int64_t>(Pattern(v) - (Pattern(r.RamMin) - base));
      });
}

}  // namespace

std::int32_t FileToRam(const PeImage& image, std::int64_t& value) {
  return image.Kind == ImageKind::Pe32Plus ? FileToRam64(image, value) : FileToRam32(image, value);
}

std::int32_t RamToFile(const PeImage& image, std::int64_t& value) {
  return image.Kind == ImageKind::Pe32Plus ? RamToFile64(image, value) : RamToFile32(image, value);
}

}  // namespace marlit
