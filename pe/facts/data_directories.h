#pragma once
// The optional header's data directories as the file gives them, and which of them holds an
// address or a file offset.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "pe/read/bounded_reader.h"
#include "pe/view/pe_image.h"

namespace marlit {

// The directories in the order of the optional header; where two hold a value, the first names it.
enum class DirectoryKind : std::uint8_t {
  Export,
  Import,
  Resource,
  Exception,
  Certificate,
  BaseRelocation,
  Debug,
  Architecture,
  GlobalPointer,
  Tls,
  LoadConfig,
  BoundImport,
  ImportAddressTable,
  DelayImport,
  ClrRuntimeHeader,
};
inline constexpr std::size_t kDirectoryKinds = 15;
// The header has room for 16 entries; the last one is reserved and names nothing.
inline constexpr std::size_t kMaxDataDirectories = 16;

struct DataDirectory {
  std::uint32_t VirtualAddress = 0;
  std::uint32_t Size = 0;
};

struct DataDirectories {
  // As the file says; only the first kMaxDataDirectories entries are read.
  std::uint32_t NumberOfRvaAndSizes = 0;
  std::array<DataDirectory, kMaxDataDirectories> Entries{};
  std::size_t EntryCount = 0;
};

// The count and the entries: at PeOffset + 116 and + 120 in a PE32 image, + 132 and + 136 in a
// PE32+ one. Bytes past the end of the file read as zeros.
[[nodiscard]] DataDirectories ReadDataDirectories(BoundedReader& reader, std::int32_t peOffset,
                                                  ImageKind kind);

// The entry of kind when the file has it and neither its VirtualAddress nor its Size is 0. The
// certificate table's VirtualAddress is a file offset.
[[nodiscard]] std::optional<DataDirectory> NonEmptyEntry(const DataDirectories& directories,
                                                         DirectoryKind kind);

// Whether a non-empty entry's range, from VirtualAddress on for Size bytes, holds value.
[[nodiscard]] bool Holds(const DataDirectory& entry, std::uint32_t value);

// The first directory whose range holds rva; the certificate table holds no RVA.
[[nodiscard]] std::optional<DirectoryKind> DirectoryOfRva(const DataDirectories& directories,
                                                          std::uint32_t rva);
// The directory whose range holds the file offset: only the certificate table has one.
[[nodiscard]] std::optional<DirectoryKind> DirectoryOfFileOffset(const DataDirectories& directories,
                                                                 std::uint32_t offset);

// The name the window shows, in the user's language.
[[nodiscard]] std::u16string_view DirectoryName(DirectoryKind kind);
// The name in marlit-cli's JSON answers.
[[nodiscard]] std::string_view DirectoryKey(DirectoryKind kind);

}  // namespace marlit
