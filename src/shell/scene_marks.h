// Where the demo stood at each scene's first frame, kept when the timeline first reaches it, so that
// a jump back goes on from the nearest scene start instead of drawing everything from the beginning.
//
// A timeline built anew has every picture and object as loaded, and each scene sets up at its first
// frame what it uses. What one scene leaves behind for those after it is therefore small: the
// picture on the surface (feedback effects draw over it), the composing and work pictures, the
// clip's picture and place, which
// objects have been given their textures, the camera, the lights, the shared step timer, and the
// process-wide random sequence, strobe phase and rasterizers' edge table. The pictures and the
// table are kept run-length packed in one store made at start-up, so taking a mark allocates
// nothing; it is filled in at once, so the memory the demo holds does not grow as it plays.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "objects/geometry.h"
#include "shell/frame_pacer.h"

// A run of packed words in the store.
struct PackedSpan {
  size_t at = 0, words = 0;
};

struct SceneMark {
  bool taken = false;
  int framesBefore = 0;      // frames the pacer had issued before the scene's first
  uint32_t randState = 0;
  bool strobePhase = true;
  int clipCalls = 0;         // the clip's nextFrame calls so far
  std::optional<SceneTimer> timer;
  std::optional<Camera> camera;
  std::optional<Light> mainLight, sideLight;
  std::vector<char> textured; // per object slot
  PackedSpan surface, scratch, work, clipPicture, edgeTable;
};

class MarkStore {
public:
  // `stagingWords`: room for what must be copied out of its place before it is packed.
  MarkStore(size_t words, size_t stagingWords);
  uint32_t* staging() { return stage.get(); }
  // Packs `count` words into the store; false, storing nothing, when they do not fit.
  bool keep(const uint32_t* words, size_t count, PackedSpan& span);
  // The words a span holds, `count` of them, into `out`; false when the span does not give that many.
  bool put(const PackedSpan& span, uint32_t* out, size_t count) const;
  // True when the span holds exactly these words.
  bool holds(const PackedSpan& span, const uint32_t* words, size_t count) const;
  size_t usedBytes() const { return usedWords * 4; }
  // Takes back everything kept since the store held `bytes`.
  void dropTo(size_t bytes) { usedWords = bytes / 4; }

private:
  std::unique_ptr<uint32_t[]> words;
  size_t capacity = 0, usedWords = 0;
  std::unique_ptr<uint32_t[]> stage;
};
