#include "cli/batch.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

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
    std::istringstream in(input);
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
            "0\t\t0\t不在段內\t\n"
            "1600\t403000\t4\t.rdata\t00304000\n"
            "1E00\t0\t0\t不在段內\t\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(BatchTest, JsonRowsCarryTheFiveFields) {
  Options o = Values({{O, "1000"}, {A, "400000"}});
  o.json = true;
  const RunResult r = RunOn(test::SampleImage(), o);
  ASSERT_EQ(r.status, kExitOk) << r.err;
  std::istringstream lines(r.out);
  std::string line;
  ASSERT_TRUE(std::getline(lines, line));
  EXPECT_EQ(nlohmann::json::parse(line), nlohmann::json({{"file_offset", "1000"},
                                                         {"memory_address", "401C00"},
                                                         {"position", 2},
                                                         {"section", ".text"},
                                                         {"code", "001C4000"}}));
  ASSERT_TRUE(std::getline(lines, line));
  EXPECT_EQ(nlohmann::json::parse(line), nlohmann::json({{"file_offset", "0"},
                                                         {"memory_address", "400000"},
                                                         {"position", 1},
                                                         {"section", "檔案頭"},
                                                         {"code", ""}}));
  EXPECT_FALSE(std::getline(lines, line));
}

TEST_F(BatchTest, AnOverflowIsReportedAndTheRunGoesOn) {
  const RunResult r = RunOn(test::HighBaseImage(), Values({{O, "-"}, {O, "2000"}}), "FFF\n1000\n");
  EXPECT_EQ(r.status, kExitOverflow);
  EXPECT_EQ(r.out,
            "FFF\t7FFFFFFF\t1\t檔案頭\tFFFFFF7F\n"
            "\t\t1\t檔案頭\t\n"
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
            "Index\tIncluded\tName\tFileMin\tFileMax\tRamMin\tRamMax\n"
            "0\tyes\t檔案頭\t0\t400\t400000\t401000\n"
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

TEST_F(BatchTest, JsonSectionTable) {
  Options o;
  o.json = true;
  const RunResult r = RunOn(test::SampleImage(), o);
  ASSERT_EQ(r.status, kExitOk) << r.err;
  const auto table = nlohmann::json::parse(r.out);
  EXPECT_EQ(table["image_base"], "400000");
  ASSERT_EQ(table["sections"].size(), 4u);
  EXPECT_EQ(table["sections"][0]["name"], "檔案頭");
  EXPECT_EQ(table["sections"][3], nlohmann::json({{"index", 3},
                                                  {"included", true},
                                                  {"name", ".rdata"},
                                                  {"file_min", "1600"},
                                                  {"file_max", "1E00"},
                                                  {"ram_min", "403000"},
                                                  {"ram_max", "403800"}}));
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
  };
  for (const Case& c : cases) {
    const RunResult r = RunOn(test::SampleImage(), Values({{O, "-"}}), c.input);
    EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
    EXPECT_EQ(r.out, c.out) << c.what;
    EXPECT_LT(r.err.size(), 1000u) << c.what;
  }
}

// A stream that takes nothing, as stdout on a full disk.
class Refusing : public std::streambuf {
 protected:
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
  int_type overflow(int_type) override { return traits_type::eof(); }
};

TEST_F(BatchTest, OutputThatCannotBeWrittenIsNoSuccess) {
  test::SampleImage().WriteTo(dir_ / "image.exe");
  Refusing refusing;
  std::ostream out(&refusing);
  for (const bool withValues : {false, true}) {
    Options o = withValues ? Values({{O, "1000"}}) : Options{};
    o.file = dir_ / "image.exe";
    std::istringstream in;
    std::ostringstream err;
    out.clear();
    EXPECT_EQ(cli::Run(o, in, out, err), kExitIoFailed) << withValues;
    EXPECT_NE(err.str().find("無法寫出"), std::string::npos) << err.str();
  }
}

// An input that fails after its first line, as a read error of the terminal or a pipe would.
class FailingInput : public std::streambuf {
 public:
  FailingInput() { setg(text_, text_, text_ + 4); }

 protected:
  int_type underflow() override { throw std::runtime_error("read failed"); }

 private:
  char text_[5] = "400\n";
};

TEST_F(BatchTest, InputThatCannotBeReadEndsTheRunWithoutALoop) {
  test::SampleImage().WriteTo(dir_ / "image.exe");
  Options o = Values({{O, "-"}});
  o.file = dir_ / "image.exe";
  FailingInput failing;
  std::istream in(&failing);
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(cli::Run(o, in, out, err), kExitIoFailed);
  EXPECT_EQ(out.str(), "400\t401000\t2\t.text\t00104000\n");
  EXPECT_NE(err.str().find("無法讀取標準輸入"), std::string::npos) << err.str();
}

TEST_F(BatchTest, LargeBatchesComeOutWhole) {
  std::string input;
  std::string expected;
  for (int i = 0; i < 20000; ++i) {
    input += i % 2 ? "1000\n" : "1E00\n";
    expected += i % 2 ? "1000\t401C00\t2\t.text\t001C4000\n" : "1E00\t0\t0\t不在段內\t\n";
  }
  const RunResult r = RunOn(test::SampleImage(), Values({{O, "-"}}), input);
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(r.out, expected);
}

}  // namespace
}  // namespace marlit::cli
