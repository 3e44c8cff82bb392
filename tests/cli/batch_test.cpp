#include "cli/batch.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "tests/common/described_image.h"
#include "tests/common/sample_images.h"

namespace marlit::cli {
namespace {

struct RunResult {
  int status;
  std::string out;
  std::string err;
};

class BatchTest : public testing::Test {
 protected:
  RunResult RunOn(const test::PeBuilder& builder, Options options, const std::string& input = "") {
    builder.WriteTo(dir_ / "image.exe");
    if (options.file.empty()) options.file = dir_ / "image.exe";
    TextInput in(input, chunk_);
    std::ostringstream out;
    std::ostringstream err;
    const int status = cli::Run(options, in, out, err);
    return {status, out.str(), err.str()};
  }
  static Options Values(std::vector<ValueRequest> values) {
    Options o;
    o.values = std::move(values);
    return o;
  }
  test::TempDir dir_;
  std::size_t chunk_ = static_cast<std::size_t>(-1);  // the most bytes one read of the input gives
};

constexpr Field O = Field::FileOffset;
constexpr Field A = Field::MemoryAddress;

TEST_F(BatchTest, ValuesRunInTheOrderGivenWithInputLinesInPlace) {
  const RunResult r = RunOn(test::SampleImage(), Values({{O, "0x1000"}, {A, "-"}, {O, "1E00"}}),
                            "401000\r\n\n403000\n");
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out,
            "1000\t401C00\t2\t.text\t001C4000\n"
            "400\t401000\t2\t.text\t00104000\n"
            "\t\t0\t不在段內\t\n"
            "1600\t403000\t4\t.rdata\t00304000\n"
            "1E00\t\t0\t不在段內\t\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(BatchTest, JsonAnswersForPrograms) {
  using nlohmann::json;
  struct Case {
    const char* what;
    test::PeBuilder builder;
    Radix radix;
    ValueRequest value;
    const char* exclude;
    json answer;
  };
  const auto row = [](json fileOffset, json fileOffsetValue, json memoryAddress,
                      json memoryAddressValue, int position, json index, const char* kind,
                      json section, const char* code) {
    return json{{"file_offset", fileOffset},
                {"file_offset_value", fileOffsetValue},
                {"memory_address", memoryAddress},
                {"memory_address_value", memoryAddressValue},
                {"found", position != 0},
                {"position", position},
                {"index", index},
                {"kind", kind},
                {"section", section},
                {"code", code},
                {"zero_filled", false},
                {"directory", nullptr},
                {"export", nullptr}};
  };
  const json null;
  const Case cases[] = {
      {"a section",
       test::SampleImage(),
       Radix::Hex,
       {O, "1000"},
       nullptr,
       row("1000", 4096, "401C00", 4201472, 2, 1, "section", ".text", "001C4000")},
      {"the header",
       test::SampleImage(),
       Radix::Hex,
       {A, "400000"},
       nullptr,
       row("0", 0, "400000", 4194304, 1, 0, "header", "檔案頭", "00004000")},
      {"an offset in no section",
       test::SampleImage(),
       Radix::Hex,
       {O, "0x1E00"},
       nullptr,
       row("1E00", 7680, null, null, 0, null, "none", null, "")},
      {"an address in no section",
       test::SampleImage(),
       Radix::Hex,
       {A, "5000"},
       nullptr,
       row(null, null, "5000", 20480, 0, null, "none", null, "")},
      {"an empty value",
       test::SampleImage(),
       Radix::Hex,
       {O, ""},
       nullptr,
       row(null, null, null, null, 0, null, "none", null, "")},
      {"the index of the table after a record left out",
       test::SampleImage(),
       Radix::Hex,
       {O, "1600"},
       ".data",
       row("1600", 5632, "403000", 4206592, 3, 3, "section", ".rdata", "00304000")},
      {"a negative 32-bit address",
       test::SampleImage().ImageBase(0x80000000),
       Radix::Hex,
       {O, "1000"},
       nullptr,
       row("1000", 4096, "80001C00", -2147476480, 2, 1, "section", ".text", "001C0080")},
      {"the same in decimal",
       test::SampleImage().ImageBase(0x80000000),
       Radix::Decimal,
       {O, "4096"},
       nullptr,
       row("4096", 4096, "-2147476480", -2147476480, 2, 1, "section", ".text", "001C0080")},
      {"a 64-bit address",
       test::SampleImage().Magic(0x20B).ImageBase(0xFFFFFFFF00000000ull),
       Radix::Hex,
       {O, "1000"},
       nullptr,
       row("1000", 4096, "FFFFFFFF00001C00", 18446744069414591488ull, 2, 1, "section", ".text",
           "001C0000FFFFFFFF")},
      {"an overflow",
       test::HighBaseImage(),
       Radix::Hex,
       {O, "1000"},
       nullptr,
       json{{"error", "溢出！請填寫正確的數值。"}, {"field", "file_offset"}, {"input", "1000"}}},
      {"an overflow in decimal",
       test::SampleImage(),
       Radix::Decimal,
       {A, "2147483648"},
       nullptr,
       json{{"error", "溢出！請填寫正確的數值。"},
            {"field", "memory_address"},
            {"input", "2147483648"}}},
  };
  for (const Case& c : cases) {
    Options o = Values({c.value});
    o.json = true;
    o.radix = c.radix;
    if (c.exclude != nullptr) o.exclude = {c.exclude};
    const RunResult r = RunOn(c.builder, o);
    ASSERT_FALSE(r.out.empty()) << c.what << ": " << r.err;
    EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << c.what;
    EXPECT_EQ(json::parse(r.out), c.answer) << c.what;
  }
}

TEST_F(BatchTest, AnOverflowIsReportedAndTheRunGoesOn) {
  const RunResult r = RunOn(test::HighBaseImage(), Values({{O, "-"}, {O, "2000"}}), "FFF\n1000\n");
  EXPECT_EQ(r.status, kExitOverflow);
  EXPECT_EQ(r.out,
            "FFF\t7FFFFFFF\t1\t檔案頭\tFFFFFF7F\n"
            "\t\t0\t不在段內\t\n"
            "2000\t7FFFF000\t2\t.text\t00F0FF7F\n");
  const std::string message =
      "marlit-cli: 標準輸入第 2 行：數值「1000」：溢出！請填寫正確的數值。\n";
  ASSERT_GE(r.err.size(), message.size());
  EXPECT_EQ(r.err.substr(r.err.size() - message.size()), message) << r.err;
}

TEST_F(BatchTest, RefusedInputLineStopsTheRunAfterWhatWasTranslated) {
  const RunResult r =
      RunOn(test::SampleImage(), Values({{O, "-"}, {O, "1000"}}), "400\n12 34\n500\n");
  EXPECT_EQ(r.status, kExitUsage);
  EXPECT_EQ(r.out, "400\t401000\t2\t.text\t00104000\n");
  EXPECT_NE(r.err.find("標準輸入第 2 行：數值「12 34」不能輸入"), std::string::npos) << r.err;
}

TEST_F(BatchTest, ExitStatusOfTheFile) {
  struct Case {
    const char* what;
    test::PeBuilder builder;
    bool yes;
    bool missing;
    int status;
    const char* message;  // part of what the error stream shows
  };
  test::PeBuilder many;
  for (std::uint32_t i = 0; i < 21; ++i)
    many.AddSection("s", 0x1000 * (i + 1), 0x200, 0x400 + 0x200 * i);
  const Case cases[] = {
      {"a plain file", test::SampleImage(), false, false, kExitOk, ""},
      {"no PE signature", test::SampleImage().Signature(0x1234), false, false, kExitRefusedFile,
       "這不是一個 PE 檔案，無法分析！"},
      {"21 sections without --yes", many, false, false, kExitRefusedFile, "請加上 --yes"},
      {"21 sections with --yes", many, true, false, kExitOk, "區段數目大於20，繼續進行分析嗎？"},
      {"a 64-bit image", test::SampleImage().Magic(0x20B), false, false, kExitOk, ""},
      {"a missing file", test::SampleImage(), false, true, kExitRefusedFile, "marlit-cli: "},
  };
  for (const Case& c : cases) {
    Options o;
    o.yes = c.yes;
    if (c.missing) o.file = dir_ / "missing.exe";
    const RunResult r = RunOn(c.builder, o);
    EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.what << ": " << r.err;
    if (c.status == kExitRefusedFile) {
      EXPECT_EQ(r.out, "") << c.what;
    }
  }
}

TEST_F(BatchTest, SectionTableAndOverlapWarnings) {
  Options o;
  o.exclude = {".data"};
  const RunResult r = RunOn(test::SampleImage().AddSection(".dup", 0x1800, 0x1000, 0x800), o);
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out,
            "Kind\tPE32\n"
            "ImageBase\t400000\n"
            "LoadAddress\t400000\n"
            "Index\tIncluded\tName\tFileMin\tFileMax\tRamMin\tRamMax\n"
            "0\tyes\t檔案頭\t0\t400\t400000\t400400\n"
            "1\tyes\t.text\t400\t1400\t401000\t402000\n"
            "2\tno\t.data\t1400\t1600\t402000\t402200\n"
            "3\tyes\t.rdata\t1600\t1E00\t403000\t403800\n"
            "4\tyes\t.dup\t800\t1800\t401800\t402800\n");
  // The window's message box lines, one a line; the excluded .data is not tested.
  EXPECT_NE(
      r.err.find(
          "marlit-cli: ★ 區段「.text   」的 FileMax 和區段「.dup    」的 FileOffset 部分重疊 ★\n"),
      std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find(".data"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find('\r'), std::string::npos);
  EXPECT_NE(
      r.err.find("★\n\n\n         ～～～～ 請用「選擇區段」功能去除其中的非法區段 ～～～～\n"),
      std::string::npos)
      << r.err;
}

TEST_F(BatchTest, SectionTableInEveryRadixAndMode) {
  using nlohmann::json;
  struct Case {
    const char* what;
    test::PeBuilder builder;
    Radix radix;
    bool rva;
    json head;            // kind, image base
    json rdata;           // record 3
    const char* textRow;  // record 3 in the tab-separated table, after its head lines
    const char* base = nullptr;
  };
  const auto record = [](json fileMin, int fileMinValue, json fileMax, int fileMaxValue,
                         json ramMin, json ramMinValue, json ramMax, json ramMaxValue) {
    return json{{"index", 3},
                {"included", true},
                {"name", ".rdata"},
                {"file_min", fileMin},
                {"file_min_value", fileMinValue},
                {"file_max", fileMax},
                {"file_max_value", fileMaxValue},
                {"ram_min", ramMin},
                {"ram_min_value", ramMinValue},
                {"ram_max", ramMax},
                {"ram_max_value", ramMaxValue}};
  };
  const auto tableHead = [](const char* kind, json base, json baseValue, json load,
                            json loadValue) {
    return json{{"kind", kind},
                {"image_base", base},
                {"image_base_value", baseValue},
                {"load_address", load},
                {"load_address_value", loadValue}};
  };
  const test::PeBuilder wide = test::SampleImage().Magic(0x20B).ImageBase(0x140000000ull);
  const Case cases[] = {
      {"hexadecimal", test::SampleImage(), Radix::Hex, false,
       tableHead("PE32", "400000", 4194304, "400000", 4194304),
       record("1600", 5632, "1E00", 7680, "403000", 4206592, "403800", 4208640),
       "Kind\tPE32\nImageBase\t400000\nLoadAddress\t400000\n"
       "3\tyes\t.rdata\t1600\t1E00\t403000\t403800\n"},
      {"--rva", test::SampleImage(), Radix::Hex, true,
       tableHead("PE32", "400000", 4194304, "400000", 4194304),
       record("1600", 5632, "1E00", 7680, "3000", 12288, "3800", 14336),
       "Kind\tPE32\nImageBase\t400000\nLoadAddress\t400000\n"
       "3\tyes\t.rdata\t1600\t1E00\t3000\t3800\n"},
      {"--decimal", test::SampleImage(), Radix::Decimal, false,
       tableHead("PE32", "4194304", 4194304, "4194304", 4194304),
       record("5632", 5632, "7680", 7680, "4206592", 4206592, "4208640", 4208640),
       "Kind\tPE32\nImageBase\t4194304\nLoadAddress\t4194304\n"
       "3\tyes\t.rdata\t5632\t7680\t4206592\t4208640\n"},
      {"a negative image base in decimal", test::SampleImage().ImageBase(0x80000000),
       Radix::Decimal, false,
       tableHead("PE32", "-2147483648", -2147483648ll, "-2147483648", -2147483648ll),
       record("5632", 5632, "7680", 7680, "-2147471360", -2147471360, "-2147469312", -2147469312),
       "Kind\tPE32\nImageBase\t-2147483648\nLoadAddress\t-2147483648\n"
       "3\tyes\t.rdata\t5632\t7680\t-2147471360\t-2147469312\n"},
      {"PE32+", wide, Radix::Hex, false,
       tableHead("PE32+", "140000000", 5368709120, "140000000", 5368709120),
       record("1600", 5632, "1E00", 7680, "140003000", 5368721408, "140003800", 5368723456),
       "Kind\tPE32+\nImageBase\t140000000\nLoadAddress\t140000000\n"
       "3\tyes\t.rdata\t1600\t1E00\t140003000\t140003800\n"},
      {"PE32+ with --rva in decimal", wide, Radix::Decimal, true,
       tableHead("PE32+", "5368709120", 5368709120, "5368709120", 5368709120),
       record("5632", 5632, "7680", 7680, "12288", 12288, "14336", 14336),
       "Kind\tPE32+\nImageBase\t5368709120\nLoadAddress\t5368709120\n"
       "3\tyes\t.rdata\t5632\t7680\t12288\t14336\n"},
      {"PE32+ at a load address", wide, Radix::Hex, false,
       tableHead("PE32+", "140000000", 5368709120, "7FF610000000", 0x7FF610000000),
       record("1600", 5632, "1E00", 7680, "7FF610003000", 0x7FF610003000, "7FF610003800",
              0x7FF610003800),
       "Kind\tPE32+\nImageBase\t140000000\nLoadAddress\t7FF610000000\n"
       "3\tyes\t.rdata\t1600\t1E00\t7FF610003000\t7FF610003800\n",
       "0x7FF610000000"},
  };
  for (const Case& c : cases) {
    Options o;
    o.radix = c.radix;
    o.rva = c.rva;
    if (c.base != nullptr) o.base = c.base;
    o.json = true;
    const RunResult r = RunOn(c.builder, o);
    ASSERT_EQ(r.status, kExitOk) << c.what << ": " << r.err;
    // Written by hand, exactly as the JSON library writes the same object.
    EXPECT_EQ(r.out, nlohmann::ordered_json::parse(r.out).dump() + "\n") << c.what;
    json table = json::parse(r.out);
    ASSERT_EQ(table["sections"].size(), 4u) << c.what;
    EXPECT_EQ(table["sections"][0]["name"], "檔案頭");
    EXPECT_EQ(table["sections"][3], c.rdata) << c.what;
    table.erase("sections");
    EXPECT_EQ(table, c.head) << c.what;

    o.json = false;
    const RunResult text = RunOn(c.builder, o);
    std::string head(c.textRow);
    const std::string row = head.substr(head.find("\n3\t") + 1);
    head.resize(head.size() - row.size());
    EXPECT_EQ(text.out.substr(0, head.size()), head) << c.what;
    EXPECT_NE(text.out.find('\n' + row), std::string::npos) << c.what << ": " << text.out;
  }
}

TEST_F(BatchTest, WhatEachValueRunSays) {
  struct Case {
    const char* what;
    bool loader;
    const char* base;  // the load address; none: the file's base
    bool refs, json;
    std::vector<ValueRequest> values;
    int status;
    const char* out;  // part of the output; empty: none at all
    const char* err;  // part of the error stream
  };
  // clang-format off
  const Case cases[] = {
      {"an address at the load address", false, "10000000", false, false, {{A, "10002110"}}, kExitOk, "910\t10002110\t", ""},
      {"a load address that overflows a record", false, "7FFFF000", false, false, {{O, "1000"}}, kExitUsage, "", "marlit-cli: 數值「7FFFF000」：溢出！請填寫正確的數值。\n"},
      {"what is at an address, in JSON", false, nullptr, false, true, {{A, "402110"}}, kExitOk, R"("zero_filled":false,"directory":"import_address_table","export":"CreateFileW+10"})" "\n", ""},
      {"zero-filled, in JSON", true, nullptr, false, true, {{A, "402800"}}, kExitOk, R"("section":".idata","code":"00284000","zero_filled":true,"directory":null,"export":"CreateFileW+700"})" "\n", ""},
      {"references of an address", false, nullptr, true, false, {{A, "402110"}}, kExitOk, "402110\t300\t400300\t檔案頭\t-\n402110\t404\t400404\t檔案頭\t-\n402110\t410\t401000\t.text\trelocated\n402110\tE10\t\t\t-\n", ""},
      {"JSON, and no reference for the next value", false, nullptr, true, true, {{A, "402110"}, {A, "402220"}}, kExitOk, R"({"address":"402110","address_value":4202768,"file_offset":"E10","file_offset_value":3600,"memory_address":null,"memory_address_value":null,"section":null,"relocated":false})" "\n", "位址 402220 沒有被檔案引用。"},
      {"references of an offset in no section", false, nullptr, true, false, {{O, "F10"}}, kExitOk, "", "「F10」不在段內，沒有位址可找。"},
  };
  // clang-format on
  for (const Case& c : cases) {
    Options o = Values(c.values);
    o.loader = c.loader;
    if (c.base != nullptr) o.base = c.base;
    o.json = c.json;
    o.refs = c.refs;
    const RunResult r = RunOn(test::Described(0x10B), o);
    EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
    EXPECT_TRUE(*c.out ? r.out.find(c.out) != std::string::npos : r.out.empty()) << c.what << r.out;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << c.what << ": " << r.err;
  }
}

TEST_F(BatchTest, ExcludingANameNoSectionHasIsAUsageError) {
  Options o = Values({{O, "1000"}});
  o.exclude = {".text", ".nope"};
  const RunResult r = RunOn(test::SampleImage(), o);
  EXPECT_EQ(r.status, kExitUsage);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("「.nope」"), std::string::npos) << r.err;
}

TEST_F(BatchTest, InputLinesOfEveryShape) {
  struct Case {
    const char* what;
    std::string input;
    int status;
    const char* out;
  };
  const Case cases[] = {
      {"no input at all", "", kExitOk, ""},
      {"last line without its end", "400\n1000", kExitOk,
       "400\t401000\t2\t.text\t00104000\n1000\t401C00\t2\t.text\t001C4000\n"},
      {"CR LF line ends", "400\r\n", kExitOk, "400\t401000\t2\t.text\t00104000\n"},
      {"a NUL inside a line",
       std::string("4\0"
                   "00\n",
                   5),
       kExitUsage, ""},
      {"a line far longer than any value", std::string(100000, '1') + "\n400\n", kExitUsage, ""},
      {"a long line of letters", std::string(300, 'x'), kExitUsage, ""},
      {"0x and CR LF, upper and lower case", "0X400\r\n0x1c00\n", kExitOk,
       "400\t401000\t2\t.text\t00104000\n1c00\t403600\t4\t.rdata\t00364000\n"},
      {"an empty line, then a CR alone", "\n\r\n", kExitOk,
       "\t\t0\t不在段內\t\n\t\t0\t不在段內\t\n"},
      {"white space around a value, and a line of it alone", " \t0x400 \r\n  \n", kExitOk,
       "400\t401000\t2\t.text\t00104000\n\t\t0\t不在段內\t\n"},
      {"nine digits", "000000400\n", kExitUsage, ""},
      {"a CR inside a line", "4\r00\n", kExitUsage, ""},
      {"a byte above 7Fh",
       "40\xC3\xA9"
       "0\n",
       kExitUsage, ""},
  };
  // Each read of the input gives all of it, or a few bytes, so that lines are cut anywhere.
  for (const std::size_t chunk : {static_cast<std::size_t>(-1), std::size_t{1}, std::size_t{3}}) {
    chunk_ = chunk;
    for (const Case& c : cases) {
      const RunResult r = RunOn(test::SampleImage(), Values({{O, "-"}}), c.input);
      EXPECT_EQ(r.status, c.status) << c.what << ", chunk " << chunk << ": " << r.err;
      EXPECT_EQ(r.out, c.out) << c.what << ", chunk " << chunk;
      EXPECT_LT(r.err.size(), 1000u) << c.what;
    }
  }
}

TEST_F(BatchTest, ARefusedLineIsNamedWithItsNumber) {
  struct Case {
    std::string input;
    std::string message;
  };
  const Case cases[] = {
      {"400\n12 34\n", "標準輸入第 2 行：數值「12 34」不能輸入"},
      {"400\n\n" + std::string(300, '1'),
       "標準輸入第 3 行：數值「" + std::string(255, '1') + "」太長"},
      {"0x\r\n", "標準輸入第 1 行：數值「0x」在 0x 之後沒有數字。"},
  };
  for (const std::size_t chunk : {static_cast<std::size_t>(-1), std::size_t{2}}) {
    chunk_ = chunk;
    for (const Case& c : cases) {
      const RunResult r = RunOn(test::SampleImage(), Values({{O, "-"}}), c.input);
      EXPECT_EQ(r.status, kExitUsage);
      EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
  }
}

// A stream that takes nothing, as stdout on a full disk.
class Refusing : public std::streambuf {
 protected:
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
  int_type overflow(int_type) override { return traits_type::eof(); }
};

// Takes the first size bytes, then nothing more, as a pipe whose reader is gone.
class TakesSome : public std::streambuf {
 public:
  explicit TakesSome(std::size_t size) : left_(size) {}

 protected:
  std::streamsize xsputn(const char*, std::streamsize n) override {
    if (static_cast<std::size_t>(n) > left_) return 0;
    left_ -= static_cast<std::size_t>(n);
    return n;
  }
  int_type overflow(int_type c) override {
    return xsputn(nullptr, 1) == 1 ? c : traits_type::eof();
  }

 private:
  std::size_t left_;
};

// Counts what the batch read of a text.
class CountingInput : public BlockInput {
 public:
  explicit CountingInput(std::string_view text) : text_(text) {}
  std::ptrdiff_t Read(char* to, std::size_t size) override {
    const std::ptrdiff_t n = text_.Read(to, size);
    read += static_cast<std::size_t>(n);
    return n;
  }
  std::size_t read = 0;

 private:
  TextInput text_;
};

TEST_F(BatchTest, TheBatchStopsAtTheFirstFailedWrite) {
  test::SampleImage().WriteTo(dir_ / "image.exe");
  std::string input;
  for (int i = 0; i < 400000; ++i) input += "1000\n";
  for (const std::size_t taken : {std::size_t{0}, std::size_t{300000}}) {
    Options o = Values({{O, "-"}, {O, "400"}});
    o.file = dir_ / "image.exe";
    CountingInput in(input);
    TakesSome some(taken);
    std::ostream out(&some);
    std::ostringstream err;
    EXPECT_EQ(cli::Run(o, in, out, err), kExitIoFailed) << taken;
    // A block or two past what the output took, not the whole input.
    EXPECT_LT(in.read, input.size() / 2) << taken;
    EXPECT_NE(err.str().find("無法寫出轉換結果"), std::string::npos) << err.str();
  }
}

TEST_F(BatchTest, OutputThatCannotBeWrittenIsNoSuccess) {
  test::SampleImage().WriteTo(dir_ / "image.exe");
  Refusing refusing;
  std::ostream out(&refusing);
  for (const bool withValues : {false, true}) {
    Options o = withValues ? Values({{O, "1000"}}) : Options{};
    o.file = dir_ / "image.exe";
    TextInput in("");
    std::ostringstream err;
    out.clear();
    EXPECT_EQ(cli::Run(o, in, out, err), kExitIoFailed) << withValues;
    EXPECT_NE(err.str().find("無法寫出"), std::string::npos) << err.str();
  }
}

// An input that fails after its first line, as a read error of the terminal or a pipe would.
class FailingInput : public BlockInput {
 public:
  std::ptrdiff_t Read(char* to, std::size_t size) override {
    if (reads_++ != 0) return -1;
    return TextInput("400\n").Read(to, size);
  }

 private:
  int reads_ = 0;
};

TEST_F(BatchTest, InputThatCannotBeReadEndsTheRunWithoutALoop) {
  test::SampleImage().WriteTo(dir_ / "image.exe");
  Options o = Values({{O, "-"}});
  o.file = dir_ / "image.exe";
  FailingInput in;
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(cli::Run(o, in, out, err), kExitIoFailed);
  EXPECT_EQ(out.str(), "400\t401000\t2\t.text\t00104000\n");
  EXPECT_NE(err.str().find("無法讀取標準輸入"), std::string::npos) << err.str();
}

TEST_F(BatchTest, LargeBatchesComeOutWhole) {
  std::string input;
  std::string expected;
  // More than one block of input and of output.
  for (int i = 0; i < 120000; ++i) {
    input += i % 2 ? "1000\n" : "1E00\n";
    expected += i % 2 ? "1000\t401C00\t2\t.text\t001C4000\n" : "1E00\t\t0\t不在段內\t\n";
  }
  const RunResult r = RunOn(test::SampleImage(), Values({{O, "-"}}), input);
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(r.out, expected);
}

}  // namespace
}  // namespace marlit::cli
