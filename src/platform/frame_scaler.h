// Nearest-neighbour enlargement of the 320 x 240 frame into a window's pixels, its 4:3 shape kept
// and centred between black bars, for displays where the only renderer is software: each source
// row is scaled once through a column table, and its repeats are plain row copies.
#pragma once
#include <cstdint>
#include <memory>

class FrameScaler {
public:
  int sourceWidth = 0, sourceHeight = 0; // the frame
  int targetWidth = 0, targetHeight = 0; // the window's pixels
  bool integerScale = false;             // whole factors only
  int left = 0, top = 0;                 // where the picture lands in the window
  int width = 0, height = 0;             // its size there

  // Lays the picture out for a target of w x h; allocates only when the target grows.
  void layout(int sourceW, int sourceH, int targetW, int targetH, bool integer);
  // Writes the picture into `target` (rows `pitch` bytes apart); the bars are left alone.
  void scale(const uint32_t* source, uint32_t* target, int pitch) const;
  // Writes the black bars around the picture.
  void clearBars(uint32_t* target, int pitch) const;

private:
  std::unique_ptr<int32_t[]> columns; // source column of every target column of the picture
  int columnCapacity = 0;
};
