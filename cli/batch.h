#pragma once
// A run of marlit-cli: analyse the file, then either print its section table or translate the
// values in the order given, one output line per value.

#include <array>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/block_input.h"
#include "cli/value_check.h"
#include "pe/conversion_panel.h"
#include "pe/pe_image.h"

namespace marlit::cli {

enum ExitStatus : int {
  kExitOk = 0,
  kExitRefusedFile = 1,  // the loader's message is on the error stream
  kExitUsage = 2,        // bad arguments or value text
  kExitOverflow = 3,     // at least one value overflowed; the others were translated
  kExitIoFailed = 4,     // the input could not be read or the output written (a full disk)
};

// The value "-" reads one value a line from the input stream.
inline constexpr std::string_view kFromInput = "-";

struct ValueRequest {
  Field field = Field::FileOffset;
  std::string value;
};

struct Options {
  std::filesystem::path file;
  std::vector<ValueRequest> values;  // in command-line order
  Radix radix = Radix::Hex;
  bool rva = false;  // OmitImageBase
  bool json = false;
  bool yes = false;  // OK to the question about more than 20 sections
  std::vector<std::string> exclude;
};

// The items of the section list as the output shows them: in UTF-8 with control characters as
// U+FFFD, and exactly, as JSON string literals. The names are fixed for the run: each is
// converted once, not once per value.
class ItemTexts {
 public:
  explicit ItemTexts(std::span<const std::u16string> items);
  [[nodiscard]] const std::string& Text(std::int32_t item) const;
  [[nodiscard]] const std::string& Json(std::int32_t item) const;
  [[nodiscard]] std::size_t Count() const { return text_.size(); }
  // The most bytes that Text or Json gives for any item.
  [[nodiscard]] std::size_t Longest() const { return longest_; }

 private:
  std::vector<std::string> text_;
  std::vector<std::string> json_;
  std::size_t longest_ = 0;
};

// Writes the output lines straight into one block and the block to the stream when it fills.
// After the first failed write nothing more is written.
class RowWriter {
 public:
  // Items' pieces are padded to a multiple of this, so that they are copied in steps of it.
  static constexpr std::size_t kPieceStep = 32;

  // image is the one panel translates on; its records give the JSON rows their index and kind.
  RowWriter(std::ostream& out, bool json, const ConversionPanel& panel, const PeImage& image);
  // The row of what panel holds after a value was typed into typed. False when the output has
  // failed, now or before.
  [[nodiscard]] bool Append(const ConversionPanel& panel, Field typed);
  // In JSON, an overflow of value typed into field gives an object with the message instead of a
  // row; the tab-separated output has the row of what the panel holds after it.
  [[nodiscard]] bool AppendOverflow(const ConversionPanel& panel, Field field,
                                    std::string_view value);
  [[nodiscard]] bool Flush();
  [[nodiscard]] bool Failed() const { return failed_; }

 private:
  // The first block is small, so that a run of a few values costs little; each full block makes
  // the next one larger, up to kBlock.
  static constexpr std::size_t kFirstBlock = std::size_t{1} << 16;
  static constexpr std::size_t kBlock = std::size_t{1} << 20;
  struct Piece {
    std::size_t start;
    std::size_t size;
  };
  // The room for one row, flushing the block first when it is full; null once the output failed.
  [[nodiscard]] char* Room();

  std::ostream& out_;
  bool json_;
  bool failed_ = false;
  // What a row says of each item, made once, not once per value: "\t<i>\t<name>\t" between the
  // memory address and 代碼, or the JSON members from "found" to "section".
  std::string pieceText_;
  std::vector<Piece> pieces_;
  std::size_t longestRow_;  // a row never takes more room than this
  // Room for capacity_ bytes and a row; not cleared when made: only what is written is read.
  std::unique_ptr<char[]> block_;
  std::size_t capacity_ = kFirstBlock;
  std::size_t used_ = 0;
};

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

  ConversionPanel panel_;
  RowWriter rows_;
  std::ostream& err_;
  bool overflowed_ = false;
  bool readFailed_ = false;
  // Room for the start of a line, capacity_ bytes read and a line end; not cleared when made.
  std::size_t capacity_ = kFirstBlock;
  std::unique_ptr<char[]> block_;
};

// The message for a value text the field would not take; empty when it takes it. limit is the
// most characters the field takes.
[[nodiscard]] std::string ValueTextMessage(std::string_view value, Radix radix, int limit);

// Clears Included of every record named name; false when no record has that name.
[[nodiscard]] bool ExcludeSections(PeImage& image, std::u16string_view name);

// The kind of image, the image base and a row per record, tab-separated or as one JSON object,
// with the numbers in radix and the memory addresses without the image base when the image says
// so (OmitImageBase).
void PrintSectionTable(const PeImage& image, Radix radix, bool json, std::ostream& out);

[[nodiscard]] int Run(const Options& options, BlockInput& in, std::ostream& out, std::ostream& err);

}  // namespace marlit::cli
