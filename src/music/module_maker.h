// The demo's tune, composed in code: synthesized drum, bass, lead, pluck and pad instruments
// and a 160-second arrangement (intro, two main parts, a break, the first main part again and
// an outro) over chord progressions in A minor, written as an eight-channel XM module.
#pragma once
#include <string>

namespace zub {

// The same bytes on every run; the asset generator writes them as music.dat.
std::string makeDemoModule();

} // namespace zub
