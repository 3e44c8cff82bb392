#pragma once
// The section count field of an input as the loader reads it, so that a target can leave out the
// inputs that ask for a table larger than fuzz::kLargestTable before analysing them.

#include <cstdint>
#include <span>

namespace marlit::fuzz {

// At PeOffset + 6, or, where a seek falls outside the input, on from where the reading stands;
// zeros past the end.
[[nodiscard]] inline std::int32_t SectionCountField(std::span<const std::uint8_t> input) {
  const auto size = static_cast<std::int64_t>(input.size());
  std::int64_t at = 0;
  const auto seek = [&](std::int64_t offset) {
    if (offset >= 0 && offset + 1 < size) at = offset;
  };
  const auto read = [&](int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i, ++at) {
      if (at < size) value |= std::uint32_t{input[static_cast<std::size_t>(at)]} << (8 * i);
    }
    return value;
  };
  seek(60);
  const auto peOffset = static_cast<std::int32_t>(read(4));
  seek(peOffset);
  (void)read(4);
  seek(std::int64_t{peOffset} + 6);
  return static_cast<std::int16_t>(read(2));
}

}  // namespace marlit::fuzz
