// Where the demo flashes: the failing stretches that the analyser finds in a run of frames, and the
// published list of them that every warning (the program's help and notice, the README, the menu
// entry, the Windows README, the web page) shows. A test runs the analyser over the whole timeline
// and fails when the published list and the measured stretches disagree.
#pragma once
#include <string>
#include <vector>

#include "safety/flash_analyser.h"

namespace zub {

// A run of failing frames of one kind; gaps shorter than a second are bridged.
struct FailingStretch {
  double start, end;       // seconds of the timeline: the first and the last failing frame
  FlashKind kind;
  float mostFlashesPerSecond;
};

// Collects the verdicts of frames, in time order, into failing stretches.
class StretchCollector {
public:
  StretchCollector();
  void add(double seconds, const FlashVerdict& verdict);
  // The stretches so far, ordered by start.
  std::vector<FailingStretch> stretches() const;
  int framesSeen = 0, failingFrames = 0;
  int failingFramesOf[2] = {0, 0};

private:
  std::vector<FailingStretch> found[2];
  bool open[2] = {false, false};
};

// A stretch as the warnings give it: whole seconds, rounded outward; red when red flashes fail in it.
struct PublishedStretch {
  int start, end;
  bool red;
  bool operator==(const PublishedStretch&) const = default;
};

extern const PublishedStretch publishedFlashStretches[];
extern const int publishedFlashStretchCount;

// The stretches of both kinds, rounded outward to whole seconds; those less than five seconds apart
// are given as one, a list a viewer can take in.
std::vector<PublishedStretch> publishable(const std::vector<FailingStretch>& stretches);

// "0:42-0:46, 0:49-0:52, 2:20-2:30 (red flashes too), ..." from the published list.
std::string flashStretchList();

// The report of zubrender --flash-report: every stretch and a summary, as JSON.
std::string flashReportJson(const StretchCollector& collector, double from, double to, bool reduced);

} // namespace zub
