#include "safety/flash_stretches.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zub {

// Measured over the whole timeline (zubrender --flash-report -); the timeline test keeps it true.
const PublishedStretch publishedFlashStretches[] = {
    {37, 52, false},   {64, 67, false},   {117, 121, false}, {140, 150, true},
    {166, 177, false}, {213, 219, false}, {229, 234, false},
};
const int publishedFlashStretchCount = (int)(sizeof publishedFlashStretches / sizeof publishedFlashStretches[0]);

namespace {
const double bridge = 1.0;  // seconds: failing frames closer than this belong to one stretch
const int publishedGap = 5; // seconds: published stretches closer than this are given as one
const char* const kindNames[2] = {"general", "red"};
} // namespace

StretchCollector::StretchCollector() {
  found[0].reserve(64);
  found[1].reserve(64);
}

void StretchCollector::add(double seconds, const FlashVerdict& verdict) {
  ++framesSeen;
  if (verdict.failing()) ++failingFrames;
  for (int kind = 0; kind < 2; ++kind) {
    if (!verdict.fails[kind]) continue;
    ++failingFramesOf[kind];
    std::vector<FailingStretch>& list = found[kind];
    if (!list.empty() && seconds - list.back().end < bridge) {
      list.back().end = seconds;
      list.back().mostFlashesPerSecond = std::max(list.back().mostFlashesPerSecond, verdict.flashesPerSecond[kind]);
    } else {
      list.push_back({seconds, seconds, (FlashKind)kind, verdict.flashesPerSecond[kind]});
    }
  }
}

std::vector<FailingStretch> StretchCollector::stretches() const {
  std::vector<FailingStretch> all(found[0]);
  all.insert(all.end(), found[1].begin(), found[1].end());
  std::stable_sort(all.begin(), all.end(), [](const FailingStretch& a, const FailingStretch& b) { return a.start < b.start; });
  return all;
}

std::vector<PublishedStretch> publishable(const std::vector<FailingStretch>& stretches) {
  std::vector<PublishedStretch> out;
  for (const FailingStretch& s : stretches) { // ordered by start
    PublishedStretch p{(int)std::floor(s.start), (int)std::ceil(s.end), s.kind == RedFlash};
    if (!out.empty() && p.start < out.back().end + publishedGap) {
      out.back().end = std::max(out.back().end, p.end);
      out.back().red = out.back().red || p.red;
    } else {
      out.push_back(p);
    }
  }
  return out;
}

std::string flashStretchList() {
  std::string text;
  for (int i = 0; i < publishedFlashStretchCount; ++i) {
    const PublishedStretch& s = publishedFlashStretches[i];
    char item[64];
    snprintf(item, sizeof item, "%s%d:%02d-%d:%02d%s", i ? ", " : "", s.start / 60, s.start % 60, s.end / 60,
             s.end % 60, s.red ? " (red flashes too)" : "");
    text += item;
  }
  return text;
}

std::string flashReportJson(const StretchCollector& collector, double from, double to, bool reduced) {
  std::string json;
  char line[256];
  snprintf(line, sizeof line, "{\n  \"from\": %.3f,\n  \"to\": %.3f,\n  \"frames\": %d,\n  \"reduce_flashes\": %s,\n",
           from, to, collector.framesSeen, reduced ? "true" : "false");
  json += line;
  snprintf(line, sizeof line,
           "  \"rule\": {\"cell_pixels\": %d, \"field_pixels\": [%d, %d], \"area_share_of_field\": 0.25, "
           "\"transitions_per_second_allowed\": %d},\n",
           FlashAnalyser::cellSize, FlashAnalyser::fieldColumns * FlashAnalyser::cellSize,
           FlashAnalyser::fieldRows * FlashAnalyser::cellSize, FlashAnalyser::maxTransitions);
  json += line;
  json += "  \"stretches\": [";
  std::vector<FailingStretch> all = collector.stretches();
  int counts[2] = {0, 0};
  for (size_t i = 0; i < all.size(); ++i) {
    const FailingStretch& s = all[i];
    snprintf(line, sizeof line, "%s\n    {\"start\": %.3f, \"end\": %.3f, \"kind\": \"%s\", \"most_flashes_in_one_second\": %.1f}",
             i ? "," : "", s.start, s.end, kindNames[s.kind], s.mostFlashesPerSecond);
    json += line;
    ++counts[s.kind];
  }
  json += all.empty() ? "],\n" : "\n  ],\n";
  snprintf(line, sizeof line,
           "  \"summary\": {\"passes\": %s, \"failing_frames\": %d, \"general_stretches\": %d, \"red_stretches\": %d, "
           "\"general_failing_frames\": %d, \"red_failing_frames\": %d}\n}\n",
           collector.failingFrames ? "false" : "true", collector.failingFrames, counts[0], counts[1],
           collector.failingFramesOf[0], collector.failingFramesOf[1]);
  json += line;
  return json;
}

} // namespace zub
