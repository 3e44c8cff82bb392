#include "cli/batch.h"

#include <algorithm>
#include <cstring>
#include <nlohmann/json.hpp>

#include "cli/stderr_prompt.h"
#include "cli/text_utf8.h"
#include "pe/loader.h"
#include "pe/number_text.h"
#include "pe/overlap.h"
#include "platform/translation.h"

namespace marlit::cli {
namespace {

constexpr std::string_view kPrefix = "marlit-cli: ";

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

// HexByteText, which never changes, made once for every panel of the run.
const HexByteTable& HexByteTextOnce() {
  static const HexByteTable table = BuildHexByteText();
  return table;
}

std::string_view KindName(ImageKind kind) { return kind == ImageKind::Pe32Plus ? "PE32+" : "PE32"; }

}  // namespace

ItemTexts::ItemTexts(std::span<const std::u16string> items) {
  for (const std::u16string& name : items) {
    std::string utf8 = ToUtf8(name);
    json_.push_back(nlohmann::json(utf8).dump());
    text_.push_back(TabSafe(ToUtf8(ShownName(name))));
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
    : out_(out), json_(json) {
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
  // The keys and punctuation of a JSON row, its field texts and numbers, and the longest piece
  // with its padding.
  longestRow_ = 512 + items.Longest() + kPieceStep;
  block_.reset(new char[capacity_ + longestRow_]);
}

namespace {

// A piece in copies of kPieceStep: the pieces are padded to a multiple of it, and the block has
// room past every row, so that the copy of a short piece is one of fixed size.
char* PutPiece(char* to, const char* piece, std::size_t size) {
  for (std::size_t done = 0; done < size; done += RowWriter::kPieceStep) {
    std::memcpy(to + done, piece + done, RowWriter::kPieceStep);
  }
  return to + size;
}

char* PutTextRow(char* to, const ConversionPanel& panel, const char* piece, std::size_t size) {
  to = PutField(to, panel.Text(PanelField::實偏移));
  *to++ = '\t';
  to = PutField(to, panel.Text(PanelField::虛偏移));
  to = PutPiece(to, piece, size);
  to = PutField(to, panel.代碼());
  *to++ = '\n';
  return to;
}

// The number of a field's text as the panel reads it. A narrow decimal text may carry the minus
// sign that the panel writes for a negative value.
std::int64_t TextNumber(std::string_view text, Radix radix, NumberWidth width) {
  if (radix == Radix::Decimal && width == NumberWidth::Narrow) return ReadSignedDecimal(text);
  return ParseFieldNumber(text, radix, width);
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

// A field as its text and its number, or null for both.
char* PutJsonField(char* to, const JsonKeys& keys, const ConversionPanel& panel, PanelField field,
                   bool null) {
  if (null) {
    to = Put(to, keys.text);
    to = Put(to, "null");
    to = Put(to, keys.value);
    return Put(to, "null");
  }
  const FieldText& text = panel.Text(field);
  to = PutJsonText(to, keys.text, text);
  to = Put(to, keys.value);
  const NumberWidth width = panel.Width(field);
  return PutJsonNumber(to, TextNumber(text.View(), panel.radix(), width), width);
}

// A value that no section holds has no other value: the other field's 0 is not an answer.
char* PutJsonRow(char* to, const ConversionPanel& panel, Field typed, const char* piece,
                 std::size_t size) {
  const bool found = panel.Position() != 0;
  to = PutJsonField(to, kFileOffsetKeys, panel, PanelField::實偏移,
                    !found && typed != Field::FileOffset);
  to = PutJsonField(to, kMemoryAddressKeys, panel, PanelField::虛偏移,
                    !found && typed != Field::MemoryAddress);
  to = PutPiece(to, piece, size);
  to = PutJsonText(to, R"(,"code":)", panel.代碼());
  return Put(to, "}\n");
}

}  // namespace

char* RowWriter::Room() {
  if (used_ >= capacity_) {
    if (!Flush()) return nullptr;
    if (capacity_ < kBlock) {
      capacity_ = std::min(4 * capacity_, kBlock);
      block_.reset(new char[capacity_ + longestRow_]);
    }
  }
  return failed_ ? nullptr : block_.get() + used_;
}

bool RowWriter::Append(const ConversionPanel& panel, Field typed) {
  char* const row = Room();
  if (row == nullptr) return false;
  const auto [start, size] = pieces_.at(static_cast<std::size_t>(panel.Position()));
  const char* const piece = pieceText_.data() + start;
  char* const end =
      json_ ? PutJsonRow(row, panel, typed, piece, size) : PutTextRow(row, panel, piece, size);
  used_ += static_cast<std::size_t>(end - row);
  return true;
}

bool RowWriter::AppendOverflow(const ConversionPanel& panel, Field field, std::string_view value) {
  if (!json_) return Append(panel, field);
  char* const row = Room();
  if (row == nullptr) return false;
  // The value passed the check: digits and an 0x, nothing to escape, and short.
  char* to = Put(row, R"({"error":"溢出！請填寫正確的數值。","field":)");
  to = Put(to, field == Field::FileOffset ? R"("file_offset")" : R"("memory_address")");
  to = Put(to, R"(,"input":")");
  to = Put(to, value);
  to = Put(to, "\"}\n");
  used_ += static_cast<std::size_t>(to - row);
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

std::string ValueTextMessage(std::string_view value, Radix radix, int limit) {
  const bool hex = radix == Radix::Hex;
  const std::string most =
      marlit::Translate("最多 ") + std::to_string(limit) + marlit::Translate(" 位");
  std::string quoted = marlit::Translate("數值「") + TerminalText(value) + marlit::Translate("」");
  switch (CheckValue(value, radix, limit)) {
    case TextProblem::None:
      return {};
    case TextProblem::RefusedCharacter:
      return quoted + (hex ? marlit::Translate("不能輸入：十六進制只接受 0-9、A-F、a-f，可帶 0x。")
                           : marlit::Translate("不能輸入：十進制只接受 0-9。"));
    case TextProblem::TooLong:
      return quoted +
             (hex ? marlit::Translate("太長：十六進制") + most + marlit::Translate("（0x 之後）。")
                  : marlit::Translate("太長：十進制") + most + marlit::Translate("。"));
    case TextProblem::NoDigitsAfterPrefix:
      return quoted + marlit::Translate("在 0x 之後沒有數字。");
  }
  return quoted;
}

ValueRunner::ValueRunner(const PeImage& image, Radix radix, std::ostream& out, std::ostream& err,
                         bool json)
    : panel_(image, HexByteTextOnce(), radix),
      rows_(out, json, panel_, image),
      err_(err),
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
  return Enter(field, FieldTextOf(value, panel_.radix()), value, line);
}

bool ValueRunner::Enter(Field field, std::string_view fieldText, std::string_view value,
                        std::size_t line) {
  const PanelField into = PanelFieldOf(field);
  if (panel_.Change(into, fieldText) == ConversionPanel::Outcome::Overflowed) {
    // The window's message is shown once per overflow; the row is what the panel holds after it.
    (void)panel_.ClearAfterOverflow(into);
    overflowed_ = true;
    err_ << Where(line) << marlit::Translate("數值「") << TerminalText(value)
         << marlit::Translate("」：溢出！請填寫正確的數值。\n") << std::flush;
    return rows_.AppendOverflow(panel_, field, value);
  }
  return rows_.Append(panel_, field);
}

std::string ValueRunner::Where(std::size_t line) {
  std::string at(kPrefix);
  if (line != 0)
    at += marlit::Translate("標準輸入第 ") + std::to_string(line) + marlit::Translate(" 行：");
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

bool ExcludeSections(PeImage& image, std::u16string_view name) {
  bool found = false;
  for (SectionRecord& record : Records(image)) {
    if (record.Name == name) {
      record.Included = false;
      found = true;
    }
  }
  return found;
}

void PrintSectionTable(const PeImage& image, Radix radix, bool json, std::ostream& out) {
  const NumberWidth addressWidth = AddressWidth(image);
  const auto text = [radix](std::int64_t value, NumberWidth width) {
    char chars[kFieldTextCapacity];
    return std::string(chars, WriteFieldNumber(chars, radix, width, value));
  };
  // Memory addresses as the answers give them: without the image base when it is omitted.
  const auto ram = [&image](std::int64_t address) {
    if (!image.OmitImageBase) return address;
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(address) -
                                     static_cast<std::uint64_t>(image.ImageBase));
  };
  const std::span<const SectionRecord> records = Records(image);
  if (json) {
    // The number of a field as the answers give it: signed 32-bit or unsigned 64-bit.
    const auto number = [](std::int64_t value, NumberWidth width) {
      return width == NumberWidth::Wide ? nlohmann::ordered_json(static_cast<std::uint64_t>(value))
                                        : nlohmann::ordered_json(static_cast<std::int32_t>(value));
    };
    nlohmann::ordered_json table;
    table["kind"] = KindName(image.Kind);
    table["image_base"] = text(image.ImageBase, addressWidth);
    table["image_base_value"] = number(image.ImageBase, addressWidth);
    table["sections"] = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < records.size(); ++i) {
      const SectionRecord& r = records[i];
      nlohmann::ordered_json row{{"index", i}, {"included", r.Included}, {"name", ToUtf8(r.Name)}};
      const std::pair<const char*, std::int64_t> files[] = {{"file_min", r.FileMin},
                                                            {"file_max", r.FileMax}};
      for (const auto& [key, value] : files) {
        row[key] = text(value, NumberWidth::Narrow);
        row[std::string(key) + "_value"] = number(value, NumberWidth::Narrow);
      }
      const std::pair<const char*, std::int64_t> rams[] = {{"ram_min", ram(r.RamMin)},
                                                           {"ram_max", ram(r.RamMax)}};
      for (const auto& [key, value] : rams) {
        row[key] = text(value, addressWidth);
        row[std::string(key) + "_value"] = number(value, addressWidth);
      }
      table["sections"].push_back(std::move(row));
    }
    out << table.dump() << '\n';
    return;
  }
  out << "Kind\t" << KindName(image.Kind) << '\n'
      << "ImageBase\t" << text(image.ImageBase, addressWidth) << '\n'
      << "Index\tIncluded\tName\tFileMin\tFileMax\tRamMin\tRamMax\n";
  for (std::size_t i = 0; i < records.size(); ++i) {
    const SectionRecord& r = records[i];
    out << i << '\t' << (r.Included ? "yes" : "no") << '\t' << TabSafe(ToUtf8(ShownName(r.Name)))
        << '\t' << text(r.FileMin, NumberWidth::Narrow) << '\t'
        << text(r.FileMax, NumberWidth::Narrow) << '\t' << text(ram(r.RamMin), addressWidth) << '\t'
        << text(ram(r.RamMax), addressWidth) << '\n';
  }
}

namespace {

int RunValues(const Options& options, const PeImage& image, BlockInput& in, std::ostream& out,
              std::ostream& err) {
  ValueRunner runner(image, options.radix, out, err, options.json);
  for (const ValueRequest& request : options.values) {
    const bool taken = request.value == kFromInput ? runner.Lines(request.field, in)
                                                   : runner.Value(request.field, request.value);
    if (!taken) {
      const int status = runner.Finish();
      return status == kExitIoFailed ? status : kExitUsage;
    }
  }
  return runner.Finish();
}

}  // namespace

int Run(const Options& options, BlockInput& in, std::ostream& out, std::ostream& err) {
  StderrPrompt prompt(err, options.yes);
  PeImage image;
  if (!AnalyzePeFile(image, options.file, prompt)) return kExitRefusedFile;
  image.OmitImageBase = options.rva;
  for (const std::string& name : options.exclude) {
    if (!ExcludeSections(image, FromUtf8(name))) {
      err << kPrefix << marlit::Translate("沒有名為「") << TerminalText(name)
          << marlit::Translate("」的區段，無法排除。\n") << std::flush;
      return kExitUsage;
    }
  }
  const std::u16string overlaps = OverlapReport(image);
  if (!overlaps.empty()) prompt.ShowMessage(overlaps);

  if (options.values.empty()) {
    PrintSectionTable(image, options.radix, options.json, out);
    out.flush();
    if (!out) {
      err << kPrefix << marlit::Translate("無法寫出區段表。\n") << std::flush;
      return kExitIoFailed;
    }
    return kExitOk;
  }
  return RunValues(options, image, in, out, err);
}

}  // namespace marlit::cli
