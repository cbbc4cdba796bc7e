// The tune's score: the parts a bar can play, how phrases open and close, the melodies, and the
// cues (the moments of the timeline the music follows, each with the style of its phrase). Data
// for the arrangement (arrangement.cpp), laid out to be read and changed like a cue sheet.
#pragma once
#include <vector>

namespace assets::tune {

// What plays in a bar of a phrase.
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
  Soft = 1 << 13,     // pads and arpeggio held back
  Stabs = 1 << 14,    // a cymbal and kick on every bar, snares in eighths: the strobes
  Roll = 1 << 15,     // a snare roll growing over the whole phrase
  Final = 1 << 16,    // the last chord, struck once and let go after a beat
};

// How a phrase opens and closes.
enum Edge : unsigned {
  CrashIn = 1 << 0, // a cymbal on the first beat (the hats wait two beats for it)
  Drop = 1 << 1,    // the deep kick instead of the plain one on the first beat
  RiseOut = 1 << 2, // a reversed cymbal swelling into the next phrase
};

struct Block {
  const char* chords[4];
  unsigned parts;
  int melody; // index into melodies, -1 none
  int melodyVolume;
};

struct Style {
  int bpm;                   // the tempo the phrase keeps near
  int gain;                  // percent applied to every volume of the phrase
  unsigned edges;
  std::vector<Block> blocks; // four bars each, played in turn
};

struct Cue {
  int scene, step;
  Style style;
};

// The melodies, eight eighth notes a bar and four bars a line: a note name, "." holds, "-"
// releases; "|" only separates the bars.
extern const char* const melodies[];

// The moments the music follows, in timeline order, and the phrase each opens.
std::vector<Cue> cues();

} // namespace assets::tune
