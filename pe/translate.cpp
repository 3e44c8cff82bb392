#include "pe/translate.h"

#include "platform/checked.h"

namespace marlit {

namespace {

// The walk common to both directions: the first included record that holds value wins, and its
// rank among the included records is the result.
template <typename Holds, typename Move>
std::int32_t Translate(const PeImage& image, std::int32_t& value, Holds holds, Move move) {
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

}  // namespace

std::int32_t FileToRam(const PeImage& image, std::int32_t& value) {
  return Translate(
      image, value,
      [](const SectionRecord& r, std::int32_t v) { return r.FileMin <= v && v < r.FileMax; },
      [&image](const SectionRecord& r, std::int32_t v) {
        return CheckedAdd(v, image.OmitImageBase ? r.RvaDelta : r.RamDelta);
      });
}

std::int32_t RamToFile(const PeImage& image, std::int32_t& value) {
  if (image.OmitImageBase) {
    // Addresses without the image base, as FileToRam gives them in this mode, so that the two
    // directions stay inverse. The range is compared in 64 bits: RamMin - ImageBase cannot wrap.
    return Translate(
        image, value,
        [&image](const SectionRecord& r, std::int32_t v) {
          const std::int64_t withBase = std::int64_t{v} + image.ImageBase;
          return r.RamMin <= withBase && withBase < r.RamMax;
        },
        [](const SectionRecord& r, std::int32_t v) { return CheckedSub(v, r.RvaDelta); });
  }
  return Translate(
      image, value,
      [](const SectionRecord& r, std::int32_t v) { return r.RamMin <= v && v < r.RamMax; },
      [](const SectionRecord& r, std::int32_t v) { return CheckedSub(v, r.RamDelta); });
}

}  // namespace marlit
