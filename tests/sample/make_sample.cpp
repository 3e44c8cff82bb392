// Writes the sample program that ./run.sh opens: a small 32-bit image laid out as a linker would
// (headers up to 400h, file alignment 200h, section alignment 1000h), with code, read-only data,
// data, resources, and uninitialised data without file bytes.

#include <cstdio>
#include <exception>

#include "tests/sample/sample_layout.h"

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sample OUTPUT\n");
    return 2;
  }
  try {
    marlit::test::SampleImage().WriteTo(argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_sample: %s\n", e.what());
    return 1;
  }
  return 0;
}
