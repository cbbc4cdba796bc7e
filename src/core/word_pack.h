// Run-length packing of 32-bit words, for pictures kept in memory that are mostly flat (a frame faded
// to black, a table of which most rows are unused). A header word with the top bit set is followed by
// one word repeated that many times; without it, by that many words as they are.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zub {

// The most words packWords can write for `count` words.
constexpr size_t packedWordsBound(size_t count) { return count + count / 2 + 2; }

// Packs `count` words into `out` (room for packedWordsBound(count)); returns the words written.
size_t packWords(const uint32_t* words, size_t count, uint32_t* out);

// Unpacks into `out`; false, with `out` partly written, when the packed words do not give exactly
// `count` words.
bool unpackWords(const uint32_t* packed, size_t packedCount, uint32_t* out, size_t count);

// True when the packed words give exactly these `count` words.
bool packedEquals(const uint32_t* packed, size_t packedCount, const uint32_t* words, size_t count);

} // namespace zub
