#include "shell/notice.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/clock.h"
#include "image/tiny_font.h"
#include "platform/display_console.h"
#include "safety/flash_stretches.h"
#include "shell/stop_signal.h"

namespace {

const int noticeSeconds = 8;
const uint32_t background = 0x000000, title = 0xFFD040, body = 0xE0E0E0, quiet = 0x909090;

// Breaks `text` into lines of at most `columns` characters at spaces.
std::vector<std::string> wrap(const std::string& text, size_t columns) {
  std::vector<std::string> lines;
  std::string line;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    std::string word = text.substr(start, end - start);
    if (!line.empty() && line.size() + 1 + word.size() > columns) {
      lines.push_back(line);
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
    start = end + 1;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

int centred(const std::string& text, int scale) { return (320 - (int)text.size() * zub::glyphAdvance * scale) / 2; }

void draw(std::vector<uint32_t>& pixels, bool reduced, int secondsLeft) {
  std::fill(pixels.begin(), pixels.end(), background);
  const size_t columns = 50;
  int y = 22;
  std::string heading = "PHOTOSENSITIVITY WARNING";
  zub::drawText(pixels.data(), 320, 240, centred(heading, 2), y, heading.c_str(), title, 2);
  y += 30;
  std::string text = "This demo shows fast flashing light, which may trigger seizures in people with "
                     "photosensitive epilepsy. It flashes beyond the safe limits at " +
                     zub::flashStretchList() + ".";
  for (const std::string& line : wrap(text, columns)) {
    zub::drawText(pixels.data(), 320, 240, 10, y, line.c_str(), body);
    y += 11;
  }
  y += 8;
  std::string mode = reduced ? "Flashes are reduced in this run: what is shown stays within the safe limits."
                             : "zubdemo --reduce-flashes keeps what is shown within the safe limits.";
  for (const std::string& line : wrap(mode, columns)) {
    zub::drawText(pixels.data(), 320, 240, 10, y, line.c_str(), body);
    y += 11;
  }
  char footer[64];
  snprintf(footer, sizeof footer, "Starts in %d s. Any key or click starts it now,", secondsLeft);
  zub::drawText(pixels.data(), 320, 240, centred(footer, 1), 202, footer, quiet);
  const char* escape = "Escape ends the program.";
  zub::drawText(pixels.data(), 320, 240, centred(escape, 1), 213, escape, quiet);
}

} // namespace

bool showPhotosensitivityNotice(DisplayConsole& console, bool reduced) {
  std::vector<uint32_t> pixels((size_t)console.consoleWidth * console.consoleHeight);
  const int32_t start = zub::clockNow();
  int shown = -1;
  for (;;) {
    int32_t elapsed = zub::clockNow() - start;
    if (zub::stopSignal()) return false;
    if (elapsed >= noticeSeconds * 1000) return true;
    int left = noticeSeconds - elapsed / 1000;
    if (left != shown) {
      draw(pixels, reduced, left);
      console.showPicture(pixels.data());
      shown = left;
    }
    switch (ptc::pumpPrompt(console.window)) {
    case ptc::Prompt::Quit:
      return false;
    case ptc::Prompt::Go:
      return true;
    case ptc::Prompt::None:
      break;
    }
    ptc::waitWindow(console.window, 100);
  }
}
