// Analyses arbitrary bytes in memory as a PE file, then runs everything that works on the table
// it builds: the long names, the two views (which must agree where the file is well formed), a
// load address, the translation both ways with and without the base, the number texts of every
// value and the overlap report. What describes an address (the directories, exports, relocations
// and references) has its own target, fuzz_address_facts. The options come from the last byte
// (fuzz/loader_options.h).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "fuzz/loader_options.h"
#include "fuzz/require.h"
#include "fuzz/section_count_field.h"
#include "pe/view/image_view.h"
#include "pe/load/loader.h"
#include "pe/panel/number_text.h"
#include "pe/view/overlap.h"
#include "pe/view/section_choice.h"
#include "pe/view/translate.h"
#include "platform/errors.h"
#include "tests/common/pe_builder.h"
#include "tests/fakes/fakes.h"

namespace marlit {
namespace {

using fuzz::LoaderOptions;

constexpr std::u16string_view kWarningStart = u"★ 區段「";
// Records whose bounds are translated: a sample of this many, and fewer in a table so large that
// every translation walks thousands of records.
constexpr std::size_t kSampledRecords = 8;
constexpr std::size_t kRecordVisits = 4096;
// The number texts depend on the value alone: a few values of each input are enough.
constexpr std::size_t kTextChecks = 10;

bool SameTable(const PeImage& a, const PeImage& b) {
  if (a.SectionCount != b.SectionCount || a.ImageBase != b.ImageBase ||
      a.Sections.size() != b.Sections.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.Sections.size(); ++i) {
    const SectionRecord& x = a.Sections[i];
    const SectionRecord& y = b.Sections[i];
    if (x.Name != y.Name || x.RamMin != y.RamMin || x.RamMax != y.RamMax ||
        x.FileMin != y.FileMin || x.FileMax != y.FileMax || x.RamDelta != y.RamDelta ||
        x.RvaDelta != y.RvaDelta || x.Included != y.Included) {
      return false;
    }
  }
  return true;
}

// The table the input may replace: a small image analysed once, shown without its image base.
const PeImage& Previous() {
  static const PeImage previous = [] {
    const std::vector<std::uint8_t> bytes = test::EvenSections(3).ImageBase(0x10000000).Build();
    fake::FakePrompt prompt;
    PeImage image;
    MARLIT_REQUIRE(AnalyzePeBytes(image, bytes, u"previous", prompt));
    image.OmitImageBase = true;
    return image;
  }();
  return previous;
}

// At most one question, first, and at most one message; the table is replaced only by a built
// analysis or by one that ends with its pending format error.
void CheckAnalysis(const PeImage& before, const PeImage& image, const LoaderReading& reading,
                   bool built, const fake::FakePrompt& prompt, const LoaderOptions& options) {
  std::size_t questions = 0;
  std::size_t messages = 0;
  for (const fake::FakePrompt::Shown& shown : prompt.shown) {
    MARLIT_REQUIRE(!shown.text.empty());
    if (shown.question) {
      MARLIT_REQUIRE(messages == 0);
      ++questions;
    } else {
      ++messages;
    }
  }
  MARLIT_REQUIRE(questions <= 1 && messages <= 1);
  MARLIT_REQUIRE(image.OmitImageBase == before.OmitImageBase);
  if (built) {
    MARLIT_REQUIRE(messages == 0 && reading.LoadError.empty());
    MARLIT_REQUIRE(!Rebased(image));
    MARLIT_REQUIRE(image.SectionCount > 0);
    MARLIT_REQUIRE(questions == 0 || !options.answerCancel);
  } else if (messages == 0) {
    // Declined at the question.
    MARLIT_REQUIRE(questions == 1 && options.answerCancel);
    MARLIT_REQUIRE(SameTable(image, before));
  } else {
    const std::u16string& message = prompt.shown.back().text;
    MARLIT_REQUIRE(SameTable(image, before) || message == reading.LoadError);
  }
}

// The deltas hold modulo 2^64, which covers the bit patterns of a PE32+ image too.
void CheckTable(const PeImage& image) {
  MARLIT_REQUIRE(image.SectionCount >= 0);
  MARLIT_REQUIRE(static_cast<std::size_t>(image.SectionCount) == image.Sections.size());
  const auto u = [](std::int64_t v) { return static_cast<std::uint64_t>(v); };
  for (const SectionRecord& r : image.Sections) {
    MARLIT_REQUIRE(u(r.RamDelta) == u(r.RamMin) - u(r.FileMin));
    MARLIT_REQUIRE(u(r.RvaDelta) == u(r.RamDelta) - u(BaseInForce(image)));
  }
}

void ApplyExclusions(PeImage& image, const LoaderOptions& options) {
  for (std::size_t i = 0; i < image.Sections.size(); ++i) {
    if (options.Excludes(i)) IncludeSection(image, i, false);
  }
}

std::size_t CountWarnings(std::u16string_view report) {
  std::size_t n = 0;
  for (std::size_t at = report.find(kWarningStart); at != std::u16string_view::npos;
       at = report.find(kWarningStart, at + 1)) {
    ++n;
  }
  return n;
}

// Empty when nothing overlaps; otherwise warnings, cut after kMaxOverlapLines with one more line.
void CheckOverlapReport(std::u16string_view report) {
  if (report.empty()) return;
  const std::size_t warnings = CountWarnings(report);
  MARLIT_REQUIRE(warnings >= 1 && warnings <= kMaxOverlapLines);
  const bool cut = report.find(kOverlapCutLine) != std::u16string_view::npos;
  MARLIT_REQUIRE(!cut || warnings == kMaxOverlapLines);
}

void CheckTexts(const HexByteTable& table, std::int32_t value) {
  const std::u16string hex = HexFieldText(value);
  MARLIT_REQUIRE(hex.size() >= 1 && hex.size() <= 8);
  MARLIT_REQUIRE(ParseHexField(hex) == value);

  const std::u16string decimal = FieldNumberText(Radix::Decimal, NumberWidth::Narrow, value);
  const bool negative = value < 0;
  MARLIT_REQUIRE(decimal.starts_with(u'-') == negative);
  const std::u16string_view digits = std::u16string_view(decimal).substr(negative ? 1 : 0);
  try {
    const std::int64_t magnitude = ParseDecimalField(digits);
    MARLIT_REQUIRE((negative ? -magnitude : magnitude) == value);
  } catch (const OverflowError&) {
    MARLIT_REQUIRE(value == std::numeric_limits<std::int32_t>::min());
  }

  // The bytes in memory order are the eight digits of the pattern, taken two by two backwards.
  const std::u16string bytes = LongToByteHex(table, value);
  if (value == 0) {
    MARLIT_REQUIRE(bytes.empty());
    return;
  }
  MARLIT_REQUIRE(bytes.size() == 8);
  const std::u16string padded = std::u16string(8 - hex.size(), u'0') + hex;
  for (std::size_t i = 0; i < 8; i += 2) {
    MARLIT_REQUIRE(bytes.compare(i, 2, padded, 6 - i, 2) == 0);
  }
}

enum class Direction { kFileToRam, kRamToFile };

// The value type of the translation, 32-bit while only PE32 images are read, 64-bit with PE32+.
template <typename Translation>
struct TranslatedValueOf;
template <typename Value>
struct TranslatedValueOf<std::int32_t (*)(const PeImage&, Value&)> {
  using type = Value;
};
using TranslatedValue = TranslatedValueOf<decltype(&FileToRam)>::type;

// A PE32+ image, where the table says so: its memory addresses are unsigned 64-bit patterns, its
// sums wrap instead of overflowing.
template <typename Image>
bool IsPe32Plus(const Image& image) {
  if constexpr (requires { image.Kind; }) {
    return image.Kind == decltype(image.Kind)::Pe32Plus;
  } else {
    return false;
  }
}

// A file offset in the record's file range, or a memory address in its memory range, which
// without the image base is the range less the base: signed in a PE32 image, unsigned in PE32+.
bool Holds(const PeImage& image, const SectionRecord& r, Direction d, std::int64_t v) {
  if (d == Direction::kFileToRam) return r.FileMin <= v && v < r.FileMax;
  const std::int64_t base = image.OmitImageBase ? BaseInForce(image) : 0;
  if (IsPe32Plus(image)) {
    return Pattern(r.RamMin) - Pattern(base) <= Pattern(v) &&
           Pattern(v) < Pattern(r.RamMax) - Pattern(base);
  }
  return r.RamMin <= v + base && v + base < r.RamMax;
}

struct Holder {
  std::int32_t rank = 0;
  const SectionRecord* record = nullptr;
};

// The first included record that holds v in the view's order, by its rank among the included
// records in table order.
Holder FirstHolder(const PeImage& image, Direction d, std::int64_t v) {
  const HeaderTurn turn =
      d == Direction::kFileToRam ? image.HeaderFromOffset : image.HeaderFromAddress;
  std::int32_t rank = 0;
  Holder header;
  for (std::size_t i = 0; i < image.Sections.size(); ++i) {
    const SectionRecord& r = image.Sections[i];
    if (!r.Included) continue;
    ++rank;
    if (!Holds(image, r, d, v)) continue;
    if (i != 0 || turn == HeaderTurn::First) return {rank, &r};
    header = {rank, &r};
  }
  return header;
}

// An address in the part of its record's memory past the record's file bytes.
bool ZeroFilledIn(const PeImage& image, const SectionRecord& r, std::int64_t address) {
  const std::uint64_t withBase =
      Pattern(address) + (image.OmitImageBase ? Pattern(BaseInForce(image)) : 0);
  const std::int64_t length = std::int64_t{r.FileMax} - r.FileMin;
  return length <= 0 || withBase - Pattern(r.RamMin) >= Pattern(length);
}

// The rank, and in value the translated value; OverflowError as the translation raises it.
std::int32_t Translate(const PeImage& image, Direction d, std::int64_t& value) {
  auto v = static_cast<TranslatedValue>(value);
  const std::int32_t rank = d == Direction::kFileToRam ? FileToRam(image, v) : RamToFile(image, v);
  value = v;
  return rank;
}

Direction Back(Direction d) {
  return d == Direction::kFileToRam ? Direction::kRamToFile : Direction::kFileToRam;
}

// Whether a PE32 sum leaves the 32-bit range.
bool Overflows(std::int64_t sum) {
  return sum < std::numeric_limits<std::int32_t>::min() ||
         sum > std::numeric_limits<std::int32_t>::max();
}

// value moved by the holder's delta, or 0 when nothing holds it; a PE32 sum out of range raises
// OverflowError and leaves the value as it was, a PE32+ one wraps. When no two included records
// overlap, a value that lands in its record's other range translates back to where it came from.
void CheckTranslation(const PeImage& image, const HexByteTable& table, Direction d,
                      std::int64_t original, bool disjoint, bool withTexts) {
  const Holder holder = FirstHolder(image, d, original);
  const bool zeroFilled = holder.record != nullptr && d == Direction::kRamToFile &&
                          ZeroFilledIn(image, *holder.record, original);
  std::int64_t expected = 0;
  if (holder.record != nullptr && !zeroFilled) {
    const std::int64_t delta =
        image.OmitImageBase ? holder.record->RvaDelta : holder.record->RamDelta;
    const bool forward = d == Direction::kFileToRam;
    expected = IsPe32Plus(image)
                   ? static_cast<std::int64_t>(forward ? Pattern(original) + Pattern(delta)
                                                       : Pattern(original) - Pattern(delta))
                   : (forward ? original + delta : original - delta);
  }
  std::int64_t value = original;
  try {
    const std::int32_t rank = Translate(image, d, value);
    MARLIT_REQUIRE(rank == holder.rank && value == expected);
  } catch (const OverflowError&) {
    MARLIT_REQUIRE(value == original && holder.record != nullptr);
    MARLIT_REQUIRE(!IsPe32Plus(image) && Overflows(expected));
    return;
  }
  if (d == Direction::kRamToFile) {
    const Translation t = TranslateAddress(image, original);
    MARLIT_REQUIRE((t.Where == Landing::ZeroFilled) == zeroFilled);
  }
  if (withTexts) CheckTexts(table, static_cast<std::int32_t>(value));
  if (!disjoint || holder.record == nullptr || zeroFilled ||
      !Holds(image, *holder.record, Back(d), value)) {
    return;
  }
  std::int64_t back = value;
  MARLIT_REQUIRE(Translate(image, Back(d), back) == holder.rank && back == original);
}

// The values worth translating in one direction and mode: 0, 1, -1, the extremes and the image
// base, and the bounds of a sample of the records as the direction and mode give them, each with
// the value just below it (the last one inside the range, or the last one before it). File
// offsets, and the addresses of a PE32 image, are 32-bit: bounds at the ends of that range wrap
// around, which makes one more value of interest.
std::vector<std::int64_t> InterestingValues(const PeImage& image, Direction d) {
  const bool wide = d == Direction::kRamToFile && IsPe32Plus(image);
  std::vector<std::int64_t> values = {0,
                                      1,
                                      -1,
                                      std::numeric_limits<std::int32_t>::min(),
                                      std::numeric_limits<std::int32_t>::max(),
                                      image.ImageBase,
                                      BaseInForce(image)};
  if (wide) {
    values.insert(values.end(), {std::numeric_limits<std::int64_t>::min(),
                                 std::numeric_limits<std::int64_t>::max()});
  }
  const std::size_t n = image.Sections.size();
  const std::size_t sampled = std::min(
      {n, kSampledRecords, std::max<std::size_t>(1, kRecordVisits / std::max<std::size_t>(n, 1))});
  const std::uint64_t base = image.OmitImageBase ? Pattern(BaseInForce(image)) : 0;
  for (std::size_t k = 0; k < sampled; ++k) {
    const SectionRecord& r = image.Sections[k * n / sampled];
    const bool file = d == Direction::kFileToRam;
    for (std::uint64_t bound : {file ? Pattern(r.FileMin) : Pattern(r.RamMin) - base,
                                file ? Pattern(r.FileMax) : Pattern(r.RamMax) - base}) {
      values.push_back(static_cast<std::int64_t>(bound - 1));
      values.push_back(static_cast<std::int64_t>(bound));
    }
  }
  if (!wide) {
    for (std::int64_t& v : values) v = static_cast<std::int32_t>(v);
  }
  return values;
}

// The number texts are checked on the memory addresses that the first file offsets of a PE32
// image translate to: the extremes, the image base and the header's bounds.
void RunOperations(PeImage& image) {
  static const HexByteTable table = BuildHexByteText();
  const std::u16string report = OverlapReport(image);
  CheckOverlapReport(report);
  const bool disjoint = report.empty();
  for (bool omit : {false, true}) {
    image.OmitImageBase = omit;
    for (Direction d : {Direction::kFileToRam, Direction::kRamToFile}) {
      const bool withTexts = !omit && d == Direction::kFileToRam && !IsPe32Plus(image);
      const std::vector<std::int64_t> values = InterestingValues(image, d);
      for (std::size_t i = 0; i < values.size(); ++i) {
        CheckTranslation(image, table, d, values[i], disjoint, withTexts && i < kTextChecks);
      }
    }
  }
}

bool PowerOfTwo(std::uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

std::uint64_t Up(std::uint64_t v, std::uint64_t a) { return (v + a - 1) / a * a; }

// A file as linkers write it: a page-aligned image whose file alignment the loader takes, every
// section's raw data aligned, within the file and within its memory, no section's memory
// overlapping another's or the headers'.
bool WellFormed(const RawImageHeaders& raw) {
  const std::uint32_t sa = raw.SectionAlignment;
  const std::uint32_t fa = raw.FileAlignment;
  if (sa < 0x1000 || !PowerOfTwo(sa) || !PowerOfTwo(fa) || fa < 0x200 || fa > 0x10000 || fa > sa) {
    return false;
  }
  std::vector<std::pair<std::uint64_t, std::uint64_t>> memory{{0, Up(raw.SizeOfHeaders, sa)}};
  for (const RawSectionHeader& s : raw.Sections) {
    const std::uint64_t size = Up(s.VirtualSize != 0 ? s.VirtualSize : s.SizeOfRawData, sa);
    if (s.PointerToRawData == 0 || s.SizeOfRawData == 0 || s.PointerToRawData % fa != 0 ||
        s.SizeOfRawData % fa != 0 || s.VirtualAddress % sa != 0 ||
        std::uint64_t{s.PointerToRawData} + s.SizeOfRawData > raw.FileLength ||
        s.VirtualSize > s.SizeOfRawData || s.SizeOfRawData > size) {
      return false;
    }
    memory.emplace_back(s.VirtualAddress, s.VirtualAddress + size);
  }
  std::sort(memory.begin(), memory.end());
  for (std::size_t i = 1; i < memory.size(); ++i) {
    if (memory[i].first < memory[i - 1].second) return false;
  }
  return true;
}

// Where the file is well formed, a value that the raw view finds in a section is found in the
// same section, at the same place, by the loader's view.
void CheckViewsAgree(const PeImage& image) {
  if (image.View != MappingView::Raw || image.SectionCount == 0 || !WellFormed(image.Raw)) return;
  PeImage loader = image;
  if (SetView(loader, MappingView::Loader) != ViewChange::Done) return;
  for (Direction d : {Direction::kFileToRam, Direction::kRamToFile}) {
    for (const std::int64_t v : InterestingValues(image, d)) {
      std::int64_t raw = v;
      std::int64_t mapped = v;
      try {
        const std::int32_t rank = Translate(image, d, raw);
        if (rank < 2) continue;
        MARLIT_REQUIRE(Translate(loader, d, mapped) == rank && mapped == raw);
      } catch (const OverflowError&) {
      }
    }
  }
}

// A load address from the input: a refused one leaves the table as it was; one in force moves
// every record's memory range and nothing else.
void CheckLoadAddress(PeImage& image, std::span<const std::uint8_t> input) {
  if (image.TablesInForce == 0) return;
  std::uint32_t word = 0;
  const std::size_t at = input.size() / 2;
  for (std::size_t i = 0; i < 4 && at + i < input.size(); ++i) {
    word |= std::uint32_t{input[at + i]} << (8 * i);
  }
  // Whole pages in a PE32 image, either way; far and wide in a PE32+ one.
  const std::uint64_t shift = image.Kind == ImageKind::Pe32
                                  ? Pattern(static_cast<std::int32_t>(word << 12))
                                  : std::uint64_t{word} << 28;
  const PeImage before = image;
  const auto address = static_cast<std::int64_t>(Pattern(image.ImageBase) + shift);
  if (SetLoadAddress(image, address) == ViewChange::Overflowed) {
    MARLIT_REQUIRE(SameTable(image, before) && BaseInForce(image) == BaseInForce(before));
    return;
  }
  MARLIT_REQUIRE(BaseInForce(image) == address && image.Sections.size() == before.Sections.size());
  const std::uint64_t moved = Pattern(address) - Pattern(BaseInForce(before));
  for (std::size_t i = 0; i < image.Sections.size(); ++i) {
    const SectionRecord& r = image.Sections[i];
    const SectionRecord& b = before.Sections[i];
    MARLIT_REQUIRE(Pattern(r.RamMin) == Pattern(b.RamMin) + moved &&
                   Pattern(r.RamMax) == Pattern(b.RamMax) + moved);
    MARLIT_REQUIRE(r.FileMin == b.FileMin && r.FileMax == b.FileMax &&
                   r.RvaDelta == b.RvaDelta && r.Included == b.Included && r.Name == b.Name);
  }
}

}  // namespace
}  // namespace marlit

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace marlit;
  const std::span<const std::uint8_t> input(data, size);
  const LoaderOptions options = fuzz::LoaderOptionsOf(input);
  const std::int32_t count = fuzz::SectionCountField(input);
  // Kept out of the corpus: libFuzzer 15 and later drop such inputs; older ones find no coverage
  // in them, as the target's own code is not instrumented.
  if (count > fuzz::kLargestTable && count < std::numeric_limits<std::int16_t>::max()) return -1;

  PeImage image = options.startEmpty ? PeImage{} : Previous();
  const PeImage before = image;
  fake::FakePrompt prompt;
  prompt.answers = {!options.answerCancel};
  LoaderReading reading;
  const bool built = AnalyzePeBytes(image, input, u"input", prompt, &reading);
  CheckAnalysis(before, image, reading, built, prompt, options);
  CheckTable(image);
  CheckViewsAgree(image);
  if (options.loaderView && SetView(image, MappingView::Loader) == ViewChange::Done) {
    CheckTable(image);
  }
  CheckLoadAddress(image, input);
  CheckTable(image);

  ApplyExclusions(image, options);
  RunOperations(image);
  return 0;
}
