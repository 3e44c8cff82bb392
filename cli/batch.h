#pragma once
// A run of marlit-cli: analyse the file, then either print its section table or translate the
// values in the order given, one output line per value.

#include <array>
#include <filesystem>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

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

 private:
  std::vector<std::string> text_;
  std::vector<std::string> json_;
};

// Collects the output lines in one buffer and writes it to the stream in large blocks.
class RowWriter {
 public:
  RowWriter(std::ostream& out, bool json, const ConversionPanel& panel)
      : out_(out), json_(json), items_(panel.Items()) {
    buffer_.reserve(kBlock + 256);
  }
  void Append(const ConversionPanel& panel);
  void Flush();
  [[nodiscard]] bool Failed() const { return failed_; }

 private:
  static constexpr std::size_t kBlock = 1 << 16;
  std::ostream& out_;
  bool json_;
  bool failed_ = false;
  ItemTexts items_;
  std::string buffer_;
};

// Types values into the panel and writes a line for each; reports refused text and overflows on
// the error stream, naming the value.
class ValueRunner {
 public:
  ValueRunner(ConversionPanel& panel, std::ostream& out, std::ostream& err, bool json)
      : panel_(panel), rows_(out, json, panel), err_(err) {}
  // False when the value text was refused (nothing is printed for it; the run stops).
  [[nodiscard]] bool Value(Field field, std::string_view value);
  // One value a line to the end of in; a CR before the line end is dropped. False at the first
  // refused line or a failed read. Of a line longer than any value, only the start is read and
  // named.
  [[nodiscard]] bool Lines(Field field, std::istream& in);
  // Writes what is left and gives the exit status of the values run so far.
  [[nodiscard]] int Finish();

 private:
  [[nodiscard]] bool Translate(Field field, std::string_view value, std::size_t line);

  ConversionPanel& panel_;
  RowWriter rows_;
  std::ostream& err_;
  bool overflowed_ = false;
  bool readFailed_ = false;
  std::array<char, 256> line_{};
};

// The message for a value text the field would not take; empty when it takes it. limit is the
// most characters the field takes.
[[nodiscard]] std::string ValueTextMessage(std::string_view value, Radix radix, int limit);

// Clears Included of every record named name; false when no record has that name.
[[nodiscard]] bool ExcludeSections(PeImage& image, std::u16string_view name);

// The image base and a row per record, tab-separated or as one JSON object.
void PrintSectionTable(const PeImage& image, bool json, std::ostream& out);

[[nodiscard]] int Run(const Options& options, std::istream& in, std::ostream& out,
                      std::ostream& err);

}  // namespace marlit::cli
