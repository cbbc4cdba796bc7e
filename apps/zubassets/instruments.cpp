// The tune's instruments, synthesized: a pitch-falling sine kick, noise snare, square-wave
// cymbals, a filter-swept bass, a pulse lead, a plucked string and a detuned pad. Samples are made
// at four times the XM base rate and played with relative note +24, the low drums at twice the rate
// with +12.
#include "instruments.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "lfsr.h"

namespace assets {

using zub::XmInstrument;

const int reverseCrashRows = 16;

namespace {

// Samples are made at four times the XM base rate and played with relative note +24, so a note
// plays them at this rate for C-4, and a 128-sample cycle sounds as C-4 (261.3 Hz).
const double rate = 8363.0 * 4;
const int cycle = 128;
const int relativeNote = 24;

// Scales the signal so its peak is `peak` of full scale; every instrument starts equally loud
// and the pattern volumes do the mixing.
std::vector<int16_t> toPcm(const std::vector<double>& v, double peak = 0.99) {
  double top = 1e-9;
  for (double x : v) top = std::max(top, std::fabs(x));
  std::vector<int16_t> out;
  out.reserve(v.size());
  for (double x : v) out.push_back((int16_t)std::lround(x / top * peak * 32767));
  return out;
}

XmInstrument oneShot(const char* name, const std::vector<double>& v, int volume, int panning) {
  XmInstrument in;
  in.name = name;
  in.data = toPcm(v);
  in.volume = volume;
  in.panning = panning;
  in.relativeNote = relativeNote;
  return in;
}

// The kick and the boom hold nothing above a few kilohertz but their beater's click: half the
// rate keeps everything up to 8 kHz in half the bytes.
const double lowRate = rate / 2;

XmInstrument lowOneShot(const char* name, const std::vector<double>& v, int volume, int panning) {
  XmInstrument in = oneShot(name, v, volume, panning);
  in.relativeNote = relativeNote - 12;
  return in;
}

// A sine whose pitch falls from 165 to 45 Hz, with a short noise click for the beater.
XmInstrument kick() {
  std::vector<double> v;
  Lfsr lfsr{0x1234567u};
  double phase = 0;
  for (int i = 0; i < (int)(lowRate * 0.4); ++i) {
    double t = i / lowRate;
    phase += 2 * M_PI * (45 + 120 * std::exp(-t * 28)) / lowRate;
    double x = std::sin(phase) * std::exp(-t * 6.5) + 0.3 * lfsr.noise() * std::exp(-t * 400);
    v.push_back(std::tanh(1.6 * x));
  }
  return lowOneShot("kick", v, 64, 128);
}

// High-passed noise (first difference) over a short two-tone body.
XmInstrument snare() {
  std::vector<double> v;
  Lfsr lfsr{0xBEEF01u};
  double last = 0;
  for (int i = 0; i < (int)(rate * 0.3); ++i) {
    double t = i / rate, n = lfsr.noise();
    double body = (std::sin(2 * M_PI * 185 * t) + 0.5 * std::sin(2 * M_PI * 330 * t)) * std::exp(-t * 35);
    v.push_back(0.7 * body + 0.5 * (n - 0.6 * last) * std::exp(-t * 16));
    last = n;
  }
  return oneShot("snare", v, 56, 120);
}

// The clashing square waves of every cymbal, in Hz.
const double metalFreqs[6] = {2050, 2751, 3131, 3389, 4002, 4412};

// Square waves at clashing frequencies plus noise, high-passed: a metallic cymbal of any length.
std::vector<double> metal(double seconds, double decay, uint32_t seed) {
  std::vector<double> v;
  Lfsr lfsr{seed};
  double prev = 0, prev2 = 0;
  for (int i = 0; i < (int)(rate * seconds); ++i) {
    double t = i / rate, x = 0;
    for (double f : metalFreqs) x += std::fmod(t * f, 1.0) < 0.5 ? 1 : -1;
    x = x / 6 * 0.6 + lfsr.noise() * 0.7;
    double hp = x - 2 * prev + prev2; // second difference keeps only the top end
    prev2 = prev;
    prev = x;
    v.push_back(hp * std::exp(-t * decay) * std::min(1.0, t * 2000));
  }
  return v;
}

// The crash's ring without its decay, as a loop: the squares' frequencies are rounded to whole
// cycles of the loop and the noise is high-passed around it, so it repeats without a seam. The
// instruments' volume envelopes give it its decay or its swell, which is what lets a second of
// sample ring for as long as a phrase needs (a whole ring for each would be 280 KB of noise).
// The swell's loop is the longer one: it is heard alone before a drop, where the crash's decay is
// heard under the drop's drums.
const int crashLoop = 16726, swellLoop = 25089; // 0.5 s and 0.75 s

std::vector<double> metalLoop(int length, uint32_t seed) {
  std::vector<double> x(length), v(length);
  Lfsr lfsr{seed};
  for (int i = 0; i < length; ++i) {
    double sum = 0;
    for (double f : metalFreqs) {
      const double cycles = std::round(f * length / rate);
      sum += std::fmod(cycles * i / length, 1.0) < 0.5 ? 1 : -1;
    }
    x[i] = sum / 6 * 0.6 + lfsr.noise() * 0.7;
  }
  for (int i = 0; i < length; ++i) v[i] = x[i] - 2 * x[(i + length - 1) % length] + x[(i + length - 2) % length];
  return v;
}

// Envelope points of exp(-1.8 t), the crash's decay, at 48 ticks a second (120 beats a minute):
// t is in seconds from the note, or before its end when `swell` runs it backwards.
std::vector<zub::XmEnvelopePoint> cymbalEnvelope(const std::vector<int>& ticks, bool swell) {
  std::vector<zub::XmEnvelopePoint> points;
  const int last = ticks.back();
  for (int tick : ticks) {
    const double t = (swell ? last - tick : tick) / 48.0;
    points.push_back({tick, (int)std::lround(64 * std::exp(-1.8 * t))});
  }
  return points;
}

// Saw-like waveform of 128 samples with harmonic h weighted by exp(-h / brightness).
std::vector<double> sawCycle(double brightness, int harmonics) {
  std::vector<double> v(cycle, 0.0);
  for (int i = 0; i < cycle; ++i)
    for (int h = 1; h <= harmonics; ++h) v[i] += std::sin(2 * M_PI * h * i / cycle) / h * std::exp(-h / brightness);
  return v;
}

// A bass whose tone closes like a filter sweep over its first 48 cycles, then holds on a loop of
// the last cycle (every cycle starts and ends at zero, so the joins are smooth).
XmInstrument bass() {
  std::vector<double> v;
  for (int k = 0; k <= 48; ++k) {
    std::vector<double> c = sawCycle(3 + 25 * std::exp(-k / 8.0), 48);
    for (int i = 0; i < cycle; ++i) v.push_back(c[i] + 0.6 * std::sin(2 * M_PI * i / cycle));
  }
  XmInstrument in = oneShot("bass", v, 50, 128);
  in.loopStart = 48 * cycle;
  in.loopLength = cycle;
  in.envelope = {{0, 64}, {8, 46}};
  in.sustainPoint = 1;
  in.fadeout = 0x1000;
  return in;
}

// `count` cycles in `length` samples of a saw with soft high harmonics: loops without a seam.
double saw(int i, int length, int count, int harmonics, double brightness, double phase) {
  double x = 0;
  for (int h = 1; h <= harmonics; ++h)
    x += std::sin(2 * M_PI * h * ((double)count * i / length + phase)) / h * std::exp(-h / brightness);
  return x;
}

// Two saws 128 and 129 cycles per loop subtracted: a pulse whose width turns twice a second.
XmInstrument lead() {
  const int length = 128 * cycle;
  std::vector<double> v;
  for (int i = 0; i < length; ++i)
    v.push_back(saw(i, length, 128, 24, 10, 0) - saw(i, length, 129, 24, 10, 0.3) +
                0.4 * std::sin(2 * M_PI * 128.0 * i / length));
  XmInstrument in = oneShot("lead", v, 44, 128);
  in.loopLength = length;
  in.envelope = {{0, 0}, {2, 64}, {12, 48}};
  in.sustainPoint = 2;
  in.fadeout = 0x500;
  in.vibratoSweep = 48;
  in.vibratoDepth = 3;
  in.vibratoRate = 24;
  return in;
}

// A plucked string: a delay line of noise averaged on every pass (Karplus-Strong).
XmInstrument pluck() {
  const int period = cycle - 1; // the averaging adds half a sample of delay
  Lfsr lfsr{0xC0FFEEu};
  std::vector<double> line(period);
  double smooth = 0;
  for (double& x : line) x = smooth = 0.5 * smooth + lfsr.noise();
  std::vector<double> v;
  for (int i = 0; i < (int)(rate * 0.9); ++i) {
    double& a = line[i % period];
    double b = line[(i + 1) % period];
    v.push_back(a);
    a = 0.5 * (a + b) * 0.997;
  }
  XmInstrument in = oneShot("pluck", v, 34, 90);
  in.finetune = -9; // 127.5 samples of delay against the 128-sample cycle of the others
  return in;
}

// Three soft saws slightly apart (127, 128, 129 cycles per loop) beat slowly against each other.
XmInstrument pad() {
  const int length = 128 * cycle;
  std::vector<double> v;
  for (int i = 0; i < length; ++i)
    v.push_back(saw(i, length, 127, 10, 3, 0.1) + saw(i, length, 128, 10, 3, 0.6) + saw(i, length, 129, 10, 3, 0.35) +
                0.3 * saw(i, length, 256, 6, 2, 0.8));
  XmInstrument in = oneShot("pad", v, 36, 128);
  in.loopLength = length;
  in.envelope = {{0, 0}, {28, 64}};
  in.sustainPoint = 1;
  in.fadeout = 0x180;
  return in;
}

// A crash: the ring from its first sample, its attack ramped in over half a millisecond, then the
// loop; it dies away over 2.2 s.
XmInstrument crash() {
  std::vector<double> ring = metalLoop(crashLoop, 0x3C4D5Eu), v;
  const int attack = 32;
  for (int i = 0; i < crashLoop + attack; ++i) v.push_back(ring[i % crashLoop] * std::min(1.0, i / rate * 2000));
  XmInstrument in = oneShot("crash", v, 40, 110);
  in.loopStart = attack;
  in.loopLength = crashLoop;
  in.envelope = cymbalEnvelope({0, 8, 18, 30, 45, 64, 84, 106}, false);
  in.envelope.back().value = 0;
  return in;
}

// The crash played backwards: a swell over reverseCrashRows rows that peaks where it ends, so a
// phrase can open on it.
XmInstrument reverseCrash() {
  XmInstrument in = oneShot("reverse crash", metalLoop(swellLoop, 0x4D5E6Fu), 40, 128);
  in.loopLength = swellLoop;
  const int end = reverseCrashRows * 6;
  in.envelope = cymbalEnvelope({0, end / 4, end / 2, end * 2 / 3, end * 19 / 24, end * 43 / 48, end * 23 / 24, end}, true);
  in.envelope.push_back({end + 1, 0});
  return in;
}

// A long, deep kick for the drops: the pitch falls to 38 Hz and rings for a second and a half.
XmInstrument boom() {
  std::vector<double> v;
  Lfsr lfsr{0x7654321u};
  double phase = 0;
  for (int i = 0; i < (int)(lowRate * 1.6); ++i) {
    double t = i / lowRate;
    phase += 2 * M_PI * (38 + 140 * std::exp(-t * 18)) / lowRate;
    double x = std::sin(phase) * std::exp(-t * 2.2) + 0.25 * lfsr.noise() * std::exp(-t * 300);
    v.push_back(std::tanh(1.8 * x) * std::min(1.0, (1.6 - t) * 20));
  }
  return lowOneShot("boom", v, 64, 128);
}

} // namespace

std::vector<XmInstrument> tuneInstruments() {
  return {kick(),
          snare(),
          oneShot("closed hat", metal(0.09, 45, 0x1A2B3Cu), 40, 150),
          oneShot("open hat", metal(0.5, 8, 0x2B3C4Du), 40, 150),
          crash(),
          bass(),
          lead(),
          pluck(),
          pad(),
          reverseCrash(),
          boom()};
}

} // namespace assets
