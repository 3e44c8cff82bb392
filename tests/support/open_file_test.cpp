#include "support/open_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/errors.h"
#include "tests/fakes/fake_file_dialog.h"
#include "tests/support/dialog_call.h"

namespace marlit::OpenFile {
namespace {

using namespace std::string_literals;
using Perl2::List;
using Perl2::Value;
using Perl2::Variable;

constexpr auto Files = fake::FakeFileDialog::Files;
Call MultiCall() {
  Call c;
  c.FileName = Variable::AnyValue();
  c.MultiSelect = true;
  c.Flags |= FileDialogFlag::AllowMultiSelect;
  return c;
}

class OpenFileTest : public testing::Test {
 protected:
  fake::FakeFileDialog dialog;
  Service service{dialog, "/opt/marlit/bin"};

  const FileDialogRecord& Record() const { return dialog.received.back(); }
};

TEST_F(OpenFileTest, MainWindowCallFillsTheRecord) {
  dialog.choice = Files(u"/home/u", {u"a.exe"});
  Call c;
  c.OwnerWindow = 77;
  ASSERT_TRUE(c.Run(service));
  EXPECT_EQ(Record().hwndOwner, 77);
  EXPECT_EQ(Record().Flags, FileDialogFlag::Explorer | FileDialogFlag::FileMustExist);
  EXPECT_EQ(Record().nFilterIndex, 1);
  EXPECT_EQ(Record().lpstrInitialDir, u"/opt/marlit/bin");
  EXPECT_EQ(Record().lpstrTitle, u"選擇程式檔案");
  EXPECT_EQ(Record().nMaxFile, 260);
  EXPECT_EQ(Record().nMaxFileTitle, 260);
  EXPECT_EQ(dialog.received.front().lpstrFile, std::u16string(260, u'\0'));
  EXPECT_EQ(dialog.received.front().lpstrFileTitle, std::u16string(260, u'\0'));
  EXPECT_TRUE(dialog.openMode.back());

  EXPECT_EQ(c.FileName.Get(), Value(u"/home/u/a.exe"));
  EXPECT_EQ(c.FileTitle, u"a.exe");
  EXPECT_EQ(c.InitialDir, u"/opt/marlit/bin");
  EXPECT_EQ(c.Flags, FileDialogFlag::Explorer | FileDialogFlag::FileMustExist);
  EXPECT_EQ(c.FilterIndex, 1);
  EXPECT_EQ(c.Filter, kMainFilter);
  EXPECT_TRUE(service.FileChosenOnce());
}

struct ShapeCase {
  const char* name;
  bool multiFlag;  // bit 0x200 in the flag word
  std::u16string folder;
  std::vector<std::u16string> names;
  Value expected;
  std::int32_t bufferSize;
};

class FileNameShapeTest : public OpenFileTest, public testing::WithParamInterface<ShapeCase> {};

TEST_P(FileNameShapeTest, CutsTheResultBuffer) {
  const auto& p = GetParam();
  dialog.choice = Files(p.folder, p.names);
  Call c = MultiCall();
  if (!p.multiFlag) c.Flags &= ~FileDialogFlag::AllowMultiSelect;
  ASSERT_TRUE(c.Run(service));
  EXPECT_EQ(c.FileName.Get(), p.expected);
  EXPECT_EQ(Record().nMaxFile, p.bufferSize);
  EXPECT_NE(Record().Flags & FileDialogFlag::AllowMultiSelect, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Service, FileNameShapeTest,
    testing::Values(
        ShapeCase{"SeveralFiles",
                  true,
                  u"/home/u",
                  {u"a.exe", u"b.exe"},
                  List::Of({u"/home/u", u"a.exe", u"b.exe"}),
                  4096},
        ShapeCase{"OneFileGivesFolderAndName",
                  true,
                  u"/home/u",
                  {u"a.exe"},
                  List::Of({u"/home/u", u"a.exe"}),
                  4096},
        ShapeCase{"OneFileInRootFolder", true, u"/", {u"a.exe"}, List::Of({u"/", u"a.exe"}), 4096},
        ShapeCase{"SeveralFilesInRootFolder",
                  true,
                  u"/",
                  {u"a", u"b"},
                  List::Of({u"/", u"a", u"b"}),
                  4096},
        ShapeCase{"MultiSelectWithoutFlagBitGivesText",
                  false,
                  u"/home/u",
                  {u"a.exe"},
                  Value(u"/home/u/a.exe"),
                  260},
        ShapeCase{"NamesOutsideCodePage950Intact",
                  true,
                  u"/home/한국",
                  {u"Łódź🙂.exe"},
                  List::Of({u"/home/한국", u"Łódź🙂.exe"}),
                  4096}),
    [](const testing::TestParamInfo<ShapeCase>& p) { return std::string(p.param.name); });

TEST_F(OpenFileTest, SingleSelectionOfAFileInTheRootFolder) {
  dialog.choice = Files(u"/", {u"a.exe"});
  Call c;
  ASSERT_TRUE(c.Run(service));
  EXPECT_EQ(c.FileName.Get(), Value(u"/a.exe"));
}

TEST_F(OpenFileTest, TextOnlyFileNameCannotTakeAMultiSelection) {
  for (auto names : {std::vector<std::u16string>{u"a", u"b"}, std::vector<std::u16string>{u"a"}}) {
    dialog.choice = Files(u"/d", names);
    Call c = MultiCall();
    c.FileName = Variable::TextOnly(u"before");
    EXPECT_THROW((void)c.Run(service), TypeMismatchError);
    EXPECT_EQ(c.FileName.Get(), Value(u"before"));
    EXPECT_FALSE(service.FileChosenOnce());
  }
}

TEST_F(OpenFileTest, CancelClearsOutputsAndKeepsTheFirstFolder) {
  Call c;
  c.FileName = u"/x/initial.exe";
  c.FileTitle = u"initial.exe";
  c.FilterIndex = 2;
  EXPECT_FALSE(c.Run(service));
  EXPECT_EQ(c.FileName.Get(), Value(u""));
  EXPECT_EQ(c.FileTitle, u"");
  EXPECT_EQ(c.Flags, 0);
  EXPECT_EQ(c.FilterIndex, -1);
  EXPECT_EQ(c.Filter, u"");
  EXPECT_FALSE(service.FileChosenOnce());

  // Not yet confirmed: the next dialog without a folder opens in the program's folder again.
  Call again;
  dialog.choice = Files(u"/d", {u"a"});
  ASSERT_TRUE(again.Run(service));
  EXPECT_EQ(Record().lpstrInitialDir, u"/opt/marlit/bin");

  // Confirmed once: an empty folder is left to the dialog from now on.
  Call later;
  ASSERT_TRUE(later.Run(service));
  EXPECT_EQ(Record().lpstrInitialDir, u"");
  EXPECT_EQ(later.InitialDir, u"");
}

TEST_F(OpenFileTest, FailingDialogAnswersLikeCancel) {
  dialog.fail = true;
  Call c;
  EXPECT_FALSE(c.Run(service));
  EXPECT_EQ(c.FilterIndex, -1);
  EXPECT_EQ(c.Filter, u"");
}

struct LongPathCase {
  std::size_t length;  // of the chosen path, in characters
  bool multi;
};

class LongPathTest : public OpenFileTest, public testing::WithParamInterface<LongPathCase> {};

// A Linux path may be as long as the system allows, beyond the 260 (or 4096) characters that the
// buffer holds for the system call; one of exactly 259 fills the 260 with its NUL.
TEST_P(LongPathTest, EveryChosenPathComesBackWhole) {
  const auto [length, multi] = GetParam();
  const std::u16string folder = u"/" + std::u16string(length - 7, u'd');
  dialog.choice = Files(folder, {u"a.exe"});
  Call c = multi ? MultiCall() : Call();
  ASSERT_TRUE(c.Run(service));
  const Value expected = multi ? Value(List::Of({folder, u"a.exe"})) : Value(folder + u"/a.exe");
  EXPECT_EQ(c.FileName.Get(), expected);
  EXPECT_EQ(c.FileTitle, u"a.exe");
}

INSTANTIATE_TEST_SUITE_P(Lengths, LongPathTest,
                         testing::Values(LongPathCase{258, false}, LongPathCase{259, false},
                                         LongPathCase{260, false}, LongPathCase{4095, false},
                                         LongPathCase{4094, true}, LongPathCase{4095, true},
                                         LongPathCase{4096, true}),
                         [](const testing::TestParamInfo<LongPathCase>& p) {
                           return (p.param.multi ? "Multi" : "Single") +
                                  std::to_string(p.param.length);
                         });

TEST_F(OpenFileTest, SeveralLongNamesComeBackWhole) {
  const std::u16string folder = u"/" + std::u16string(4000, u'd');
  const std::vector<std::u16string> names{std::u16string(255, u'a'), std::u16string(255, u'b')};
  dialog.choice = Files(folder, names);
  Call c = MultiCall();
  ASSERT_TRUE(c.Run(service));
  EXPECT_EQ(c.FileName.Get(), Value(List::Of({folder, names[0], names[1]})));
}

// A backend that fills the buffer to its last character, as the system call may.
class ExactFill : public FileDialogBackend {
 public:
  bool GetOpenFileName(FileDialogRecord& record) override {
    record.lpstrFile = std::u16string(259, u'p') + u'\0';
    return true;
  }
  bool GetSaveFileName(FileDialogRecord& record) override { return GetOpenFileName(record); }
};

TEST(OpenFileService, AResultThatFillsTheBufferEndsAtItsEnd) {
  ExactFill exact;
  Service service(exact, "/");
  Call c;
  ASSERT_TRUE(c.Run(service));
  EXPECT_EQ(c.FileName.Get(), Value(std::u16string(259, u'p')));
}

TEST_F(OpenFileTest, GivenFolderIsKept) {
  dialog.choice = Files(u"/d", {u"a"});
  Call c;
  c.InitialDir = u"/srv";
  ASSERT_TRUE(c.Run(service));
  EXPECT_EQ(Record().lpstrInitialDir, u"/srv");
}

TEST_F(OpenFileTest, FlagsReadOnlyOwnerAndFilterIndexComeBack) {
  dialog.choice = Files(u"/d", {u"a"});
  dialog.choice->readOnlyChecked = true;
  dialog.choice->filterIndex = 2;
  Call c;
  c.FileMustExist = false;
  c.HideReadOnly = true;
  c.OpenMode = false;
  c.DefaultExt = u"exe";
  ASSERT_TRUE(c.Run(service));
  EXPECT_EQ(Record().hwndOwner, 0);
  EXPECT_EQ(Record().lpstrDefExt, u"exe");
  EXPECT_FALSE(dialog.openMode.back());
  EXPECT_TRUE(c.ReadOnly);
  EXPECT_EQ(c.Flags,
            FileDialogFlag::Explorer | FileDialogFlag::HideReadOnly | FileDialogFlag::ReadOnly);
  EXPECT_EQ(c.FilterIndex, 2);

  // ReadOnly asked for adds its bit; an unchecked box does not set it back to false.
  dialog.choice = Files(u"/d", {u"a"});
  Call ro;
  ro.ReadOnly = true;
  ro.Flags = 0;
  dialog.choice->readOnlyChecked = false;
  ASSERT_TRUE(ro.Run(service));
  EXPECT_NE(Record().Flags & FileDialogFlag::ReadOnly, 0);
  EXPECT_TRUE(ro.ReadOnly);
}

TEST_F(OpenFileTest, ShowOpenDialogAsksForTheOpenDialog) {
  dialog.choice = Files(u"/d", {u"a"});
  Call c;
  ASSERT_TRUE(service.ShowOpenDialog(c.FileName, c.FileTitle, c.FileMustExist, c.MultiSelect,
                                     c.ReadOnly, c.HideReadOnly, c.Filter, c.FilterIndex,
                                     c.InitialDir, c.Title, c.DefaultExt, c.OwnerWindow, c.Flags));
  EXPECT_TRUE(dialog.openMode.back());
  EXPECT_EQ(c.FileName.Get(), Value(u"/d/a"));
}

TEST_F(OpenFileTest, LongInitialNameLeavesNothingBehindTheChosenPath) {
  dialog.choice = Files(u"/d", {u"a"});
  Call c;
  c.FileName = u"/a/much/longer/initial/name.exe";
  ASSERT_TRUE(c.Run(service));
  EXPECT_EQ(dialog.received.back().lpstrFile.substr(0, 31), u"/a/much/longer/initial/name.exe");
  EXPECT_EQ(c.FileName.Get(), Value(u"/d/a"));
}

struct FilterCase {
  const char* name;
  std::u16string filter;
  std::u16string converted;
};

class FilterTest : public OpenFileTest, public testing::WithParamInterface<FilterCase> {};

TEST_P(FilterTest, ConvertsToNulSeparatedPairs) {
  dialog.choice = Files(u"/d", {u"a"});
  Call c;
  c.Filter = GetParam().filter;
  ASSERT_TRUE(c.Run(service));
  EXPECT_EQ(Record().lpstrFilter, GetParam().converted);
}

INSTANTIATE_TEST_SUITE_P(
    Service, FilterTest,
    testing::Values(
        FilterCase{"MainWindow", kMainFilter,
                   u"程式檔案(*.exe;*.dll;*.ocx)\0*.exe;*.dll;*.ocx\0全部檔案(*.*)\0*.*\0\0"s},
        FilterCase{"TwoPairs", u"A|*.a|B|*.b", u"A\0*.a\0B\0*.b\0\0"s},
        FilterCase{"ColonCutsToo", u"On D:|*.x", u"On D\0\0*.x\0\0"s},
        FilterCase{"Empty", u"", u"\0\0"s},
        FilterCase{"LongestAllowed", std::u16string(32767, u'x'),
                   std::u16string(32767, u'x') + u"\0\0"s}),
    [](const testing::TestParamInfo<FilterCase>& p) { return std::string(p.param.name); });

TEST(FilterPairs, ReadsPairsUpToTheEmptyEntry) {
  using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;
  EXPECT_EQ(FilterPairs(u"A\0*.a\0B\0*.b\0\0\0"s), (Pairs{{u"A", u"*.a"}, {u"B", u"*.b"}}));
  EXPECT_EQ(FilterPairs(u"A\0*.a\0B\0\0"s), (Pairs{{u"A", u"*.a"}}));
  EXPECT_EQ(FilterPairs(u"A\0*.a"s), (Pairs{{u"A", u"*.a"}}));
  EXPECT_EQ(FilterPairs(u""), Pairs{});
}

struct RefusedCase {
  const char* name;
  bool multi;
  std::u16string fileName;
  std::u16string fileTitle;
  std::u16string filter;
};

class RefusedInputTest : public OpenFileTest, public testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedInputTest, RaisesAndKeepsTheCallersState) {
  const auto& p = GetParam();
  Call c = p.multi ? MultiCall() : Call();
  c.FileName = p.fileName;
  c.FileTitle = p.fileTitle;
  c.Filter = p.filter;
  EXPECT_THROW((void)c.Run(service), OverflowError);
  EXPECT_TRUE(dialog.received.empty());
  EXPECT_EQ(c.FileName.Get(), Value(p.fileName));
  EXPECT_EQ(c.InitialDir, u"");
  EXPECT_EQ(c.Filter, p.filter);
  EXPECT_EQ(c.FilterIndex, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Service, RefusedInputTest,
    testing::Values(
        RefusedCase{"NameOverSingleBuffer", false, std::u16string(261, u'n'), u"", u"A|*"},
        RefusedCase{"NameOverMultiBuffer", true, std::u16string(4097, u'n'), u"", u"A|*"},
        RefusedCase{"TitleOver260", false, u"", std::u16string(261, u't'), u"A|*"},
        RefusedCase{"FilterOver32767", false, u"", u"", std::u16string(32768, u'f')}),
    [](const testing::TestParamInfo<RefusedCase>& p) { return std::string(p.param.name); });

TEST_F(OpenFileTest, NameAndTitleThatFillTheirBuffersAreAccepted) {
  Call c;
  c.FileName = std::u16string(260, u'n');
  c.FileTitle = std::u16string(260, u't');
  EXPECT_FALSE(c.Run(service));
  EXPECT_EQ(Record().lpstrFile, std::u16string(260, u'n'));
  Call m = MultiCall();
  m.FileName = std::u16string(4096, u'n');
  EXPECT_FALSE(m.Run(service));
}

}  // namespace
}  // namespace marlit::OpenFile
