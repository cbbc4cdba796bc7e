// The FastTracker 2 extended module (XM) file layout: a module held as plain data (patterns of
// cells, instruments with one 16-bit sample and a volume envelope each) and the writer that
// turns it into the bytes of an .xm file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zub {

const int xmKeyOff = 97; // the note value that releases a note

// One pattern cell. Zero means "nothing" for every field; volume uses the volume-column codes
// (0x10 + 0..64 sets the volume).
struct XmCell {
  uint8_t note = 0; // 1 = C-0 .. 96 = B-7, or xmKeyOff
  uint8_t instrument = 0;
  uint8_t volume = 0;
  uint8_t effect = 0;
  uint8_t param = 0;
};

struct XmPattern {
  int rows = 64;
  std::vector<XmCell> cells; // rows * channels, row by row
};

struct XmEnvelopePoint {
  int tick;
  int value; // 0..64
};

struct XmInstrument {
  std::string name;
  // The sample: signed 16-bit, played at 8363 Hz for C-4 shifted by relativeNote semitones.
  std::vector<int16_t> data;
  int loopStart = 0, loopLength = 0; // in sample frames; no loop when loopLength is 0
  int volume = 64;                   // 0..64
  int panning = 128;                 // 0 = left, 255 = right
  int relativeNote = 0;
  int finetune = 0;                  // -128..127, 1/128 semitone
  std::vector<XmEnvelopePoint> envelope; // volume envelope; empty = off
  int sustainPoint = -1;                 // envelope point held until key-off; -1 = none
  int fadeout = 0;                       // volume taken away per tick after key-off (of 65536)
  int vibratoDepth = 0, vibratoRate = 0, vibratoSweep = 0; // automatic sine vibrato
};

struct XmModule {
  std::string title;
  int channels = 8;
  int speed = 6; // ticks per row
  int bpm = 125;
  int restart = 0; // order position played after the last one
  std::vector<int> order;
  std::vector<XmPattern> patterns;
  std::vector<XmInstrument> instruments;
};

// The module as an XM file (version 1.04, linear frequency table, packed pattern data,
// delta-coded sample data).
std::string writeXm(const XmModule& module);

} // namespace zub
