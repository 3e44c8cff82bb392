#pragma once
// The conversion panel of the main window without the window: the texts of 實偏移, 虛偏移 and
// 代碼, the radix 進制 and the section list 區段訊息 with its selected item. The window hands each
// event of these controls to the panel and draws the panel's state back into them; marlit-cli
// types its values into the same panel and prints what it holds.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pe/panel/number_text.h"
#include "pe/view/pe_image.h"

namespace marlit {

enum class PanelField { 實偏移, 虛偏移 };

// The most characters a user may type or paste into a number field of the radix and width.
[[nodiscard]] constexpr int FieldInputLimit(Radix radix, NumberWidth width = NumberWidth::Narrow) {
  if (width == NumberWidth::Wide) return radix == Radix::Hex ? 16 : 20;
  return radix == Radix::Hex ? 8 : 10;
}

// The text of one field, held in place so that a batch of values formats without allocating.
class FieldText {
 public:
  // A longer text is cut; no field takes one (the callers check value texts first).
  void Assign(std::string_view text);
  void Clear() { size_ = 0; }
  [[nodiscard]] std::string_view View() const { return {chars_.data(), size_}; }
  [[nodiscard]] bool Empty() const { return size_ == 0; }
  bool operator==(const FieldText& other) const { return View() == other.View(); }

  void SetNumber(Radix radix, NumberWidth width, std::int64_t value) {
    size_ = WriteFieldNumber(chars_.data(), radix, width, value);
  }
  void SetByteHex(const HexByteTable& table, std::uint64_t pattern, int bytes) {
    size_ = WriteByteHex(chars_.data(), table, pattern, bytes);
  }

 private:
  std::array<char, kFieldTextCapacity> chars_{};
  std::size_t size_ = 0;
};

class ConversionPanel {
 public:
  static constexpr std::u16string_view kNotInSection = u"不在段內";
  enum class Outcome { Done, Overflowed };

  // image and hexByteText must outlive the panel; the section list is taken from image's included
  // records now.
  ConversionPanel(const PeImage& image, const HexByteTable& hexByteText, Radix radix = Radix::Hex);

  // The user changed the text of field, which holds the input focus, to text. An empty text, or
  // a value that no included record holds, leaves the other field and 代碼 empty and selects
  // "不在段內"; a zero-filled address selects its record and leaves 實偏移 empty. Overflowed when the value or its translation did not fit ("溢出！請填寫正確的數
  // 值。"): the caller tells the user, then runs ClearAfterOverflow.
  [[nodiscard]] Outcome Change(PanelField field, std::string_view text);
  // The text of field changed while it did not hold the focus: it is kept, nothing is
  // translated.
  void SetText(PanelField field, std::string_view text) {
    TextOf(field).Assign(text);
    numbers_[Index(field)] = 0;
  }
  // Clears 實偏移, 虛偏移 and 代碼 after an overflow, with "不在段內" selected.
  void ClearAfterOverflow();
  // The user picked item of the section list: the start of its record, its address in the mode
  // in force, or empty fields for "不在段內". A start without file bytes is zero-filled, as
  // typing it would answer: 實偏移 is empty.
  void Pick(std::int32_t item);
  // The option of the radix was chosen: both texts are rewritten, nothing is translated; an empty
  // text stays empty.
  void SetRadix(Radix radix);
  // A new table is in force: the list follows its included records, and the fields are cleared.
  void ReportSections();

  [[nodiscard]] Radix radix() const { return radix_; }
  [[nodiscard]] const FieldText& Text(PanelField field) const {
    return field == PanelField::實偏移 ? 實偏移_ : 虛偏移_;
  }
  // The number of field's text as the panel read or wrote it; 0 for an empty text or one given by
  // SetText.
  [[nodiscard]] std::int64_t Number(PanelField field) const { return numbers_[Index(field)]; }
  [[nodiscard]] const FieldText& 代碼() const { return 代碼_; }
  // The selected item of the section list.
  [[nodiscard]] std::int32_t Position() const { return position_; }
  // The last address typed or picked lies in memory that the loader's view zero-fills: its record
  // is selected and 實偏移 is empty, for no file byte holds it.
  [[nodiscard]] bool ZeroFilled() const { return zeroFilled_; }
  // "不在段內", then the names of the included records as of the last report.
  [[nodiscard]] std::span<const std::u16string> Items() const { return items_; }
  // The rules of field: the file offset is narrow; the memory address is wide in a PE32+ image.
  [[nodiscard]] NumberWidth Width(PanelField field) const;
  // The most characters the user may type or paste into field.
  [[nodiscard]] int InputLimit(PanelField field) const;

  // Told every change of 代碼's text, as a Change event of the control would be.
  void On代碼Change(std::function<void()> observer) { 代碼Observer_ = std::move(observer); }

 private:
  void 實偏移_Change(std::string_view text);
  void 虛偏移_Change(std::string_view text);
  // Selects "不在段內" and clears other and 代碼: the answer to an empty field or a value in no
  // section.
  void ShowNoAnswer(PanelField other);
  void TakeItems();
  void Select(std::int32_t position);
  [[nodiscard]] std::int64_t Parse(PanelField field, std::string_view text) const;
  void SetNumber(PanelField field, std::int64_t value);
  void ClearNumber(PanelField field);
  // 代碼 of an address: its 4 bytes in a PE32 image; in a PE32+ image its 8 bytes, or the 4 of
  // the 32-bit RVA when the address is given without the image base.
  void Set代碼(std::int64_t address, bool withImageBase);
  void Clear代碼();
  void ClearAll();
  // Rewrites one field's text in the radix chosen, from its reading in the other one.
  void Rewrite(PanelField field);
  FieldText& TextOf(PanelField field) { return field == PanelField::實偏移 ? 實偏移_ : 虛偏移_; }
  static constexpr std::size_t Index(PanelField field) {
    return field == PanelField::實偏移 ? 0 : 1;
  }

  const PeImage& image_;
  const HexByteTable& hexByteText_;
  Radix radix_;
  FieldText 實偏移_;
  FieldText 虛偏移_;
  FieldText 代碼_;
  std::array<std::int64_t, 2> numbers_{};  // by Index
  std::int32_t position_ = 0;
  bool zeroFilled_ = false;
  std::vector<std::u16string> items_;
  std::function<void()> 代碼Observer_;
};

}  // namespace marlit
