#include "pe/read/string_table.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/pe/case_name.h"
#include "tests/pe/load_image.h"

namespace marlit {
namespace {

// The one section's data ends the headers' area at 600h; the string table starts there, after a
// symbol table of two 18-byte symbols at 5DCh, with its 4-byte size first.
constexpr std::uint32_t kSymbols = 0x5DC;
constexpr std::size_t kTable = kSymbols + 2 * 18;
const std::string kTableBytes = std::string("\x40\0\0\0.debug_info\0", 16) +
                                "\xE5\x8D\x80\xE6\xAE\xB5" + std::string(1, '\0') +  // 區段
                                "\xFF\xFE" + std::string(1, '\0') + "tail";

struct NameCase {
  const char* what;
  std::string name;
  std::uint32_t symbolTable;
  std::u16string expected;
};

class LongNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(LongNameTest, NameShown) {
  const NameCase& c = GetParam();
  test::PeBuilder builder;
  builder.AddSection(c.name, 0x1000, 0x200, 0x400).SymbolTable(c.symbolTable, 2);
  builder.Patch(kTable, kTableBytes);
  EXPECT_EQ(test::ImageInView(builder, MappingView::Raw).Sections[1].Name, c.expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, LongNameTest, ::testing::Values(
    NameCase{"resolved", "/4", kSymbols, u".debug_info"},
    NameCase{"resolved UTF-8", "/16", kSymbols, u"區段"},
    NameCase{"out of the file", "/9999", kSymbols, u"/9999"},
    NameCase{"unterminated at the end of the file", "/26", kSymbols, u"/26"},
    NameCase{"not UTF-8", "/23", kSymbols, u"/23"},
    NameCase{"no symbol table pointer", "/4", 0, u"/4"},
    NameCase{"not all digits", "/4x", kSymbols, u"/4x"},
    NameCase{"table beyond 32 bits", "/4", 0xFFFFFFFF, u"/4"}), test::CaseName());
// clang-format on

}  // namespace
}  // namespace marlit
