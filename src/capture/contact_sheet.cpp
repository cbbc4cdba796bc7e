// Thumbnails of the scene steps on one labelled sheet.
#include "capture/contact_sheet.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "capture/output_file.h"
#include "core/frame.h"
#include "image/bitmap.h"
#include "image/image_writers.h"
#include "image/tiny_font.h"

namespace zub {

namespace {

using zub::frameWidth;
const int thumbWidth = 160, thumbHeight = 120, labelHeight = 12, sheetColumns = 6, sheetGap = 4;

void takeThumb(ContactSheet::Entry& entry, const uint32_t* pixels) {
  entry.thumb.resize(thumbWidth * thumbHeight);
  for (int y = 0; y < thumbHeight; ++y)
    for (int x = 0; x < thumbWidth; ++x) {
      const uint32_t* p = pixels + (y * 2) * frameWidth + x * 2;
      uint32_t quad[4] = {p[0], p[1], p[frameWidth], p[frameWidth + 1]};
      uint32_t r = 0, g = 0, b = 0;
      for (uint32_t q : quad) {
        r += (q >> 16) & 0xFF;
        g += (q >> 8) & 0xFF;
        b += q & 0xFF;
      }
      entry.thumb[y * thumbWidth + x] = (r / 4) << 16 | (g / 4) << 8 | (b / 4);
    }
}

} // namespace

void ContactSheet::addFrame(const uint32_t* pixels, int scene, const char* sceneName, int step, int32_t time,
                            int32_t stepMiddle) {
  // Step 0 is a scene's set-up, never shown on its own.
  if (step != 0) {
    if (scene != lastScene || step != lastStep || entries.empty()) {
      entries.push_back({scene, step, sceneName, stepMiddle, false, {}});
      takeThumb(entries.back(), pixels);
    } else if (!entries.back().atMiddle && time >= entries.back().target) {
      entries.back().atMiddle = true;
      takeThumb(entries.back(), pixels);
    }
  }
  lastScene = scene;
  lastStep = step;
}

Failure ContactSheet::write(const std::string& path) const {
  int count = (int)entries.size();
  int rows = (count + sheetColumns - 1) / sheetColumns;
  int cellW = thumbWidth + sheetGap, cellH = thumbHeight + labelHeight + sheetGap;
  int w = sheetColumns * cellW + sheetGap, h = std::max(1, rows) * cellH + sheetGap;
  Bitmap sheet(w, h);
  if (!sheet.ok()) return failure(1, "no memory for a %d x %d contact sheet\n", w, h);
  for (int i = 0; i < w * h; ++i) sheet.pixels[i] = 0x202020;
  for (int i = 0; i < count; ++i) {
    const Entry& e = entries[i];
    int x0 = sheetGap + (i % sheetColumns) * cellW, y0 = sheetGap + (i / sheetColumns) * cellH;
    for (int y = 0; y < thumbHeight; ++y)
      memcpy(sheet.pixels + (size_t)(y0 + y) * w + x0, e.thumb.data() + y * thumbWidth, thumbWidth * 4);
    char label[64];
    snprintf(label, sizeof label, "%s %d", e.sceneName, e.step);
    drawText(&sheet, x0 + 1, y0 + thumbHeight + 3, label, 0xFFFFFF);
  }
  OutputFile out;
  if (Failure begun = out.begin(path, false)) return begun;
  if (Failure wrote = writePng(out.temporary, sheet.pixels, w, h)) return out.asTarget(wrote);
  return out.commit();
}

} // namespace zub
