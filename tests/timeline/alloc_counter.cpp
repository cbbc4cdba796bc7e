// Counts every C++ heap allocation of the test program, so a test can show that the frames of
// the demo allocate nothing.
#include <cstdlib>
#include <new>

#include "alloc_counter.h"

namespace allocCounter {
bool counting = false;
long count = 0;
long bytes = 0;
} // namespace allocCounter

static void* allocate(std::size_t size) {
  if (allocCounter::counting) {
    ++allocCounter::count;
    allocCounter::bytes += (long)size;
  }
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  return p;
}

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
