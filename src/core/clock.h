// The demo's millisecond clock: wall time since process start, or a virtual time that the
// offline renderer and the tests set by hand. Every timing in the demo reads this one clock.
#pragma once
#include <cstdint>

namespace zub {

// Milliseconds since the process started (or the virtual time, when one is installed).
int32_t clockNow();

// Switches the clock to virtual time, starting at `ms`; every read returns the set value.
void clockUseVirtual(int32_t ms);
// Sets the virtual time (only meaningful after clockUseVirtual).
void clockSetVirtual(int32_t ms);
// Back to wall time.
void clockUseWall();
bool clockIsVirtual();

// The viewer's pause and jumps: wall time that stands still while held, and can be made to read
// `ms` from now on (after a jump, or back from virtual time where a jump was rendered).
void clockHold(bool held);
bool clockHeld();
void clockContinueAt(int32_t ms);

} // namespace zub
