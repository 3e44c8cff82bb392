#pragma once
// Long section names: a name "/N" points at byte N of the COFF string table, which follows the
// symbol table. The table is untrusted bytes like the rest of the file.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "pe/read/bounded_reader.h"

namespace marlit {

// The longest long name read; a text with no NUL within it is taken as unreadable, so that a
// table of thousands of names cannot make the analysis read the file over and over.
inline constexpr std::size_t kLongestSectionName = 4096;

// PointerToSymbolTable + 18 x NumberOfSymbols; none when the file has no symbol table pointer.
[[nodiscard]] std::optional<std::uint64_t> StringTableOffset(std::uint32_t pointerToSymbolTable,
                                                             std::uint32_t numberOfSymbols);

// N of a section name "/N" (a slash and decimal digits up to the first NUL); none for any other.
[[nodiscard]] std::optional<std::uint32_t> StringTableIndex(std::span<const std::uint8_t, 8> name);

// The NUL-terminated UTF-8 text at byte N of the string table for a name "/N"; none when the name
// is not of that form, or the text lies outside the file, has no NUL before its end or is not
// UTF-8.
[[nodiscard]] std::optional<std::u16string> LongSectionName(BoundedReader& reader,
                                                            std::optional<std::uint64_t> stringTable,
                                                            std::span<const std::uint8_t, 8> name);

}  // namespace marlit
