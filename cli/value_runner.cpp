#include "cli/value_runner.h"

#include <algorithm>
#include <cstring>

#include "cli/reference_rows.h"
#include "cli/text_utf8.h"
#include "pe/facts/address_facts.h"
#include "pe/load/loader.h"
#include "pe/load/loader_messages.h"
#include "pe/panel/messages.h"
#include "platform/errors.h"
#include "platform/translation.h"

namespace marlit::cli {
namespace {

// HexByteText, which never changes, made once for every panel of the run.
const HexByteTable& HexByteTextOnce() {
  static const HexByteTable table = BuildHexByteText();
  return table;
}

// A sentence of the catalogue about a value, its places filled: %1 the value as the terminal may
// show it, %2 the digits.
std::string ValueSentence(std::u16string_view sentence, std::string_view value, int digits = 0) {
  return Utf8FromUtf16(FillIn(marlit::Translate(sentence), {Utf16FromUtf8(TerminalText(value)),
                                                     Utf16FromUtf8(std::to_string(digits))}));
}

}  // namespace

std::string ValueTextMessage(std::string_view value, Radix radix, int limit) {
  const bool hex = radix == Radix::Hex;
  switch (CheckValue(value, radix, limit)) {
    case TextProblem::None:
      return {};
    case TextProblem::RefusedCharacter:
      return ValueSentence(hex ? u"數值「%1」不能輸入：十六進制只接受 0-9、A-F、a-f，可帶 0x。"
                               : u"數值「%1」不能輸入：十進制只接受 0-9。",
                           value);
    case TextProblem::TooLong:
      return ValueSentence(hex ? u"數值「%1」太長：十六進制最多 %2 位（0x 之後）。"
                               : u"數值「%1」太長：十進制最多 %2 位。",
                           value, limit);
    case TextProblem::NoDigitsAfterPrefix:
      return ValueSentence(u"數值「%1」在 0x 之後沒有數字。", value);
  }
  return {};
}

ValueRunner::ValueRunner(const PeImage& image, Radix radix, std::ostream& out, std::ostream& err,
                         bool json)
    : image_(image),
      panel_(image, HexByteTextOnce(), radix),
      rows_(out, json, panel_, image),
      err_(err),
      json_(json),
      block_(new char[kLongestLine + capacity_ + 1]) {}

bool ValueRunner::Value(Field field, std::string_view value) { return Translate(field, value, 0); }

bool ValueRunner::Lines(Field field, BlockInput& in) {
  const int limit = panel_.InputLimit(PanelFieldOf(field));
  std::size_t line = 0;
  std::size_t kept = 0;  // the start of a line that the last block cut off
  for (;;) {
    const std::ptrdiff_t got = in.Read(block_.get() + kept, capacity_);
    if (got < 0) {
      readFailed_ = true;
      err_ << kPrefix << marlit::Translate("無法讀取標準輸入。\n") << std::flush;
      return false;
    }
    const char* start = block_.get();
    char* const end = block_.get() + kept + static_cast<std::size_t>(got);
    // A line end past the block, so that the scan of a line looks for nothing else. The scan
    // finds the line end and checks the line's bytes in the one pass.
    *end = '\n';
    for (;;) {
      const char* lineEnd = start;
      std::uint8_t marks = 0;
      for (; *lineEnd != '\n'; ++lineEnd) {
        marks |= UseString::kByteRule[static_cast<unsigned char>(*lineEnd)];
      }
      if (lineEnd == end) break;
      const std::string_view text(start, static_cast<std::size_t>(lineEnd - start));
      ++line;
      // A line that the field takes as it is has no 0x and no CR: it goes straight in.
      const bool taken =
          JudgeFieldText(marks, text.size(), panel_.radix(), limit) == TextProblem::None
              ? Enter(field, text, text, line)
              : Translate(field, LineValue(text), line);
      if (!taken) return false;
      start = lineEnd + 1;
    }
    kept = static_cast<std::size_t>(end - start);
    const std::string_view rest(start, kept);
    if (got == 0) return kept == 0 || Translate(field, LineValue(rest), ++line);
    if (kept > kLongestLine) {
      // No field takes a line this long: its start is refused, whatever follows.
      (void)Translate(field, LineValue(rest), ++line);
      return false;
    }
    if (static_cast<std::size_t>(got) == capacity_ && capacity_ < kBlock) {
      capacity_ = std::min(4 * capacity_, kBlock);
      std::unique_ptr<char[]> larger(new char[kLongestLine + capacity_ + 1]);
      std::memcpy(larger.get(), start, kept);
      block_ = std::move(larger);
    } else {
      std::memmove(block_.get(), start, kept);
    }
  }
}

std::string_view ValueRunner::LineValue(std::string_view line) {
  std::string_view value = line.substr(0, kLongestLine);
  if (!value.empty() && value.back() == '\r') value.remove_suffix(1);
  return value;
}

bool ValueRunner::Translate(Field field, std::string_view value, std::size_t line) {
  const int limit = panel_.InputLimit(PanelFieldOf(field));
  if (CheckValue(value, panel_.radix(), limit) != TextProblem::None) {
    err_ << Where(line) << ValueTextMessage(value, panel_.radix(), limit) << '\n' << std::flush;
    return false;
  }
  // The value that passed is digits and an 0x: the overflow's JSON object quotes it as it is.
  return Enter(field, FieldTextOf(value, panel_.radix()), TrimmedValue(value), line);
}

bool ValueRunner::Enter(Field field, std::string_view fieldText, std::string_view value,
                        std::size_t line) {
  // An empty value translates nothing, and has no references.
  if (fieldText.empty()) return referencesIn_ || rows_.AppendNothing();
  const PanelField into = PanelFieldOf(field);
  if (panel_.Change(into, fieldText) == ConversionPanel::Outcome::Overflowed) {
    // The window's message is shown once per overflow.
    panel_.ClearAfterOverflow();
    overflowed_ = true;
    err_ << Where(line) << ValueSentence(u"數值「%1」：溢出！請填寫正確的數值。", value) << '\n'
         << std::flush;
    return (referencesIn_ && !json_) || rows_.AppendOverflow(field, value);
  }
  if (referencesIn_) return ListReferencesOf(field, value, line);
  return rows_.Append(panel_, field);
}

bool ValueRunner::ListReferencesOf(Field field, std::string_view value, std::size_t line) {
  if (field == Field::FileOffset && panel_.Position() == 0) {
    err_ << Where(line) << ValueSentence(u"數值「%1」不在段內，沒有位址可找。", value) << '\n'
         << std::flush;
    return true;
  }
  const std::int64_t address = panel_.Number(PanelField::虛偏移);
  AddressReferences found;
  try {
    found = FindAddressReferencesInFile(image_, *referencesIn_, address);
  } catch (const PlatformError& error) {
    readFailed_ = true;
    err_ << kPrefix
         << MessageText(ReadFailedMessage(Utf16FromUtf8(TerminalText(referencesIn_->native())),
                                          Utf16FromUtf8(error.what())))
         << '\n'
         << std::flush;
    return false;
  }
  const std::string_view searched = panel_.Text(PanelField::虛偏移).View();
  if (found.References.empty()) {
    err_ << Where(line) << ValueSentence(u"位址 %1 沒有被檔案引用。", searched) << '\n'
         << std::flush;
  } else if (found.Truncated) {
    err_ << Where(line)
         << ValueSentence(u"位址 %1 的引用太多，只列出前 %2 個。", searched,
                          static_cast<int>(kMaxReferences))
         << '\n'
         << std::flush;
  }
  referenceRows_.clear();
  AppendReferenceRows(referenceRows_, image_, found, panel_.Text(PanelField::虛偏移), address,
                      panel_.radix(), json_);
  return rows_.AppendText(referenceRows_);
}

std::string ValueRunner::Where(std::size_t line) {
  std::string at(kPrefix);
  if (line != 0) {
    at += Utf8FromUtf16(
        FillIn(marlit::Translate(u"標準輸入第 %1 行："), {Utf16FromUtf8(std::to_string(line))}));
  }
  return at;
}

int ValueRunner::Finish() {
  const bool written = rows_.Flush();
  if (readFailed_) return kExitIoFailed;
  if (!written) {
    err_ << kPrefix << marlit::Translate("無法寫出轉換結果。\n") << std::flush;
    return kExitIoFailed;
  }
  return overflowed_ ? kExitOverflow : kExitOk;
}

}  // namespace marlit::cli
