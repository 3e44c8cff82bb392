#include "pe/program_extension.h"

#include <gtest/gtest.h>

namespace marlit {
namespace {

struct ExtensionCase {
  const char16_t* name;
  bool program;
};

class ProgramExtensionTest : public testing::TestWithParam<ExtensionCase> {};

// clang-format off
const ExtensionCase kExtensionCases[] = {
    {u"/tmp/a.exe", true},
    {u"/tmp/A.DLL", true},
    {u"/tmp/ctl.OcX", true},
    {u".exe", true},
    {u"/tmp/a.exe.bak", false},
    {u"/tmp/aexe", false},
    {u"/tmp/a.ex", false},
    {u"exe", false},
    {u"", false},
    {u"/tmp/a.sys", false},
    {u"/tmp/程式.ＥＸＥ", false},   // full-width letters are not the extension
};
// clang-format on

TEST_P(ProgramExtensionTest, OnlyExeDllAndOcxOpenWithoutAsking) {
  EXPECT_EQ(HasProgramExtension(GetParam().name), GetParam().program);
}
INSTANTIATE_TEST_SUITE_P(Values, ProgramExtensionTest, testing::ValuesIn(kExtensionCases));

}  // namespace
}  // namespace marlit
