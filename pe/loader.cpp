#include "pe/loader.h"

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

#include "pe/codepage.h"
#include "pe/loader_messages.h"
#include "platform/checked.h"
#include "platform/errors.h"

namespace marlit {

namespace {

constexpr std::int32_t kPeSignature = 17744;  // "PE\0\0"
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::int32_t kNoMinimum = std::numeric_limits<std::int32_t>::max();
constexpr std::uint32_t kLargestOffset = std::numeric_limits<std::int32_t>::max();
constexpr std::uint64_t kLargestRva = std::numeric_limits<std::uint32_t>::max();
// A count of 32767 leaves no room for the header record in a 16-bit SectionCount.
constexpr std::int16_t kLargestSectionCount = 32766;

// Ends the analysis with its message; the previous table stays in force.
struct Refusal {
  std::u16string message;
};

// One section header as the PE format lays it out.
struct RawSectionHeader {
  std::span<const std::uint8_t> Name;
  std::uint32_t VirtualSize = 0;
  std::uint32_t VirtualAddress = 0;
  std::uint32_t SizeOfRawData = 0;
  std::uint32_t PointerToRawData = 0;
};

RawSectionHeader DecodeSectionHeader(std::span<const std::uint8_t> header) {
  auto field = [&](std::size_t at) { return LoadLe32(header, at); };
  return {header.first(8), field(8), field(12), field(16), field(20)};
}

// The fields of a PE32 image are read as 32-bit signed numbers.
std::int32_t Signed(std::uint32_t field) { return static_cast<std::int32_t>(field); }

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

void FillHeaderRecord(SectionRecord& record, std::int64_t imageBase) {
  record.Name = u"檔案頭";
  record.RamMin = imageBase;
  record.FileMin = 0;
  record.RamDelta = imageBase;
  record.RvaDelta = 0;
  record.Included = true;
}

void FillSectionRecord(SectionRecord& record, const RawSectionHeader& raw, std::int32_t imageBase,
                       const Cp950Decoder& decoder) {
  record.Included = raw.PointerToRawData != 0 && raw.SizeOfRawData != 0;
  record.Name = CutAtNul(decoder.Decode(raw.Name));
  const std::int32_t ramMin = CheckedAdd(Signed(raw.VirtualAddress), imageBase);
  record.RamMin = ramMin;
  record.RamMax = CheckedAdd(ramMin, Signed(raw.SizeOfRawData));
  record.FileMin = Signed(raw.PointerToRawData);
  record.FileMax = CheckedAdd(Signed(raw.SizeOfRawData), Signed(raw.PointerToRawData));
  record.RamDelta = CheckedSub(ramMin, Signed(raw.PointerToRawData));
  record.RvaDelta = CheckedSub(Signed(raw.VirtualAddress), Signed(raw.PointerToRawData));
}

// A PE32+ section: its fields are unsigned, its file range stays within the 32-bit signed
// offsets, its RVA range within 32 bits and its memory range within 64 bits.
void FillWideSectionRecord(SectionRecord& record, const RawSectionHeader& raw,
                           std::uint64_t imageBase, const Cp950Decoder& decoder) {
  record.Included = raw.PointerToRawData != 0 && raw.SizeOfRawData != 0;
  record.Name = CutAtNul(decoder.Decode(raw.Name));
  const std::uint64_t fileMax = std::uint64_t{raw.PointerToRawData} + raw.SizeOfRawData;
  const std::uint64_t rvaMax = std::uint64_t{raw.VirtualAddress} + raw.SizeOfRawData;
  std::uint64_t ramMin = 0;
  std::uint64_t ramMax = 0;
  if (fileMax > kLargestOffset || rvaMax > kLargestRva ||
      __builtin_add_overflow(imageBase, raw.VirtualAddress, &ramMin) ||
      __builtin_add_overflow(ramMin, raw.SizeOfRawData, &ramMax)) {
    throw OverflowError("section range out of range");
  }
  record.RamMin = static_cast<std::int64_t>(ramMin);
  record.RamMax = static_cast<std::int64_t>(ramMax);
  record.FileMin = static_cast<std::int32_t>(raw.PointerToRawData);
  record.FileMax = static_cast<std::int32_t>(fileMax);
  record.RamDelta = static_cast<std::int64_t>(ramMin - raw.PointerToRawData);
  record.RvaDelta = std::int64_t{raw.VirtualAddress} - std::int64_t{raw.PointerToRawData};
}

// Record 0 ends where the first section begins, in the file and in memory. A section without file
// data (PointerToRawData 0) says nothing about where the headers end, so it is left out of the file
// minimum; otherwise the header bytes would translate to nothing.
void FinishHeaderRecord(std::vector<SectionRecord>& table, ImageKind kind) {
  std::int32_t lowestFile = kNoMinimum;
  // The highest address of the kind: 2147483647, or 2^64 - 1 as its pattern.
  std::int64_t lowestRam = kind == ImageKind::Pe32Plus ? -1 : std::int64_t{kNoMinimum};
  for (std::size_t j = 1; j < table.size(); ++j) {
    if (table[j].FileMin != 0 && table[j].FileMin < lowestFile) lowestFile = table[j].FileMin;
    if (AddressOrder(kind, table[j].RamMin) < AddressOrder(kind, lowestRam)) {
      lowestRam = table[j].RamMin;
    }
  }
  table[0].FileMax = lowestFile;
  table[0].RamMax = lowestRam;
}

// The records of the header and of every section, into a fresh table that replaces the old one only
// when it is complete.
std::vector<SectionRecord> ReadSectionTable(PeImage& image, FileCursor& file, BoundedReader& reader,
                                            std::int16_t count, ImageKind kind,
                                            std::int64_t imageBase) {
  const Cp950Decoder decoder;
  std::vector<SectionRecord> table(static_cast<std::size_t>(count) + 1);
  FillHeaderRecord(table[0], imageBase);
  const std::uint16_t sizeOfOptionalHeader = PeekUint16(reader, FromPeOffset(image, 20));
  SafeSeek(image, file, FromPeOffset(image, 24 + std::int32_t{sizeOfOptionalHeader}));
  try {
    for (std::size_t i = 1; i < table.size(); ++i) {
      file.Read(image.SectionHeader);
      const RawSectionHeader raw = DecodeSectionHeader(image.SectionHeader);
      if (kind == ImageKind::Pe32Plus) {
        FillWideSectionRecord(table[i], raw, static_cast<std::uint64_t>(imageBase), decoder);
      } else {
        FillSectionRecord(table[i], raw, static_cast<std::int32_t>(imageBase), decoder);
      }
    }
  } catch (const OverflowError&) {
    throw Refusal{std::u16string(kOverflowMessage)};
  }
  FinishHeaderRecord(table, kind);
  return table;
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
  std::vector<SectionRecord> table = ReadSectionTable(image, file, reader, count, kind, imageBase);

  image.Kind = kind;
  image.ImageBase = imageBase;
  image.Sections = std::move(table);
  image.SectionCount = static_cast<std::int16_t>(count + 1);
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

// Shows what ends the analysis: a refusal, a failed read or the pending LoadError.
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
  if (!image.LoadError.empty()) {
    prompt.ShowMessage(image.LoadError);
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

std::u16string CutAtNul(std::u16string_view text) {
  return std::u16string(text.substr(0, text.find(u'\0')));
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
