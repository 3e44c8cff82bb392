#include "pe/loader.h"

#include <fcntl.h>
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
// A count of 32767 leaves no room for the header record in a 16-bit SectionCount.
constexpr std::int16_t kLargestSectionCount = 32766;

// Ends the analysis with its message; the previous table stays in force.
struct Refusal {
  std::u16string message;
};

// One section header as the PE format lays it out.
struct RawSectionHeader {
  std::span<const std::uint8_t> Name;
  std::int32_t VirtualSize = 0;
  std::int32_t VirtualAddress = 0;
  std::int32_t SizeOfRawData = 0;
  std::int32_t PointerToRawData = 0;
};

RawSectionHeader DecodeSectionHeader(std::span<const std::uint8_t> header) {
  auto field = [&](std::size_t at) { return static_cast<std::int32_t>(LoadLe32(header, at)); };
  return {header.first(8), field(8), field(12), field(16), field(20)};
}

std::u16string SystemReason(int error) {
  char buffer[256];
  return Utf16FromUtf8(strerror_r(error, buffer, sizeof buffer));
}

FileDescriptor OpenForReading(const std::filesystem::path& path, std::u16string_view shown) {
  // Non-blocking, so that a FIFO or a device cannot hold the open; such files are refused next.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) throw Refusal{CannotOpenMessage(shown, SystemReason(errno))};
  return FileDescriptor(fd);
}

std::int32_t MeasureRegularFile(const FileDescriptor& file, std::u16string_view shown) {
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) throw Refusal{CannotOpenMessage(shown, SystemReason(errno))};
  if (!S_ISREG(info.st_mode)) throw Refusal{NotRegularFileMessage(shown)};
  if (info.st_size > std::numeric_limits<std::int32_t>::max()) {
    throw Refusal{TooLargeMessage(shown)};
  }
  return static_cast<std::int32_t>(info.st_size);
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

// The 32-bit layout read from a PE32+ image gives a wrong image base and garbage sections.
void RefuseWideImage(const PeImage& image, BoundedReader& reader) {
  if (PeekUint16(reader, FromPeOffset(image, 24)) == kPe32PlusMagic) {
    throw Refusal{std::u16string(kWideImageMessage)};
  }
}

// Steps 6 and 7: false when the user declines to analyse a file of many sections.
bool AcceptSectionCount(std::int16_t count, Prompt& prompt) {
  if (count == 0) throw Refusal{std::u16string(kNoSectionsMessage)};
  if (count < 0 || count > kLargestSectionCount) {
    throw Refusal{std::u16string(kTooManySectionsMessage)};
  }
  if (count > kSectionQuestionLimit) return prompt.AskOkCancel(ManySectionsQuestion());
  return true;
}

void FillHeaderRecord(SectionRecord& record, std::int32_t imageBase) {
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
  record.RamMin = CheckedAdd(raw.VirtualAddress, imageBase);
  record.RamMax = CheckedAdd(record.RamMin, raw.SizeOfRawData);
  record.FileMin = raw.PointerToRawData;
  record.FileMax = CheckedAdd(raw.SizeOfRawData, raw.PointerToRawData);
  record.RamDelta = CheckedSub(record.RamMin, raw.PointerToRawData);
  record.RvaDelta = CheckedSub(raw.VirtualAddress, raw.PointerToRawData);
}

// Step 12. A section without file data (PointerToRawData 0) says nothing about where the headers
// end, so it is left out of the file minimum; otherwise the header bytes would translate to
// nothing.
void FinishHeaderRecord(std::vector<SectionRecord>& table) {
  std::int32_t lowestFile = kNoMinimum;
  std::int32_t lowestRam = kNoMinimum;
  for (std::size_t j = 1; j < table.size(); ++j) {
    if (table[j].FileMin != 0 && table[j].FileMin < lowestFile) lowestFile = table[j].FileMin;
    if (table[j].RamMin < lowestRam) lowestRam = table[j].RamMin;
  }
  table[0].FileMax = lowestFile;
  table[0].RamMax = lowestRam;
}

// Steps 9 to 12, into a fresh table that replaces the old one only when it is complete.
std::vector<SectionRecord> ReadSectionTable(PeImage& image, FileCursor& file, BoundedReader& reader,
                                            std::int16_t count, std::int32_t imageBase) {
  const Cp950Decoder decoder;
  std::vector<SectionRecord> table(static_cast<std::size_t>(count) + 1);
  FillHeaderRecord(table[0], imageBase);
  const std::uint16_t sizeOfOptionalHeader = PeekUint16(reader, FromPeOffset(image, 20));
  SafeSeek(image, file, FromPeOffset(image, 24 + std::int32_t{sizeOfOptionalHeader}));
  try {
    for (std::size_t i = 1; i < table.size(); ++i) {
      file.Read(image.SectionHeader);
      FillSectionRecord(table[i], DecodeSectionHeader(image.SectionHeader), imageBase, decoder);
    }
  } catch (const OverflowError&) {
    throw Refusal{std::u16string(kOverflowMessage)};
  }
  FinishHeaderRecord(table);
  return table;
}

enum class Outcome { Built, Declined };

// Steps 1 to 12; the file is closed when this returns or throws.
Outcome Analyze(PeImage& image, const std::filesystem::path& path, std::u16string_view shown,
                Prompt& prompt) {
  const FileDescriptor fd = OpenForReading(path, shown);
  image.FileLength = MeasureRegularFile(fd, shown);
  BoundedReader reader(fd.get(), static_cast<std::uint64_t>(image.FileLength));
  FileCursor file(reader);

  SafeSeek(image, file, 60);
  image.PeOffset = file.ReadInt32();
  if (image.PeOffset < 0) throw Refusal{std::u16string(kBadPeOffsetMessage)};

  SafeSeek(image, file, image.PeOffset);
  image.PeSignature = file.ReadInt32();
  if (image.PeSignature != kPeSignature) throw Refusal{std::u16string(kNotPeMessage)};
  RefuseWideImage(image, reader);

  SafeSeek(image, file, FromPeOffset(image, 6));
  const std::int16_t count = file.ReadInt16();
  if (!AcceptSectionCount(count, prompt)) return Outcome::Declined;

  SafeSeek(image, file, FromPeOffset(image, 52));
  const std::int32_t imageBase = file.ReadInt32();
  std::vector<SectionRecord> table = ReadSectionTable(image, file, reader, count, imageBase);

  image.ImageBase = imageBase;
  image.Sections = std::move(table);
  image.SectionCount = static_cast<std::int16_t>(count + 1);
  ++image.TablesInForce;
  return Outcome::Built;
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
  image.LoadError.clear();
  const std::u16string shown = Utf16FromUtf8(path.native());
  try {
    if (Analyze(image, path, shown, prompt) == Outcome::Declined) return false;
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

}  // namespace marlit
