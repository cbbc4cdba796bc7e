// The tune's synthesized instruments: drums, cymbals, bass, lead, pluck and pad, each one 16-bit
// sample made in code (the same bytes on every run), played by the arrangement (arrangement.h).
#pragma once
#include <vector>

#include "music/xm_writer.h"

namespace assets {

// Instrument numbers as the module's cells name them (1-based, in the order tuneInstruments gives).
enum TuneInstrument { Kick = 1, Snare, ClosedHat, OpenHat, Crash, Bass, Lead, Pluck, Pad, ReverseCrash, Boom };

std::vector<zub::XmInstrument> tuneInstruments();

// Rows the cymbal swell takes from its start to its peak, at the tune's six ticks a row.
extern const int reverseCrashRows;

} // namespace assets
