// The arrangement: a list of cues (a scene, or a step inside one) each with the style of the
// phrase it opens. Every phrase gets a whole number of beats and a tempo near its style's, chosen
// so it ends where the next cue happens; what is left over (less than a beat) is taken up by a
// few rows one tick shorter or longer at the phrase's end, so no phrase starts more than half a
// tick away from its moment on the screen.
#include "arrangement.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <libopenmpt/libopenmpt.h>

#include "instruments.h"
#include "lfsr.h"
#include "score.h"
#include "music/midas.h"

namespace assets {

using zub::XmCell;
using zub::XmModule;
using zub::XmPattern;
using namespace tune;

namespace {

enum Channel { KickCh, SnareCh, HatCh, BassCh, LeadCh, ArpCh, PadCh1, PadCh2, Channels };

// XM effects on the kick and snare channels' effect columns carry the timing.
const int effectSpeedOrTempo = 0x0F; // parameter below 0x20: ticks per row; else beats a minute
const int effectGlobalVolume = 0x10;
const int rowsPerBeat = 4, ticksPerRow = 6;

// A tick as the player counts it: 2.5 / bpm seconds, cut to whole samples of its output.
double tickSeconds(int bpm) { return std::floor(midasSampleRate * 2.5 / bpm) / midasSampleRate; }
// Percent on every volume of every phrase: the pattern volumes below are written for balance, and
// the player's mix leaves room to spare at full global volume.
const int mixGain = 210;

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

// The phrase's length in beats and its tempo: the whole number of beats at a tempo near the
// style's that comes closest to `seconds`, whole bars preferred.
struct Fit {
  int beats, bpm;
};
Fit fitPhrase(double seconds, int preferredBpm) {
  Fit best{1, preferredBpm};
  double bestCost = 1e9;
  for (int bpm = preferredBpm - 8; bpm <= preferredBpm + 8; ++bpm) {
    const int around = (int)std::lround(seconds * bpm / 60);
    for (int beats = std::max(1, around - 2); beats <= around + 2; ++beats) {
      double cost = std::fabs(beats * rowsPerBeat * ticksPerRow * tickSeconds(bpm) - seconds) + 0.003 * std::abs(bpm - preferredBpm) +
                    (beats % 4 && beats > 4 ? 0.06 : 0);
      if (cost < bestCost) bestCost = cost, best = {beats, bpm};
    }
  }
  return best;
}

struct Composer {
  std::vector<XmPattern> patterns;
  Lfsr lfsr{0x5EEDu};
  int pad1 = midi("C5"), pad2 = midi("E4"); // the pad voices move to the nearest chord tone
  int gain = 100;                           // of the phrase being written

  XmCell& at(XmPattern& p, int row, int channel) { return p.cells[row * Channels + channel]; }
  void put(XmPattern& p, int row, int channel, int instrument, int note, int volume = -1) {
    XmCell& c = at(p, row, channel);
    c.note = (uint8_t)note;
    c.instrument = (uint8_t)instrument;
    c.volume = volume >= 0 ? (uint8_t)(0x10 + std::min(volume * gain * mixGain / 10000, 64)) : 0;
  }
  void effect(XmPattern& p, int row, int channel, int effect, int param) {
    at(p, row, channel).effect = (uint8_t)effect;
    at(p, row, channel).param = (uint8_t)param;
  }
  void release(XmPattern& p, int row, int channel) { at(p, row, channel).note = zub::xmKeyOff; }

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

  // One bar's drums from `row` on, `steps` sixteenths long. `fill`: a snare fill closes the
  // phrase; `progress` runs 0 to 1 over the phrase (the roll grows with it).
  void drums(XmPattern& p, int row0, int steps, unsigned parts, bool firstBar, unsigned edges, bool fill, int gap,
             double progress, double progressStep) {
    const int end = steps - gap; // the drums stop here, and the fill ends here
    for (int step = 0; step < end; ++step) {
      const int row = row0 + step;
      bool kick = false;
      if (parts & KickHalf) kick = step == 0 || step == 10;
      if (parts & KickMain) kick = step == 0 || step == 8 || (step == 10 && lfsr.chance(50));
      if (parts & (KickFour | Stabs)) kick = step % 4 == 0;
      if (fill && end - step <= 4 && step % 2) kick = false;
      if (kick) put(p, row, KickCh, Kick, 49, step == 0 ? 42 : 38);

      int snare = -1;
      if (parts & Snares) {
        if (step == 4 || step == 12) snare = 50;
        else if ((step == 7 || step == 15) && lfsr.chance(30)) snare = 14; // ghost notes
      }
      if ((parts & SnareHalf) && step == 8) snare = 48;
      if ((parts & Stabs) && step % 2 == 0) snare = step % 4 == 0 ? 40 : 26;
      if (parts & Roll) snare = (int)(10 + 50 * (progress + step * progressStep));
      if (fill && step >= end - 6 && step >= 2 && (step == end - 6 || step >= end - 4)) snare = 34 + (6 - (end - step)) * 5;
      if (snare >= 0) put(p, row, SnareCh, Snare, 49, snare);

      if ((edges & CrashIn) && firstBar && step < 8) continue; // the cymbal rings
      if ((parts & Stabs) && step == 0) {
        put(p, row, HatCh, Crash, 49, 40);
        continue;
      }
      int hat = -1;
      if ((parts & Hats8) && step % 2 == 0) hat = step % 4 == 2 ? 34 : 20;
      if (parts & Hats16) hat = step % 4 == 2 ? 36 : step % 2 == 0 ? 24 : 12 + (int)(lfsr.next() % 6);
      if (hat >= 0) {
        const bool open = fill && step == end - 2;
        put(p, row, HatCh, open ? OpenHat : ClosedHat, 49, open ? 30 : hat);
      }
    }
  }

  void harmony(XmPattern& p, int row, int steps, unsigned parts, Chord c, bool lastBar) {
    // Bass: the root between E2 and D#3.
    const int root = midi("E2") + ((c.root - 4) % 12 + 12) % 12;
    if (parts & (BassLong | Final)) put(p, row, BassCh, Bass, xmNote(root), 44);
    if (parts & BassMain) {
      const int at[6] = {0, 3, 6, 8, 11, 14}, octave[6] = {0, 0, 12, 0, 0, 12};
      for (int i = 0; i < 6 && at[i] < steps; ++i) {
        put(p, row + at[i], BassCh, Bass, xmNote(root + octave[i]), i == 0 ? 52 : 44);
        if (at[i] + 2 < steps) release(p, row + at[i] + 2, BassCh);
      }
    }
    // Plucked arpeggio: root, third, fifth and octave around the fourth octave.
    const int base = midi("A3") + ((c.root - 9) % 12 + 12) % 12;
    const int tones[6] = {base, base + c.third, base + 7, base + 12, base + 7, base + c.third};
    if (parts & (ArpSlow | ArpFast)) {
      const int every = (parts & ArpFast) ? 1 : 2;
      for (int step = 0, i = 0; step < steps; step += every, ++i)
        put(p, row + step, ArpCh, Pluck, xmNote(tones[i % 6] + ((parts & ArpFast) && lastBar ? 12 : 0)),
            (parts & ArpFast) ? (step % 4 == 0 ? 30 : 20) : (parts & Soft) ? 18 : 26);
    }
    if (parts & Final) put(p, row, ArpCh, Pluck, xmNote(base + 12), 40);
    // Pads: two voices on the chord's upper tones, restruck only when they move.
    if (parts & (Pads | Final)) {
      const int a = nearestTone(c, pad1, -1), d = nearestTone(c, pad2, a);
      const int volume = (parts & Soft) ? 30 : 40;
      // Set-panning effects spread the two voices; a struck note resets the sample's centre.
      if (a != pad1 || (parts & Final)) put(p, row, PadCh1, Pad, xmNote(a), volume), effect(p, row, PadCh1, 0x08, 0x50);
      if (d != pad2 || (parts & Final)) put(p, row, PadCh2, Pad, xmNote(d), volume), effect(p, row, PadCh2, 0x08, 0xB0);
      pad1 = a;
      pad2 = d;
    }
    if ((parts & Final) && steps > rowsPerBeat)
      for (int ch : {BassCh, ArpCh, PadCh1, PadCh2, LeadCh}) release(p, row + rowsPerBeat, ch);
  }

  // One bar of the melody: eight eighth notes from the block's line.
  void melody(XmPattern& p, int row, int steps, const Block& b, int bar) {
    if (b.melody < 0) return;
    std::vector<std::string> tokens;
    std::string line = melodies[b.melody];
    for (size_t at = 0; at < line.size();) {
      size_t end = line.find(' ', at);
      if (end == std::string::npos) end = line.size();
      std::string token = line.substr(at, end - at);
      at = end + 1;
      if (!token.empty() && token != "|") tokens.push_back(token);
    }
    for (int i = 0; i < 8 && 2 * i < steps; ++i) {
      const std::string& token = tokens[(size_t)(bar * 8 + i)];
      if (token == "-") {
        release(p, row + 2 * i, LeadCh);
        if (b.parts & Harmony) release(p, row + 2 * i, ArpCh);
      } else if (token != ".") {
        put(p, row + 2 * i, LeadCh, Lead, xmNote(midi(token)), b.melodyVolume);
        if (b.parts & Harmony) put(p, row + 2 * i, ArpCh, Lead, xmNote(thirdBelow(midi(token))), b.melodyVolume * 3 / 5);
      }
    }
  }

  // A new pattern of `rows`, where parts that rest stop the notes held over from before.
  XmPattern& startPattern(int rows, const Block& b) {
    XmPattern p;
    p.rows = rows;
    p.cells.assign((size_t)rows * Channels, XmCell{});
    patterns.push_back(p);
    XmPattern& q = patterns.back();
    if (!(b.parts & (BassLong | BassMain | Final))) release(q, 0, BassCh);
    if (b.melody < 0) release(q, 0, LeadCh);
    if (!(b.parts & (ArpSlow | ArpFast | Harmony | Final))) release(q, 0, ArpCh);
    if (!(b.parts & (Pads | Final))) release(q, 0, PadCh1), release(q, 0, PadCh2);
    return q;
  }

  // Writes a phrase of `beats` beats at `bpm` as patterns of up to four bars, the last `adjust`
  // rows (sign: longer or shorter) one tick off. Returns its first order position.
  int phrase(const Style& style, int beats, int bpm, int adjust, unsigned nextEdges) {
    gain = style.gain;
    const int first = (int)patterns.size(), totalRows = beats * rowsPerBeat, bars = (beats + 3) / 4;
    const int riseRow =
        (style.edges & RiseOut) ? std::max(0, totalRows - reverseCrashRows) : -1;
    const bool drumsPlay = std::any_of(style.blocks.begin(), style.blocks.end(),
                                       [](const Block& b) { return b.parts & (Snares | SnareHalf | Stabs); });
    // A moment of near silence before a phrase that opens on a cymbal, so its first beat is heard
    // as the cut: a beat before a drop, half a beat before a plain cymbal.
    const int gap = std::min(totalRows / 2, (nextEdges & Drop) ? rowsPerBeat : (nextEdges & CrashIn) ? 2 : 0);
    int rowInPhrase = 0;
    for (int bar = 0; bar < bars;) {
      const Block& b = style.blocks[(size_t)(bar / 4) % style.blocks.size()];
      const int barsHere = std::min(4, bars - bar);
      const int rows = std::min(barsHere * 16, totalRows - rowInPhrase);
      XmPattern& p = startPattern(rows, b);
      for (int k = 0; k < barsHere; ++k) {
        const int row = k * 16, steps = std::min(16, rows - row);
        const bool firstBar = bar + k == 0, lastBar = bar + k == bars - 1;
        const double progress = (double)(rowInPhrase + row) / totalRows;
        drums(p, row, steps, b.parts, firstBar, style.edges, lastBar && drumsPlay, lastBar ? std::min(gap, steps) : 0,
              progress, 1.0 / totalRows);
        harmony(p, row, steps, b.parts & (firstBar ? ~0u : ~(unsigned)Final), chord(b.chords[(bar + k) % 4]), lastBar);
        melody(p, row, steps, b, (bar + k) % 4);
      }
      for (int r = 0; r < rows; ++r) {
        const int inPhrase = rowInPhrase + r;
        if (inPhrase == 0) {
          // The cut is heard in the quiet scenes too.
          gain = std::max(style.gain, 85);
          if (style.edges & CrashIn) put(p, 0, HatCh, Crash, 49, 52);
          if (style.edges & Drop) put(p, 0, KickCh, Boom, 49, 42), put(p, 0, SnareCh, Snare, 49, 40);
          effect(p, 0, KickCh, effectSpeedOrTempo, bpm);
          effect(p, 0, SnareCh, effectSpeedOrTempo, ticksPerRow);
          gain = style.gain;
        }
        if (gap > 0 && inPhrase >= totalRows - gap) {
          for (int ch : {BassCh, LeadCh, ArpCh}) at(p, r, ch) = XmCell{};
          if (inPhrase == totalRows - gap)
            for (int ch : {BassCh, LeadCh, ArpCh}) release(p, r, ch);
        }
        if (inPhrase == riseRow) put(p, r, HatCh, ReverseCrash, 49, 44);
        if (riseRow >= 0 && inPhrase > riseRow) at(p, r, HatCh) = XmCell{}; // hats would cut the swell
        if (inPhrase > 0 && inPhrase >= totalRows - std::abs(adjust))
          effect(p, r, SnareCh, effectSpeedOrTempo, ticksPerRow + (adjust > 0 ? 1 : -1));
      }
      rowInPhrase += rows;
      bar += barsHere;
    }
    return first;
  }
};

} // namespace

Tune composeTune(const TimelineTimes& times) {
  Tune tune;
  XmModule& m = tune.module;
  m.title = "zub demo tune";
  m.channels = Channels;
  m.speed = ticksPerRow;
  m.bpm = 120;
  m.instruments = tuneInstruments();

  std::vector<Cue> list;
  for (const Cue& c : cues())
    if (c.scene < (int)times.stepStarts.size() && c.step < (int)times.stepStarts[(size_t)c.scene].size())
      list.push_back(c);
  Composer composer;
  double now = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    const Cue& c = list[i];
    const double target = times.stepStarts[(size_t)c.scene][(size_t)c.step];
    const double end = i + 1 < list.size() ? times.stepStarts[(size_t)list[i + 1].scene][(size_t)list[i + 1].step] : times.end;
    const Fit fit = fitPhrase(end - now, c.style.bpm);
    const double tick = tickSeconds(fit.bpm);
    const int rows = fit.beats * rowsPerBeat;
    const int most = std::min(rows - 1, 32);
    const int adjust = std::clamp((int)std::lround((end - now - rows * ticksPerRow * tick) / tick), -most, most);
    const unsigned nextEdges = i + 1 < list.size() ? list[i + 1].style.edges : 0;
    const int order = composer.phrase(c.style, fit.beats, fit.bpm, adjust, nextEdges);
    tune.phrases.push_back({c.scene, c.step, order, now, target, ticksPerRow * tick});
    now += (rows * ticksPerRow + adjust) * tick;
  }
  // Eight silent rows to close on; the module loops on it, so nothing of the tune comes again.
  XmPattern silence;
  silence.rows = 8;
  silence.cells.assign(8 * Channels, XmCell{});
  for (int ch = 0; ch < Channels; ++ch) silence.cells[(size_t)ch].note = zub::xmKeyOff;
  silence.cells[SnareCh].effect = (uint8_t)effectSpeedOrTempo;
  silence.cells[SnareCh].param = (uint8_t)ticksPerRow;
  composer.patterns.push_back(silence);
  tune.seconds = now;
  m.patterns = composer.patterns;
  for (int i = 0; i < (int)m.patterns.size(); ++i) m.order.push_back(i);
  m.restart = (int)m.order.size() - 1;
  return tune;
}

namespace {

void ignoreLog(const char*, void*) {}

// The highest absolute sample of one pass of the module, as the player renders it (48 kHz).
double peakOf(const std::string& bytes) {
  openmpt_module* module = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), ignoreLog, nullptr, nullptr,
                                                              nullptr, nullptr, nullptr, nullptr);
  if (!module) return 0;
  openmpt_module_set_repeat_count(module, 0);
  std::vector<float> buffer(2 * 4800);
  double peak = 0;
  for (;;) {
    size_t n = openmpt_module_read_interleaved_float_stereo(module, 48000, 4800, buffer.data());
    if (n == 0) break;
    for (size_t i = 0; i < 2 * n; ++i) peak = std::max(peak, (double)std::fabs(buffer[i]));
  }
  openmpt_module_destroy(module);
  return peak;
}

} // namespace

std::string makeDemoModule() {
  Tune tune = composeTune(timelineTimes());
  // The loudest moment decides the level: the global volume (0..64, linear) that brings the
  // peak nearest to -0.6 dBFS without passing it.
  const double peak = peakOf(zub::writeXm(tune.module));
  const double wanted = std::pow(10.0, -0.6 / 20);
  const int volume = peak > 0 ? std::clamp((int)std::floor(64 * wanted / peak), 1, 64) : 64;
  XmCell& first = tune.module.patterns[0].cells[HatCh];
  first.effect = (uint8_t)effectGlobalVolume;
  first.param = (uint8_t)volume;
  double offset = 0;
  for (const PhraseStart& ph : tune.phrases) offset = std::max(offset, std::fabs(ph.seconds - ph.target));
  fprintf(stderr, "zubassets: tune of %.3f s in %zu phrases, each within %.0f ms of its moment; global volume %d\n",
          tune.seconds, tune.phrases.size(), offset * 1000, volume);
  return zub::writeXm(tune.module);
}

} // namespace assets
