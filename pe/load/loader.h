#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "pe/read/bounded_reader.h"
#include "pe/view/pe_image.h"
#include "platform/nul_text.h"
#include "platform/prompt.h"

namespace marlit {

// Analyses the PE file at path into image, showing its own messages through prompt. True when the
// table was built and no error is pending. On a refused file, a bad seek included, the previous
// table stays in force.
[[nodiscard]] bool AnalyzePeFile(PeImage& image, const std::filesystem::path& path, Prompt& prompt);

// Analyses bytes already in memory exactly as AnalyzePeFile analyses a file holding them, with the
// same results and messages; shown names them in the messages where a path would stand.
[[nodiscard]] bool AnalyzePeBytes(PeImage& image, std::span<const std::uint8_t> bytes,
                                  std::u16string_view shown, Prompt& prompt);

// Positions file at offset when offset + 1 < FileLength; otherwise leaves it where it is and sets
// LoadError. A negative offset is outside the file too.
void SafeSeek(PeImage& image, FileCursor& file, std::int32_t offset);

}  // namespace marlit
