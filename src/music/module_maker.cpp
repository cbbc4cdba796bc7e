#include "music/module_maker.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace zub {

namespace {

// Amiga periods, finetune 0, for C-1 .. B-3.
const int periods[36] = {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,
                         428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226,
                         214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};
const double sampleRate = 8363; // rate at which a sample plays at C-2

struct Sample {
  const char* name;
  std::vector<int8_t> data;
  int volume;
  bool loops;
};

int8_t clip(double v) { return (int8_t)std::lround(std::fmax(-127, std::fmin(127, v * 127))); }

// A pitch-dropping sine with a fast decay.
Sample kick() {
  Sample s{"kick", {}, 64, false};
  double phase = 0;
  for (int i = 0; i < 2400; ++i) {
    double t = i / sampleRate, freq = 50 + 110 * std::exp(-t * 30);
    phase += 2 * M_PI * freq / sampleRate;
    s.data.push_back(clip(std::sin(phase) * std::exp(-t * 9)));
  }
  return s;
}

// Noise from a fixed linear-feedback register, so the sample is the same on every run.
Sample noise(const char* name, int length, double decay, int volume) {
  Sample s{name, {}, volume, false};
  uint32_t lfsr = 0xACE1u;
  for (int i = 0; i < length; ++i) {
    lfsr = (lfsr >> 1) ^ (-(lfsr & 1u) & 0xB400u);
    double n = ((lfsr & 0xFF) / 127.5 - 1.0);
    s.data.push_back(clip(n * std::exp(-i / sampleRate * decay)));
  }
  return s;
}

// One looping cycle group of a waveform at C-2 pitch (about 261.6 Hz at the C-2 rate).
Sample tone(const char* name, int harmonics, int volume) {
  Sample s{name, {}, volume, true};
  const int length = 32 * 8; // 8 cycles of 32 samples
  for (int i = 0; i < length; ++i) {
    double x = 2 * M_PI * i / 32, v = 0;
    for (int h = 1; h <= harmonics; ++h) v += std::sin(h * x) / h;
    s.data.push_back(clip(v * 0.6));
  }
  return s;
}

struct Note {
  int sample; // 1-based, 0 = none
  int pitch;  // index into periods, -1 = none
  int effect, param;
};

void putBE16(std::string& out, int v) {
  out.push_back((char)((v >> 8) & 0xFF));
  out.push_back((char)(v & 0xFF));
}

} // namespace

std::string makeDemoModule() {
  std::vector<Sample> samples = {kick(), noise("snare", 3000, 14, 48), noise("hat", 600, 40, 28), tone("bass", 3, 56),
                                 tone("lead", 6, 40)};
  const int channels = 4, rows = 64;
  // Bass line roots (C, A#, G#, G) and a lead arpeggio over them, two patterns.
  const int roots[2][4] = {{0, 10, 8, 7}, {5, 3, 10, 7}};
  std::vector<std::vector<Note>> patterns;
  for (int p = 0; p < 2; ++p) {
    std::vector<Note> pattern(rows * channels, Note{0, -1, 0, 0});
    for (int r = 0; r < rows; ++r) {
      int root = roots[p][r / 16];
      if (r % 8 == 0 || r % 16 == 10) pattern[r * channels + 0] = {1, 12, 0, 0};
      if (r % 16 == 4 || r % 16 == 12) pattern[r * channels + 0] = {2, 12, 0, 0};
      if (r % 2 == 0) pattern[r * channels + 1] = {3, 24, 0xC, r % 4 == 0 ? 40 : 24};
      if (r % 4 == 0) pattern[r * channels + 2] = {4, root, 0, 0};
      if (r % 4 == 2) pattern[r * channels + 2] = {4, root + 12, 0, 0};
      const int chord[3] = {0, 4, 7};
      if (r % 2 == 0) pattern[r * channels + 3] = {5, 12 + root + chord[(r / 2) % 3], 0, 0};
    }
    patterns.push_back(pattern);
  }
  const int order[] = {0, 0, 1, 1};

  std::string out;
  std::string title = "zub demo tune";
  title.resize(20, 0);
  out += title;
  for (int i = 0; i < 31; ++i) {
    std::string name = i < (int)samples.size() ? samples[i].name : "";
    name.resize(22, 0);
    out += name;
    int words = i < (int)samples.size() ? (int)samples[i].data.size() / 2 : 0;
    putBE16(out, words);
    out.push_back(0); // finetune
    out.push_back((char)(i < (int)samples.size() ? samples[i].volume : 0));
    bool loops = i < (int)samples.size() && samples[i].loops;
    putBE16(out, 0);
    putBE16(out, loops ? words : 1);
  }
  out.push_back((char)(sizeof order / sizeof order[0]));
  out.push_back(127);
  for (int i = 0; i < 128; ++i) out.push_back((char)(i < (int)(sizeof order / sizeof order[0]) ? order[i] : 0));
  out += "M.K.";
  for (const std::vector<Note>& pattern : patterns)
    for (const Note& n : pattern) {
      int period = n.pitch >= 0 ? periods[n.pitch] : 0;
      out.push_back((char)((n.sample & 0xF0) | (period >> 8)));
      out.push_back((char)(period & 0xFF));
      out.push_back((char)(((n.sample & 0x0F) << 4) | (n.effect & 0x0F)));
      out.push_back((char)n.param);
    }
  for (const Sample& s : samples)
    for (size_t i = 0; i < s.data.size() / 2 * 2; ++i) out.push_back((char)s.data[i]);
  return out;
}

} // namespace zub
