#pragma once
// The largest block that operator new hands out while a probe lives, for the tests that a count
// read from a file is checked before anything is allocated from it. pe_tests replaces operator new
// for this; the probe watches one thread at a time.

#include <cstddef>

namespace marlit::test {

class LargestAllocation {
 public:
  LargestAllocation();
  ~LargestAllocation();
  LargestAllocation(const LargestAllocation&) = delete;
  LargestAllocation& operator=(const LargestAllocation&) = delete;

  [[nodiscard]] std::size_t Bytes() const;
};

}  // namespace marlit::test
