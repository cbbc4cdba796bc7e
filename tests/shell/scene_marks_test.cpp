// The scene marks' store packs pictures run-length and gives them back word for word: flat and
// noisy pictures, runs at the edges and of every short length; a mismatch in length is refused,
// and a store too small for a picture keeps nothing.
#include <gtest/gtest.h>

#include <vector>

#include "core/word_pack.h"
#include "shell/scene_marks.h"

namespace {

TEST(SceneMarks, PicturesComeBackWordForWordAndAFullStoreKeepsNothing) {
  std::vector<std::vector<uint32_t>> pictures = {
      {},
      {7},
      std::vector<uint32_t>(1000, 0x123456),                 // one run
      {1, 1, 2, 2, 2, 3, 4, 4, 4, 4, 5, 5, 6, 6, 6},         // runs of one to four words between plain ones
      {9, 9, 9, 1, 2, 3, 8, 8, 8},                           // runs at both ends
  };
  std::vector<uint32_t> noisy(5000);
  uint32_t state = 1;
  for (uint32_t& w : noisy) {
    state = state * 1103515245u + 12345u;
    w = state >> (state % 3 == 0 ? 30 : 8); // now and then runs of small values
  }
  pictures.push_back(noisy);

  MarkStore store(1 << 16, 16);
  for (const std::vector<uint32_t>& picture : pictures) {
    PackedSpan span;
    ASSERT_TRUE(store.keep(picture.data(), picture.size(), span));
    EXPECT_LE(span.words, zub::packedWordsBound(picture.size()));
    std::vector<uint32_t> back(picture.size() + 1, 0xDEAD);
    EXPECT_TRUE(store.put(span, back.data(), picture.size()));
    back.pop_back();
    EXPECT_EQ(back, picture);
    EXPECT_TRUE(store.holds(span, picture.data(), picture.size()));
    if (!picture.empty()) {
      std::vector<uint32_t> changed = picture;
      changed.back() ^= 1;
      EXPECT_FALSE(store.holds(span, changed.data(), changed.size()));
      EXPECT_FALSE(store.put(span, back.data(), picture.size() - 1)) << "a shorter picture than was kept";
    }
  }
  EXPECT_LT(store.usedBytes(), (1000 + 15 + 9 + 5000) * 4u) << "the flat pictures pack small";

  MarkStore small(100, 16);
  PackedSpan span;
  EXPECT_FALSE(small.keep(noisy.data(), noisy.size(), span));
  EXPECT_EQ(small.usedBytes(), 0u);
}

} // namespace
