// fuzz_cli_batch: arbitrary bytes as marlit-cli's standard input (lines of any length, NUL, CR,
// bytes above 7Fh), through its value checks and batch reader into the conversion panel and up to
// the formatted rows, on images built once by the tests' image builder. The last byte of the
// input chooses the run's options; the rest is the input.
//
// Checked on every run: a row for each line taken and none for the refused one, rows of five
// tab-separated fields or of one JSON object, and no control byte on the error stream.
#include <unicode/utf8.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <string_view>

#include "cli/batch.h"
#include "cli/block_input.h"
#include "cli/stderr_prompt.h"
#include "cli/value_check.h"
#include "pe/load/loader.h"
#include "tests/common/pe_builder.h"

namespace marlit::fuzz {
namespace {

// The option bits of the last byte.
constexpr std::uint8_t kDecimal = 1;
constexpr std::uint8_t kMemoryAddress = 2;
constexpr std::uint8_t kJson = 4;
constexpr std::uint8_t kRva = 8;
constexpr std::uint8_t kWide = 16;
// The top three bits: reads of the input give at most 1, 2, 4, ... 64 bytes, or all of it (7),
// so that lines are cut at every place.
constexpr int kChunkShift = 5;

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz_cli_batch: %s\n", what);
  std::abort();
}

// A PE32 and a PE32+ image of a typical layout, each with and without the image base: a header,
// sections that translate, one without file data, and names with a control byte and a C1 byte.
PeImage Load(bool wide, bool rva) {
  test::PeBuilder builder;
  builder.Magic(wide ? 0x20B : 0x10B)
      .ImageBase(wide ? 0x140000000ull : 0x400000)
      .AddSection(".text", 0x1000, 0x1000, 0x400)
      .AddSection("d\x1B", 0x2000, 0x200, 0x1400)
      .AddSection(".bss", 0x3000, 0x800, 0)
      .AddSection("r\x80", 0x4000, 0x800, 0x1600);
  char path[] = "/tmp/fuzz_cli_batch_XXXXXX";
  const int fd = ::mkstemp(path);
  Require(fd >= 0, "no temporary file for the image");
  ::close(fd);
  builder.WriteTo(path);
  std::ostringstream messages;
  cli::StderrPrompt prompt(messages, true);
  PeImage image;
  const bool loaded = AnalyzePeFile(image, path, prompt);
  ::unlink(path);
  Require(loaded, "the built image does not load");
  image.OmitImageBase = rva;
  return image;
}

const PeImage& Image(std::uint8_t options) {
  static const std::array<PeImage, 4> images = {Load(false, false), Load(false, true),
                                                Load(true, false), Load(true, true)};
  return images[((options & kWide) != 0 ? 2 : 0) + ((options & kRva) != 0 ? 1 : 0)];
}

// Lines the batch reads of input: a last line without its end counts too.
std::size_t LineCount(std::string_view input) {
  std::size_t lines = 0;
  for (const char c : input) lines += c == '\n' ? 1 : 0;
  return lines + (!input.empty() && input.back() != '\n' ? 1 : 0);
}

// The number of the refused line, which the last message names first; 0 when it names none. The
// value it quotes may hold the same words, but never a line end.
std::size_t RefusedLine(const std::string& err) {
  constexpr std::string_view kStart = "marlit-cli: 標準輸入第 ";
  if (err.empty()) return 0;
  const std::size_t last = err.rfind('\n', err.size() - 2);
  const std::size_t start = last == std::string::npos ? 0 : last + 1;
  if (err.compare(start, kStart.size(), kStart) != 0) return 0;
  return std::strtoul(err.c_str() + start + kStart.size(), nullptr, 10);
}

// Every row: one line, of five tab-separated fields or of one object with no control byte in it.
// The first rows of a run and its last are parsed as JSON too; parsing them all would cost most
// of each run.
void CheckRows(const std::string& out, bool json) {
  constexpr std::size_t kParsedRows = 4;
  std::size_t start = 0;
  for (std::size_t n = 0; start < out.size(); ++n) {
    const std::size_t end = out.find('\n', start);
    Require(end != std::string::npos, "a row without its line end");
    const std::string_view row(out.data() + start, end - start);
    std::size_t tabs = 0;
    for (const char c : row) {
      tabs += c == '\t' ? 1 : 0;
      Require(static_cast<unsigned char>(c) >= 0x20 || (c == '\t' && !json),
              "a control byte in a row");
    }
    if (json) {
      Require(row.starts_with('{') && row.ends_with('}'), "a JSON row that is no object");
      if (n < kParsedRows || end + 1 == out.size()) {
        Require(nlohmann::json::accept(row), "a JSON row that is not JSON");
      }
    } else {
      Require(tabs == 4, "a row of other than five fields");
    }
    start = end + 1;
  }
}

// Nothing on the error stream that a terminal would act on: UTF-8 with no control but the line end
// and the tab.
void CheckMessages(const std::string& err) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(err.data());
  const auto length = static_cast<std::int32_t>(err.size());
  for (std::int32_t i = 0; i < length;) {
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    Require(c >= 0, "bytes on the error stream that are not UTF-8");
    Require(c >= 0x20 || c == '\n' || c == '\t', "a C0 control on the error stream");
    Require(c < 0x7F || c > 0x9F, "a C1 control on the error stream");
  }
}

}  // namespace
}  // namespace marlit::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace marlit;
  using namespace marlit::fuzz;
  if (size == 0) return 0;
  const std::uint8_t options = data[size - 1];
  const std::string_view input(reinterpret_cast<const char*>(data), size - 1);
  const int chunkBits = options >> kChunkShift;
  const std::size_t chunk =
      chunkBits == 7 ? static_cast<std::size_t>(-1) : std::size_t{1} << chunkBits;
  const Radix radix = (options & kDecimal) != 0 ? Radix::Decimal : Radix::Hex;
  const cli::Field field =
      (options & kMemoryAddress) != 0 ? cli::Field::MemoryAddress : cli::Field::FileOffset;
  const bool json = (options & kJson) != 0;

  std::ostringstream out;
  std::ostringstream err;
  cli::ValueRunner runner(Image(options), radix, out, err, json);
  cli::TextInput in(input, chunk);
  const bool taken = runner.Lines(field, in);
  const int status = runner.Finish();

  const std::string rows = out.str();
  const std::string messages = err.str();
  CheckRows(rows, json);
  CheckMessages(messages);
  std::size_t rowCount = 0;
  for (const char c : rows) rowCount += c == '\n' ? 1 : 0;
  // Neither the input nor the output can fail here: the status is that of the values.
  Require(status == cli::kExitOk || status == cli::kExitOverflow, "the batch failed");
  if (taken) {
    Require(rowCount == LineCount(input), "not a row for every line");
  } else {
    Require(rowCount + 1 == RefusedLine(messages), "rows after the refused line");
  }
  return 0;
}
