#include "cli/batch.h"

#include <algorithm>
#include <cstring>
#include <nlohmann/json.hpp>

#include "cli/stderr_prompt.h"
#include "cli/text_utf8.h"
#include "pe/loader.h"
#include "pe/number_text.h"
#include "pe/overlap.h"

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

std::string Hex(std::int64_t value, NumberWidth width = NumberWidth::Narrow) {
  char chars[kFieldTextCapacity];
  return std::string(chars, WriteFieldNumber(chars, Radix::Hex, width, value));
}

std::string_view KindName(ImageKind kind) { return kind == ImageKind::Pe32Plus ? "PE32+" : "PE32"; }

}  // namespace

ItemTexts::ItemTexts(std::span<const std::u16string> items) {
  for (const std::u16string& name : items) {
    std::string utf8 = ToUtf8(name);
    json_.push_back(nlohmann::json(utf8).dump());
    text_.push_back(TabSafe(utf8));
    longest_ = std::max({longest_, json_.back().size(), text_.back().size()});
  }
}

const std::string& ItemTexts::Text(std::int32_t item) const {
  return text_.at(static_cast<std::size_t>(item));
}

const std::string& ItemTexts::Json(std::int32_t item) const {
  return json_.at(static_cast<std::size_t>(item));
}

RowWriter::RowWriter(std::ostream& out, bool json, const ConversionPanel& panel)
    : out_(out), json_(json) {
  const ItemTexts items(panel.Items());
  for (std::size_t i = 0; i < items.Count(); ++i) {
    const auto item = static_cast<std::int32_t>(i);
    const std::string position = std::to_string(i);
    const std::string piece = json
                                  ? ",\"position\":" + position + ",\"section\":" + items.Json(item)
                                  : '\t' + position + '\t' + items.Text(item) + '\t';
    pieces_.push_back({pieceText_.size(), piece.size()});
    pieceText_ += piece;
    pieceText_.resize((pieceText_.size() / kPieceStep + 1) * kPieceStep);
  }
  // The keys and punctuation of a JSON row, its field texts and numbers, and the longest piece
  // with its padding.
  longestRow_ = 512 + items.Longest() + kPieceStep;
  block_.resize(kBlock + longestRow_);
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

char* PutJsonRow(char* to, const ConversionPanel& panel, const char* piece, std::size_t size) {
  to = PutJsonText(to, "{\"file_offset\":", panel.Text(PanelField::實偏移));
  to = PutJsonText(to, ",\"memory_address\":", panel.Text(PanelField::虛偏移));
  to = PutPiece(to, piece, size);
  to = PutJsonText(to, ",\"code\":", panel.代碼());
  to = Put(to, "}\n");
  return to;
}

}  // namespace

bool RowWriter::Append(const ConversionPanel& panel) {
  if (used_ >= kBlock && !Flush()) return false;
  if (failed_) return false;
  const auto [start, size] = pieces_.at(static_cast<std::size_t>(panel.Position()));
  const char* const piece = pieceText_.data() + start;
  char* const row = block_.data() + used_;
  char* const end =
      json_ ? PutJsonRow(row, panel, piece, size) : PutTextRow(row, panel, piece, size);
  used_ += static_cast<std::size_t>(end - row);
  return true;
}

bool RowWriter::Flush() {
  if (failed_) return false;
  out_.write(block_.data(), static_cast<std::streamsize>(used_));
  out_.flush();
  used_ = 0;
  failed_ = !out_;
  return !failed_;
}

std::string ValueTextMessage(std::string_view value, Radix radix, int limit) {
  const bool hex = radix == Radix::Hex;
  const std::string most = "最多 " + std::to_string(limit) + " 位";
  std::string quoted = "數值「" + TerminalText(value) + "」";
  switch (CheckValue(value, radix, limit)) {
    case TextProblem::None:
      return {};
    case TextProblem::RefusedCharacter:
      return quoted + (hex ? "不能輸入：十六進制只接受 0-9、A-F、a-f，可帶 0x。"
                           : "不能輸入：十進制只接受 0-9。");
    case TextProblem::TooLong:
      return quoted +
             (hex ? "太長：十六進制" + most + "（0x 之後）。" : "太長：十進制" + most + "。");
    case TextProblem::NoDigitsAfterPrefix:
      return quoted + "在 0x 之後沒有數字。";
  }
  return quoted;
}

bool ValueRunner::Value(Field field, std::string_view value) { return Translate(field, value, 0); }

bool ValueRunner::Lines(Field field, BlockInput& in) {
  const int limit = panel_.InputLimit(PanelFieldOf(field));
  std::size_t line = 0;
  std::size_t kept = 0;  // the start of a line that the last block cut off
  for (;;) {
    const std::ptrdiff_t got = in.Read(block_.data() + kept, kBlock);
    if (got < 0) {
      readFailed_ = true;
      err_ << kPrefix << "無法讀取標準輸入。\n" << std::flush;
      return false;
    }
    const char* start = block_.data();
    char* const end = block_.data() + kept + static_cast<std::size_t>(got);
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
    std::memmove(block_.data(), start, kept);
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
    err_ << Where(line) << "數值「" << TerminalText(value) << "」：溢出！請填寫正確的數值。\n"
         << std::flush;
  }
  return rows_.Append(panel_);
}

std::string ValueRunner::Where(std::size_t line) {
  std::string at(kPrefix);
  if (line != 0) at += "標準輸入第 " + std::to_string(line) + " 行：";
  return at;
}

int ValueRunner::Finish() {
  const bool written = rows_.Flush();
  if (readFailed_) return kExitIoFailed;
  if (!written) {
    err_ << kPrefix << "無法寫出轉換結果。\n" << std::flush;
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

void PrintSectionTable(const PeImage& image, bool json, std::ostream& out) {
  if (json) {
    nlohmann::ordered_json table;
    table["kind"] = KindName(image.Kind);
    table["image_base"] = Hex(image.ImageBase, AddressWidth(image));
    table["sections"] = nlohmann::ordered_json::array();
    const std::span<const SectionRecord> records = Records(image);
    for (std::size_t i = 0; i < records.size(); ++i) {
      const SectionRecord& r = records[i];
      table["sections"].push_back({{"index", i},
                                   {"included", r.Included},
                                   {"name", ToUtf8(r.Name)},
                                   {"file_min", Hex(r.FileMin)},
                                   {"file_max", Hex(r.FileMax)},
                                   {"ram_min", Hex(r.RamMin, AddressWidth(image))},
                                   {"ram_max", Hex(r.RamMax, AddressWidth(image))}});
    }
    out << table.dump() << '\n';
    return;
  }
  out << "Kind\t" << KindName(image.Kind) << '\n'
      << "ImageBase\t" << Hex(image.ImageBase, AddressWidth(image)) << '\n'
      << "Index\tIncluded\tName\tFileMin\tFileMax\tRamMin\tRamMax\n";
  const std::span<const SectionRecord> records = Records(image);
  for (std::size_t i = 0; i < records.size(); ++i) {
    const SectionRecord& r = records[i];
    out << i << '\t' << (r.Included ? "yes" : "no") << '\t' << TabSafe(ToUtf8(r.Name)) << '\t'
        << Hex(r.FileMin) << '\t' << Hex(r.FileMax) << '\t' << Hex(r.RamMin, AddressWidth(image))
        << '\t' << Hex(r.RamMax, AddressWidth(image)) << '\n';
  }
}

namespace {

int RunValues(const Options& options, const PeImage& image, BlockInput& in, std::ostream& out,
              std::ostream& err) {
  ConversionPanel panel(image, BuildHexByteText(), options.radix);
  ValueRunner runner(panel, out, err, options.json);
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
      err << kPrefix << "沒有名為「" << TerminalText(name) << "」的區段，無法排除。\n"
          << std::flush;
      return kExitUsage;
    }
  }
  const std::u16string overlaps = OverlapReport(image);
  if (!overlaps.empty()) prompt.ShowMessage(overlaps);

  if (options.values.empty()) {
    PrintSectionTable(image, options.json, out);
    out.flush();
    if (!out) {
      err << kPrefix << "無法寫出區段表。\n" << std::flush;
      return kExitIoFailed;
    }
    return kExitOk;
  }
  return RunValues(options, image, in, out, err);
}

}  // namespace marlit::cli
