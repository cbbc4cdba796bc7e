// The photosensitivity notice zubdemo shows before the timeline starts (and so before its clocks).
#pragma once

class DisplayConsole;

// Shows the notice for a few seconds, or until a key or a click. False when the viewer ended the
// program there (Escape, closing the window). `reduced`: the flash limiter is on for this run.
bool showPhotosensitivityNotice(DisplayConsole& console, bool reduced);
