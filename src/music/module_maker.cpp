#include "music/module_maker.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "music/xm_writer.h"

namespace zub {

namespace {

// Samples are made at four times the XM base rate and played with relative note +24, so a note
// plays them at this rate for C-4, and a 128-sample cycle sounds as C-4 (261.3 Hz).
const double rate = 8363.0 * 4;
const int cycle = 128;
const int relativeNote = 24;

// Noise from a fixed 32-bit linear-feedback shift register: the same sequence on every run.
struct Lfsr {
  uint32_t state;
  uint32_t next() {
    state = (state >> 1) ^ (-(state & 1u) & 0xA3000000u);
    return state;
  }
  double noise() { return (double)(next() & 0xFFFF) / 32768.0 - 1.0; }
  bool chance(int percent) { return (int)(next() % 100) < percent; }
};

// Scales the signal so its peak is `peak` of full scale; every instrument starts equally loud
// and the pattern volumes do the mixing.
std::vector<int16_t> toPcm(const std::vector<double>& v, double peak = 0.9) {
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

// A sine whose pitch falls from 165 to 45 Hz, with a short noise click for the beater.
XmInstrument kick() {
  std::vector<double> v;
  Lfsr lfsr{0x1234567u};
  double phase = 0;
  for (int i = 0; i < (int)(rate * 0.4); ++i) {
    double t = i / rate;
    phase += 2 * M_PI * (45 + 120 * std::exp(-t * 28)) / rate;
    double x = std::sin(phase) * std::exp(-t * 6.5) + 0.3 * lfsr.noise() * std::exp(-t * 400);
    v.push_back(std::tanh(1.6 * x));
  }
  return oneShot("kick", v, 64, 128);
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

// Square waves at clashing frequencies plus noise, high-passed: a metallic cymbal of any length.
std::vector<double> metal(double seconds, double decay, uint32_t seed) {
  const double freqs[6] = {2050, 2751, 3131, 3389, 4002, 4412};
  std::vector<double> v;
  Lfsr lfsr{seed};
  double prev = 0, prev2 = 0;
  for (int i = 0; i < (int)(rate * seconds); ++i) {
    double t = i / rate, x = 0;
    for (double f : freqs) x += std::fmod(t * f, 1.0) < 0.5 ? 1 : -1;
    x = x / 6 * 0.6 + lfsr.noise() * 0.7;
    double hp = x - 2 * prev + prev2; // second difference keeps only the top end
    prev2 = prev;
    prev = x;
    v.push_back(hp * std::exp(-t * decay) * std::min(1.0, t * 2000));
  }
  return v;
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

enum Instrument { Kick = 1, Snare, ClosedHat, OpenHat, Crash, Bass, Lead, Pluck, Pad };
enum Channel { KickCh, SnareCh, HatCh, BassCh, LeadCh, ArpCh, PadCh1, PadCh2, Channels };

// Note names to MIDI numbers ("A4" = 69, "C#5" = 73).
int midi(const std::string& name) {
  static const int semitone[7] = {9, 11, 0, 2, 4, 5, 7}; // A..G
  int n = semitone[name[0] - 'A'];
  size_t at = 1;
  if (name[at] == '#') ++n, ++at;
  return n + 12 * (name[at] - '0' + 1);
}
int xmNote(int midiNote) { return midiNote - 11; } // XM C-4 (49) is middle C (60)

struct Chord {
  int root;  // pitch class
  int third; // 3 minor, 4 major
};

Chord chord(const std::string& name) {
  Chord c{midi(name.substr(0, 1) + "0") % 12, 4};
  if (name.size() > 1 && name[1] == 'm') c.third = 3;
  return c;
}

// The melodies, eight eighth notes a bar and four bars a line: a note name, "." holds, "-"
// releases; "|" only separates the bars.
const char* const melodies[] = {
    // 0, 1, 2: the main theme over Am F C G, an answer, and the answer closing
    "A4 . C5 . E5 . D5 C5 | D5 . C5 . A4 . . . | G4 . C5 . E5 . G5 . | F5 . E5 D5 . . B4 .",
    "A4 . C5 . E5 . A5 . | G5 . F5 . E5 . C5 . | E5 . D5 . C5 . G4 . | B4 . C5 . D5 . - .",
    "A4 . C5 . E5 . A5 . | G5 . F5 . E5 . C5 . | E5 . D5 . C5 . E5 . | D5 . . . B4 . D5 .",
    // 3, 4, 5: the second theme over Dm Am F G / F G Em Am
    "F5 . . . E5 . D5 . | E5 . . . C5 . A4 . | C5 . D5 . F5 . A5 . | G5 . . . . . D5 .",
    "A5 . G5 . F5 . C5 . | D5 . . . B4 . G4 . | B4 . . . E5 . G5 . | A5 . . . . . - .",
    "A5 . G5 . F5 . C5 . | D5 . . . B4 . G4 . | B4 . . . E5 . G5 . | E5 . . . . . - .",
    // 6: long notes for the break, over Am Em F C
    "E5 . . . . . . . | B4 . . . . . . . | C5 . . . A4 . . . | G4 . . . . . - .",
    // 7: the outro, over Am F G Am
    "E5 . D5 C5 . . A4 . | C5 . . . A4 . . . | B4 . . . D5 . . . | A4 . . . . . . -",
};

// What plays in a four-bar block (one pattern).
enum Part : unsigned {
  KickHalf = 1 << 0,  // kick on the first beat
  KickMain = 1 << 1,  // kick on beats one and three, pushed in alternate bars
  KickFour = 1 << 2,  // kick on every beat
  Snares = 1 << 3,    // snare on beats two and four
  SnareHalf = 1 << 4, // snare on beat three
  Hats8 = 1 << 5,
  Hats16 = 1 << 6,
  BassLong = 1 << 7,  // one held bass note a bar
  BassMain = 1 << 8,  // a bouncing eighth-note line
  ArpSlow = 1 << 9,   // plucked chord tones in eighths
  ArpFast = 1 << 10,  // ... in sixteenths
  Harmony = 1 << 11,  // the lead doubled a third below
  Pads = 1 << 12,
  Fill = 1 << 13,     // a snare fill in the last bar
  CrashIn = 1 << 14,  // a cymbal on the first beat
  Build = 1 << 15,    // rising drums into the next part
  Ending = 1 << 16,   // drums stop after two bars and everything releases in the last
  Soft = 1 << 17,     // pads and arpeggio held back, for the break
};

struct Block {
  const char* chords[4];
  unsigned parts;
  int melody; // index into melodies, -1 none
  int melodyVolume;
};

struct Composer {
  std::vector<XmPattern> patterns;
  Lfsr lfsr{0x5EEDu};
  int pad1 = midi("C5"), pad2 = midi("E4"); // the pad voices move to the nearest chord tone

  void put(XmPattern& p, int row, int channel, int instrument, int note, int volume = -1, int effect = 0, int param = 0) {
    XmCell& c = p.cells[row * Channels + channel];
    c.note = (uint8_t)note;
    c.instrument = (uint8_t)instrument;
    c.volume = volume >= 0 ? (uint8_t)(0x10 + std::min(volume, 64)) : 0;
    c.effect = (uint8_t)effect;
    c.param = (uint8_t)param;
  }
  void release(XmPattern& p, int row, int channel) { p.cells[row * Channels + channel].note = xmKeyOff; }

  // The chord tone (root, third or fifth) nearest to `from`, other than the pitch class of
  // `avoid`, so the two pad voices always sound two different tones.
  static int nearestTone(Chord c, int from, int avoid) {
    int best = -1;
    for (int m = midi("F3"); m <= midi("F5"); ++m) {
      int pc = ((m - c.root) % 12 + 12) % 12;
      if ((pc != 0 && pc != c.third && pc != 7) || (avoid >= 0 && (m - avoid) % 12 == 0)) continue;
      if (best < 0 || std::abs(m - from) < std::abs(best - from)) best = m;
    }
    return best;
  }

  // The diatonic note a third below in A minor (every melody note is in the scale).
  static int thirdBelow(int m) {
    for (int down = 3; down <= 4; ++down) {
      int pc = (m - down) % 12;
      if (pc == 9 || pc == 11 || pc == 0 || pc == 2 || pc == 4 || pc == 5 || pc == 7) return m - down;
    }
    return m - 3;
  }

  void drums(XmPattern& p, const Block& b) {
    for (int bar = 0; bar < 4; ++bar) {
      const bool last = bar == 3, fill = last && (b.parts & Fill);
      if ((b.parts & Ending) && bar >= 2) {
        if (bar == 2) put(p, bar * 16, KickCh, Kick, 49, 56);
        continue;
      }
      for (int step = 0; step < 16; ++step) {
        const int row = bar * 16 + step;
        // Kick
        bool kick = false;
        if (b.parts & KickHalf) kick = step == 0 || step == 10;
        if (b.parts & KickMain) kick = step == 0 || step == 8 || (step == 10 && bar % 2 == 1);
        if (b.parts & KickFour) kick = step % 4 == 0;
        if ((b.parts & Build) && bar >= 2) kick = step % 4 == 0 && !(last && step >= 12);
        if (kick) put(p, row, KickCh, Kick, 49, 60);
        // Snare
        int snare = -1;
        if (b.parts & Snares) {
          if (step == 4 || step == 12) snare = 50;
          else if ((step == 7 || step == 15) && lfsr.chance(30)) snare = 14; // ghost notes
        }
        if ((b.parts & SnareHalf) && step == 8) snare = 48;
        if (fill && step >= 8 && (step == 10 || step >= 12)) snare = 30 + (step - 8) * 4;
        if (b.parts & Build) {
          const int every = bar == 0 ? 8 : bar == 1 ? 4 : bar == 2 ? 2 : 1;
          if (step % every == 0) snare = 16 + (row * 40) / 64;
        }
        if (snare >= 0) put(p, row, SnareCh, Snare, 49, snare);
        // Hats (the first bar rests when a cymbal rings through it)
        if ((b.parts & CrashIn) && bar == 0) {
          if (step == 0) put(p, row, HatCh, Crash, 49, 48);
          continue;
        }
        int hat = -1;
        if ((b.parts & Hats8) && step % 2 == 0) hat = step % 4 == 2 ? 34 : 20;
        if (b.parts & Hats16) hat = step % 4 == 2 ? 36 : step % 2 == 0 ? 24 : 12 + (int)(lfsr.next() % 6);
        if ((b.parts & Build) && hat >= 0) hat = hat * (16 + row) / 80;
        if (hat >= 0) {
          const bool open = last && step == 14 && !(b.parts & Build) && (b.parts & (Hats8 | Hats16));
          put(p, row, HatCh, open ? OpenHat : ClosedHat, 49, open ? 30 : hat);
        }
      }
    }
  }

  void harmony(XmPattern& p, const Block& b) {
    for (int bar = 0; bar < 4; ++bar) {
      const Chord c = chord(b.chords[bar]);
      const int row = bar * 16;
      const bool ending = (b.parts & Ending) != 0;
      // Bass: the root between E2 and D#3.
      const int root = midi("E2") + ((c.root - 4) % 12 + 12) % 12;
      if (b.parts & BassLong) put(p, row, BassCh, Bass, xmNote(root), 44);
      if (b.parts & BassMain) {
        const int steps[6] = {0, 3, 6, 8, 11, 14}, octave[6] = {0, 0, 12, 0, 0, 12};
        for (int i = 0; i < 6; ++i) {
          if (ending && bar == 3 && i > 0) break;
          put(p, row + steps[i], BassCh, Bass, xmNote(root + octave[i]), i == 0 ? 52 : 44);
          if (!(ending && bar == 3) && row + steps[i] + 2 < p.rows) release(p, row + steps[i] + 2, BassCh);
        }
      }
      // Plucked arpeggio: root, third, fifth and octave around the fourth octave.
      const int base = midi("A3") + ((c.root - 9) % 12 + 12) % 12;
      const int tones[6] = {base, base + c.third, base + 7, base + 12, base + 7, base + c.third};
      if (b.parts & (ArpSlow | ArpFast)) {
        const int every = (b.parts & ArpFast) ? 1 : 2;
        for (int step = 0, i = 0; step < 16; step += every, ++i) {
          if (ending && bar == 3 && step > 0) break;
          put(p, row + step, ArpCh, Pluck, xmNote(tones[i % 6] + ((b.parts & ArpFast) && bar % 2 ? 12 : 0)),
              (b.parts & ArpFast) ? (step % 4 == 0 ? 30 : 20) : (b.parts & Soft) ? 18 : 26);
        }
      }
      // Pads: two voices on the chord's upper tones, restruck only when they move.
      if (b.parts & Pads) {
        const int a = nearestTone(c, pad1, -1), d = nearestTone(c, pad2, a);
        const int volume = (b.parts & Soft) ? 28 : 40;
        // Set-panning effects spread the two voices; a struck note resets the sample's centre.
        if (a != pad1 || row == 0) put(p, row, PadCh1, Pad, xmNote(a), volume, 0x08, 0x50);
        if (d != pad2 || row == 0) put(p, row, PadCh2, Pad, xmNote(d), volume, 0x08, 0xB0);
        pad1 = a;
        pad2 = d;
        if (ending && bar == 3) {
          release(p, row + 8, PadCh1);
          release(p, row + 8, PadCh2);
          release(p, row + 8, BassCh);
        }
      }
    }
  }

  void melody(XmPattern& p, const Block& b) {
    if (b.melody < 0) return;
    std::string line = melodies[b.melody];
    int row = 0;
    for (size_t at = 0; at < line.size() && row < 64;) {
      size_t end = line.find(' ', at);
      if (end == std::string::npos) end = line.size();
      std::string token = line.substr(at, end - at);
      at = end + 1;
      if (token.empty() || token == "|") continue;
      if (token == "-") {
        release(p, row, LeadCh);
        if (b.parts & Harmony) release(p, row, ArpCh);
      } else if (token != ".") {
        put(p, row, LeadCh, Lead, xmNote(midi(token)), b.melodyVolume);
        if (b.parts & Harmony) put(p, row, ArpCh, Lead, xmNote(thirdBelow(midi(token))), b.melodyVolume * 3 / 5);
      }
      row += 2;
    }
  }

  int add(const Block& b) {
    XmPattern p;
    p.rows = 64;
    p.cells.assign(64 * Channels, XmCell{});
    // Notes held over from the pattern before stop where their part rests.
    if (!(b.parts & (BassLong | BassMain))) release(p, 0, BassCh);
    if (b.melody < 0) release(p, 0, LeadCh);
    if (!(b.parts & (ArpSlow | ArpFast | Harmony))) release(p, 0, ArpCh);
    drums(p, b);
    harmony(p, b);
    melody(p, b);
    patterns.push_back(p);
    return (int)patterns.size() - 1;
  }
};

} // namespace

std::string makeDemoModule() {
  XmModule m;
  m.title = "zub demo tune";
  m.channels = Channels;
  m.speed = 6;
  m.bpm = 120; // 4 rows a beat: 120 beats a minute, 8 seconds a pattern
  m.instruments = {kick(), snare(), oneShot("closed hat", metal(0.09, 45, 0x1A2B3Cu), 40, 150),
                   oneShot("open hat", metal(0.5, 8, 0x2B3C4Du), 40, 150), oneShot("crash", metal(2.2, 1.8, 0x3C4D5Eu), 40, 110),
                   bass(), lead(), pluck(), pad()};

  const char* const a[4] = {"Am", "F", "C", "G"};
  const char* const b1[4] = {"Dm", "Am", "F", "G"};
  const char* const b2[4] = {"F", "G", "Em", "Am"};
  const char* const k1[4] = {"Am", "Em", "F", "C"};
  const char* const k2[4] = {"F", "G", "Am", "E"};
  const char* const o[4] = {"Am", "F", "G", "Am"};
  auto block = [](const char* const chords[4], unsigned parts, int melody, int volume) {
    return Block{{chords[0], chords[1], chords[2], chords[3]}, parts, melody, volume};
  };
  const unsigned mainA = KickMain | Snares | Hats8 | BassMain | ArpSlow | Pads;
  const unsigned mainB = KickFour | Snares | Hats16 | BassMain | ArpFast | Pads;
  const std::vector<Block> song = {
      // Intro: pads and a plucked arpeggio, then hats and bass, then half-time drums.
      block(a, Pads | ArpSlow, -1, 0),
      block(a, Pads | ArpSlow | Hats8 | BassLong, -1, 0),
      block(a, Pads | ArpSlow | Hats8 | BassMain | KickHalf | SnareHalf, -1, 0),
      block(a, Pads | ArpSlow | Hats8 | BassMain | KickMain | Snares | Fill, -1, 0),
      // First main part: the theme.
      block(a, mainA | CrashIn, 0, 48),
      block(a, mainA, 1, 48),
      block(a, mainA, 0, 48),
      block(a, mainA | Fill, 2, 48),
      // Second main part: the second theme over busier drums.
      block(b1, mainB | CrashIn, 3, 50),
      block(b2, mainB, 4, 50),
      block(b1, mainB, 3, 50),
      block(b2, mainB | Fill, 5, 50),
      // Break: no drums, long notes, then a build-up.
      block(k1, Pads | ArpSlow | Soft, -1, 0),
      block(k1, Pads | ArpSlow | BassLong | Soft, 6, 36),
      block(k2, Pads | ArpFast | BassMain | Hats16 | Build, -1, 0),
      // The theme again, doubled a third below.
      block(a, (mainA & ~ArpSlow) | Hats16 | Harmony | CrashIn, 0, 50),
      block(a, (mainA & ~ArpSlow) | Hats16 | Harmony, 1, 50),
      block(a, (mainA & ~ArpSlow) | Hats16 | Harmony, 0, 50),
      block(a, (mainA & ~ArpSlow) | Hats16 | Harmony | Fill, 2, 50),
      // Outro: the drums stop and everything releases before the tune starts over.
      block(o, mainA | Ending, 7, 44),
  };
  Composer composer;
  for (const Block& b : song) m.order.push_back(composer.add(b));
  m.patterns = composer.patterns;
  return writeXm(m);
}

} // namespace zub
