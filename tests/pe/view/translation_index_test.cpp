// The lookup against the walk it replaced: the first included record in the view's order, and its
// rank among the included records in table order.
#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "pe/view/translate.h"
#include "platform/errors.h"

namespace marlit {
namespace {

// Sums and differences wrap, as addresses do.
std::int64_t Plus(std::int64_t a, std::int64_t b) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}

// The first included record in the view's order that holds v: its rank among the included
// records, and whether an address lies past its file bytes; {0, false} when none holds it.
std::pair<std::int32_t, bool> ReferenceWalk(const PeImage& image, bool fromOffset, std::int64_t v) {
  const bool headerLast =
      (fromOffset ? image.HeaderFromOffset : image.HeaderFromAddress) == HeaderTurn::Last;
  const std::int64_t withBase =
      image.OmitImageBase && !fromOffset ? Plus(v, BaseInForce(image)) : v;
  const auto key = [&](std::int64_t x) { return AddressOrder(image.Kind, x); };
  const std::size_t count = image.Sections.size();
  for (std::size_t step = 0; step < count; ++step) {
    const std::size_t i = headerLast ? (step + 1) % count : step;
    const SectionRecord& r = image.Sections[i];
    const bool holds = fromOffset ? r.FileMin <= v && v < r.FileMax
                                  : key(r.RamMin) <= key(withBase) && key(withBase) < key(r.RamMax);
    if (!r.Included || !holds) continue;
    std::int32_t rank = 0;
    for (std::size_t j = 0; j <= i; ++j) rank += image.Sections[j].Included ? 1 : 0;
    const auto into = static_cast<std::uint64_t>(withBase) - static_cast<std::uint64_t>(r.RamMin);
    const std::int64_t length = std::int64_t{r.FileMax} - r.FileMin;
    return {rank, !fromOffset && (length <= 0 || into >= static_cast<std::uint64_t>(length))};
  }
  return {0, false};
}

// Records of ranges in a small space, so that they overlap, nest and touch, scaled by scale; a
// PE32+ table straddles 2^63, where the unsigned order matters, or lies at the top of the space.
PeImage RandomImage(std::mt19937& random, ImageKind kind, std::int64_t base, std::int32_t scale) {
  std::uniform_int_distribution<std::int32_t> bound(0, 64);
  PeImage image;
  image.Kind = kind;
  image.ImageBase = base;
  image.OmitImageBase = random() % 2 == 0;
  image.HeaderFromOffset = random() % 2 == 0 ? HeaderTurn::First : HeaderTurn::Last;
  image.HeaderFromAddress = random() % 2 == 0 ? HeaderTurn::First : HeaderTurn::Last;
  const int count = 1 + static_cast<int>(random() % 12);
  for (int i = 0; i < count; ++i) {
    SectionRecord r;
    r.FileMin = (bound(random) - 8) * scale;
    r.FileMax = r.FileMin + bound(random) / 3 * scale;
    r.RamMin = Plus(image.ImageBase, std::int64_t{bound(random)} * scale);
    r.RamMax = Plus(r.RamMin, std::int64_t{bound(random)} / 3 * scale);
    r.RamDelta = Plus(r.RamMin, -std::int64_t{r.FileMin});
    r.RvaDelta = Plus(r.RamDelta, -image.ImageBase);
    r.Included = random() % 4 != 0;
    image.Sections.push_back(r);
  }
  image.SectionCount = static_cast<std::int16_t>(count);
  return image;
}

// Every bound of every record, and the values beside it.
std::vector<std::int64_t> Edges(const PeImage& image, bool fromOffset) {
  std::vector<std::int64_t> edges;
  const std::int64_t less = image.OmitImageBase ? BaseInForce(image) : 0;
  for (const SectionRecord& r : image.Sections) {
    const std::int64_t lo = fromOffset ? r.FileMin : Plus(r.RamMin, -less);
    const std::int64_t hi = fromOffset ? r.FileMax : Plus(r.RamMax, -less);
    for (const std::int64_t e : {lo, hi}) edges.insert(edges.end(), {Plus(e, -1), e, Plus(e, 1)});
  }
  return edges;
}

TEST(TranslationIndexTest, AnswersAsTheWalkOverRandomTables) {
  const struct {
    ImageKind kind;
    std::int64_t base;
    std::int32_t scale;
  } shapes[] = {
      {ImageKind::Pe32, 0x100, 1},
      {ImageKind::Pe32, 0x10000000, 0x10000},
      {ImageKind::Pe32Plus, 0x7FFFFFFFFFFFFFE0, 1},
      {ImageKind::Pe32Plus, static_cast<std::int64_t>(0xFFFFFFFFFFFFFF00), 1},
      {ImageKind::Pe32Plus, static_cast<std::int64_t>(0xFFFFFF0000000000), 0x1000000},
  };
  std::mt19937 random(20261208);
  for (const auto& shape : shapes) {
    for (int table = 0; table < 200; ++table) {
      const PeImage image = RandomImage(random, shape.kind, shape.base, shape.scale);
      const std::int64_t addressStart = image.OmitImageBase ? -4 : image.ImageBase - 4;
      std::vector<std::int64_t> offsets = Edges(image, true);
      std::vector<std::int64_t> addresses = Edges(image, false);
      for (std::int64_t i = 0; i < 80; ++i) {
        offsets.push_back(i - 12);
        addresses.push_back(Plus(addressStart, i));
      }
      for (const std::int64_t offset : offsets) {
        if (offset < INT32_MIN || offset > INT32_MAX) continue;
        EXPECT_EQ(TranslateFileOffset(image, offset).Position,
                  ReferenceWalk(image, true, offset).first)
            << shape.base << " " << table << " " << offset;
      }
      for (const std::int64_t address : addresses) {
        const auto [position, zeroFilled] = ReferenceWalk(image, false, address);
        try {
          const Translation t = TranslateAddress(image, address);
          EXPECT_EQ(t.Position, position) << shape.base << " " << table << " " << address;
          EXPECT_EQ(t.Where == Landing::ZeroFilled, zeroFilled) << table << " " << address;
        } catch (const OverflowError&) {
          EXPECT_NE(position, 0);
        }
      }
    }
  }
}

}  // namespace
}  // namespace marlit
