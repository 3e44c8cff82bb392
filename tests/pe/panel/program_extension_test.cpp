#include "pe/panel/program_extension.h"

#include <gtest/gtest.h>

namespace marlit {
namespace {

// The window's own table holds the cases of a whole path (case, other extensions, a trailing
// blank); these are the edges of the name itself. Full-width letters are not the extension.
TEST(ProgramExtensionTest, OnlyExeDllAndOcxOpenWithoutAsking) {
  for (const char16_t* name : {u"/tmp/a.exe", u".exe"}) EXPECT_TRUE(HasProgramExtension(name));
  for (const char16_t* name : {u"/tmp/a.exe.bak", u"/tmp/aexe", u"exe", u"", u"/tmp/程式.ＥＸＥ"})
    EXPECT_FALSE(HasProgramExtension(name)) << std::u16string(name).size();
}

}  // namespace
}  // namespace marlit
