#include "pe/load/loader.h"

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "pe/facts/address_facts.h"
#include "pe/read/codepage.h"
#include "pe/view/image_view.h"
#include "pe/load/loader_messages.h"
#include "pe/read/string_table.h"
#include "pe/view/translate.h"
#include "platform/checked.h"
#include "platform/errors.h"

namespace marlit {

namespace {

constexpr std::int32_t kPeSignature = 17744;  // "PE\0\0"
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
// A count of 32767 leaves no room for the header record in a 16-bit SectionCount.
constexpr std::int16_t kLargestSectionCount = 32766;

// Ends the analysis with its message; the previous table stays in force.
struct Refusal {
  std::u16string message;
};

// The C library's own text of the reason: in Traditional Chinese where its catalogue and the
// zh_TW.UTF-8 locale are installed and the texts are Chinese, in English otherwise.
std::u16string SystemReason(int error) {
  static const locale_t chinese = ::newlocale(LC_ALL_MASK, "zh_TW.UTF-8", locale_t{});
  static const locale_t plain = ::newlocale(LC_ALL_MASK, "C", locale_t{});
  const locale_t in = CurrentLanguage() == Language::English ? plain : chinese;
  if (in != locale_t{}) return Utf16FromUtf8(::strerror_l(error, in));
  char buffer[256];
  return Utf16FromUtf8(strerror_r(error, buffer, sizeof buffer));
}

FileDescriptor OpenForReading(const std::filesystem::path& path, std::u16string_view shown) {
  // Non-blocking, so that a FIFO or a device cannot hold the open; such files are refused next.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) throw Refusal{CannotOpenMessage(shown, SystemReason(errno))};
  return FileDescriptor(fd);
}

// FileLength is 32-bit: a longer file cannot be analysed.
std::int32_t CheckedFileLength(std::uint64_t length, std::u16string_view shown) {
  if (length > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
    throw Refusal{TooLargeMessage(shown)};
  }
  return static_cast<std::int32_t>(length);
}

std::int32_t MeasureRegularFile(const FileDescriptor& file, std::u16string_view shown) {
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) throw Refusal{CannotOpenMessage(shown, SystemReason(errno))};
  if (!S_ISREG(info.st_mode)) throw Refusal{NotRegularFileMessage(shown)};
  return CheckedFileLength(static_cast<std::uint64_t>(info.st_size), shown);
}

// An offset counted from PeOffset; one that does not fit 32 bits refuses the file.
std::int32_t FromPeOffset(const PeImage& image, std::int32_t distance) {
  std::int32_t offset;
  if (__builtin_add_overflow(image.PeOffset, distance, &offset)) {
    throw Refusal{std::u16string(kBadPeOffsetMessage)};
  }
  return offset;
}

std::uint16_t PeekUint16(BoundedReader& reader, std::int32_t offset) {
  std::array<std::uint8_t, 2> bytes{};
  reader.ReadAt(static_cast<std::uint64_t>(offset), bytes);
  return LoadLe16(bytes, 0);
}

// The optional header's magic 20Bh marks a PE32+ image; any other value is read as PE32.
ImageKind KindOfImage(const PeImage& image, BoundedReader& reader) {
  return PeekUint16(reader, FromPeOffset(image, 24)) == kPe32PlusMagic ? ImageKind::Pe32Plus
                                                                       : ImageKind::Pe32;
}

// The image base: 32-bit signed at PeOffset + 52 in a PE32 image, unsigned 64-bit at
// PeOffset + 48 in a PE32+ image.
std::int64_t ReadImageBase(PeImage& image, FileCursor& file, ImageKind kind) {
  if (kind == ImageKind::Pe32) {
    SafeSeek(image, file, FromPeOffset(image, 52));
    return file.ReadInt32();
  }
  SafeSeek(image, file, FromPeOffset(image, 48));
  std::array<std::uint8_t, 8> bytes{};
  file.Read(bytes);
  return static_cast<std::int64_t>(LoadLe32(bytes, 0) | std::uint64_t{LoadLe32(bytes, 4)} << 32);
}

// False when the user declines to analyse a file of many sections.
bool AcceptSectionCount(std::int16_t count, Prompt& prompt) {
  if (count == 0) throw Refusal{std::u16string(kNoSectionsMessage)};
  if (count < 0 || count > kLargestSectionCount) {
    throw Refusal{std::u16string(kTooManySectionsMessage)};
  }
  if (count > kSectionQuestionLimit) return prompt.AskOkCancel(ManySectionsQuestion());
  return true;
}

std::uint32_t PeekUint32(BoundedReader& reader, std::uint64_t offset) {
  std::array<std::uint8_t, 4> bytes{};
  reader.ReadAt(offset, bytes);
  return LoadLe32(bytes, 0);
}

// The header fields that only the views read. They are read where they are, without SafeSeek, so
// that a file too short for them is analysed as before; past the end they read as 0.
void ReadViewFields(const PeImage& image, BoundedReader& reader, RawImageHeaders& raw) {
  const auto at = [&image](std::uint64_t distance) {
    return static_cast<std::uint64_t>(image.PeOffset) + distance;
  };
  raw.PointerToSymbolTable = PeekUint32(reader, at(12));
  raw.NumberOfSymbols = PeekUint32(reader, at(16));
  raw.SectionAlignment = PeekUint32(reader, at(56));
  raw.FileAlignment = PeekUint32(reader, at(60));
  raw.SizeOfImage = PeekUint32(reader, at(80));
  raw.SizeOfHeaders = PeekUint32(reader, at(84));
  raw.FileLength = static_cast<std::uint32_t>(image.FileLength);
}

// Every section's name: its long name where the string table gives one, else its 8 bytes.
// Read after the section headers, so that the headers are read in one pass.
void NameSections(BoundedReader& reader, RawImageHeaders& raw) {
  const Cp950Decoder decoder;
  const std::optional<std::uint64_t> stringTable =
      StringTableOffset(raw.PointerToSymbolTable, raw.NumberOfSymbols);
  raw.Names.reserve(raw.Sections.size());
  for (const RawSectionHeader& section : raw.Sections) {
    std::optional<std::u16string> name = LongSectionName(reader, stringTable, section.Name);
    raw.Names.push_back(name ? std::move(*name) : std::u16string(CutAtNul(decoder.Decode(section.Name))));
  }
}

// The header fields and section headers of the file, as the views take them.
RawImageHeaders ReadRawHeaders(PeImage& image, FileCursor& file, BoundedReader& reader,
                               std::int16_t count) {
  RawImageHeaders raw;
  ReadViewFields(image, reader, raw);
  const std::uint16_t sizeOfOptionalHeader = PeekUint16(reader, FromPeOffset(image, 20));
  SafeSeek(image, file, FromPeOffset(image, 24 + std::int32_t{sizeOfOptionalHeader}));
  raw.Sections.reserve(static_cast<std::size_t>(count));
  for (std::int16_t i = 0; i < count; ++i) {
    file.Read(image.SectionHeader);
    raw.Sections.push_back(DecodeSectionHeader(image.SectionHeader));
  }
  NameSections(reader, raw);
  return raw;
}

// The records of the view in force at the file's image base, into a fresh table that replaces the
// old one only when it is complete.
ViewTable BuildTable(const RawImageHeaders& raw, ImageKind kind, MappingView view,
                     std::int64_t imageBase) {
  try {
    return BuildView(raw, kind, view, imageBase);
  } catch (const OverflowError&) {
    throw Refusal{std::u16string(kOverflowMessage)};
  }
}

enum class Outcome { Built, Declined };

// The analysis of the bytes behind reader, whose length is already in FileLength.
Outcome Analyze(PeImage& image, BoundedReader& reader, Prompt& prompt) {
  FileCursor file(reader);

  SafeSeek(image, file, 60);
  image.PeOffset = file.ReadInt32();
  if (image.PeOffset < 0) throw Refusal{std::u16string(kBadPeOffsetMessage)};

  SafeSeek(image, file, image.PeOffset);
  image.PeSignature = file.ReadInt32();
  if (image.PeSignature != kPeSignature) throw Refusal{std::u16string(kNotPeMessage)};
  const ImageKind kind = KindOfImage(image, reader);

  SafeSeek(image, file, FromPeOffset(image, 6));
  const std::int16_t count = file.ReadInt16();
  if (!AcceptSectionCount(count, prompt)) return Outcome::Declined;

  const std::int64_t imageBase = ReadImageBase(image, file, kind);
  RawImageHeaders raw = ReadRawHeaders(image, file, reader, count);
  // A skipped seek left the headers read from the wrong place: no table of them goes in force.
  if (!image.LoadError.empty()) throw Refusal{image.LoadError};
  ViewTable table = BuildTable(raw, kind, image.View, imageBase);
  auto facts = std::make_shared<const AddressFacts>(
      ReadAddressFacts(reader, raw, image.PeOffset, kind));

  image.Kind = kind;
  image.ImageBase = imageBase;
  image.LoadAddress.reset();
  image.Raw = std::move(raw);
  image.Facts = std::move(facts);
  image.Sections = std::move(table.Records);
  image.HeaderFromOffset = table.FromOffset;
  image.HeaderFromAddress = table.FromAddress;
  image.SectionCount = static_cast<std::int16_t>(count + 1);
  TableChanged(image);
  ++image.TablesInForce;
  return Outcome::Built;
}

// The file is closed when this returns or throws.
Outcome AnalyzeFile(PeImage& image, const std::filesystem::path& path, std::u16string_view shown,
                    Prompt& prompt) {
  const FileDescriptor fd = OpenForReading(path, shown);
  image.FileLength = MeasureRegularFile(fd, shown);
  BoundedReader reader(fd.get(), static_cast<std::uint64_t>(image.FileLength));
  return Analyze(image, reader, prompt);
}

Outcome AnalyzeMemory(PeImage& image, std::span<const std::uint8_t> bytes,
                      std::u16string_view shown, Prompt& prompt) {
  image.FileLength = CheckedFileLength(bytes.size(), shown);
  BoundedReader reader(bytes);
  return Analyze(image, reader, prompt);
}

// Shows what ends the analysis: a refusal, a pending LoadError among them, or a failed read.
template <typename Analysis>
bool ShowOutcome(PeImage& image, std::u16string_view shown, Prompt& prompt, Analysis analysis) {
  image.LoadError.clear();
  try {
    if (analysis() == Outcome::Declined) return false;
  } catch (const Refusal& refusal) {
    prompt.ShowMessage(refusal.message);
    return false;
  } catch (const PlatformError& error) {
    prompt.ShowMessage(ReadFailedMessage(shown, Utf16FromUtf8(error.what())));
    return false;
  }
  return true;
}

}  // namespace

void SafeSeek(PeImage& image, FileCursor& file, std::int32_t offset) {
  if (offset >= 0 && std::int64_t{offset} + 1 < std::int64_t{image.FileLength}) {
    file.Seek(static_cast<std::uint64_t>(offset));
  } else {
    image.LoadError = kBadFormatMessage;
  }
}

bool AnalyzePeFile(PeImage& image, const std::filesystem::path& path, Prompt& prompt) {
  const std::u16string shown = Utf16FromUtf8(path.native());
  return ShowOutcome(image, shown, prompt, [&] { return AnalyzeFile(image, path, shown, prompt); });
}

bool AnalyzePeBytes(PeImage& image, std::span<const std::uint8_t> bytes, std::u16string_view shown,
                    Prompt& prompt) {
  return ShowOutcome(image, shown, prompt,
                     [&] { return AnalyzeMemory(image, bytes, shown, prompt); });
}

}  // namespace marlit
