#pragma once
// Types marlit-cli's values into a conversion panel, one output line per value.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/block_input.h"
#include "cli/row_writer.h"
#include "cli/value_check.h"
#include "pe/panel/conversion_panel.h"
#include "pe/view/pe_image.h"

namespace marlit::cli {

enum ExitStatus : int {
  kExitOk = 0,
  kExitRefusedFile = 1,  // the loader's message is on the error stream
  kExitUsage = 2,        // bad arguments or value text
  kExitOverflow = 3,     // at least one value overflowed; the others were translated
  kExitIoFailed = 4,     // the input could not be read or the output written (a full disk)
};

inline constexpr std::string_view kPrefix = "marlit-cli: ";

// The message for a value text the field would not take; empty when it takes it. limit is the
// most characters the field takes.
[[nodiscard]] std::string ValueTextMessage(std::string_view value, Radix radix, int limit);

// Types values into a conversion panel on image and writes a line for each; reports refused text
// and overflows on the error stream, naming the value.
class ValueRunner {
 public:
  // image must outlive the runner.
  ValueRunner(const PeImage& image, Radix radix, std::ostream& out, std::ostream& err, bool json);
  // False when the value text was refused (nothing is printed for it; the run stops) or the
  // output failed.
  [[nodiscard]] bool Value(Field field, std::string_view value);
  // One value a line to the end of in; a CR before the line end is dropped. False at the first
  // refused line, a failed read or a failed write. Of a line longer than any value, only the
  // start is read and named.
  [[nodiscard]] bool Lines(Field field, BlockInput& in);
  // Writes what is left and gives the exit status of the values run so far.
  [[nodiscard]] int Finish();
  // From now on each value gives its references in the file at path, the one image was
  // analysed from, in place of its translation.
  void ListReferences(const std::filesystem::path& path) { referencesIn_ = path; }

 private:
  // As the output: a read that fills the block makes the next block larger, up to kBlock.
  static constexpr std::size_t kFirstBlock = std::size_t{1} << 16;
  static constexpr std::size_t kBlock = std::size_t{1} << 18;
  // More than any field takes with a 0x and a CR, so that a longer line is refused as it is.
  static constexpr std::size_t kLongestLine = 255;
  // The value of an input line: its start, without a CR at its end.
  [[nodiscard]] static std::string_view LineValue(std::string_view line);
  // Checks value, then enters it; line 0 is the command line.
  [[nodiscard]] bool Translate(Field field, std::string_view value, std::size_t line);
  // Types the field text of a value that passed the check into the panel and writes the row.
  [[nodiscard]] bool Enter(Field field, std::string_view fieldText, std::string_view value,
                           std::size_t line);
  [[nodiscard]] static std::string Where(std::size_t line);
  // The references of the address the panel holds after value was typed into field: rows, or a
  // note on the error stream when there are none. False when the file or the output failed.
  [[nodiscard]] bool ListReferencesOf(Field field, std::string_view value, std::size_t line);

  const PeImage& image_;
  ConversionPanel panel_;
  RowWriter rows_;
  std::ostream& err_;
  bool json_;
  bool overflowed_ = false;
  bool readFailed_ = false;
  std::optional<std::filesystem::path> referencesIn_;
  std::string referenceRows_;  // kept, so that its room is reused
  // Room for the start of a line, capacity_ bytes read and a line end; not cleared when made.
  std::size_t capacity_ = kFirstBlock;
  std::unique_ptr<char[]> block_;
};

}  // namespace marlit::cli
