#include "cli/row_writer.h"

#include <algorithm>
#include <cstring>

#include "cli/text_utf8.h"
#include "pe/facts/address_facts.h"
#include "pe/panel/messages.h"
#include "pe/panel/number_text.h"
#include "platform/translation.h"

namespace marlit::cli {
namespace {

char* Put(char* to, std::string_view text) {
  std::memcpy(to, text.data(), text.size());
  return to + text.size();
}

// A field's text in one copy of fixed size, a few moves rather than a call: the field holds its
// text in place in kFieldTextCapacity characters, and the block has room past every row.
char* PutField(char* to, const FieldText& field) {
  std::memcpy(to, field.View().data(), kFieldTextCapacity);
  return to + field.View().size();
}

// A JSON member whose value is a field text: digits only, which need no escaping.
char* PutJsonText(char* to, std::string_view keyAndColon, const FieldText& text) {
  to = Put(to, keyAndColon);
  *to++ = '"';
  to = PutField(to, text);
  *to++ = '"';
  return to;
}

// A piece in copies of kPieceStep: the pieces are padded to a multiple of it, and the block has
// room past every row, so that the copy of a short piece is one of fixed size.
char* PutPiece(char* to, const char* piece, std::size_t size) {
  for (std::size_t done = 0; done < size; done += RowWriter::kPieceStep) {
    std::memcpy(to + done, piece + done, RowWriter::kPieceStep);
  }
  return to + size;
}

// A value that no included record holds has no other value: the other field's 0 is not an answer.
bool Answered(const ConversionPanel& panel, Field typed, Field field) {
  return panel.Position() != 0 || typed == field;
}

// The fields as the panel shows them: it leaves empty what has no answer, so a tab-separated row
// asks nothing more of it.
char* PutTextRow(char* to, const ConversionPanel& panel, const char* piece, std::size_t size) {
  to = PutField(to, panel.Text(PanelField::實偏移));
  *to++ = '\t';
  to = PutField(to, panel.Text(PanelField::虛偏移));
  to = PutPiece(to, piece, size);
  to = PutField(to, panel.代碼());
  *to++ = '\n';
  return to;
}

// A JSON number: the signed 32-bit value of a narrow field, the unsigned 64-bit one of a wide one.
char* PutJsonNumber(char* to, std::int64_t value, NumberWidth width) {
  return to + (width == NumberWidth::Wide
                   ? WriteUnsignedDecimal(to, static_cast<std::uint64_t>(value))
                   : WriteDecimal(to, static_cast<std::int32_t>(value)));
}

struct JsonKeys {
  std::string_view text;   // with what comes before it
  std::string_view value;  // the number's
};
constexpr JsonKeys kFileOffsetKeys{R"({"file_offset":)", R"(,"file_offset_value":)"};
constexpr JsonKeys kMemoryAddressKeys{R"(,"memory_address":)", R"(,"memory_address_value":)"};

char* PutJsonNull(char* to, const JsonKeys& keys) {
  to = Put(to, keys.text);
  to = Put(to, "null");
  to = Put(to, keys.value);
  return Put(to, "null");
}

// A field as its text and its number, or null for both.
char* PutJsonField(char* to, const JsonKeys& keys, const ConversionPanel& panel, PanelField field,
                   bool answered) {
  if (!answered) return PutJsonNull(to, keys);
  to = PutJsonText(to, keys.text, panel.Text(field));
  to = Put(to, keys.value);
  return PutJsonNumber(to, panel.Number(field), panel.Width(field));
}

// The members that close every JSON answer: whether the address is zero-filled, its data
// directory and its export, each null when there is none.
char* PutJsonFacts(char* to, bool zeroFilled, std::string_view directory,
                   std::string_view exportText) {
  // Most rows have none of them: one copy of a fixed size.
  constexpr std::string_view kNone = R"(,"zero_filled":false,"directory":null,"export":null})"
                                     "\n";
  if (!zeroFilled && directory.empty() && exportText.empty()) return Put(to, kNone);
  to = Put(to, zeroFilled ? R"(,"zero_filled":true,"directory":)"
                          : R"(,"zero_filled":false,"directory":)");
  to = Put(to, directory.empty() ? "null" : directory);
  to = Put(to, R"(,"export":)");
  to = Put(to, exportText.empty() ? "null" : exportText);
  return Put(to, "}\n");
}

char* PutJsonRow(char* to, const ConversionPanel& panel, Field typed, const char* piece,
                 std::size_t size) {
  // A zero-filled address has no file offset: its 0 is not an answer.
  to = PutJsonField(to, kFileOffsetKeys, panel, PanelField::實偏移,
                    Answered(panel, typed, Field::FileOffset) && !panel.ZeroFilled());
  to = PutJsonField(to, kMemoryAddressKeys, panel, PanelField::虛偏移,
                    Answered(panel, typed, Field::MemoryAddress));
  to = PutPiece(to, piece, size);
  return PutJsonText(to, R"(,"code":)", panel.代碼());
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
  // The short escapes of JSON, by the character they stand for; the other C0 controls are \u00XX.
  constexpr std::string_view kShort = "\"\"\\\\\bb\ff\nn\rr\tt";
  constexpr std::string_view kDigits = "0123456789abcdef";
  out += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (const std::size_t at = kShort.find(c); at % 2 == 0) {
      out += '\\';
      out += kShort[at + 1];
    } else if (byte < 0x20) {
      out += "\\u00";
      out += kDigits[byte >> 4];
      out += kDigits[byte & 0xF];
    } else {
      out += c;
    }
  }
  out += '"';
}

std::string NumberText(std::int64_t value, Radix radix, NumberWidth width) {
  char chars[kFieldTextCapacity];
  return std::string(chars, WriteFieldNumber(chars, radix, width, value));
}

void AppendJsonNumber(std::string& out, std::string_view key, std::int64_t value, Radix radix,
                      NumberWidth width) {
  char digits[kFieldTextCapacity];
  out.append("\"").append(key).append("\":\"").append(NumberText(value, radix, width));
  out.append("\",\"").append(key).append("_value\":");
  out.append(digits, static_cast<std::size_t>(PutJsonNumber(digits, value, width) - digits));
}

std::string JsonString(std::string_view text) {
  std::string out;
  AppendJsonString(out, text);
  return out;
}

ItemTexts::ItemTexts(std::span<const std::u16string> items) {
  for (const std::u16string& name : items) {
    std::string utf8 = Utf8FromUtf16(name);
    json_.push_back(JsonString(utf8));
    text_.push_back(TabSafe(Utf8FromUtf16(ShownName(name))));
    longest_ = std::max({longest_, json_.back().size(), text_.back().size()});
  }
}

const std::string& ItemTexts::Text(std::int32_t item) const {
  return text_.at(static_cast<std::size_t>(item));
}

const std::string& ItemTexts::Json(std::int32_t item) const {
  return json_.at(static_cast<std::size_t>(item));
}

RowWriter::RowWriter(std::ostream& out, bool json, const ConversionPanel& panel,
                     const PeImage& image)
    : out_(out), json_(json), image_(image) {
  for (std::size_t i = 0; i < kDirectoryKinds; ++i) {
    directoryJson_[i] = JsonString(DirectoryKey(static_cast<DirectoryKind>(i)));
  }
  const ItemTexts items(panel.Items());
  for (std::size_t i = 0; i < items.Count(); ++i) {
    const auto item = static_cast<std::int32_t>(i);
    const std::string position = std::to_string(i);
    std::string piece;
    if (!json) {
      piece = '\t' + position + '\t' + items.Text(item) + '\t';
    } else if (i == 0) {
      piece = R"(,"found":false,"position":0,"index":null,"kind":"none","section":null)";
    } else {
      const auto index =
          static_cast<std::size_t>(IncludedRecord(image, item) - Records(image).data());
      piece = R"(,"found":true,"position":)" + position + R"(,"index":)" + std::to_string(index) +
              R"(,"kind":)" + (index == 0 ? R"("header")" : R"("section")") + R"(,"section":)" +
              items.Json(item);
    }
    pieces_.push_back({pieceText_.size(), piece.size()});
    pieceText_ += piece;
    pieceText_.resize((pieceText_.size() / kPieceStep + 1) * kPieceStep);
  }
  overflowStart_ = R"({"error":)" + JsonString(Utf8FromUtf16(kValueOverflowMessage.Id())) + R"(,"field":)";
  // The keys and punctuation of a JSON row, its field texts and numbers, and the longest piece
  // with its padding; or the overflow object with its value.
  longestRow_ = 512 + std::max(items.Longest() + kPieceStep, overflowStart_.size());
  size_ = capacity_ + longestRow_;
  block_.reset(new char[size_]);
}

char* RowWriter::MakeRoom(std::size_t extra) {
  if (used_ >= capacity_ || used_ + longestRow_ + extra > size_) {
    if (!Flush()) return nullptr;
    const bool grow = capacity_ < kBlock;
    if (grow) capacity_ = std::min(4 * capacity_, kBlock);
    if (grow || capacity_ + longestRow_ + extra > size_) {
      size_ = capacity_ + longestRow_ + extra;
      block_.reset(new char[size_]);
    }
  }
  return failed_ ? nullptr : block_.get() + used_;
}

std::string_view RowWriter::TakeFacts(const ConversionPanel& panel, Field typed) {
  exportJson_.clear();
  // The panel has translated the offset already: its address is the one in 虛偏移.
  const std::int64_t address = panel.Number(PanelField::虛偏移);
  const ValueFacts facts =
      typed == Field::FileOffset
          ? FactsOfTranslatedOffset(image_, panel.Number(PanelField::實偏移),
                                    panel.Position() != 0 ? std::optional(address) : std::nullopt)
          : FactsOfAddress(image_, address);
  if (facts.Export) AppendJsonString(exportJson_, Utf8FromUtf16(*facts.Export));
  if (!facts.Directory) return {};
  return directoryJson_[static_cast<std::size_t>(*facts.Directory)];
}

bool RowWriter::Append(const ConversionPanel& panel, Field typed) {
  // The panel selects only items of its list, and each item has its piece.
  const auto [start, size] = pieces_[static_cast<std::size_t>(panel.Position())];
  const char* const piece = pieceText_.data() + start;
  if (!json_) {
    char* const row = Room();
    if (row == nullptr) return false;
    Written(row, PutTextRow(row, panel, piece, size));
    return true;
  }
  const std::string_view directory = TakeFacts(panel, typed);
  // An export name is as long as the file makes it: the row takes room for it.
  char* const row = Room(exportJson_.size());
  if (row == nullptr) return false;
  char* const end = PutJsonRow(row, panel, typed, piece, size);
  Written(row, PutJsonFacts(end, panel.ZeroFilled(), directory, exportJson_));
  return true;
}

bool RowWriter::AppendNothing() {
  char* const row = Room();
  if (row == nullptr) return false;
  const auto [start, size] = pieces_.front();
  char* to = row;
  if (json_) {
    to = PutJsonNull(to, kFileOffsetKeys);
    to = PutJsonNull(to, kMemoryAddressKeys);
    to = PutPiece(to, pieceText_.data() + start, size);
    to = Put(to, R"(,"code":"","zero_filled":false,"directory":null,"export":null})");
  } else {
    *to++ = '\t';
    to = PutPiece(to, pieceText_.data() + start, size);
  }
  *to++ = '\n';
  Written(row, to);
  return true;
}

bool RowWriter::AppendOverflow(Field field, std::string_view value) {
  if (!json_) return AppendNothing();
  char* const row = Room();
  if (row == nullptr) return false;
  // The value passed the check: digits and an 0x, nothing to escape, and short.
  char* to = Put(row, overflowStart_);
  to = Put(to, field == Field::FileOffset ? R"("file_offset")" : R"("memory_address")");
  to = Put(to, R"(,"input":")");
  to = Put(to, value);
  to = Put(to, "\"}\n");
  Written(row, to);
  return true;
}

bool RowWriter::AppendText(std::string_view text) {
  char* const row = Room(text.size());
  if (row == nullptr) return false;
  Written(row, Put(row, text));
  return true;
}

bool RowWriter::Flush() {
  if (failed_) return false;
  out_.write(block_.get(), static_cast<std::streamsize>(used_));
  out_.flush();
  used_ = 0;
  failed_ = !out_;
  return !failed_;
}

}  // namespace marlit::cli
