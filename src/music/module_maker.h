// A small four-channel module of our own (the classic 31-sample "M.K." layout): synthesized
// drum, bass and lead samples and a short looping pattern sequence. The asset generator writes
// it as music.dat; the tests use it as a known-good module.
#pragma once
#include <string>

namespace zub {

std::string makeDemoModule();

} // namespace zub
