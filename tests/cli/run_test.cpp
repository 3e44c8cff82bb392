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
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "ImageBase\t400000");
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
  EXPECT_EQ(
      r.out,
      R"({"file_offset":"4096","memory_address":"7168","position":2,"section":".text","code":"001C0000"})"
      "\n");
}

TEST_F(RunTest, ExitStatuses) {
  const std::string file = File(SampleImage());
  EXPECT_EQ(Cli(file + " --decimal -o 2147483648 -o 1024").status, 3);
  EXPECT_EQ(Cli(file + " -o 12g").status, 2);
  EXPECT_EQ(Cli(file + " --exclude .nope").status, 2);
  EXPECT_EQ(Cli((dir_ / "missing.exe").string()).status, 1);
  EXPECT_EQ(Cli(dir_.path().string()).status, 1);
  const Ran wide = Cli(File(SampleImage().Magic(0x20B)) + " -o 1000");
  EXPECT_EQ(wide.status, 1);
  EXPECT_EQ(wide.out, "");
  EXPECT_NE(wide.err.find("marlit-cli: "), std::string::npos);
}

}  // namespace
}  // namespace marlit::test
