#include "pe/panel/conversion_panel.h"

#include <algorithm>

#include "pe/view/section_choice.h"
#include "pe/view/translate.h"
#include "platform/errors.h"

namespace marlit {

void FieldText::Assign(std::string_view text) {
  size_ = std::min(text.size(), chars_.size());
  std::copy_n(text.data(), size_, chars_.data());
}

ConversionPanel::ConversionPanel(const PeImage& image, const HexByteTable& hexByteText, Radix radix)
    : image_(image), hexByteText_(hexByteText), radix_(radix) {
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
  zeroFilled_ = false;
  if (text.empty()) return ShowNoAnswer(PanelField::虛偏移);
  std::int64_t value = Parse(PanelField::實偏移, text);
  numbers_[Index(PanelField::實偏移)] = value;
  const std::int32_t position = FileToRam(image_, value);
  if (position == 0) return ShowNoAnswer(PanelField::虛偏移);
  Select(position);
  SetNumber(PanelField::虛偏移, value);
  Set代碼(value, !image_.OmitImageBase);
}

void ConversionPanel::虛偏移_Change(std::string_view text) {
  虛偏移_.Assign(text);
  zeroFilled_ = false;
  if (text.empty()) return ShowNoAnswer(PanelField::實偏移);
  const std::int64_t typed = Parse(PanelField::虛偏移, text);
  numbers_[Index(PanelField::虛偏移)] = typed;
  const Translation t = TranslateAddress(image_, typed);
  if (t.Position == 0) return ShowNoAnswer(PanelField::實偏移);
  Select(t.Position);
  if (t.Where == Landing::ZeroFilled) {
    // Memory the loader fills with zeros has no file offset; "0" would name the file's first byte.
    zeroFilled_ = true;
    ClearNumber(PanelField::實偏移);
    Set代碼(typed, !image_.OmitImageBase);
    return;
  }
  SetNumber(PanelField::實偏移, t.Value);
  // 代碼 is that of the address whatever field was typed: empty only for the address 0.
  Set代碼(typed, !image_.OmitImageBase);
}

void ConversionPanel::ShowNoAnswer(PanelField other) {
  // An empty field, or a value in no included record, has no counterpart: "0" there would name
  // the first byte of the file, which a user might copy and patch.
  Select(0);
  ClearNumber(other);
  Clear代碼();
}

void ConversionPanel::ClearAfterOverflow() {
  // The focused field's own clearing translates nothing, so no record is selected after it.
  position_ = 0;
  ClearAll();
}

void ConversionPanel::Pick(std::int32_t item) {
  position_ = item;
  zeroFilled_ = false;
  if (item == 0) {
    ClearAll();
    return;
  }
  const SectionRecord* record = IncludedRecord(image_, item);
  if (record == nullptr) return;
  // The start is written as typed addresses are read: without the image base in RVA mode.
  const std::int64_t start = AddressInMode(image_, record->RamMin);
  // As typing the start would answer: a record without file bytes, zero-filled from its start
  // in the loader's view, has no file offset there.
  zeroFilled_ = record->FileMax <= record->FileMin;
  if (zeroFilled_) {
    ClearNumber(PanelField::實偏移);
  } else {
    SetNumber(PanelField::實偏移, record->FileMin);
  }
  SetNumber(PanelField::虛偏移, start);
  Set代碼(start, !image_.OmitImageBase);
}

void ConversionPanel::SetRadix(Radix radix) {
  radix_ = radix;
  // A text that does not fit the new radix stops the rewriting, as a failing step of the
  // option's click is skipped.
  try {
    Rewrite(PanelField::實偏移);
    Rewrite(PanelField::虛偏移);
  } catch (const Error&) {
  }
}

void ConversionPanel::Rewrite(PanelField field) {
  // An empty field stays empty: "0" would name the first byte of the file.
  if (TextOf(field).Empty()) return;
  SetNumber(field, ReadOtherRadix(TextOf(field).View(), radix_, Width(field)));
}

void ConversionPanel::ReportSections() {
  TakeItems();
  position_ = 0;
  ClearAll();
}

NumberWidth ConversionPanel::Width(PanelField field) const {
  return field == PanelField::實偏移 ? NumberWidth::Narrow : AddressWidth(image_);
}

int ConversionPanel::InputLimit(PanelField field) const {
  return FieldInputLimit(radix_, Width(field));
}

void ConversionPanel::TakeItems() {
  // The flags may have been written since the last report: translation rebuilds its lookup.
  TableChanged(image_);
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

std::int64_t ConversionPanel::Parse(PanelField field, std::string_view text) const {
  return ParseFieldNumber(text, radix_, Width(field));
}

void ConversionPanel::SetNumber(PanelField field, std::int64_t value) {
  TextOf(field).SetNumber(radix_, Width(field), value);
  numbers_[Index(field)] = value;
}

void ConversionPanel::ClearNumber(PanelField field) {
  TextOf(field).Clear();
  numbers_[Index(field)] = 0;
}

void ConversionPanel::Set代碼(std::int64_t address, bool withImageBase) {
  const bool eightBytes = image_.Kind == ImageKind::Pe32Plus && withImageBase;
  const auto pattern = static_cast<std::uint64_t>(address);
  if (!代碼Observer_) {
    代碼_.SetByteHex(hexByteText_, pattern, eightBytes ? 8 : 4);
    return;
  }
  const FieldText before = 代碼_;
  代碼_.SetByteHex(hexByteText_, pattern, eightBytes ? 8 : 4);
  if (!(代碼_ == before)) 代碼Observer_();
}

void ConversionPanel::Clear代碼() {
  if (代碼_.Empty()) return;
  代碼_.Clear();
  if (代碼Observer_) 代碼Observer_();
}

void ConversionPanel::ClearAll() {
  zeroFilled_ = false;
  實偏移_.Clear();
  虛偏移_.Clear();
  numbers_ = {};
  Clear代碼();
}

}  // namespace marlit
