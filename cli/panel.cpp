#include "cli/panel.h"

#include <nlohmann/json.hpp>

#include "cli/stderr_prompt.h"
#include "cli/text_utf8.h"
#include "pe/key_filter.h"
#include "pe/translate.h"
#include "platform/errors.h"

namespace marlit::cli {
namespace {

constexpr std::u16string_view kNotInSection = u"不在段內";

std::size_t FieldLimit(Radix radix) { return radix == Radix::Hex ? 8 : 10; }

std::int32_t FilterMode(Radix radix) {
  return radix == Radix::Hex ? UseString::kHexMode : UseString::kDecimalMode;
}

bool HasHexPrefix(std::string_view value) {
  return value.size() >= 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X');
}

}  // namespace

std::string_view FieldTextOf(std::string_view value, Radix radix) {
  if (radix == Radix::Hex && HasHexPrefix(value)) value.remove_prefix(2);
  return value;
}

TextProblem CheckFieldText(std::string_view fieldText, Radix radix) {
  SilentBeeper silent;
  for (const char c : fieldText) {
    // Bytes of a multi-byte character are above 127 and refused like the character itself.
    std::int32_t code = static_cast<unsigned char>(c);
    UseString::FilterKeyChar(code, FilterMode(radix), silent);
    if (code == 0) return TextProblem::RefusedCharacter;
  }
  if (fieldText.size() > FieldLimit(radix)) return TextProblem::TooLong;
  return TextProblem::None;
}

TextProblem CheckValue(std::string_view value, Radix radix) {
  if (radix == Radix::Hex && value.size() == 2 && HasHexPrefix(value)) {
    return TextProblem::NoDigitsAfterPrefix;
  }
  return CheckFieldText(FieldTextOf(value, radix), radix);
}

std::size_t RecordCount(const PeImage& image) {
  const auto count = static_cast<std::size_t>(std::max<int>(image.SectionCount, 0));
  return std::min(count, image.Sections.size());
}

ConversionPanel::ConversionPanel(const PeImage& image, Radix radix)
    : image_(image), radix_(radix), byteHex_(AsciiHexByteText(BuildHexByteText())) {
  // The section names are fixed for the run: each is converted once, not once per value.
  auto addItem = [this](std::u16string_view name) {
    std::string utf8 = ToUtf8(name);
    itemJson_.push_back(nlohmann::json(utf8).dump());
    itemText_.push_back(TabSafe(utf8));
  };
  addItem(kNotInSection);
  for (std::size_t i = 0; i < RecordCount(image); ++i) {
    if (image.Sections[i].Included) addItem(image.Sections[i].Name);
  }
}

bool ConversionPanel::Type(Field field, std::string_view fieldText) {
  try {
    if (field == Field::FileOffset) {
      實偏移Change(fieldText);
    } else {
      虛偏移Change(fieldText);
    }
    return true;
  } catch (const Error&) {
    ReportOverflow(field);
    return false;
  }
}

void ConversionPanel::實偏移Change(std::string_view text) {
  state_.實偏移.Assign(text);
  std::int32_t value = Parse(text);
  const std::int32_t position = FileToRam(image_, value);
  Select(position);
  SetNumber(state_.虛偏移, value);
  state_.代碼.SetByteHex(byteHex_, value);
}

void ConversionPanel::虛偏移Change(std::string_view text) {
  state_.虛偏移.Assign(text);
  const std::int32_t typed = Parse(text);
  std::int32_t value = typed;
  const std::int32_t position = RamToFile(image_, value);
  Select(position);
  SetNumber(state_.實偏移, value);
  // An address of file offset 0 leaves 代碼 empty too.
  if (value != 0) {
    state_.代碼.SetByteHex(byteHex_, typed);
  } else {
    state_.代碼.Clear();
  }
}

void ConversionPanel::ReportOverflow(Field field) {
  // The window clears 實偏移, then 虛偏移, then 代碼. The field that holds the focus translates
  // its own clearing (the value 0) on the way, which leaves its mark on the other field and the
  // list.
  if (field == Field::FileOffset) {
    try {
      實偏移Change({});
    } catch (const Error&) {
      state_.實偏移.Clear();
    }
    state_.虛偏移.Clear();
  } else {
    state_.實偏移.Clear();
    try {
      虛偏移Change({});
    } catch (const Error&) {
      // A second overflow message; the fields it clears are empty already.
      state_.實偏移.Clear();
      state_.虛偏移.Clear();
    }
  }
  state_.代碼.Clear();
}

std::int32_t ConversionPanel::Parse(std::string_view text) const {
  // Checked value texts are at most 10 ASCII digits.
  std::array<char16_t, FieldText::kCapacity> wide{};
  const std::size_t n = std::min(text.size(), wide.size());
  for (std::size_t i = 0; i < n; ++i) wide[i] = static_cast<unsigned char>(text[i]);
  const std::u16string_view view(wide.data(), n);
  return radix_ == Radix::Hex ? ParseHexField(view) : ParseDecimalField(view);
}

void ConversionPanel::Select(std::int32_t position) {
  if (position < 0 || static_cast<std::size_t>(position) >= itemText_.size()) {
    throw IndexOutOfRangeError("no such item in the section list");
  }
  state_.Position = position;
}

void ConversionPanel::SetNumber(FieldText& field, std::int32_t value) const {
  if (radix_ == Radix::Hex) {
    field.SetHex(value);
  } else {
    field.SetDecimal(value);
  }
}

const std::string& ConversionPanel::ItemText(std::int32_t position) const {
  return itemText_.at(static_cast<std::size_t>(position));
}

const std::string& ConversionPanel::ItemJson(std::int32_t position) const {
  return itemJson_.at(static_cast<std::size_t>(position));
}

}  // namespace marlit::cli
