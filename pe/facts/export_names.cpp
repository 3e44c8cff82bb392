#include "pe/facts/export_names.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <iterator>
#include <limits>

#include "pe/read/codepage.h"

namespace marlit {

namespace {

constexpr std::size_t kExportDirectorySize = 40;
// Names are read this many bytes at a time, in the run the view maps.
constexpr std::size_t kNameChunk = 256;
// Ordinals are 16-bit: a directory of more functions is refused before they are allocated.
constexpr std::uint32_t kMostFunctions = 65536;

// The export directory's fields as the PE format lays them out.
struct RawExportDirectory {
  std::uint32_t Base = 0;
  std::uint32_t NumberOfFunctions = 0;
  std::uint32_t NumberOfNames = 0;
  std::uint32_t AddressOfFunctions = 0;
  std::uint32_t AddressOfNames = 0;
  std::uint32_t AddressOfNameOrdinals = 0;
};

// Where a directory is found to be corrupt: the whole table is dropped.
struct CorruptDirectory {};

// The bytes of an array of count elements of width bytes at rva. Its size is checked against the
// file before anything is allocated: the array must be made of the file's bytes.
std::vector<std::uint8_t> ReadArray(BoundedReader& reader, const RvaMapping& mapping,
                                    std::uint32_t rva, std::uint32_t count, std::size_t width) {
  const std::uint64_t size = std::uint64_t{count} * width;
  if (size > reader.Length()) throw CorruptDirectory{};
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  if (!ReadMapped(reader, mapping, rva, bytes)) throw CorruptDirectory{};
  return bytes;
}

RawExportDirectory ReadExportDirectory(BoundedReader& reader, const RvaMapping& mapping,
                                       std::uint32_t rva) {
  std::array<std::uint8_t, kExportDirectorySize> bytes{};
  if (!ReadMapped(reader, mapping, rva, bytes)) throw CorruptDirectory{};
  const RawExportDirectory raw{LoadLe32(bytes, 16), LoadLe32(bytes, 20), LoadLe32(bytes, 24),
                               LoadLe32(bytes, 28), LoadLe32(bytes, 32), LoadLe32(bytes, 36)};
  if (raw.NumberOfFunctions > kMostFunctions) throw CorruptDirectory{};
  return raw;
}

// For each function, the name RVA of its first name in the name table; none when it has none.
std::vector<std::optional<std::uint32_t>> FirstNames(std::span<const std::uint8_t> names,
                                                     std::span<const std::uint8_t> ordinals,
                                                     std::uint32_t functionCount) {
  std::vector<std::optional<std::uint32_t>> first(functionCount);
  for (std::size_t i = 0; i < ordinals.size() / 2; ++i) {
    const std::uint16_t index = LoadLe16(ordinals, 2 * i);
    if (index >= functionCount) throw CorruptDirectory{};
    if (!first[index]) first[index] = LoadLe32(names, 4 * i);
  }
  return first;
}

// Reads NUL-terminated names within a budget of bytes, so that names shared by many entries
// cannot make the reading outgrow the file.
class NameReader {
 public:
  NameReader(BoundedReader& reader, const RvaMapping& mapping)
      : reader_(reader), mapping_(mapping), budget_(reader.Length()) {}

  std::u16string Read(std::uint32_t rva) {
    std::vector<std::uint8_t> name;
    std::array<std::uint8_t, kNameChunk> chunk{};
    for (std::uint64_t at = rva;;) {
      const FileRun next = NextChunk(at);
      const std::size_t n = next.Size;
      reader_.ReadAt(next.FileOffset, std::span(chunk).first(n));
      const std::uint8_t* const first = chunk.data();
      const auto* end = static_cast<const std::uint8_t*>(std::memchr(first, 0, n));
      // A name is charged the bytes it uses, its NUL included, not the chunk read.
      budget_ -= end != nullptr ? static_cast<std::size_t>(end - first) + 1 : n;
      name.insert(name.end(), first, end != nullptr ? end : first + n);
      if (end != nullptr) break;
      at += n;
    }
    if (name.empty()) throw CorruptDirectory{};
    return decoder_.Decode(name);
  }

 private:
  // The bytes to read next at rva: within its mapped run, the file and the budget.
  FileRun NextChunk(std::uint64_t rva) const {
    if (rva > std::numeric_limits<std::uint32_t>::max()) throw CorruptDirectory{};
    const std::optional<FileRun> run = mapping_.FileRunAt(static_cast<std::uint32_t>(rva));
    if (!run || run->FileOffset >= reader_.Length()) throw CorruptDirectory{};
    const std::uint64_t n = std::min<std::uint64_t>(
        {kNameChunk, run->Size, reader_.Length() - run->FileOffset, budget_});
    if (n == 0) throw CorruptDirectory{};
    return {run->FileOffset, static_cast<std::uint32_t>(n)};
  }

  BoundedReader& reader_;
  const RvaMapping& mapping_;
  std::uint64_t budget_;
  const Cp950Decoder decoder_;
};

// The digits of value in base, upper case, as the window writes its numbers.
std::u16string AsciiDigits(std::uint64_t value, int base) {
  char digits[20];
  const auto end = std::to_chars(std::begin(digits), std::end(digits), value, base).ptr;
  std::u16string text(digits, end);
  for (char16_t& c : text)
    c = (c >= u'a' && c <= u'f') ? static_cast<char16_t>(c - u'a' + u'A') : c;
  return text;
}

std::u16string OrdinalLabel(std::uint32_t base, std::size_t index) {
  return u"#" + AsciiDigits(std::uint64_t{base} + index, 10);
}

}  // namespace

ExportNames ExportNames::Read(BoundedReader& reader, const DataDirectories& directories,
                              const RvaMapping& mapping) {
  const std::optional<DataDirectory> directory = NonEmptyEntry(directories, DirectoryKind::Export);
  if (!directory) return {};
  try {
    const RawExportDirectory raw = ReadExportDirectory(reader, mapping, directory->VirtualAddress);
    const std::vector<std::uint8_t> functions =
        ReadArray(reader, mapping, raw.AddressOfFunctions, raw.NumberOfFunctions, 4);
    const std::vector<std::uint8_t> names =
        ReadArray(reader, mapping, raw.AddressOfNames, raw.NumberOfNames, 4);
    const std::vector<std::uint8_t> ordinals =
        ReadArray(reader, mapping, raw.AddressOfNameOrdinals, raw.NumberOfNames, 2);
    const std::vector<std::optional<std::uint32_t>> firstNames =
        FirstNames(names, ordinals, raw.NumberOfFunctions);

    NameReader nameReader(reader, mapping);
    std::vector<Export> exports;
    for (std::size_t i = 0; i < raw.NumberOfFunctions; ++i) {
      const std::uint32_t rva = LoadLe32(functions, 4 * i);
      // An empty slot, or a forwarder: its RVA names a text in the directory, not a function.
      if (rva == 0 || Holds(*directory, rva)) continue;
      exports.push_back(
          {rva, firstNames[i] ? nameReader.Read(*firstNames[i]) : OrdinalLabel(raw.Base, i)});
    }
    // Of the functions at one RVA, the one of the lowest ordinal names it.
    std::stable_sort(exports.begin(), exports.end(),
                     [](const Export& a, const Export& b) { return a.Rva < b.Rva; });
    exports.erase(std::unique(exports.begin(), exports.end(),
                              [](const Export& a, const Export& b) { return a.Rva == b.Rva; }),
                  exports.end());
    return ExportNames(std::move(exports));
  } catch (const CorruptDirectory&) {
    return {};
  }
}

std::optional<std::u16string> ExportNames::NameAt(std::uint32_t rva, RvaRange section) const {
  if (rva < section.Begin || rva >= section.End) return std::nullopt;
  const auto after = std::upper_bound(exports_.begin(), exports_.end(), rva,
                                      [](std::uint32_t v, const Export& e) { return v < e.Rva; });
  if (after == exports_.begin()) return std::nullopt;
  const Export& found = *std::prev(after);
  if (found.Rva < section.Begin) return std::nullopt;
  if (found.Rva == rva) return found.Label;
  return found.Label + u"+" + AsciiDigits(rva - found.Rva, 16);
}

}  // namespace marlit
