#include "pe/conversion_panel.h"

#include <algorithm>

#include "pe/translate.h"
#include "platform/errors.h"

namespace marlit {

void FieldText::Assign(std::string_view text) {
  size_ = std::min(text.size(), chars_.size());
  std::copy_n(text.data(), size_, chars_.data());
}

ConversionPanel::ConversionPanel(const PeImage& image, const HexByteTable& hexByteText, Radix radix)
    : image_(image), byteHex_(AsciiByteHex(hexByteText)), radix_(radix) {
  TakeItems();
}

ConversionPanel::Outcome ConversionPanel::Change(PanelField field, std::string_view text) {
  try {
    if (field == PanelField::實偏移) {
      實偏移_Change(text);
    } else {
      虛偏移_Change(text);
    }
    return Outcome::Done;
  } catch (const Error&) {
    return Outcome::Overflowed;
  }
}

void ConversionPanel::實偏移_Change(std::string_view text) {
  實偏移_.Assign(text);
  std::int32_t value = Parse(text);
  const std::int32_t position = FileToRam(image_, value);
  Select(position);
  SetNumber(虛偏移_, value);
  Set代碼(value);
}

void ConversionPanel::虛偏移_Change(std::string_view text) {
  虛偏移_.Assign(text);
  const std::int32_t typed = Parse(text);
  std::int32_t value = typed;
  const std::int32_t position = RamToFile(image_, value);
  Select(position);
  SetNumber(實偏移_, value);
  // An address of file offset 0, the first byte of the file, leaves 代碼 empty too.
  if (value != 0) {
    Set代碼(typed);
  } else {
    Clear代碼();
  }
}

ConversionPanel::Outcome ConversionPanel::ClearAfterOverflow(PanelField focused) {
  // The fields are cleared in the order 實偏移, 虛偏移, 代碼; clearing an empty field is no change
  // and translates nothing.
  for (const PanelField field : {PanelField::實偏移, PanelField::虛偏移}) {
    FieldText& text = TextOf(field);
    if (text.Empty()) continue;
    text.Clear();
    if (field == focused && Change(field, {}) == Outcome::Overflowed) {
      ClearAll();
      return Outcome::Overflowed;
    }
  }
  Clear代碼();
  return Outcome::Done;
}

void ConversionPanel::Pick(std::int32_t item) {
  position_ = item;
  if (item == 0) {
    ClearAll();
    return;
  }
  const SectionRecord* record = IncludedRecord(image_, item);
  if (record == nullptr) return;
  // The memory field shows RamMin, with the image base, in either mode of translation.
  SetNumber(實偏移_, record->FileMin);
  SetNumber(虛偏移_, record->RamMin);
  Set代碼(record->RamMin);
}

void ConversionPanel::SetRadix(Radix radix) {
  radix_ = radix;
  // A text that does not fit the new radix stops the rewriting, as a failing step of the
  // option's click is skipped.
  try {
    Rewrite(實偏移_);
    Rewrite(虛偏移_);
  } catch (const Error&) {
  }
}

void ConversionPanel::Rewrite(FieldText& field) {
  if (radix_ == Radix::Decimal) {
    field.SetDecimal(ParseHexField(field.View()));
  } else {
    field.SetHex(static_cast<std::uint32_t>(ReadSignedDecimal(field.View())));
  }
}

ConversionPanel::Outcome ConversionPanel::ReportSections() {
  TakeItems();
  position_ = 0;
  // With the focus in 虛偏移, clearing it translates address 0 first.
  Outcome outcome = Outcome::Done;
  if (!虛偏移_.Empty()) {
    虛偏移_.Clear();
    outcome = Change(PanelField::虛偏移, {});
  }
  ClearAll();
  return outcome;
}

int ConversionPanel::InputLimit(PanelField) const { return FieldInputLimit(radix_); }

void ConversionPanel::TakeItems() {
  items_.clear();
  items_.emplace_back(kNotInSection);
  for (const SectionRecord& record : Records(image_)) {
    if (record.Included) items_.push_back(record.Name);
  }
}

void ConversionPanel::Select(std::int32_t position) {
  if (position < 0 || static_cast<std::size_t>(position) >= items_.size()) {
    throw IndexOutOfRangeError("no such item in the section list");
  }
  position_ = position;
}

std::int32_t ConversionPanel::Parse(std::string_view text) const {
  return radix_ == Radix::Hex ? ParseHexField(text) : ParseDecimalField(text);
}

void ConversionPanel::SetNumber(FieldText& field, std::int32_t value) const {
  if (radix_ == Radix::Hex) {
    // The 32-bit pattern, so that a negative value shows its 8 digits.
    field.SetHex(static_cast<std::uint32_t>(value));
  } else {
    field.SetDecimal(value);
  }
}

void ConversionPanel::Set代碼(std::int32_t address) {
  if (!代碼Observer_) {
    代碼_.SetByteHex(byteHex_, static_cast<std::uint32_t>(address), 4);
    return;
  }
  const FieldText before = 代碼_;
  代碼_.SetByteHex(byteHex_, static_cast<std::uint32_t>(address), 4);
  if (!(代碼_ == before)) 代碼Observer_();
}

void ConversionPanel::Clear代碼() {
  if (代碼_.Empty()) return;
  代碼_.Clear();
  if (代碼Observer_) 代碼Observer_();
}

void ConversionPanel::ClearAll() {
  實偏移_.Clear();
  虛偏移_.Clear();
  Clear代碼();
}

}  // namespace marlit
