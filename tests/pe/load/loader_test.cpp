#include "pe/load/loader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/translation.h"
#include "pe/load/loader_messages.h"
#include "platform/errors.h"
#include "tests/common/described_image.h"
#include "tests/common/pe_builder.h"
#include "tests/fakes/fakes.h"
#include "tests/pe/load_image.h"

namespace marlit {
namespace {

using test::PeBuilder;
using test::TempDir;

PeBuilder SectionsBuilder(int count) {
  PeBuilder b;
  for (int i = 0; i < count; ++i) {
    const auto n = static_cast<std::uint32_t>(i);
    b.AddSection("s" + std::to_string(i), 0x1000 + 0x1000 * n, 0x200, 0x400 + 0x200 * n);
  }
  return b;
}

// A typical image: code, read-only data, uninitialised data (no file data) and relocations.
PeBuilder TypicalBuilder() {
  return PeBuilder()
      .ImageBase(0x400000)
      .AddSection(".text", 0x1000, 0x600, 0x400)
      .AddSection(".rdata", 0x2000, 0x200, 0xA00)
      .AddSection(".bss", 0x3000, 0x800, 0)
      .AddSection(".reloc", 0x4000, 0x100, 0xC00);
}

class LoaderTest : public ::testing::Test {
 protected:
  bool Analyze(const std::filesystem::path& path) {
    prompt_.shown.clear();
    return AnalyzePeFile(image_, path, prompt_, &reading_);
  }
  bool Analyze(const PeBuilder& builder) {
    builder.WriteTo(dir_ / "image.exe");
    return Analyze(dir_ / "image.exe");
  }
  bool Analyze(const std::vector<std::uint8_t>& bytes) {
    test::WriteFile(dir_ / "raw.bin", bytes);
    return Analyze(dir_ / "raw.bin");
  }
  // The one message shown, or "" when none was.
  std::u16string Shown() const {
    EXPECT_LE(prompt_.shown.size(), 1u);
    return prompt_.shown.empty() ? u"" : prompt_.shown.back().text;
  }

  TempDir dir_;
  fake::FakePrompt prompt_;
  PeImage image_;
  LoaderReading reading_;
};

TEST_F(LoaderTest, BuildsEveryRecordField) {
  ASSERT_TRUE(Analyze(TypicalBuilder()));
  EXPECT_TRUE(prompt_.shown.empty());
  EXPECT_EQ(image_.ImageBase, 0x400000);
  EXPECT_EQ(reading_.PeSignature, 17744);
  ASSERT_EQ(image_.SectionCount, 5);
  ASSERT_EQ(image_.Sections.size(), 5u);
  struct Row {
    std::u16string name;
    std::int32_t ramMin, ramMax, fileMin, fileMax, ramDelta, rvaDelta;
    bool included;
  };
  const Row expected[] = {
      // In memory the headers end with their file bytes, before the first section.
      {u"檔案頭", 0x400000, 0x400400, 0, 0x400, 0x400000, 0, true},
      {u".text", 0x401000, 0x401600, 0x400, 0xA00, 0x400C00, 0xC00, true},
      {u".rdata", 0x402000, 0x402200, 0xA00, 0xC00, 0x401600, 0x1600, true},
      {u".bss", 0x403000, 0x403800, 0, 0x800, 0x403000, 0x3000, false},
      {u".reloc", 0x404000, 0x404100, 0xC00, 0xD00, 0x403400, 0x3400, true},
  };
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const SectionRecord& r = image_.Sections[i];
    const Row& e = expected[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(r.Name, e.name);
    EXPECT_EQ(r.RamMin, e.ramMin);
    EXPECT_EQ(r.RamMax, e.ramMax);
    EXPECT_EQ(r.FileMin, e.fileMin);
    EXPECT_EQ(r.FileMax, e.fileMax);
    EXPECT_EQ(r.RamDelta, e.ramDelta);
    EXPECT_EQ(r.RvaDelta, e.rvaDelta);
    EXPECT_EQ(r.Included, e.included);
  }
}

TEST_F(LoaderTest, ReadsA64BitImageWithItsUnsignedAddresses) {
  // The image base straddles 2^63: the sections are ordered unsigned, and the header ends with its
  // file bytes, below the lowest section.
  ASSERT_TRUE(Analyze(PeBuilder()
                          .Magic(0x20B)
                          .ImageBase(0x7FFFFFFFFFFFF000ull)
                          .AddSection(".text", 0x1000, 0x600, 0x400)
                          .AddSection(".init", 0x800, 0x200, 0xA00)));
  EXPECT_TRUE(prompt_.shown.empty());
  EXPECT_EQ(image_.Kind, ImageKind::Pe32Plus);
  EXPECT_EQ(static_cast<std::uint64_t>(image_.ImageBase), 0x7FFFFFFFFFFFF000ull);
  struct Row {
    std::uint64_t ramMin, ramMax;
    std::int32_t fileMin, fileMax;
    std::uint64_t ramDelta;
    std::int64_t rvaDelta;
  };
  const Row expected[] = {
      {0x7FFFFFFFFFFFF000ull, 0x7FFFFFFFFFFFF400ull, 0, 0x400, 0x7FFFFFFFFFFFF000ull, 0},
      {0x8000000000000000ull, 0x8000000000000600ull, 0x400, 0xA00, 0x7FFFFFFFFFFFFC00ull, 0xC00},
      {0x7FFFFFFFFFFFF800ull, 0x7FFFFFFFFFFFFA00ull, 0xA00, 0xC00, 0x7FFFFFFFFFFFEE00ull, -0x200},
  };
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const SectionRecord& r = image_.Sections[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(static_cast<std::uint64_t>(r.RamMin), expected[i].ramMin);
    EXPECT_EQ(static_cast<std::uint64_t>(r.RamMax), expected[i].ramMax);
    EXPECT_EQ(r.FileMin, expected[i].fileMin);
    EXPECT_EQ(r.FileMax, expected[i].fileMax);
    EXPECT_EQ(static_cast<std::uint64_t>(r.RamDelta), expected[i].ramDelta);
    EXPECT_EQ(r.RvaDelta, expected[i].rvaDelta);
  }
  // Any magic but 20Bh is read as a 32-bit image.
  ASSERT_TRUE(Analyze(TypicalBuilder().Magic(0x107)));
  EXPECT_EQ(image_.Kind, ImageKind::Pe32);
  EXPECT_EQ(image_.ImageBase, 0x400000);
}

TEST_F(LoaderTest, HeaderAreaSurvivesASectionWithoutFileData) {
  // .bss (raw pointer 0) must not shrink record 0's file range to nothing.
  ASSERT_TRUE(Analyze(TypicalBuilder()));
  EXPECT_EQ(image_.Sections[0].FileMax, 0x400);
}

TEST_F(LoaderTest, RawSizeZeroWithPointerIsExcludedButBoundsTheHeader) {
  ASSERT_TRUE(Analyze(
      PeBuilder().AddSection(".text", 0x2000, 0x200, 0x400).AddSection(".tls", 0x1000, 0, 0x300)));
  EXPECT_FALSE(image_.Sections[2].Included);
  EXPECT_EQ(image_.Sections[0].FileMax, 0x300);
  EXPECT_EQ(image_.Sections[0].RamMax, 0x400300);
}

TEST_F(LoaderTest, OnlySectionsWithoutFileDataLeaveTheHeaderOpenEnded) {
  ASSERT_TRUE(Analyze(PeBuilder().AddSection(".bss", 0x1000, 0x200, 0)));
  EXPECT_EQ(image_.Sections[0].FileMax, 2147483647);
}

TEST_F(LoaderTest, VirtualSizeIsIgnored) {
  ASSERT_TRUE(Analyze(PeBuilder().AddSection({".data", 0x9000, 0x1000, 0x200, 0x400})));
  EXPECT_EQ(image_.Sections[1].RamMax - image_.Sections[1].RamMin, 0x200);
}

TEST_F(LoaderTest, NamesAreDecodedAsCodePage950AndCutAtNul) {
  struct Case {
    std::string bytes;
    std::u16string name;
  };
  const Case cases[] = {
      {"ABCDEFGH", u"ABCDEFGH"},
      {std::string(".text\0\0\0", 8), u".text"},
      {std::string("\0abc", 4), u""},
      {std::string("ab\0cd", 5), u"ab"},
      {"\xA4\xA4\xA4\xE5", u"中文"},              // 中文 in Big5
      {"\xA3\xE1", u"€"},                         // the euro sign of code page 950
      {"\xB5{\xA6\xA1", u"程式"},                 // a trail byte in the ASCII range
      {std::string("ab\xA4\0", 4), u"ab\uFFFD"},  // a lead byte without its trail is replaced
      {"\xA4\xA4\xA4\xA4\xA4\xA4\xA4\xA4", u"中中中中"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(Analyze(PeBuilder().AddSection(c.bytes, 0x1000, 0x200, 0x400)));
    EXPECT_EQ(image_.Sections[1].Name, c.name);
  }
}

TEST_F(LoaderTest, MoreThanTwentySectionsAreQuestionedFirst) {
  struct Case {
    int sections;
    std::deque<bool> answers;
    bool result;
    bool asked;
  };
  const Case cases[] = {
      {20, {}, true, false},
      {21, {true}, true, true},
      {21, {false}, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sections);
    image_ = PeImage{};
    ASSERT_TRUE(Analyze(SectionsBuilder(3)));
    prompt_.answers = c.answers;
    EXPECT_EQ(Analyze(SectionsBuilder(c.sections)), c.result);
    ASSERT_EQ(prompt_.shown.size(), c.asked ? 1u : 0u);
    if (c.asked) {
      EXPECT_TRUE(prompt_.shown[0].question);
      EXPECT_EQ(prompt_.shown[0].text, u"區段數目大於20，繼續進行分析嗎？");
    }
    EXPECT_EQ(image_.SectionCount, c.result ? c.sections + 1 : 4);
  }
}

TEST_F(LoaderTest, SectionTableFollowsTheOptionalHeaderSize) {
  ASSERT_TRUE(Analyze(
      PeBuilder().SizeOfOptionalHeader(224 + 32).AddSection(".text", 0x1000, 0x200, 0x400)));
  EXPECT_EQ(image_.Sections[1].Name, u".text");
  EXPECT_EQ(image_.Sections[1].FileMin, 0x400);
}

TEST_F(LoaderTest, PeOffsetBeyondTheEndReadsOnFromTheCurrentPosition) {
  // The signature seek is skipped, so the 4 bytes after the PeOffset field are read instead.
  std::vector<std::uint8_t> bytes(200, 0);
  test::Put32(bytes, 60, 5000);
  EXPECT_FALSE(Analyze(bytes));
  EXPECT_EQ(Shown(), kNotPeMessage);
}

TEST_F(LoaderTest, AFormatErrorBeforeARefusalIsNotShown) {
  // The seek to 60 fails in a 10-byte file; only the refusal that follows is shown.
  EXPECT_FALSE(Analyze(std::vector<std::uint8_t>(10, 0)));
  EXPECT_EQ(Shown(), kNotPeMessage);
}

// Each refusal keeps the previous table, section count and image base.
struct Refused {
  const char* what;
  std::function<std::filesystem::path(const TempDir&)> make;
  std::function<bool(const std::u16string&)> expectMessage;
};

std::filesystem::path Write(const TempDir& dir, const PeBuilder& b) {
  b.WriteTo(dir / "refused.exe");
  return dir / "refused.exe";
}

std::function<bool(const std::u16string&)> Is(std::u16string_view text) {
  return [text = std::u16string(text)](const std::u16string& m) { return m == text; };
}

std::function<bool(const std::u16string&)> StartsWith(std::u16string prefix) {
  return [prefix](const std::u16string& m) { return m.starts_with(prefix); };
}

std::vector<Refused> RefusedFiles() {
  return {
      {"signature", [](auto& d) { return Write(d, SectionsBuilder(1).Signature(0x00014550)); },
       Is(kNotPeMessage)},
      {"no sections", [](auto& d) { return Write(d, PeBuilder()); }, Is(kNoSectionsMessage)},
      {"count 32767", [](auto& d) { return Write(d, SectionsBuilder(1).NumberOfSections(32767)); },
       Is(kTooManySectionsMessage)},
      {"count 32768", [](auto& d) { return Write(d, SectionsBuilder(1).NumberOfSections(32768)); },
       Is(kTooManySectionsMessage)},
      {"count 65535", [](auto& d) { return Write(d, SectionsBuilder(1).NumberOfSections(65535)); },
       Is(kTooManySectionsMessage)},
      {"negative PeOffset",
       [](auto& d) {
         std::vector<std::uint8_t> b = SectionsBuilder(1).Build();
         test::Put32(b, 60, 0x80000000u);
         test::WriteFile(d / "refused.exe", b);
         return d / "refused.exe";
       },
       Is(kBadPeOffsetMessage)},
      {"PeOffset whose fields overflow",
       [](auto& d) {
         // Beyond the end, so the signature is read at 64, where it was put.
         std::vector<std::uint8_t> b(300, 0);
         test::Put32(b, 60, 0x7FFFFFF0u);
         test::Put32(b, 64, 0x00004550);
         test::WriteFile(d / "refused.exe", b);
         return d / "refused.exe";
       },
       Is(kBadPeOffsetMessage)},
      {"64-bit image base plus address past 2^64 - 1",
       [](auto& d) {
         return Write(d, PeBuilder()
                             .Magic(0x20B)
                             .ImageBase(0xFFFFFFFFFFFFF000ull)
                             .AddSection(".text", 0x1000, 0x200, 0x400));
       },
       Is(kOverflowMessage)},
      {"64-bit address range end past 2^64 - 1",
       [](auto& d) {
         return Write(d, PeBuilder()
                             .Magic(0x20B)
                             .ImageBase(0xFFFFFFFFFFFF0000ull)
                             .AddSection(".text", 0xF000, 0x1001, 0x400));
       },
       Is(kOverflowMessage)},
      {"64-bit RVA range end past 32 bits",
       [](auto& d) {
         return Write(d, PeBuilder()
                             .Magic(0x20B)
                             .ImageBase(0x140000000ull)
                             .AddSection(".text", 0xFFFFF000u, 0x1001, 0x400));
       },
       Is(kOverflowMessage)},
      {"64-bit file range beyond 2147483647",
       [](auto& d) {
         return Write(d, PeBuilder().Magic(0x20B).FileLength(0x400).AddSection(".text", 0x1000, 0,
                                                                               0x80000000u));
       },
       Is(kOverflowMessage)},
      {"PeOffset beyond the end, the signature read on from there",
       [](auto& d) {
         // Every later seek is skipped too: count, image base and a section header follow on.
         std::vector<std::uint8_t> b(200, 0);
         test::Put32(b, 60, 5000);
         test::Put32(b, 64, 0x00004550);
         test::Put16(b, 68, 1);
         test::Put32(b, 70, 0x10000);
         b[74] = 'X';
         test::Put32(b, 74 + 12, 0x1000);
         test::Put32(b, 74 + 16, 0x20);
         test::Put32(b, 74 + 20, 0x80);
         test::WriteFile(d / "refused.exe", b);
         return d / "refused.exe";
       },
       Is(kBadFormatMessage)},
      {"section table at the end of the file",
       [](auto& d) {
         PeBuilder cut = SectionsBuilder(1);
         cut.FileLength(cut.SectionTableOffset());
         return Write(d, cut);
       },
       Is(kBadFormatMessage)},
      {"optional header size past the end of the file",
       [](auto& d) {
         return Write(d, SectionsBuilder(1).SizeOfOptionalHeader(0xFFF0).FileLength(0x600));
       },
       Is(kBadFormatMessage)},
      {"image base plus address overflows",
       [](auto& d) {
         return Write(d,
                      PeBuilder().ImageBase(0x7FFFF000).AddSection(".text", 0x10000, 0x200, 0x400));
       },
       Is(kOverflowMessage)},
      {"raw end overflows",
       [](auto& d) {
         return Write(d,
                      PeBuilder().AddSection(".text", 0x1000, 0x7FFFFFF0, 0x400).FileLength(0x800));
       },
       Is(kOverflowMessage)},
      {"missing file", [](auto& d) { return d / "missing.exe"; }, StartsWith(u"無法打開檔案「")},
      {"folder",
       [](auto& d) {
         std::filesystem::create_directory(d / "folder.exe");
         return d / "folder.exe";
       },
       StartsWith(u"「")},
      {"FIFO",
       [](auto& d) {
         if (::mkfifo((d / "fifo.exe").c_str(), 0600) != 0) throw std::runtime_error("mkfifo");
         return d / "fifo.exe";
       },
       StartsWith(u"「")},
      {"device", [](auto&) { return std::filesystem::path("/dev/zero"); },
       Is(NotRegularFileMessage(u"/dev/zero"))},
      {"over 2147483647 bytes",
       [](auto& d) {
         // Sparse: nothing of it is written.
         const int fd = ::open((d / "huge.exe").c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
         if (fd < 0 || ::ftruncate(fd, 2147483648LL) != 0) throw std::runtime_error("huge");
         ::close(fd);
         return d / "huge.exe";
       },
       StartsWith(u"檔案「")},
  };
}

TEST_F(LoaderTest, RefusedFilesKeepThePreviousTable) {
  for (const Refused& r : RefusedFiles()) {
    SCOPED_TRACE(r.what);
    TempDir dir;
    const std::filesystem::path path = r.make(dir);
    ASSERT_TRUE(Analyze(TypicalBuilder()));
    const std::vector<SectionRecord> before = image_.Sections;
    const std::uint32_t tables = image_.TablesInForce;
    EXPECT_FALSE(Analyze(path));
    EXPECT_EQ(image_.TablesInForce, tables);
    ASSERT_EQ(prompt_.shown.size(), 1u);
    EXPECT_FALSE(prompt_.shown[0].question);
    EXPECT_TRUE(r.expectMessage(prompt_.shown[0].text));
    EXPECT_EQ(image_.SectionCount, 5);
    EXPECT_EQ(image_.ImageBase, 0x400000);
    ASSERT_EQ(image_.Sections.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
      EXPECT_EQ(image_.Sections[i].Name, before[i].Name);
      EXPECT_EQ(image_.Sections[i].FileMax, before[i].FileMax);
      EXPECT_EQ(image_.Sections[i].RamDelta, before[i].RamDelta);
    }
  }
}

TEST_F(LoaderTest, MessagesNameThePathAndTheSystemsReasonInChinese) {
  // LANGUAGE would choose the catalogue before the locale, as gettext does.
  ::unsetenv("LANGUAGE");
  const std::pair<std::filesystem::path, std::u16string> cases[] = {
      {dir_ / "missing.exe", u"沒有此一檔案或目錄"},
      {dir_ / "missing" / "a.exe", u"沒有此一檔案或目錄"},
      {dir_ / std::string(300, 'n'), u"檔名太長"},
  };
  for (const auto& [path, reason] : cases) {
    EXPECT_FALSE(Analyze(path));
    EXPECT_EQ(Shown(), CannotOpenMessage(Utf16FromUtf8(path.string()), reason)) << path;
  }
}

TEST_F(LoaderTest, UnreadableFileIsRefusedWithItsReason) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  SectionsBuilder(1).WriteTo(dir_ / "locked.exe");
  std::filesystem::permissions(dir_ / "locked.exe", std::filesystem::perms::none);
  EXPECT_FALSE(Analyze(dir_ / "locked.exe"));
  EXPECT_TRUE(Shown().ends_with(u"拒絕不符權限的操作"));
}

int OpenDescriptors() {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    ++n;
  return n;
}

TEST_F(LoaderTest, RefusedFilesLeaveNoDescriptorOpen) {
  const std::vector<Refused> refused = RefusedFiles();
  std::vector<std::filesystem::path> paths;
  std::vector<std::unique_ptr<TempDir>> dirs;
  for (const Refused& r : refused) {
    dirs.push_back(std::make_unique<TempDir>());
    paths.push_back(r.make(*dirs.back()));
  }
  PeBuilder many = SectionsBuilder(25);
  many.WriteTo(dir_ / "many.exe");
  paths.push_back(dir_ / "many.exe");  // declined at the question

  const int before = OpenDescriptors();
  for (int round = 0; round < 200; ++round) {
    EXPECT_FALSE(Analyze(paths[static_cast<std::size_t>(round) % paths.size()]));
  }
  EXPECT_EQ(OpenDescriptors(), before);
}

// The references search opens the analysed file again as the loader opens it, and is refused as
// the loader refuses, in the user's language.
TEST(AddressReferenceTest, ReadsTheFileAgainByPath) {
  TempDir dir;
  test::Described(test::kPe32Magic).WriteTo(dir / "image.exe");
  test::BuiltImage built(test::Described(test::kPe32Magic));
  const AddressReferences found =
      FindAddressReferencesInFile(built.Image, dir / "image.exe", 0x402110);
  EXPECT_EQ(found.References.size(), std::size(test::kPointers));
  EXPECT_THROW((void)FindAddressReferencesInFile(built.Image, dir.path(), 0x402110), PlatformError);
  try {
    (void)FindAddressReferencesInFile(built.Image, dir.path(), 0x402110);
  } catch (const PlatformError& error) {
    EXPECT_EQ(Utf16FromUtf8(error.what()), NotRegularFileMessage(Utf16FromUtf8(dir.path().native())));
  }
}

}  // namespace
}  // namespace marlit
