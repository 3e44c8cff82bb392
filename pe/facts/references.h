#pragma once
// Where the file points to an address: every file offset whose bytes are the address as the file
// stores a pointer, and whether a base relocation rewrites it there.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "pe/facts/base_relocations.h"
#include "pe/read/bounded_reader.h"
#include "pe/view/pe_image.h"
#include "pe/facts/rva_mapping.h"

namespace marlit {

// The file is read this many bytes at a time.
inline constexpr std::size_t kReferenceBlockSize = std::size_t{4} << 20;
// More references than anyone can look through: an address of common bytes (zeros in a crafted
// image) would otherwise fill the memory with them.
inline constexpr std::size_t kMaxReferences = 100000;

// A pointer as the file stores it: 4 bytes in a PE32 image, 8 in a PE32+ one, little-endian.
struct StoredPointer {
  std::array<std::uint8_t, 8> Bytes{};
  std::size_t Width = 4;
  [[nodiscard]] std::span<const std::uint8_t> View() const noexcept {
    return {Bytes.data(), Width};
  }
};

// The bytes of address in an image of kind. The address is taken with the file's own image base,
// whatever base the view in force uses, for that is the value the file holds. An address of a
// PE32 image is its 32-bit pattern.
[[nodiscard]] StoredPointer PointerBytes(ImageKind kind, std::int64_t address);

struct Reference {
  std::uint64_t FileOffset = 0;
  // A base relocation rewrites the pointer there: a real pointer, not bytes that happen to match.
  bool Relocated = false;
  friend bool operator==(const Reference&, const Reference&) = default;
};

struct ReferenceSearch {
  std::vector<Reference> References;  // by file offset
  bool Cancelled = false;             // stopped by the caller; References holds what was found
  bool Truncated = false;             // stopped at the limit
};

// Called before each block with the bytes searched so far and the file's length; false stops the
// search.
using SearchProgress = std::function<bool(std::uint64_t searched, std::uint64_t total)>;

// Every file offset holding the pointer, reading the file once in blocks of kReferenceBlockSize.
// mapping gives the RVA of an offset, whose relocation entry says whether it is relocated.
[[nodiscard]] ReferenceSearch FindReferences(BoundedReader& reader, const StoredPointer& pointer,
                                             const RvaMapping& mapping,
                                             const BaseRelocations& relocations,
                                             const SearchProgress& goOn = {},
                                             std::size_t limit = kMaxReferences);

}  // namespace marlit
