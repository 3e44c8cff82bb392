// Writes the seeds of fuzz_cli_batch into OUTDIR/cli_batch/: a few value lines of each kind, each
// followed by the byte of the target's options (radix, field, JSON, image base, kind of image,
// size of the reads).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
    return 2;
  }
  const std::filesystem::path dir = std::filesystem::path(argv[1]) / "cli_batch";
  std::filesystem::create_directories(dir);
  // Options: 1 decimal, 2 memory address, 4 JSON, 8 without the image base, 16 PE32+; the top
  // three bits the size of the reads (7: all at once).
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
    std::ofstream(dir / ("seed_" + std::to_string(n++)), std::ios::binary)
        << lines << static_cast<char>(options);
  }
  return 0;
}
