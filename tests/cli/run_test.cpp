// Runs of the marlit-cli executable itself, on files built by the tests.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/common/sample_images.h"

namespace marlit::test {
namespace {

struct Ran {
  int status;
  std::string out;
  std::string err;
};

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class RunTest : public testing::Test {
 protected:
  Ran Cli(const std::string& args, const std::string& input = "") {
    std::ofstream(dir_ / "in", std::ios::binary) << input;
    const std::string command = std::string(MARLIT_CLI) + " " + args + " <" +
                                (dir_ / "in").string() + " >" + (dir_ / "out").string() + " 2>" +
                                (dir_ / "err").string();
    const int raw = std::system(command.c_str());
    const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return {status, Slurp(dir_ / "out"), Slurp(dir_ / "err")};
  }
  std::string File(const PeBuilder& builder) {
    builder.WriteTo(dir_ / "image.exe");
    return (dir_ / "image.exe").string();
  }
  TempDir dir_;
};

TEST_F(RunTest, PrintsTheSectionTable) {
  const Ran r = Cli(File(SampleImage()));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find("\nIndex")),
            "Kind\tPE32\nImageBase\t400000\nLoadAddress\t400000");
  EXPECT_NE(r.out.find("\n1\tyes\t.text\t400\t1400\t401000\t402000\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "");
}

TEST_F(RunTest, TranslatesArgumentsAndInputLinesInOrder) {
  const Ran r = Cli(File(SampleImage()) + " -a 401C00 -o - --offset 0x1400", "1000\n1600\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "1000\t401C00\t2\t.text\t001C4000\n"
            "1000\t401C00\t2\t.text\t001C4000\n"
            "1600\t403000\t4\t.rdata\t00304000\n"
            "1400\t402000\t3\t.data\t00204000\n");
}

TEST_F(RunTest, DecimalJsonWithoutTheImageBase) {
  const Ran r = Cli(File(SampleImage()) + " --decimal --rva --json -a 7168");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            R"({"file_offset":"4096","file_offset_value":4096,"memory_address":"7168",)"
            R"("memory_address_value":7168,"found":true,"position":2,"index":1,"kind":"section",)"
            R"("section":".text","code":"001C0000","zero_filled":false,"directory":null,)"
            R"("export":null})"
            "\n");
}

TEST_F(RunTest, ExitStatuses) {
  const std::string file = File(SampleImage());
  EXPECT_EQ(Cli(file + " --decimal -o 2147483648 -o 1024").status, 3);
  EXPECT_EQ(Cli(file + " -o 12g").status, 2);
  EXPECT_EQ(Cli(file + " --exclude .nope").status, 2);
  EXPECT_EQ(Cli((dir_ / "missing.exe").string()).status, 1);
  EXPECT_EQ(Cli(dir_.path().string()).status, 1);
}

TEST_F(RunTest, SixtyFourBitImage) {
  const std::string file = File(SampleImage().Magic(0x20B).ImageBase(0x140000000ull));
  struct Case {
    const char* args;
    int status;
    const char* out;
  };
  const Case cases[] = {
      {"-o 1000", 0, "1000\t140001C00\t2\t.text\t001C004001000000\n"},
      {"-a 140001c00", 0, "1000\t140001c00\t2\t.text\t001C004001000000\n"},
      {"--rva -o 1000 -a 1C00", 0,
       "1000\t1C00\t2\t.text\t001C0000\n1000\t1C00\t2\t.text\t001C0000\n"},
      {"-a FFFFFFFFFFFFFFFF", 0, "\tFFFFFFFFFFFFFFFF\t0\t不在段內\t\n"},
      {"-a 1FFFFFFFFFFFFFFFF", 2, ""},
      {"--decimal -a 5368716288", 0, "4096\t5368716288\t2\t.text\t001C004001000000\n"},
      {"--decimal -a 18446744073709551615", 0, "\t18446744073709551615\t0\t不在段內\t\n"},
      {"--decimal -a 18446744073709551616", 3, "\t\t0\t不在段內\t\n"},
  };
  for (const Case& c : cases) {
    const Ran r = Cli(file + " " + c.args);
    EXPECT_EQ(r.status, c.status) << c.args << ": " << r.err;
    EXPECT_EQ(r.out, c.out) << c.args;
  }
  const Ran table = Cli(file);
  EXPECT_NE(table.out.find("Kind\tPE32+\nImageBase\t140000000\n"), std::string::npos) << table.out;
  EXPECT_NE(table.out.find("\n1\tyes\t.text\t400\t1400\t140001000\t140002000\n"), std::string::npos)
      << table.out;
}

// A large batch whose output fails reads a few blocks of its input, not all of it: the offset of
// its standard input, shared with the shell, says how much it read.
TEST_F(RunTest, ABatchStopsAtTheFirstFailedWrite) {
  std::string input;
  for (int i = 0; i < 2'000'000; ++i) input += "1000\n";
  std::ofstream(dir_ / "in", std::ios::binary) << input;
  const std::string cli = std::string(MARLIT_CLI) + " " + File(SampleImage()) + " -o -";
  const std::pair<const char*, std::string> cases[] = {
      {"a full disk", cli + " <&3 >/dev/full 2>err; echo $? >status"},
      {"a closed pipe with SIGPIPE ignored",
       "trap '' PIPE; { " + cli + " <&3 2>err; echo $? >status; } | true"},
  };
  for (const auto& [what, run] : cases) {
    const std::string script = "cd '" + dir_.path().string() + "' && exec 3<in && " + run +
                               " && grep '^pos:' /proc/$$/fdinfo/3 | cut -f2 >read";
    std::ofstream(dir_ / "script") << script << '\n';
    ASSERT_EQ(std::system(("sh " + (dir_ / "script").string()).c_str()), 0) << what;
    EXPECT_EQ(Slurp(dir_ / "status"), "4\n") << what;
    EXPECT_NE(Slurp(dir_ / "err").find("無法寫出轉換結果"), std::string::npos) << what;
    EXPECT_LT(std::stoul(Slurp(dir_ / "read")), input.size() / 2) << what;
  }
}

TEST_F(RunTest, ControlBytesFromOutsideReachTheTerminalEscaped) {
  ::unsetenv("LANGUAGE");
  const std::string file = File(SampleImage());
  struct Case {
    std::string args;
    std::string input;
    std::string message;  // part of the error stream
  };
  const Case cases[] = {
      {"-o -", "400\n1\x1B[2J\n", "標準輸入第 2 行：數值「1\\x1B[2J」不能輸入"},
      {"-o -",
       "\xC2\x9B"
       "1m\n",
       "數值「\\xC2\\x9B1m」"},
      {"-o -", "\xFF\n", "數值「\\xFF」"},
      {"-o -", "中\t\n", "數值「中\t」"},
      {"--exclude 'a\x07'", "", "沒有名為「a\\x07」的區段"},
  };
  for (const Case& c : cases) {
    const Ran r = Cli(file + " " + c.args, c.input);
    EXPECT_EQ(r.status, 2) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  const Ran missing = Cli("'" + (dir_ / "a\x1B]0;x\x07.exe").string() + "'");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("a\\x1B]0;x\\x07.exe"), std::string::npos) << missing.err;
  EXPECT_NE(missing.err.find("沒有此一檔案或目錄"), std::string::npos) << missing.err;
  EXPECT_EQ(missing.err.find('\x1B'), std::string::npos);
}

}  // namespace
}  // namespace marlit::test
