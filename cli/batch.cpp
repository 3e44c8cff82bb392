#include "cli/batch.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <nlohmann/json.hpp>

#include "cli/stderr_prompt.h"
#include "cli/text_utf8.h"
#include "pe/loader.h"
#include "pe/number_text.h"
#include "pe/overlap.h"

namespace marlit::cli {
namespace {

constexpr std::string_view kPrefix = "marlit-cli: ";

void AppendNumber(std::string& out, std::int32_t n) {
  char digits[16];
  const auto result = std::to_chars(digits, digits + sizeof digits, n);
  out.append(digits, result.ptr);
}

void AppendJsonText(std::string& out, std::string_view key, std::string_view text, bool first) {
  // Field texts are digits only and need no escaping.
  out += first ? "{\"" : ",\"";
  out += key;
  out += "\":\"";
  out += text;
  out += '"';
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
  }
}

const std::string& ItemTexts::Text(std::int32_t item) const {
  return text_.at(static_cast<std::size_t>(item));
}

const std::string& ItemTexts::Json(std::int32_t item) const {
  return json_.at(static_cast<std::size_t>(item));
}

void RowWriter::Append(const ConversionPanel& panel) {
  const std::string_view fileOffset = panel.Text(PanelField::實偏移).View();
  const std::string_view memoryAddress = panel.Text(PanelField::虛偏移).View();
  const std::int32_t position = panel.Position();
  if (json_) {
    AppendJsonText(buffer_, "file_offset", fileOffset, true);
    AppendJsonText(buffer_, "memory_address", memoryAddress, false);
    buffer_ += ",\"position\":";
    AppendNumber(buffer_, position);
    buffer_ += ",\"section\":";
    buffer_ += items_.Json(position);
    AppendJsonText(buffer_, "code", panel.代碼().View(), false);
    buffer_ += "}\n";
  } else {
    buffer_ += fileOffset;
    buffer_ += '\t';
    buffer_ += memoryAddress;
    buffer_ += '\t';
    AppendNumber(buffer_, position);
    buffer_ += '\t';
    buffer_ += items_.Text(position);
    buffer_ += '\t';
    buffer_ += panel.代碼().View();
    buffer_ += '\n';
  }
  if (buffer_.size() >= kBlock) Flush();
}

void RowWriter::Flush() {
  out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  out_.flush();
  if (!out_) failed_ = true;
  buffer_.clear();
}

std::string ValueTextMessage(std::string_view value, Radix radix, int limit) {
  const bool hex = radix == Radix::Hex;
  const std::string most = "最多 " + std::to_string(limit) + " 位";
  std::string quoted = "數值「" + std::string(value) + "」";
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

bool ValueRunner::Lines(Field field, std::istream& in) {
  std::size_t line = 0;
  for (;;) {
    in.getline(line_.data(), static_cast<std::streamsize>(line_.size()));
    if (in.bad()) {
      readFailed_ = true;
      err_ << kPrefix << "無法讀取標準輸入。\n" << std::flush;
      return false;
    }
    const auto extracted = static_cast<std::size_t>(in.gcount());
    if (extracted == 0 && in.eof()) break;
    std::size_t length = extracted;
    if (in.fail() && !in.eof()) {
      // The buffer filled before the line end: the rest of the line is skipped.
      in.clear();
      in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    } else if (!in.eof()) {
      --length;  // the line end itself
    }
    ++line;
    std::string_view value(line_.data(), std::min(length, line_.size() - 1));
    if (!value.empty() && value.back() == '\r') value.remove_suffix(1);
    if (!Translate(field, value, line)) return false;
    if (in.eof()) break;
  }
  return true;
}

bool ValueRunner::Translate(Field field, std::string_view value, std::size_t line) {
  auto where = [&] {
    std::string at(kPrefix);
    if (line != 0) at += "標準輸入第 " + std::to_string(line) + " 行：";
    return at;
  };
  const PanelField into = PanelFieldOf(field);
  const int limit = panel_.InputLimit(into);
  if (CheckValue(value, panel_.radix(), limit) != TextProblem::None) {
    err_ << where() << ValueTextMessage(value, panel_.radix(), limit) << '\n' << std::flush;
    return false;
  }
  if (panel_.Change(into, FieldTextOf(value, panel_.radix())) ==
      ConversionPanel::Outcome::Overflowed) {
    // The window's message is shown once per overflow; the row is what the panel holds after it.
    (void)panel_.ClearAfterOverflow(into);
    overflowed_ = true;
    err_ << where() << "數值「" << value << "」：溢出！請填寫正確的數值。\n" << std::flush;
  }
  rows_.Append(panel_);
  return true;
}

int ValueRunner::Finish() {
  rows_.Flush();
  if (readFailed_) return kExitIoFailed;
  if (rows_.Failed()) {
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

int RunValues(const Options& options, const PeImage& image, std::istream& in, std::ostream& out,
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

int Run(const Options& options, std::istream& in, std::ostream& out, std::ostream& err) {
  StderrPrompt prompt(err, options.yes);
  PeImage image;
  if (!AnalyzePeFile(image, options.file, prompt)) return kExitRefusedFile;
  image.OmitImageBase = options.rva;
  for (const std::string& name : options.exclude) {
    if (!ExcludeSections(image, FromUtf8(name))) {
      err << kPrefix << "沒有名為「" << name << "」的區段，無法排除。\n" << std::flush;
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
