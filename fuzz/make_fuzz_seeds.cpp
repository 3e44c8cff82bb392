// Writes the seed corpus of every fuzz target into OUTDIR/<target>/: images from the tests' image
// builder for the loader and the address tables (both layouts, well-formed and malformed, some
// with their last byte set to choose the target's options), texts for the key filter, texts with
// separators and limits for the list toolkit, and lines of values for marlit-cli's batch reader.
// Each seed is a plain input of its target, written fresh on every run.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz/loader_options.h"
#include "fuzz/utf16_bytes.h"
#include "tests/common/pe_builder.h"
#include "tests/sample/sample_layout.h"

namespace marlit::fuzz {
namespace {

using test::EvenSections;
using test::PeBuilder;
using Bytes = std::vector<std::uint8_t>;

class Corpus {
 public:
  Corpus(const std::filesystem::path& root, const std::string& target) : dir_(root / target) {
    std::filesystem::create_directories(dir_);
  }
  void Add(const std::string& name, const Bytes& bytes) const {
    test::WriteFile(dir_ / name, bytes);
  }

 private:
  std::filesystem::path dir_;
};

// Ends just after the section table, so that the image fits the target's input length; the raw
// data is never read by the loader.
Bytes Compact(PeBuilder b, std::size_t sections) {
  b.FileLength(b.SectionTableOffset() + 40 * sections + 8);
  return b.Build();
}

Bytes WithOptions(Bytes bytes, const LoaderOptions& options) {
  bytes.push_back(LoaderOptionsByte(options));
  return bytes;
}

Bytes Patched(Bytes bytes, std::size_t at, std::uint32_t value) {
  test::Put32(bytes, at, value);
  return bytes;
}

PeBuilder Typical() {
  return PeBuilder()
      .AddSection(".text", 0x1000, 0x600, 0x400)
      .AddSection(".rdata", 0x2000, 0x200, 0xA00)
      .AddSection(".bss", 0x3000, 0x800, 0)
      .AddSection(".reloc", 0x4000, 0x100, 0xC00);
}

// Sections that all cover the same bytes: more overlap warnings than the report lists.
PeBuilder Overlapping(int count) {
  PeBuilder b;
  for (int i = 0; i < count; ++i) b.AddSection("o" + std::to_string(i), 0x1000, 0x1000, 0x400);
  return b;
}

// An export directory at 2000h naming the function at 1000h "Run" and exporting the one at 1010h
// by ordinal; a relocation block covering 1008h and 100Ch with the pointer type of magic; pointers
// to 1000h and 2000h in .text. The file ends after the relocations.
Bytes WithAddressTables(std::uint16_t magic, std::uint64_t imageBase) {
  const bool wide = magic == 0x20B;
  Bytes exports(40, 0);
  test::Put32(exports, 16, 1);                           // Base
  test::Put32(exports, 20, 2);                           // NumberOfFunctions
  test::Put32(exports, 24, 1);                           // NumberOfNames
  test::Put32(exports, 28, 0x2028);                      // AddressOfFunctions
  test::Put32(exports, 32, 0x2030);                      // AddressOfNames
  test::Put32(exports, 36, 0x2034);                      // AddressOfNameOrdinals
  test::Put32(exports, 40, 0x1000);
  test::Put32(exports, 44, 0x1010);
  test::Put32(exports, 48, 0x2036);
  test::Put16(exports, 52, 0);
  for (char ch : std::string_view("Run", 4)) exports.push_back(static_cast<std::uint8_t>(ch));
  const std::uint16_t type = wide ? 0xA000 : 0x3000;
  Bytes relocations;
  test::Put32(relocations, 0, 0x1000);
  test::Put32(relocations, 4, 12);
  test::Put16(relocations, 8, static_cast<std::uint16_t>(type | 0x008));
  test::Put16(relocations, 10, static_cast<std::uint16_t>(type | 0x00C));
  Bytes pointers;
  test::Put64(pointers, 0, imageBase + 0x1000);
  test::Put64(pointers, 8, imageBase + 0x2000);
  return PeBuilder()
      .Magic(magic)
      .ImageBase(imageBase)
      .AddSection(".text", 0x1000, 0x40, 0x400)
      .AddSection(".edata", 0x2000, 0x40, 0x440)
      .AddSection(".reloc", 0x3000, 0x10, 0x480)
      .DataDirectory(0, 0x2000, static_cast<std::uint32_t>(exports.size()))
      .DataDirectory(5, 0x3000, static_cast<std::uint32_t>(relocations.size()))
      .DataDirectory(4, 0x400, 0x10)
      .DataDirectory(12, 0x1000, 0x10)
      .Bytes(0x400, wide ? pointers : Bytes{pointers[0], pointers[1], pointers[2], pointers[3],
                                             pointers[8], pointers[9], pointers[10], pointers[11]})
      .Bytes(0x440, exports)
      .Bytes(0x480, relocations)
      .Build();
}

void LoaderSeeds(const Corpus& c) {
  c.Add("sample.exe", test::SampleImage().Build());
  c.Add("typical", Compact(Typical(), 4));
  c.Add("typical-cancel-excluding", WithOptions(Compact(Typical(), 4), {true, false, 0x15}));
  c.Add("typical-from-empty", WithOptions(Compact(Typical(), 4), {false, true, 0x02}));
  c.Add("names-cp950",
        Compact(PeBuilder()
                    .AddSection(std::string("\xA4\xA4\xA4\xE5", 4), 0x1000, 0x200, 0x400)
                    .AddSection(std::string("\xB5{\xA6\xA1", 4), 0x2000, 0x200, 0x600)
                    .AddSection("ABCDEFGH", 0x3000, 0x200, 0x800),
                3));
  c.Add("20-sections", Compact(EvenSections(20), 20));
  c.Add("21-sections", Compact(EvenSections(21), 21));
  c.Add("21-sections-cancel", WithOptions(Compact(EvenSections(21), 21), {true, false, 0}));
  c.Add("overlapping-40", Compact(Overlapping(40), 40));
  c.Add("64-sections", Compact(EvenSections(64), 64));

  const PeBuilder wide = EvenSections(3).Magic(0x20B).ImageBase(0x140000000ull);
  c.Add("pe32plus", Compact(wide, 3));
  c.Add("pe32plus-small-base", Compact(EvenSections(3).Magic(0x20B), 3));
  c.Add("pe32plus-21-sections", Compact(EvenSections(21).Magic(0x20B), 21));
  c.Add("pe32plus-overlapping",
        Compact(Overlapping(30).Magic(0x20B).ImageBase(0x180000000ull), 30));

  c.Add("signature", Compact(EvenSections(1).Signature(0x00014550), 1));
  c.Add("no-sections", PeBuilder().Build());
  c.Add("count-32767", Compact(EvenSections(1).NumberOfSections(32767), 1));
  c.Add("count-negative", Compact(EvenSections(1).NumberOfSections(0x8000), 1));
  c.Add("optional-header-0", Compact(EvenSections(2).SizeOfOptionalHeader(0), 2));
  c.Add("optional-header-ffff",
        EvenSections(2).SizeOfOptionalHeader(0xFFFF).FileLength(600).Build());
  c.Add("pe-offset-negative", Patched(Compact(EvenSections(1), 1), 60, 0x80000000u));
  c.Add("pe-offset-past-end", Patched(Patched(Bytes(120), 60, 5000), 64, 0x00004550));
  c.Add("pe-offset-overflow", Patched(Patched(Bytes(300), 60, 0x7FFFFFF0u), 64, 0x00004550));
  c.Add("image-base-overflow",
        Compact(PeBuilder().ImageBase(0x7FFFF000).AddSection(".text", 0x10000, 0x200, 0x400), 1));
  c.Add("raw-end-overflow", Compact(PeBuilder().AddSection(".text", 0x1000, 0x7FFFFFF0, 0x400), 1));
  c.Add(
      "negative-fields",
      Compact(PeBuilder().ImageBase(0x80000000u).AddSection({"neg", 0, 0xFFFFF000u, 0x100, 0x200}),
              1));
  // Whole files, so that the two views can be compared where they must agree.
  c.Add("well-formed", EvenSections(3).Build());
  c.Add("well-formed-loader-view", WithOptions(EvenSections(3).Build(), {false, false, 0, true}));
  c.Add("pe32plus-well-formed-loader-view",
        WithOptions(EvenSections(3).Magic(0x20B).ImageBase(0x140000000ull).Build(),
                    {false, false, 0, true}));
  c.Add("zero-filled-tails",
        WithOptions(PeBuilder()
                        .AddSection({".text", 0x1800, 0x1000, 0x200, 0x410})
                        .AddSection({".bss", 0x2000, 0x3000, 0, 0})
                        .FileAlignment(0x300)
                        .Build(),
                    {false, false, 0, true}));
  c.Add("low-alignment", WithOptions(PeBuilder()
                                         .SectionAlignment(0x200)
                                         .SizeOfImage(0x900)
                                         .AddSection({".data", 0x600, 0x400, 0x200, 0x400})
                                         .Build(),
                                     {false, false, 0, true}));
  c.Add("long-names", PeBuilder()
                          .AddSection("/4", 0x1000, 0x200, 0x400)
                          .AddSection("/16", 0x2000, 0x200, 0x600)
                          .AddSection("/99", 0x3000, 0x200, 0x800)
                          .SymbolTable(0xA00, 0)
                          .Patch(0xA00, std::string("\x20\0\0\0.debug_info\0.debug_line\0\xFF", 29))
                          .Build());

  PeBuilder cut = EvenSections(3);
  cut.FileLength(cut.SectionTableOffset() + 60);
  c.Add("table-cut", cut.Build());
  c.Add("mz-only", Bytes{'M', 'Z'});
  c.Add("address-tables", WithAddressTables(0x10B, 0x400000));
  c.Add("address-tables-pe32plus", WithAddressTables(0x20B, 0x140000000ull));
}

void KeyFilterSeeds(const Corpus& c) {
  const std::u16string_view texts[] = {
      u"12x34",
      u"x",
      u"0123456789",
      u"ABCDEFabcdef",
      u"FFFFFFFF",
      u"7fffffff",
      u"80000000",
      u"123456789ABCDEF0",
      u"2147483647",
      u"2147483648",
      u"4294967296",
      u"0000000000123",
      u"-1",
      u" 12",
      u"\uFF11\uFF12",
      u"g",
      u"\x16",
      u"\b\t\r\x1B\x03\x18",
      u"\U0001F600"
      u"1",
      std::u16string_view(u"1\0002", 3),
  };
  int n = 0;
  for (std::u16string_view text : texts) c.Add("text-" + std::to_string(n++), BytesFromUtf16(text));
}

Bytes SplitInput(std::u16string_view separator, std::u16string_view inner, std::int8_t limit,
                 std::u16string_view text) {
  Bytes bytes = {static_cast<std::uint8_t>(separator.size() | inner.size() << 3),
                 static_cast<std::uint8_t>(limit)};
  for (std::u16string_view part : {separator, inner, text}) {
    const Bytes units = BytesFromUtf16(part);
    bytes.insert(bytes.end(), units.begin(), units.end());
  }
  return bytes;
}

void Perl2Seeds(const Corpus& c) {
  using namespace std::string_view_literals;
  struct Seed {
    std::u16string_view separator, inner;
    std::int8_t limit;
    std::u16string_view text;
  };
  const Seed seeds[] = {
      {u",", u"", 3, u"088,000,000"},
      {u",", u"", 0, u"a,b,,"},
      {u",", u"", -1, u"a,b,,"},
      {u",", u"", 2, u"a,b,,"},
      {u",", u"", 3, u"a"},
      {u",", u"", 0, u",,"},
      {u",", u"", -1, u""},
      {u"", u"", 0, u"abc"},
      {u"", u"", 2, u"abc"},
      {u"", u"", 0, u""},
      {u"\0\0"sv, u"", 2, u"C:\\dir\0\0\0"sv},
      {u"\0"sv, u"\\", -1, u"C:\\dir\0a.exe\0b.exe\0\0"sv},
      {u"ab", u"", -1, u"1ab2ab3"},
      {u"aa", u"a", 0, u"aaaaa"},
      {u"-", u"+", 0, u"a-b+c-d"},
      {u"\\", u"", 1, u"C:\\dir\\file.exe"},
  };
  int n = 0;
  for (const Seed& s : seeds) {
    c.Add("split-" + std::to_string(n++), SplitInput(s.separator, s.inner, s.limit, s.text));
  }
}

// A few value lines of each kind, each followed by the byte of the target's options: 1 decimal,
// 2 memory address, 4 JSON, 8 without the image base, 16 PE32+; the top three bits the size of
// the reads (7: all at once).
void CliBatchSeeds(const Corpus& c) {
  const std::pair<std::string, std::uint8_t> seeds[] = {
      {"1000\n400\n1E00\n", 0xE0},
      {"401C00\r\n0x401000\n\n403000", 0xE2},
      {"4096\n7168\n2147483648\n", 0x61},
      {"1c00\n1000\n", 0xEC},
      {"140001C00\nFFFFFFFFFFFFFFFF\n", 0xF2},
      {"18446744073709551615\n5368716288\n", 0xF3},
      {"1000\n0X1600\n12 34\n", 0x24},
      {std::string("10\0"
                   "0\n",
                   5) +
           std::string(300, '7') + "\n",
       0xE0},
  };
  int n = 0;
  for (const auto& [lines, options] : seeds) {
    Bytes bytes(lines.begin(), lines.end());
    bytes.push_back(options);
    c.Add("seed_" + std::to_string(n++), bytes);
  }
}

}  // namespace
}  // namespace marlit::fuzz

int main(int argc, char* argv[]) {
  using namespace marlit::fuzz;
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds OUTDIR\n");
    return 2;
  }
  try {
    LoaderSeeds(Corpus(argv[1], "loader"));
    // The same files: the address tables are read from what the loader analyses.
    LoaderSeeds(Corpus(argv[1], "address_facts"));
    KeyFilterSeeds(Corpus(argv[1], "key_filter"));
    Perl2Seeds(Corpus(argv[1], "perl2"));
    CliBatchSeeds(Corpus(argv[1], "cli_batch"));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_fuzz_seeds: %s\n", e.what());
    return 1;
  }
  return 0;
}
