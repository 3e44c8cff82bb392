// Feeds arbitrary bytes to the loader as a file, then runs the translation, the overlap report,
// the number texts and the paste filter on what it built.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "pe/key_filter.h"
#include "pe/loader.h"
#include "pe/number_text.h"
#include "pe/overlap.h"
#include "pe/translate.h"
#include "platform/errors.h"

namespace marlit {
namespace {

class SilentPrompt : public Prompt {
 public:
  void ShowMessage(std::u16string_view) override {}
  bool AskOkCancel(std::u16string_view) override { return true; }
};

class SilentBeeper : public Beeper {
 public:
  void Beep() override {}
};

void Require(bool holds) {
  if (!holds) std::abort();
}

// One memory-backed file, rewritten for every input.
class InputFile {
 public:
  InputFile() : fd_(memfd_create("fuzz_loader", MFD_CLOEXEC)) {
    Require(fd_ >= 0);
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  void Write(const std::vector<std::uint8_t>& bytes) {
    Require(ftruncate(fd_, 0) == 0);
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n =
          pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
      Require(n > 0);
      done += static_cast<std::size_t>(n);
    }
  }
  [[nodiscard]] const std::string& Path() const { return path_; }

 private:
  int fd_;
  std::string path_;
};

// The first byte chooses the shape: odd puts the rest behind a DOS header and a PE signature, so
// that most inputs reach the section table; even takes the rest as the whole file. Behind the
// signature the section count is cut to 0 .. 63 unless the low four bits are exactly 1: tables of
// thousands of records are slow to build and say little more than small ones.
std::vector<std::uint8_t> ShapeFile(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return {};
  std::vector<std::uint8_t> file;
  const bool shaped = (data[0] & 1) != 0;
  if (shaped) {
    file.assign(68, 0);
    file[0] = 'M';
    file[1] = 'Z';
    file[60] = 64;
    file[64] = 'P';
    file[65] = 'E';
  }
  file.insert(file.end(), data + 1, data + size);
  constexpr std::size_t kCountField = 64 + 6;
  if (shaped && (data[0] & 0x0F) != 1 && file.size() >= kCountField + 2) {
    file[kCountField] &= 0x3F;
    file[kCountField + 1] = 0;
  }
  return file;
}

void CheckTable(const PeImage& image) {
  Require(image.SectionCount >= 0);
  Require(static_cast<std::size_t>(image.SectionCount) == image.Sections.size());
  for (const SectionRecord& r : image.Sections) {
    // The deltas of a PE32+ image are bit patterns: they hold modulo 2^64.
    auto u = [](std::int64_t v) { return static_cast<std::uint64_t>(v); };
    Require(u(r.RamDelta) == u(r.RamMin) - u(r.FileMin));
    Require(u(r.RvaDelta) == u(r.RamDelta) - u(image.ImageBase));
  }
}

void CheckTexts(const HexByteTable& table, NumberWidth width, std::int64_t value) {
  std::string text;
  for (const Radix radix : {Radix::Hex, Radix::Decimal}) {
    const std::u16string wide = FieldNumberText(radix, width, value);
    text.assign(wide.begin(), wide.end());
    if (radix == Radix::Hex || width == NumberWidth::Wide || value >= 0) {
      Require(ParseFieldNumber(text, radix, width) == value);
    }
  }
  if (width == NumberWidth::Narrow) {
    const auto narrow = static_cast<std::int32_t>(value);
    Require(LongToByteHex(table, narrow).size() == (narrow == 0 ? 0u : 8u));
  }
}

void Translate(PeImage& image, const HexByteTable& table, std::int64_t value) {
  for (bool omit : {false, true}) {
    image.OmitImageBase = omit;
    for (auto translate : {FileToRam, RamToFile}) {
      std::int64_t v = value;
      try {
        const std::int32_t position = translate(image, v);
        Require(position >= 0 && position <= image.SectionCount);
        if (position == 0) Require(v == 0);
      } catch (const OverflowError&) {
        Require(v == value);
      }
      CheckTexts(table, translate == FileToRam ? AddressWidth(image) : NumberWidth::Narrow, v);
    }
  }
  image.OmitImageBase = false;
}

void FilterAsPaste(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < size && text.size() < 64; i += 2) {
    text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  }
  SilentBeeper beeper;
  for (std::int32_t mode : {UseString::kDecimalMode, UseString::kHexMode}) {
    const std::u16string kept = UseString::KeptPasteText(text, mode, beeper);
    Require(text.starts_with(kept));
    try {
      (void)ParseDecimalField(kept);
    } catch (const OverflowError&) {
    }
    (void)ParseHexField(kept);
  }
}

}  // namespace
}  // namespace marlit

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace marlit;
  static InputFile input;
  static const HexByteTable table = BuildHexByteText();
  input.Write(ShapeFile(data, size));

  SilentPrompt prompt;
  PeImage image;
  const bool built = AnalyzePeFile(image, input.Path(), prompt);
  Require(built == (image.SectionCount > 0 && image.LoadError.empty()));
  CheckTable(image);

  // Every walk over a table of thousands of records takes the same paths; a few are enough.
  const bool large = image.Sections.size() > 64;
  std::vector<std::int64_t> values = {0, -1, image.ImageBase};
  if (!large) {
    values.insert(values.end(), {1, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max()});
    for (const SectionRecord& r : image.Sections) {
      values.insert(values.end(), {r.FileMin, r.FileMax, r.RamMin, r.RamMax});
    }
  }
  for (std::int64_t v : values) {
    // The file offset field and a PE32 image's memory field take 32-bit values only.
    if (image.Kind == ImageKind::Pe32 && static_cast<std::int32_t>(v) != v) continue;
    Translate(image, table, v);
  }
  (void)OverlapReport(image);
  FilterAsPaste(data, size);
  return 0;
}
