#pragma once
// The conversion panel of the window without the window: a value typed into 實偏移 or 虛偏移
// runs that field's Change handler, and the panel then holds what its fields and its section
// list 區段訊息 would show.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/field_text.h"
#include "pe/pe_image.h"

namespace marlit::cli {

enum class Radix { Decimal, Hex };
// -o types into 實偏移, -a into 虛偏移.
enum class Field { FileOffset, MemoryAddress };

enum class TextProblem { None, RefusedCharacter, TooLong, NoDigitsAfterPrefix };

// The text a value puts into its field: in hexadecimal without its 0x prefix.
[[nodiscard]] std::string_view FieldTextOf(std::string_view value, Radix radix);
// Whether the field would take fieldText: every character must pass the key filter of the radix,
// and the field takes at most 8 hexadecimal or 10 decimal characters.
[[nodiscard]] TextProblem CheckFieldText(std::string_view fieldText, Radix radix);
[[nodiscard]] TextProblem CheckValue(std::string_view value, Radix radix);

// The records of the table, 0 .. SectionCount - 1.
[[nodiscard]] std::size_t RecordCount(const PeImage& image);

struct PanelState {
  FieldText 實偏移;
  FieldText 虛偏移;
  std::int32_t Position = 0;  // the selected item of 區段訊息
  FieldText 代碼;
};

class ConversionPanel {
 public:
  // image must outlive the panel; the list items are taken from its included records now.
  ConversionPanel(const PeImage& image, Radix radix);

  // Types fieldText, already checked, into field. False when it overflowed: the state is then
  // what the window shows after "溢出！請填寫正確的數值。" was acknowledged.
  [[nodiscard]] bool Type(Field field, std::string_view fieldText);

  [[nodiscard]] const PanelState& State() const { return state_; }
  [[nodiscard]] Radix radix() const { return radix_; }
  // The text of item position of 區段訊息: in UTF-8 with control characters shown as U+FFFD,
  // and exactly, as a JSON string literal.
  [[nodiscard]] const std::string& ItemText(std::int32_t position) const;
  [[nodiscard]] const std::string& ItemJson(std::int32_t position) const;
  [[nodiscard]] std::size_t ItemCount() const { return itemText_.size(); }

 private:
  void 實偏移Change(std::string_view text);
  void 虛偏移Change(std::string_view text);
  void ReportOverflow(Field field);
  [[nodiscard]] std::int32_t Parse(std::string_view text) const;
  void Select(std::int32_t position);
  void SetNumber(FieldText& field, std::int32_t value) const;

  const PeImage& image_;
  Radix radix_;
  std::array<char, 512> byteHex_;
  std::vector<std::string> itemText_;
  std::vector<std::string> itemJson_;
  PanelState state_;
};

}  // namespace marlit::cli
