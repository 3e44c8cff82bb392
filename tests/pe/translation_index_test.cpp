// The lookup against the walk it replaced: the first included record in the view's order, and its
// rank among the included records in table order.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "pe/translate.h"
#include "platform/errors.h"

namespace marlit {
namespace {

// Sums and differences wrap, as addresses do.
std::int64_t Plus(std::int64_t a, std::int64_t b) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}

struct Walk {
  std::int32_t position = 0;
  bool zeroFilled = false;
};

Walk ReferenceWalk(const PeImage& image, bool fromOffset, std::int64_t v) {
  const HeaderTurn turn = fromOffset ? image.HeaderFromOffset : image.HeaderFromAddress;
  const auto key = [&](std::int64_t x) { return AddressOrder(image.Kind, x); };
  const std::int64_t withBase =
      image.OmitImageBase && !fromOffset ? Plus(v, BaseInForce(image)) : v;
  const auto holds = [&](const SectionRecord& r) {
    if (fromOffset) return r.FileMin <= v && v < r.FileMax;
    return key(r.RamMin) <= key(withBase) && key(withBase) < key(r.RamMax);
  };
  std::vector<std::size_t> order;
  for (std::size_t i = turn == HeaderTurn::Last ? 1 : 0; i < image.Sections.size(); ++i)
    order.push_back(i);
  if (turn == HeaderTurn::Last) order.push_back(0);
  for (const std::size_t i : order) {
    const SectionRecord& r = image.Sections[i];
    if (!r.Included || !holds(r)) continue;
    std::int32_t rank = 0;
    for (std::size_t j = 0; j <= i; ++j) rank += image.Sections[j].Included ? 1 : 0;
    const auto into = static_cast<std::uint64_t>(withBase) - static_cast<std::uint64_t>(r.RamMin);
    const std::int64_t length = std::int64_t{r.FileMax} - r.FileMin;
    return {rank, !fromOffset && (length <= 0 || into >= static_cast<std::uint64_t>(length))};
  }
  return {};
}

// Records of small ranges in a small space, so that they overlap, nest and touch; a PE32+ table
// straddles 2^63 so that the unsigned order matters.
PeImage RandomImage(std::mt19937& random, ImageKind kind) {
  std::uniform_int_distribution<std::int32_t> bound(0, 64);
  PeImage image;
  image.Kind = kind;
  image.ImageBase = kind == ImageKind::Pe32Plus ? std::int64_t{0x7FFFFFFFFFFFFFE0} : 0x100;
  image.OmitImageBase = random() % 2 == 0;
  image.HeaderFromOffset = random() % 2 == 0 ? HeaderTurn::First : HeaderTurn::Last;
  image.HeaderFromAddress = random() % 2 == 0 ? HeaderTurn::First : HeaderTurn::Last;
  const int count = 1 + static_cast<int>(random() % 12);
  for (int i = 0; i < count; ++i) {
    SectionRecord r;
    r.FileMin = bound(random) - 8;
    r.FileMax = r.FileMin + bound(random) / 3;
    r.RamMin = Plus(image.ImageBase, bound(random));
    r.RamMax = Plus(r.RamMin, bound(random) / 3);
    r.RamDelta = Plus(r.RamMin, -std::int64_t{r.FileMin});
    r.RvaDelta = Plus(r.RamDelta, -image.ImageBase);
    r.Included = random() % 4 != 0;
    image.Sections.push_back(r);
  }
  image.SectionCount = static_cast<std::int16_t>(count);
  return image;
}

TEST(TranslationIndexTest, AnswersAsTheWalkOverRandomTables) {
  std::mt19937 random(20261208);
  for (int table = 0; table < 400; ++table) {
    const ImageKind kind = table % 2 == 0 ? ImageKind::Pe32 : ImageKind::Pe32Plus;
    const PeImage image = RandomImage(random, kind);
    const std::int64_t addressStart = image.OmitImageBase ? -4 : image.ImageBase - 4;
    for (std::int64_t i = 0; i < 80; ++i) {
      const std::int64_t offset = i - 12;
      const Walk file = ReferenceWalk(image, true, offset);
      EXPECT_EQ(TranslateFileOffset(image, offset).Position, file.position) << table << " " << i;

      const std::int64_t address = Plus(addressStart, i);
      const Walk ram = ReferenceWalk(image, false, address);
      try {
        const Translation t = TranslateAddress(image, address);
        EXPECT_EQ(t.Position, ram.position) << table << " " << i;
        EXPECT_EQ(t.Where == Landing::ZeroFilled, ram.zeroFilled) << table << " " << i;
      } catch (const OverflowError&) {
        EXPECT_NE(ram.position, 0);
      }
    }
  }
}

}  // namespace
}  // namespace marlit
