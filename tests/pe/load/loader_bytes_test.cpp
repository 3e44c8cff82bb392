// The loader's analysis of bytes in memory against its analysis of the same bytes as a file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <deque>
#include <string>
#include <tuple>
#include <vector>

#include "platform/translation.h"
#include "pe/load/loader.h"
#include "pe/load/loader_messages.h"
#include "tests/common/pe_builder.h"
#include "tests/fakes/fakes.h"

namespace marlit {
namespace {

using test::EvenSections;
using test::PeBuilder;
using test::TempDir;

std::vector<std::uint8_t> WithField(std::vector<std::uint8_t> bytes, std::size_t at,
                                    std::uint32_t value) {
  test::Put32(bytes, at, value);
  return bytes;
}

struct Image {
  const char* what;
  std::vector<std::uint8_t> bytes;
  std::deque<bool> answers;
};

// Built images, refused ones and cut ones: every way out of the analysis.
std::vector<Image> Images() {
  PeBuilder cut = EvenSections(2);
  cut.FileLength(cut.SectionTableOffset() + 40);
  return {
      {"typical",
       PeBuilder()
           .AddSection(".text", 0x1000, 0x600, 0x400)
           .AddSection(".bss", 0x3000, 0x800, 0)
           .AddSection(std::string("\xA4\xA4\xA4\xE5", 4), 0x4000, 0x100, 0xC00)
           .Build(),
       {}},
      {"20 sections", EvenSections(20).Build(), {}},
      {"21 sections, OK", EvenSections(21).Build(), {true}},
      {"21 sections, Cancel", EvenSections(21).Build(), {false}},
      {"64-bit layout", EvenSections(3).Magic(0x20B).ImageBase(0x140000000ull).Build(), {}},
      {"64-bit layout, small base", EvenSections(3).Magic(0x20B).Build(), {}},
      {"signature", EvenSections(1).Signature(0x00014550).Build(), {}},
      {"no sections", PeBuilder().Build(), {}},
      {"count 32767", EvenSections(1).NumberOfSections(32767).Build(), {true}},
      {"count 65535", EvenSections(1).NumberOfSections(65535).Build(), {}},
      {"negative PeOffset", WithField(EvenSections(1).Build(), 60, 0x80000000u), {}},
      {"PeOffset whose fields overflow",
       WithField(WithField(std::vector<std::uint8_t>(300), 60, 0x7FFFFFF0u), 64, 0x00004550),
       {}},
      {"PeOffset beyond the end", WithField(std::vector<std::uint8_t>(200), 60, 5000), {}},
      {"image base plus address overflows",
       PeBuilder().ImageBase(0x7FFFF000).AddSection(".text", 0x10000, 0x200, 0x400).Build(),
       {}},
      {"section table cut", cut.Build(), {}},
      {"empty", {}, {}},
      {"61 bytes", std::vector<std::uint8_t>(61), {}},
      {"62 bytes", std::vector<std::uint8_t>(62), {}},
  };
}

struct Result {
  bool built = false;
  std::vector<fake::FakePrompt::Shown> shown;
  PeImage image;
  LoaderReading reading;
};

// Starts from a loaded table, so that a refusal shows whether it kept it.
PeImage Previous() {
  fake::FakePrompt prompt;
  PeImage image;
  const std::vector<std::uint8_t> bytes = EvenSections(4).ImageBase(0x10000000).Build();
  if (!AnalyzePeBytes(image, bytes, u"previous", prompt)) throw std::runtime_error("previous");
  return image;
}

Result ThroughFile(const std::filesystem::path& path, const std::deque<bool>& answers) {
  Result r{false, {}, Previous(), {}};
  fake::FakePrompt prompt;
  prompt.answers = answers;
  r.built = AnalyzePeFile(r.image, path, prompt, &r.reading);
  r.shown = prompt.shown;
  return r;
}

Result ThroughMemory(std::span<const std::uint8_t> bytes, const std::filesystem::path& path,
                     const std::deque<bool>& answers) {
  Result r{false, {}, Previous(), {}};
  fake::FakePrompt prompt;
  prompt.answers = answers;
  r.built = AnalyzePeBytes(r.image, bytes, Utf16FromUtf8(path.native()), prompt, &r.reading);
  r.shown = prompt.shown;
  return r;
}

auto Fields(const Result& r) {
  return std::tie(r.reading.PeOffset, r.reading.PeSignature, r.image.SectionCount,
                  r.image.ImageBase, r.reading.SectionHeader, r.reading.FileLength,
                  r.reading.LoadError, r.image.OmitImageBase);
}

auto Fields(const SectionRecord& r) {
  return std::tie(r.Name, r.RamMin, r.RamMax, r.FileMin, r.FileMax, r.RamDelta, r.RvaDelta,
                  r.Included);
}

auto Fields(const fake::FakePrompt::Shown& s) { return std::tie(s.text, s.question); }

template <typename T>
void ExpectSameEach(const std::vector<T>& memory, const std::vector<T>& file) {
  ASSERT_EQ(memory.size(), file.size());
  for (std::size_t i = 0; i < file.size(); ++i) EXPECT_EQ(Fields(memory[i]), Fields(file[i])) << i;
}

void ExpectSame(const Result& file, const Result& memory) {
  EXPECT_EQ(memory.built, file.built);
  ExpectSameEach(memory.shown, file.shown);
  EXPECT_EQ(Fields(memory), Fields(file));
  ExpectSameEach(memory.image.Sections, file.image.Sections);
}

TEST(LoaderBytesTest, BytesInMemoryGiveWhatTheFileGives) {
  TempDir dir;
  for (const Image& image : Images()) {
    SCOPED_TRACE(image.what);
    const std::filesystem::path path = dir / "image.exe";
    test::WriteFile(path, image.bytes);
    ExpectSame(ThroughFile(path, image.answers), ThroughMemory(image.bytes, path, image.answers));
  }
}

// Zeros of the given length, neither written nor allocated: a sparse file and a mapping that
// reserves nothing.
class Zeros {
 public:
  Zeros(const std::filesystem::path& path, std::size_t length) : length_(length) {
    const int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(length)) != 0)
      throw std::runtime_error("sparse");
    ::close(fd);
    memory_ =
        ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (memory_ == MAP_FAILED) throw std::runtime_error("mmap");
  }
  ~Zeros() { ::munmap(memory_, length_); }
  Zeros(const Zeros&) = delete;
  Zeros& operator=(const Zeros&) = delete;
  [[nodiscard]] std::span<const std::uint8_t> Bytes() const {
    return {static_cast<const std::uint8_t*>(memory_), length_};
  }

 private:
  std::size_t length_;
  void* memory_;
};

TEST(LoaderBytesTest, OnlyLengthsThatFitFileLengthAreAnalysed) {
  struct Case {
    std::size_t length;
    bool refusedForLength;
  };
  const Case cases[] = {{2147483647u, false}, {2147483648u, true}};
  TempDir dir;
  const std::filesystem::path path = dir / "huge.exe";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    const Zeros zeros(path, c.length);
    const Result file = ThroughFile(path, {});
    ExpectSame(file, ThroughMemory(zeros.Bytes(), path, {}));
    ASSERT_EQ(file.shown.size(), 1u);
    EXPECT_EQ(file.shown[0].text, c.refusedForLength ? TooLargeMessage(Utf16FromUtf8(path.native()))
                                                     : std::u16string(kNotPeMessage));
  }
}

}  // namespace
}  // namespace marlit
