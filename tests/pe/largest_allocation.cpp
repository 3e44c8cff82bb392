#include "tests/pe/largest_allocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> watching{false};
std::atomic<std::size_t> largest{0};

void* Allocate(std::size_t size) noexcept {
  if (watching.load(std::memory_order_relaxed) && size > largest.load(std::memory_order_relaxed)) {
    largest.store(size, std::memory_order_relaxed);
  }
  return std::malloc(size == 0 ? 1 : size);
}

void* AllocateOrThrow(std::size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}

}  // namespace

// Every form but the aligned ones, which keep the library's own pair, so that each block is freed
// by the allocator that gave it. GCC takes free() of a block of operator new for a mismatch; here
// new is malloc.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace marlit::test {

LargestAllocation::LargestAllocation() {
  largest.store(0);
  watching.store(true);
}

LargestAllocation::~LargestAllocation() { watching.store(false); }

std::size_t LargestAllocation::Bytes() const { return largest.load(); }

}  // namespace marlit::test
