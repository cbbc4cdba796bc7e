#include "platform/frame_scaler.h"

#include <algorithm>
#include <cstring>

void FrameScaler::layout(int sourceW, int sourceH, int targetW, int targetH, bool integer) {
  sourceWidth = sourceW;
  sourceHeight = sourceH;
  targetWidth = std::max(targetW, 0);
  targetHeight = std::max(targetH, 0);
  integerScale = integer;
  // 64-bit products: a 16384-pixel window times a source side still fits.
  if ((int64_t)targetWidth * sourceH <= (int64_t)targetHeight * sourceW) {
    width = targetWidth;
    height = (int)((int64_t)targetWidth * sourceH / sourceW);
  } else {
    height = targetHeight;
    width = (int)((int64_t)targetHeight * sourceW / sourceH);
  }
  if (integer) {
    // Smaller than the frame, a window still shows all of it, squeezed.
    int factor = std::min(targetWidth / sourceW, targetHeight / sourceH);
    if (factor >= 1) {
      width = factor * sourceW;
      height = factor * sourceH;
    }
  }
  left = (targetWidth - width) / 2;
  top = (targetHeight - height) / 2;
  if (width > columnCapacity) {
    columns = std::make_unique<int32_t[]>(width);
    columnCapacity = width;
  }
  for (int x = 0; x < width; ++x) columns[x] = (int32_t)((int64_t)x * sourceW / width);
}

void FrameScaler::scale(const uint32_t* source, uint32_t* target, int pitch) const {
  const uint8_t* base = (const uint8_t*)target;
  int previousRow = -1;
  const uint32_t* previousOut = nullptr;
  for (int y = 0; y < height; ++y) {
    int sy = (int)((int64_t)y * sourceHeight / height);
    uint32_t* out = (uint32_t*)(base + (size_t)(top + y) * pitch) + left;
    if (sy == previousRow) {
      memcpy(out, previousOut, (size_t)width * 4);
    } else {
      const uint32_t* in = source + (size_t)sy * sourceWidth;
      for (int x = 0; x < width; ++x) out[x] = in[columns[x]];
      previousRow = sy;
    }
    previousOut = out;
  }
}

void FrameScaler::clearBars(uint32_t* target, int pitch) const {
  uint8_t* base = (uint8_t*)target;
  for (int y = 0; y < targetHeight; ++y) {
    uint32_t* row = (uint32_t*)(base + (size_t)y * pitch);
    if (y < top || y >= top + height) {
      memset(row, 0, (size_t)targetWidth * 4);
    } else {
      memset(row, 0, (size_t)left * 4);
      memset(row + left + width, 0, (size_t)(targetWidth - left - width) * 4);
    }
  }
}
