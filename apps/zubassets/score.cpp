#include "score.h"

namespace assets::tune {

const char* const melodies[] = {
    // 0, 1, 2: the main theme over Am F C G, an answer, and the answer closing
    "A4 . C5 . E5 . D5 C5 | D5 . C5 . A4 . . . | G4 . C5 . E5 . G5 . | F5 . E5 D5 . . B4 .",
    "A4 . C5 . E5 . A5 . | G5 . F5 . E5 . C5 . | E5 . D5 . C5 . G4 . | B4 . C5 . D5 . - .",
    "A4 . C5 . E5 . A5 . | G5 . F5 . E5 . C5 . | E5 . D5 . C5 . E5 . | D5 . . . B4 . D5 .",
    // 3, 4, 5: the second theme over Dm Am F G / F G Em Am
    "F5 . . . E5 . D5 . | E5 . . . C5 . A4 . | C5 . D5 . F5 . A5 . | G5 . . . . . D5 .",
    "A5 . G5 . F5 . C5 . | D5 . . . B4 . G4 . | B4 . . . E5 . G5 . | A5 . . . . . - .",
    "A5 . G5 . F5 . C5 . | D5 . . . B4 . G4 . | B4 . . . E5 . G5 . | E5 . . . . . - .",
    // 6: long notes, over Am Em F C
    "E5 . . . . . . . | B4 . . . . . . . | C5 . . . A4 . . . | G4 . . . . . - .",
    // 7: the last statement, over Am F G Am
    "E5 . D5 C5 . . A4 . | C5 . . . A4 . . . | B4 . . . D5 . . . | A4 . . . . . . -",
    // 8: a slow line for the portraits, over F C G Am
    "A4 . . . C5 . . . | G4 . . . E4 . . . | D5 . . . B4 . G4 . | C5 . . . . . - .",
    // 9: a riff for the half-time scene, over Dm Dm F G
    "D5 . . D5 . . F5 . | . . D5 . C5 . A4 . | C5 . . C5 . . F5 . | G5 . F5 . D5 . - .",
};

namespace {

using Chords = const char* const[4];
Block block(Chords chords, unsigned parts, int melody = -1, int melodyVolume = 0) {
  return Block{{chords[0], chords[1], chords[2], chords[3]}, parts, melody, melodyVolume};
}

} // namespace

std::vector<Cue> cues() {
  static Chords a = {"Am", "F", "C", "G"}, b1 = {"Dm", "Am", "F", "G"}, b2 = {"F", "G", "Em", "Am"},
                k1 = {"Am", "Em", "F", "C"}, k2 = {"F", "G", "Am", "E"}, o = {"Am", "F", "G", "Am"},
                q1 = {"F", "C", "G", "Am"}, r1 = {"Dm", "Dm", "F", "G"}, fe = {"F", "G", "E", "E"}, am = {"Am", "Am", "Am", "Am"};
  const unsigned mainA = KickMain | Snares | Hats8 | BassMain | ArpSlow | Pads;
  const unsigned mainB = KickFour | Snares | Hats16 | BassMain | ArpFast | Pads;
  const unsigned doubled = (mainA & ~ArpSlow) | Hats16 | Harmony;
  return {
      // The logo: pads and a plucked arpeggio; bass and hats with the second picture.
      {0, 0, {116, 70, 0, {block(a, Pads | ArpSlow | Soft)}}},
      {0, 4, {116, 75, CrashIn | RiseOut, {block(a, Pads | ArpSlow | Hats8 | BassLong)}}},
      // The logo objects: the drums come in, then the theme.
      {1, 0,
       {120, 90, CrashIn | Drop,
        {block(k1, KickHalf | SnareHalf | Hats8 | BassMain | ArpSlow | Pads, 6, 40), block(a, mainA, 0, 46),
         block(a, mainA, 2, 46)}}},
      // The video: busier, the second theme; the picture that fades in over it gets its own bars.
      {2, 0, {124, 95, CrashIn | Drop, {block(b1, mainB, 3, 48), block(b2, mainB, 4, 48)}}},
      {2, 4, {124, 90, CrashIn, {block(k2, KickFour | SnareHalf | Hats8 | BassLong | Pads)}}},
      // The bazooka: half time and a riff.
      {3, 0, {116, 90, CrashIn | Drop, {block(r1, KickHalf | SnareHalf | Hats8 | BassMain | Pads, 9, 46)}}},
      // The dot: driving.
      {4, 0, {126, 95, CrashIn | RiseOut, {block(a, mainB, 0, 50), block(a, mainB, 1, 50)}}},
      {4, 5, {126, 100, CrashIn | Drop, {block(b1, mainB, 3, 50), block(b2, mainB, 4, 50)}}},
      // The balls: the theme doubled, then the second theme doubled with the clip.
      {5, 0, {128, 100, CrashIn | Drop, {block(a, doubled, 0, 50), block(a, doubled, 1, 50)}}},
      {5, 6, {128, 100, CrashIn, {block(b1, mainB | Harmony, 3, 50), block(b2, mainB | Harmony, 5, 50)}}},
      // The landscape: flying in; the strobes; the clip in waves; the scrambled object.
      {6, 0, {120, 90, CrashIn | Drop, {block(k1, mainA, 6, 44), block(a, mainA, 1, 46)}}},
      {6, 4, {126, 100, CrashIn, {block(k2, KickFour | Stabs | BassMain | Pads | ArpFast)}}},
      {6, 8, {124, 100, CrashIn | Drop, {block(b1, mainB, 3, 48), block(b2, mainB, 4, 48)}}},
      {6, 11, {120, 90, CrashIn, {block(k1, KickHalf | SnareHalf | Hats16 | BassLong | Pads | ArpFast)}}},
      // The greetings and the portrait: quiet.
      {7, 0, {112, 35, CrashIn | Drop, {block(q1, Pads | ArpSlow | Soft | BassLong, 8, 36)}}},
      {8, 0, {112, 40, CrashIn, {block(k1, Pads | ArpSlow | Soft | Hats8 | BassLong, 6, 38)}}},
      {8, 5,
       {116, 60, CrashIn | RiseOut,
        {block(q1, KickHalf | SnareHalf | Hats8 | BassMain | Pads | ArpSlow, 8, 42), block(k2, mainA)}}},
      // The bump-mapped ball: driving again.
      {9, 0, {128, 100, CrashIn | Drop, {block(a, mainB | Harmony, 0, 50), block(a, mainB | Harmony, 2, 50)}}},
      // The static, and its wash to white: a roll swelling into the finale.
      {10, 0, {124, 90, CrashIn, {block(k2, KickFour | Hats16 | BassMain | Pads | ArpFast)}}},
      {10, 2, {124, 90, 0, {block(fe, Roll | Pads | BassLong)}}},
      // The finale: the last statement, a cadence while the object dissolves, the last chord.
      {11, 0, {116, 90, CrashIn | Drop, {block(o, mainA, 7, 46), block(a, mainA, 2, 46)}}},
      {11, 4, {116, 80, CrashIn | RiseOut, {block(fe, KickHalf | Hats8 | BassLong | Pads | ArpSlow)}}},
      {11, 5, {116, 90, CrashIn | Drop, {block(am, Final)}}},
  };
}


} // namespace assets::tune
