#include "shell/scene_marks.h"

#include "core/word_pack.h"

MarkStore::MarkStore(size_t count, size_t stagingWords)
    : words(new uint32_t[count]()), capacity(count), stage(new uint32_t[stagingWords]()) {}

bool MarkStore::keep(const uint32_t* from, size_t count, PackedSpan& span) {
  if (capacity - usedWords < zub::packedWordsBound(count)) return false;
  span.at = usedWords;
  span.words = zub::packWords(from, count, words.get() + usedWords);
  usedWords += span.words;
  return true;
}

bool MarkStore::put(const PackedSpan& span, uint32_t* out, size_t count) const {
  return zub::unpackWords(words.get() + span.at, span.words, out, count);
}

bool MarkStore::holds(const PackedSpan& span, const uint32_t* from, size_t count) const {
  return zub::packedEquals(words.get() + span.at, span.words, from, count);
}
