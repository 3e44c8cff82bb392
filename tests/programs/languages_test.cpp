// Each program's messages as it shows them in the C locale (the Chinese texts, character for
// character) and in English (the English text there, and no Chinese character left).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/common/sample_images.h"

namespace marlit::test {
namespace {

constexpr const char* kChinese = "env -u LANGUAGE -u LC_MESSAGES -u LANG LC_ALL=C ";
constexpr const char* kEnglish = "env LANGUAGE=en LC_ALL=en_US.UTF-8 ";

struct Case {
  const char* name;
  const char* program;
  const char* args;  // {image} and {text} stand for a PE file and a file that is not one; {lines}
                     // for lines of values
  const char* chinese;
  const char* english;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// A character of the CJK blocks or their punctuation, in UTF-8 (lead bytes E3 to E9, and EF for
// the full-width forms).
bool HasChineseCharacter(const std::string& text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 0xE3 && byte <= 0xE9) || byte == 0xEF) return true;
  }
  return false;
}

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

class LanguagesTest : public testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    SampleImage().WriteTo(dir_ / "image.exe");
    PeBuilder()
        .AddSection(".a", 0x1000, 0x1000, 0x400)
        .AddSection(".b", 0x1800, 0x1000, 0x800)
        .WriteTo(dir_ / "overlap.exe");
    PeBuilder many;
    for (int i = 0; i < 21; ++i) many.AddSection(".s", 0x1000 * (i + 1), 0x200, 0x400 + 0x200 * i);
    many.WriteTo(dir_ / "many.exe");
    std::ofstream(dir_ / "text.exe") << "not a program\n";
    std::ofstream(dir_ / "lines.exe") << "0\n0xZZ\n";
  }
  // Standard output and standard error, one after the other.
  std::string Run(const char* environment, const Case& c) {
    std::string args = c.args;
    for (const char* file : {"image", "overlap", "many", "text", "lines"}) {
      args = Replace(args, std::string("{") + file + "}",
                     (dir_ / (std::string(file) + ".exe")).string());
    }
    // The arguments may take standard input from a file of their own.
    const std::string command = std::string(environment) + c.program + " </dev/null " + args +
                                " >" + (dir_ / "out").string() + " 2>&1";
    const int raw = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(raw)) << command;
    return Slurp(dir_ / "out");
  }
  TempDir dir_;
};

TEST_P(LanguagesTest, ChineseInTheCLocaleEnglishUnderEnglish) {
  const Case& c = GetParam();
  const std::string chinese = Run(kChinese, c);
  EXPECT_NE(chinese.find(c.chinese), std::string::npos) << chinese;
  const std::string english = Run(kEnglish, c);
  EXPECT_NE(english.find(c.english), std::string::npos) << english;
  EXPECT_FALSE(HasChineseCharacter(english)) << english;
}

const Case kCases[] = {
    {"CliVersion", MARLIT_CLI, "--version", "marlit-cli (Vesko偏移量轉換器) 0.94",
     "marlit-cli (Vesko Offset Converter) 0.94"},
    {"WindowVersion", MARLIT_PATH, "--version", "marlit (Vesko偏移量轉換器) 0.94",
     "marlit (Vesko Offset Converter) 0.94"},
    {"CliHelp", MARLIT_CLI, "--help", "(0 = 不在段內),\nsection name, 代碼 (the memory",
     "(0 = not in a section),\nsection name, the bytes (the memory"},
    {"CliParseError", MARLIT_CLI, "", "FILE is required", "FILE is required"},
    {"NotPe", MARLIT_CLI, "{text}", "marlit-cli: 這不是一個 PE 檔案，無法分析！\n",
     "marlit-cli: This is not a PE file; it cannot be analysed!\n"},
    {"CannotOpen", MARLIT_CLI, "/nonexistent.exe", "marlit-cli: 無法打開檔案「/nonexistent.exe」：",
     "Cannot open the file “/nonexistent.exe”: No such file"},
    {"ManySectionsRefused", MARLIT_CLI, "{many}",
     "區段數目大於20，繼續進行分析嗎？\nmarlit-cli: 未指定 "
     "--yes，已取預設按鈕「取消」，分析停止；要繼續分析，請加上 --yes 再執行。\n",
     "The file has more than 20 sections. Go on with the analysis?\nmarlit-cli: no --yes"},
    {"ManySectionsAnswered", MARLIT_CLI, "{many} --yes", "已依 --yes 回答「確定」，繼續分析。\n",
     "answered “OK” as --yes asks"},
    {"Overlap", MARLIT_CLI, "{overlap}",
     "marlit-cli: ★ 區段「.a      」的 FileMax 和區段「.b      」的 FileOffset 部分重疊 ★\n",
     "marlit-cli: ★ FileMax of section “.a      ” and FileOffset of section “.b      ” overlap "
     "★\n"},
    {"RefusedValue", MARLIT_CLI, "{image} -o 0xZZ",
     "數值「0xZZ」不能輸入：十六進制只接受 0-9、A-F、a-f，可帶 0x。",
     "the value “0xZZ” cannot be typed: hexadecimal takes only"},
    {"RefusedDecimal", MARLIT_CLI, "{image} --decimal -o 1a", "數值「1a」不能輸入：十進制只接受 0-9。",
     "the value “1a” cannot be typed: decimal takes only 0-9."},
    {"TooLongHex", MARLIT_CLI, "{image} -o 0x123456789",
     "數值「0x123456789」太長：十六進制最多 8 位（0x 之後）。",
     "the value “0x123456789” is too long: hexadecimal takes at most 8 digits (after 0x)."},
    {"NoDigits", MARLIT_CLI, "{image} -o 0x", "數值「0x」在 0x 之後沒有數字。",
     "the value “0x” has no digits after 0x."},
    {"InputLine", MARLIT_CLI, "{image} -o - <{lines}",
     "marlit-cli: 標準輸入第 2 行：數值「0xZZ」不能輸入：",
     "marlit-cli: standard input, line 2: the value “0xZZ” cannot be typed:"},
    {"TooLong", MARLIT_CLI, "{image} --decimal -o 12345678901",
     "數值「12345678901」太長：十進制最多 10 位。",
     "the value “12345678901” is too long: decimal takes at most 10 digits."},
    {"Overflow", MARLIT_CLI, "{image} --decimal -o 2147483648",
     "數值「2147483648」：溢出！請填寫正確的數值。",
     "the value “2147483648”: overflow! Please enter a correct value."},
    {"UnknownExclusion", MARLIT_CLI, "{image} --exclude .zz", "沒有名為「.zz」的區段，無法排除。",
     "there is no section named “.zz”"},
    {"RowsNameThePseudoItems", MARLIT_CLI, "{image} -o 0 -o 99999",
     "0\t400000\t1\t檔案頭\t00004000\n99999\t\t0\t不在段內\t\n",
     "0\t400000\t1\tHeader\t00004000\n99999\t\t0\tNo section\t\n"},
    {"TableNamesTheHeader", MARLIT_CLI, "{image}", "0\tyes\t檔案頭\t", "0\tyes\tHeader\t"},
};

INSTANTIATE_TEST_SUITE_P(Programs, LanguagesTest, testing::ValuesIn(kCases),
                         [](const auto& row) { return std::string(row.param.name); });

// JSON is read by programs: its values stay as they are in every language.
TEST_F(LanguagesTest, JsonIsTheSameInEveryLanguage) {
  const Case json{"Json", MARLIT_CLI, "{image} --json -o 0 -o 99999", "", ""};
  const std::string chinese = Run(kChinese, json);
  EXPECT_NE(chinese.find("\"檔案頭\""), std::string::npos) << chinese;
  EXPECT_EQ(Run(kEnglish, json), chinese);
}

}  // namespace
}  // namespace marlit::test
