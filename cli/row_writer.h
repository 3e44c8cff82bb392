#pragma once
// The output lines of marlit-cli's values, written by hand into one block for speed.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/value_check.h"
#include "pe/panel/conversion_panel.h"
#include "pe/facts/data_directories.h"
#include "pe/view/pe_image.h"

namespace marlit::cli {

// Appends text, which is UTF-8, as a JSON string literal: the quotation mark, the reverse solidus
// and the C0 controls escaped, the rest as it is. Every JSON text of marlit-cli is escaped here.
void AppendJsonString(std::string& out, std::string_view text);
[[nodiscard]] std::string JsonString(std::string_view text);
// The text of a value in a field of the radix and width, in UTF-8.
[[nodiscard]] std::string NumberText(std::int64_t value, Radix radix, NumberWidth width);
// Appends the members "key":"text","key_value":number of a field's value: its text in radix, and
// its number, signed 32-bit for a narrow field or unsigned 64-bit for a wide one.
void AppendJsonNumber(std::string& out, std::string_view key, std::int64_t value, Radix radix,
                      NumberWidth width);

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
  // The row of what panel holds after a value was typed into typed: a value that no included
  // record holds has no other value. False when the output has failed, now or before.
  [[nodiscard]] bool Append(const ConversionPanel& panel, Field typed);
  // The row of a value that translates nothing (an empty one): empty fields and item 0.
  [[nodiscard]] bool AppendNothing();
  // In JSON, an overflow of value typed into field gives an object with the message instead of a
  // row; the tab-separated output has the row of nothing.
  [[nodiscard]] bool AppendOverflow(Field field, std::string_view value);
  // Lines written as they are, in their turn among the rows.
  [[nodiscard]] bool AppendText(std::string_view text);
  [[nodiscard]] bool Flush();

 private:
  // The first block is small, so that a run of a few values costs little; each full block makes
  // the next one larger, up to kBlock.
  static constexpr std::size_t kFirstBlock = std::size_t{1} << 16;
  static constexpr std::size_t kBlock = std::size_t{1} << 20;
  struct Piece {
    std::size_t start;
    std::size_t size;
  };
  // The room for one row and extra bytes more, flushing the block first when it is full; null
  // once the output failed. The block has room for a row past capacity_, so a row with no extra
  // bytes asks one question of it.
  [[nodiscard]] char* Room(std::size_t extra = 0) {
    if (used_ < capacity_ && !failed_ && (extra == 0 || used_ + longestRow_ + extra <= size_)) {
      return block_.get() + used_;
    }
    return MakeRoom(extra);
  }
  [[nodiscard]] char* MakeRoom(std::size_t extra);
  // The directory and export of the value typed: the directory's JSON string (empty for none),
  // and the export's into exportJson_.
  [[nodiscard]] std::string_view TakeFacts(const ConversionPanel& panel, Field typed);
  void Written(const char* row, const char* end) { used_ += static_cast<std::size_t>(end - row); }

  std::ostream& out_;
  bool json_;
  const PeImage& image_;
  // The JSON strings of the directories' names, by DirectoryKind, made once.
  std::array<std::string, kDirectoryKinds> directoryJson_;
  // The JSON string of the last row's export; empty for none. Kept, so that its room is reused.
  std::string exportJson_;
  bool failed_ = false;
  // What a row says of each item, made once, not once per value: "\t<i>\t<name>\t" between the
  // memory address and 代碼, or the JSON members from "found" to "section".
  std::string pieceText_;
  std::vector<Piece> pieces_;
  // The JSON object of an overflow up to its field's name.
  std::string overflowStart_;
  std::size_t longestRow_;  // a row never takes more room than this
  // Room for capacity_ bytes and a row; not cleared when made: only what is written is read.
  std::unique_ptr<char[]> block_;
  std::size_t capacity_ = kFirstBlock;
  std::size_t size_ = 0;  // of the block: at least capacity_ + longestRow_
  std::size_t used_ = 0;
};

}  // namespace marlit::cli
