// Each program's messages as it shows them in the C locale (the Chinese texts, character for
// character) and in English (the English text there, and no Chinese character left).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/common/sample_images.h"

namespace marlit::test {
namespace {

constexpr const char* kChinese = "env -u LANGUAGE -u LC_MESSAGES -u LANG LC_ALL=C ";
constexpr const char* kEnglish = "env LANGUAGE=en LC_ALL=en_US.UTF-8 ";

struct Case {
  const char* name;
  const char* program;
  const char* args;  // {image} stands for image.exe made in SetUp, and so on
  const char* chinese;
  const char* english;  // nullptr: the output is the same in English
};

// A character of the CJK blocks or their punctuation, in UTF-8 (lead bytes E3 to E9, and EF for
// the full-width forms).
bool HasChineseCharacter(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) >= 0xE3 && static_cast<unsigned char>(c) <= 0xE9) ||
           static_cast<unsigned char>(c) == 0xEF;
  });
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class LanguagesTest : public testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    SampleImage().WriteTo(dir_ / "image.exe");
    PeBuilder()
        .AddSection(".a", 0x1000, 0x1000, 0x400)
        .AddSection(".b", 0x1800, 0x1000, 0x800)
        .WriteTo(dir_ / "overlap.exe");
    EvenSections(21).WriteTo(dir_ / "many.exe");
    std::ofstream(dir_ / "text.exe") << "not a program\n";
    std::ofstream(dir_ / "lines.exe") << "0\n0xZZ\n";
  }
  // Standard output and standard error, one after the other.
  std::string Run(const char* environment, const Case& c) {
    std::string args = c.args;
    for (std::size_t at = args.find('{'); at != std::string::npos; at = args.find('{', at)) {
      const std::size_t end = args.find('}', at);
      args.replace(at, end + 1 - at,
                   (dir_ / (args.substr(at + 1, end - at - 1) + ".exe")).string());
    }
    const std::string command = std::string(environment) + c.program + " </dev/null " + args +
                                " >" + (dir_ / "out").string() + " 2>&1";
    EXPECT_TRUE(WIFEXITED(std::system(command.c_str()))) << command;
    std::ifstream in(dir_ / "out", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  TempDir dir_;
};

TEST_P(LanguagesTest, ChineseInTheCLocaleEnglishUnderEnglish) {
  const Case& c = GetParam();
  const std::string chinese = Run(kChinese, c);
  EXPECT_NE(chinese.find(c.chinese), std::string::npos) << chinese;
  const std::string english = Run(kEnglish, c);
  if (c.english == nullptr) {
    EXPECT_EQ(english, chinese);
    return;
  }
  EXPECT_NE(english.find(c.english), std::string::npos) << english;
  EXPECT_FALSE(HasChineseCharacter(english)) << english;
}

// clang-format off
const Case kCases[] = {
    {"CliVersion", MARLIT_CLI, "--version", "marlit-cli (Vesko偏移量轉換器) 0.94", "marlit-cli (Vesko Offset Converter) 0.94"},
    {"WindowVersion", MARLIT_PATH, "--version", "marlit (Vesko偏移量轉換器) 0.94", "marlit (Vesko Offset Converter) 0.94"},
    {"CliHelp", MARLIT_CLI, "--help", "(0 = 不在段內),\nsection name, 代碼 (the memory", "(0 = not in a section),\nsection name, the bytes (the memory"},
    {"CliParseError", MARLIT_CLI, "", "FILE is required", "FILE is required"},
    {"NotPe", MARLIT_CLI, "{text}", "marlit-cli: 這不是一個 PE 檔案，無法分析！\n", "marlit-cli: This is not a PE file; it cannot be analysed!\n"},
    {"CannotOpen", MARLIT_CLI, "/nonexistent.exe", "marlit-cli: 無法打開檔案「/nonexistent.exe」：", "Cannot open the file “/nonexistent.exe”: No such file"},
    {"ManySections", MARLIT_CLI, "{many}", "區段數目大於20，繼續進行分析嗎？\nmarlit-cli: 未指定 --yes，已取預設按鈕「取消」", "The file has more than 20 sections. Go on with the analysis?\nmarlit-cli: no --yes"},
    {"Overlap", MARLIT_CLI, "{overlap}", "marlit-cli: ★ 區段「.a      」的 FileMax 和區段「.b      」的 FileOffset 部分重疊 ★\n", "marlit-cli: ★ FileMax of section “.a      ” and FileOffset of section “.b      ” overlap ★\n"},
    {"RefusedValue", MARLIT_CLI, "{image} -o 0xZZ", "數值「0xZZ」不能輸入：十六進制只接受 0-9、A-F、a-f，可帶 0x。", "the value “0xZZ” cannot be typed: hexadecimal takes only"},
    {"InputLine", MARLIT_CLI, "{image} -o - <{lines}", "marlit-cli: 標準輸入第 2 行：數值「0xZZ」不能輸入：", "marlit-cli: standard input, line 2: the value “0xZZ” cannot be typed:"},
    {"TooLong", MARLIT_CLI, "{image} --decimal -o 12345678901", "數值「12345678901」太長：十進制最多 10 位。", "the value “12345678901” is too long: decimal takes at most 10 digits."},
    {"Overflow", MARLIT_CLI, "{image} --decimal -o 2147483648", "數值「2147483648」：溢出！請填寫正確的數值。", "the value “2147483648”: overflow! Please enter a correct value."},
    {"UnknownExclusion", MARLIT_CLI, "{image} --exclude .zz", "沒有名為「.zz」的區段，無法排除。", "there is no section named “.zz”"},
    {"Json", MARLIT_CLI, "{image} --json -o 0 -o 99999", "\"檔案頭\"", nullptr},
    {"RowsNameThePseudoItems", MARLIT_CLI, "{image} -o 0 -o 99999", "0\t400000\t1\t檔案頭\t00004000\n99999\t\t0\t不在段內\t\n", "0\t400000\t1\tHeader\t00004000\n99999\t\t0\tNo section\t\n"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Programs, LanguagesTest, testing::ValuesIn(kCases),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace marlit::test
