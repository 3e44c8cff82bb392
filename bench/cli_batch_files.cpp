// Writes the files that the batch comparison runs on: the realistic image as a PE file and its
// million offsets, one a line.
#include <cstdio>
#include <fstream>
#include <string>

#include "bench/realistic_image.h"
#include "tests/common/pe_builder.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s IMAGE.exe OFFSETS.txt\n", argv[0]);
    return 2;
  }
  using namespace marlit::bench;
  marlit::test::PeBuilder builder;
  builder.ImageBase(kRealisticImageBase);
  for (const RawSection& s : kRealisticSections) {
    std::string name;
    for (const char16_t* c = s.name; *c != 0; ++c) name += static_cast<char>(*c);
    builder.AddSection(name, static_cast<std::uint32_t>(s.VirtualAddress),
                       static_cast<std::uint32_t>(s.SizeOfRawData),
                       static_cast<std::uint32_t>(s.PointerToRawData));
  }
  builder.WriteTo(argv[1]);
  std::ofstream(argv[2], std::ios::binary) << SpreadOffsetLines();
  return 0;
}
