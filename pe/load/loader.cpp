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
#include "platform/translation.h"

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

// A regular file open for reading, and the reader over its bytes; closed when it goes.
struct OpenedFile {
  OpenedFile(const std::filesystem::path& path, std::u16string_view shown)
      : File(OpenForReading(path, shown)),
        Length(MeasureRegularFile(File, shown)),
        Reader(File.get(), static_cast<std::uint64_t>(Length)) {}

  FileDescriptor File;
  std::int32_t Length;
  BoundedReader Reader;
};

// An offset counted from PeOffset; one that does not fit 32 bits refuses the file.
std::int32_t FromPeOffset(const LoaderReading& reading, std::int32_t distance) {
  std::int32_t offset;
  if (__builtin_add_overflow(reading.PeOffset, distance, &offset)) {
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
ImageKind KindOfImage(const LoaderReading& reading, BoundedReader& reader) {
  return PeekUint16(reader, FromPeOffset(reading, 24)) == kPe32PlusMagic ? ImageKind::Pe32Plus
                                                                         : ImageKind::Pe32;
}

// The image base: 32-bit signed at PeOffset + 52 in a PE32 image, unsigned 64-bit at
// PeOffset + 48 in a PE32+ image.
std::int64_t ReadImageBase(LoaderReading& reading, FileCursor& file, ImageKind kind) {
  if (kind == ImageKind::Pe32) {
    SafeSeek(reading, file, FromPeOffset(reading, 52));
    return file.ReadInt32();
  }
  SafeSeek(reading, file, FromPeOffset(reading, 48));
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
void ReadViewFields(const LoaderReading& reading, BoundedReader& reader, RawImageHeaders& raw) {
  const auto at = [&reading](std::uint64_t distance) {
    return static_cast<std::uint64_t>(reading.PeOffset) + distance;
  };
  raw.PointerToSymbolTable = PeekUint32(reader, at(12));
  raw.NumberOfSymbols = PeekUint32(reader, at(16));
  raw.SectionAlignment = PeekUint32(reader, at(56));
  raw.FileAlignment = PeekUint32(reader, at(60));
  raw.SizeOfImage = PeekUint32(reader, at(80));
  raw.SizeOfHeaders = PeekUint32(reader, at(84));
  raw.FileLength = static_cast<std::uint32_t>(reading.FileLength);
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
RawImageHeaders ReadRawHeaders(LoaderReading& reading, FileCursor& file, BoundedReader& reader,
                               std::int16_t count) {
  RawImageHeaders raw;
  ReadViewFields(reading, reader, raw);
  const std::uint16_t sizeOfOptionalHeader = PeekUint16(reader, FromPeOffset(reading, 20));
  SafeSeek(reading, file, FromPeOffset(reading, 24 + std::int32_t{sizeOfOptionalHeader}));
  raw.Sections.reserve(static_cast<std::size_t>(count));
  for (std::int16_t i = 0; i < count; ++i) {
    file.Read(reading.SectionHeader);
    raw.Sections.push_back(DecodeSectionHeader(reading.SectionHeader));
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

// The analysis of the bytes behind reader, whose length is already in reading.FileLength.
Outcome Analyze(PeImage& image, BoundedReader& reader, Prompt& prompt, LoaderReading& reading) {
  FileCursor file(reader);

  SafeSeek(reading, file, 60);
  reading.PeOffset = file.ReadInt32();
  if (reading.PeOffset < 0) throw Refusal{std::u16string(kBadPeOffsetMessage)};

  SafeSeek(reading, file, reading.PeOffset);
  reading.PeSignature = file.ReadInt32();
  if (reading.PeSignature != kPeSignature) throw Refusal{std::u16string(kNotPeMessage)};
  const ImageKind kind = KindOfImage(reading, reader);

  SafeSeek(reading, file, FromPeOffset(reading, 6));
  const std::int16_t count = file.ReadInt16();
  if (!AcceptSectionCount(count, prompt)) return Outcome::Declined;

  const std::int64_t imageBase = ReadImageBase(reading, file, kind);
  RawImageHeaders raw = ReadRawHeaders(reading, file, reader, count);
  // A skipped seek left the headers read from the wrong place: no table of them goes in force.
  if (!reading.LoadError.empty()) throw Refusal{reading.LoadError};
  ViewTable table = BuildTable(raw, kind, image.View, imageBase);
  auto facts = std::make_shared<const AddressFacts>(
      ReadAddressFacts(reader, raw, reading.PeOffset, kind));

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
                    Prompt& prompt, LoaderReading& reading) {
  OpenedFile file(path, shown);
  reading.FileLength = file.Length;
  return Analyze(image, file.Reader, prompt, reading);
}

Outcome AnalyzeMemory(PeImage& image, std::span<const std::uint8_t> bytes,
                      std::u16string_view shown, Prompt& prompt, LoaderReading& reading) {
  reading.FileLength = CheckedFileLength(bytes.size(), shown);
  BoundedReader reader(bytes);
  return Analyze(image, reader, prompt, reading);
}

// Shows what ends the analysis: a refusal, a pending LoadError among them, or a failed read.
template <typename Analysis>
bool ShowOutcome(LoaderReading& reading, std::u16string_view shown, Prompt& prompt,
                 Analysis analysis) {
  reading = {};
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

void SafeSeek(LoaderReading& reading, FileCursor& file, std::int32_t offset) {
  if (offset >= 0 && std::int64_t{offset} + 1 < std::int64_t{reading.FileLength}) {
    file.Seek(static_cast<std::uint64_t>(offset));
  } else {
    reading.LoadError = kBadFormatMessage;
  }
}

bool AnalyzePeFile(PeImage& image, const std::filesystem::path& path, Prompt& prompt,
                   LoaderReading* reading) {
  LoaderReading own;
  LoaderReading& read = reading != nullptr ? *reading : own;
  const std::u16string shown = Utf16FromUtf8(path.native());
  return ShowOutcome(read, shown, prompt,
                     [&] { return AnalyzeFile(image, path, shown, prompt, read); });
}

bool AnalyzePeBytes(PeImage& image, std::span<const std::uint8_t> bytes, std::u16string_view shown,
                    Prompt& prompt, LoaderReading* reading) {
  LoaderReading own;
  LoaderReading& read = reading != nullptr ? *reading : own;
  return ShowOutcome(read, shown, prompt,
                     [&] { return AnalyzeMemory(image, bytes, shown, prompt, read); });
}

AddressReferences FindAddressReferencesInFile(const PeImage& image,
                                              const std::filesystem::path& path,
                                              std::int64_t address, const SearchProgress& goOn,
                                              std::size_t limit) {
  try {
    OpenedFile file(path, Utf16FromUtf8(path.native()));
    return FindAddressReferences(image, file.Reader, address, goOn, limit);
  } catch (const Refusal& refusal) {
    throw PlatformError(Utf8FromUtf16(refusal.message));
  }
}

}  // namespace marlit
