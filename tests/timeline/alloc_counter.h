// Heap allocations made through operator new while `counting` is set.
#pragma once

namespace allocCounter {
extern bool counting;
extern long count;
extern long bytes;
} // namespace allocCounter
