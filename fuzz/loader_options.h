#pragma once
// What the loader target does besides analysing its input, read from the input's last byte. The
// byte stays part of the image: any file is a seed as it is, and a last byte of 0 (the padding of
// most real files) asks for the plain run: the question answered OK, a table loaded before, every
// record included, the raw view.

#include <cstddef>
#include <cstdint>
#include <span>

namespace marlit::fuzz {

inline constexpr std::uint8_t kAnswerCancel = 0x01;
inline constexpr std::uint8_t kStartEmpty = 0x02;
// Bits 2 to 6: record i is excluded when bit i % 5 of this field is set.
inline constexpr int kExcludeShift = 2;
inline constexpr int kExcludeBits = 5;
// Bit 7: the loader's view is put in force after the analysis.
inline constexpr std::uint8_t kLoaderView = 0x80;

// Inputs whose section count field asks for a larger table are left out: a table of thousands of
// records takes the paths of a small one, thousands of times slower, and libFuzzer would keep
// such inputs for their long loops alone. Counts the loader refuses outright stay in.
inline constexpr std::int32_t kLargestTable = 64;

struct LoaderOptions {
  bool answerCancel = false;
  bool startEmpty = false;
  std::uint8_t excluded = 0;
  bool loaderView = false;

  [[nodiscard]] bool Excludes(std::size_t record) const {
    return ((excluded >> (record % kExcludeBits)) & 1) != 0;
  }
};

[[nodiscard]] inline LoaderOptions LoaderOptionsOf(std::span<const std::uint8_t> input) {
  if (input.empty()) return {};
  const std::uint8_t last = input.back();
  return {(last & kAnswerCancel) != 0, (last & kStartEmpty) != 0,
          static_cast<std::uint8_t>((last >> kExcludeShift) & ((1 << kExcludeBits) - 1)),
          (last & kLoaderView) != 0};
}

[[nodiscard]] inline std::uint8_t LoaderOptionsByte(const LoaderOptions& o) {
  return static_cast<std::uint8_t>((o.answerCancel ? kAnswerCancel : 0) |
                                   (o.startEmpty ? kStartEmpty : 0) |
                                   (o.excluded << kExcludeShift) |
                                   (o.loaderView ? kLoaderView : 0));
}

}  // namespace marlit::fuzz
