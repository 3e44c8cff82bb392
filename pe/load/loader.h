#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "pe/facts/address_facts.h"
#include "pe/read/bounded_reader.h"
#include "pe/view/pe_image.h"
#include "platform/nul_text.h"
#include "platform/prompt.h"

namespace marlit {

// What one analysis reads on its way to the table. It belongs to the analysis, not to the image,
// so that a refused file leaves no trace of it there.
struct LoaderReading {
  std::int32_t PeOffset = 0;
  std::int32_t PeSignature = 0;
  // The last section header read.
  std::array<std::uint8_t, 40> SectionHeader{};
  std::int32_t FileLength = 0;
  // Set by a seek outside the file and shown when the analysis ends.
  std::u16string LoadError;
};

// Analyses the PE file at path into image, showing its own messages through prompt. True when the
// table was built and no error is pending. On a refused file, a bad seek included, the previous
// table stays in force. reading, when given, receives what the analysis read.
[[nodiscard]] bool AnalyzePeFile(PeImage& image, const std::filesystem::path& path, Prompt& prompt,
                                 LoaderReading* reading = nullptr);

// Analyses bytes already in memory exactly as AnalyzePeFile analyses a file holding them, with the
// same results and messages; shown names them in the messages where a path would stand.
[[nodiscard]] bool AnalyzePeBytes(PeImage& image, std::span<const std::uint8_t> bytes,
                                  std::u16string_view shown, Prompt& prompt,
                                  LoaderReading* reading = nullptr);

// Positions file at offset when offset + 1 < FileLength; otherwise leaves it where it is and sets
// LoadError. A negative offset is outside the file too.
void SafeSeek(LoaderReading& reading, FileCursor& file, std::int32_t offset);

// The references of address (in the mode in force) in the analysed file at path, read through the
// reader of the loader's own opening. PlatformError, with the loader's message in the user's
// language, when the file cannot be opened, is not a regular file or is too large, or a read fails.
[[nodiscard]] AddressReferences FindAddressReferencesInFile(const PeImage& image,
                                                            const std::filesystem::path& path,
                                                            std::int64_t address,
                                                            const SearchProgress& goOn = {},
                                                            std::size_t limit = kMaxReferences);

}  // namespace marlit
