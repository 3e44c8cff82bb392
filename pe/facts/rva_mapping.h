#pragma once
// What describing an address needs of the loader's view: where it puts the bytes of the file. The
// tables that describe an address are read through it, where the loader maps them.

#include <cstdint>
#include <optional>
#include <span>

#include "pe/read/bounded_reader.h"

namespace marlit {

// Bytes of the file that a view maps to consecutive RVAs.
struct FileRun {
  std::uint32_t FileOffset = 0;
  std::uint32_t Size = 0;
};

class RvaMapping {
 public:
  virtual ~RvaMapping() = default;
  // The file offset of the byte mapped at rva, and how many bytes from there on map to consecutive
  // file bytes; none when no file byte is mapped there.
  [[nodiscard]] virtual std::optional<FileRun> FileRunAt(std::uint32_t rva) const = 0;
  // The RVA at which the byte at the file offset is mapped; none when it is mapped nowhere.
  [[nodiscard]] virtual std::optional<std::uint32_t> RvaOfFileOffset(
      std::uint32_t offset) const = 0;
};

// Fills out with the bytes mapped from rva on. False when a byte of the range is mapped from no
// byte of the file.
[[nodiscard]] bool ReadMapped(BoundedReader& reader, const RvaMapping& mapping, std::uint64_t rva,
                              std::span<std::uint8_t> out);
// Whether every byte of the size bytes from rva on is mapped from a byte of the file, so that a
// table's size is known to be the file's bytes before anything is allocated for it.
[[nodiscard]] bool IsMapped(const BoundedReader& reader, const RvaMapping& mapping,
                            std::uint64_t rva, std::uint64_t size);

}  // namespace marlit
