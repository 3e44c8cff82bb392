#include "pe/program_extension.h"

#include <gtest/gtest.h>

namespace marlit {
namespace {

struct ExtensionCase {
  const char16_t* name;
  bool program;
};

class ProgramExtensionTest : public testing::TestWithParam<ExtensionCase> {};

// The window's own table holds the cases of a whole path (case, other extensions, a trailing
// blank); these are the edges of the name itself.
// clang-format off
const ExtensionCase kExtensionCases[] = {
    {u"/tmp/a.exe", true},
    {u".exe", true},
    {u"/tmp/a.exe.bak", false},
    {u"/tmp/aexe", false},
    {u"exe", false},
    {u"", false},
    {u"/tmp/程式.ＥＸＥ", false},   // full-width letters are not the extension
};
// clang-format on

TEST_P(ProgramExtensionTest, OnlyExeDllAndOcxOpenWithoutAsking) {
  EXPECT_EQ(HasProgramExtension(GetParam().name), GetParam().program);
}
INSTANTIATE_TEST_SUITE_P(Values, ProgramExtensionTest, testing::ValuesIn(kExtensionCases));

}  // namespace
}  // namespace marlit
