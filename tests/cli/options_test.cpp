#include "cli/options.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace marlit::cli {
namespace {

struct Parsed {
  ParsedCommandLine result;
  std::string out;
  std::string err;
};

Parsed Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "marlit-cli");
  std::ostringstream out;
  std::ostringstream err;
  ParsedCommandLine result = ParseCommandLine(static_cast<int>(args.size()), args.data(), out, err);
  return {std::move(result), out.str(), err.str()};
}

using Requests = std::vector<std::pair<Field, std::string>>;

Requests RequestsOf(const Options& o) {
  Requests r;
  for (const auto& v : o.values) r.emplace_back(v.field, v.value);
  return r;
}

constexpr Field O = Field::FileOffset;
constexpr Field A = Field::MemoryAddress;

TEST(OptionsTest, MixedOffsetsAndAddressesKeepTheCommandLineOrder) {
  const Parsed p = Parse({"-a", "401000", "f.exe", "-o", "0x400", "--address=5", "-o", "-",
                          "--offset", "7", "-a", "8"});
  ASSERT_FALSE(p.result.exitStatus) << p.err;
  EXPECT_EQ(RequestsOf(p.result.options),
            (Requests{{A, "401000"}, {O, "0x400"}, {A, "5"}, {O, "-"}, {O, "7"}, {A, "8"}}));
  EXPECT_EQ(p.result.options.file, "f.exe");
}

TEST(OptionsTest, Flags) {
  const Parsed p =
      Parse({"f.exe", "--decimal", "--rva", "--json", "--yes", "--exclude", ".text", "--exclude",
             "檔案頭", "-o", "4096", "--loader", "--refs", "--base", "4194304"});
  ASSERT_FALSE(p.result.exitStatus) << p.err;
  const Options& o = p.result.options;
  EXPECT_EQ(o.radix, Radix::Decimal);
  EXPECT_TRUE(o.rva && o.json && o.yes && o.loader && o.refs);
  EXPECT_EQ(o.base, "4194304");
  EXPECT_EQ(o.exclude, (std::vector<std::string>{".text", "檔案頭"}));
  const Parsed plain = Parse({"f.exe"});
  ASSERT_FALSE(plain.result.exitStatus);
  EXPECT_EQ(plain.result.options.radix, Radix::Hex);
  EXPECT_FALSE(plain.result.options.rva || plain.result.options.json || plain.result.options.yes ||
               plain.result.options.loader || plain.result.options.refs);
  EXPECT_EQ(plain.result.options.base, std::nullopt);
  EXPECT_TRUE(plain.result.options.values.empty());
}

TEST(OptionsTest, ExitStatusOfTheCommandLine) {
  struct Case {
    std::vector<const char*> args;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {{"--help"}, kExitOk, ""},
      {{"--version"}, kExitOk, ""},
      {{"--version", "-o", "1"}, kExitOk, ""},
      {{}, kExitUsage, "FILE"},
      {{"f.exe", "--bogus"}, kExitUsage, "bogus"},
      {{"f.exe", "-o"}, kExitUsage, ""},
      {{"f.exe", "-o", "12g"}, kExitUsage, "「12g」"},
      {{"f.exe", "-o", "123456789"}, kExitUsage, "「123456789」太長"},
      {{"f.exe", "-a", "12345678901234567"}, kExitUsage, "「12345678901234567」太長"},
      {{"f.exe", "-a", "0x"}, kExitUsage, "「0x」"},
      {{"f.exe", "--decimal", "-o", "0x10"}, kExitUsage, "「0x10」"},
      {{"f.exe", "--decimal", "-o", "12345678901"}, kExitUsage, "太長"},
      {{"f.exe", "-o", "-", "-a", "-"}, kExitUsage, "「-」只能給一次"},
      {{"f.exe", "--refs"}, kExitUsage, "「--refs」要和 -a 或 -o 一起用"},
      {{"f.exe", "--base", "12g"}, kExitUsage, "「12g」"},
  };
  for (const Case& c : cases) {
    const Parsed p = Parse(c.args);
    ASSERT_TRUE(p.result.exitStatus) << c.args.size();
    EXPECT_EQ(*p.result.exitStatus, c.status) << p.err;
    EXPECT_NE(p.err.find(c.message), std::string::npos) << p.err;
  }
  EXPECT_NE(Parse({"--help"}).out.find("--exclude"), std::string::npos);
  EXPECT_EQ(Parse({"--version"}).out.rfind("marlit-cli (", 0), 0u);
}

TEST(OptionsTest, HelpOrVersionThatCannotBeWrittenIsAnOutputFailure) {
  for (const char* option : {"--help", "--version"}) {
    const char* const args[] = {"marlit-cli", option};
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    std::ostringstream err;
    const ParsedCommandLine r = ParseCommandLine(2, args, out, err);
    EXPECT_EQ(r.exitStatus, kExitIoFailed) << option;
    EXPECT_NE(err.str().find("無法寫出"), std::string::npos) << option;
  }
}

}  // namespace
}  // namespace marlit::cli
