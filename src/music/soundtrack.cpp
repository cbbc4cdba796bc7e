#include "music/soundtrack.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <libopenmpt/libopenmpt.h>

#include "music/midas.h"
#include "core/datafile.h"

namespace zub {

namespace {

void put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back((uint8_t)v);
  b.push_back((uint8_t)(v >> 8));
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}

void ignoreLog(const char*, void*) {}

} // namespace

uint64_t wavFileBytes(uint64_t frames) { return 44 + frames * 4; }

Failure renderSoundtrack(const std::string& moduleName, const std::string& wavPath, int64_t skipFrames, int64_t frames,
                         void (*progress)(double, void*), void* progressData) {
  if (wavFileBytes((uint64_t)frames) > 0xFFFFFFFFull) return failure(1, "the soundtrack is too long for a WAV file\n");
  std::string bytes;
  if (!readDataFile(moduleName, bytes)) return failure(1, "cannot read %s: %s\n", moduleName.c_str(), strerror(errno));
  openmpt_module* module = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), ignoreLog, nullptr, nullptr,
                                                              nullptr, nullptr, nullptr, nullptr);
  if (!module) return failure(1, "cannot load %s: not a module the player can read\n", moduleName.c_str());
  openmpt_module_set_repeat_count(module, -1);
  openmpt_module_ctl_set_integer(module, "dither", 0);

  FILE* out = fopen(wavPath.c_str(), "wb");
  if (!out) {
    Failure cannot = failure(1, "cannot write %s: %s\n", wavPath.c_str(), strerror(errno));
    openmpt_module_destroy(module);
    return cannot;
  }
  std::vector<uint8_t> header;
  uint32_t dataBytes = (uint32_t)(frames * 4);
  header.insert(header.end(), {'R', 'I', 'F', 'F'});
  put32(header, 36 + dataBytes);
  header.insert(header.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put32(header, 16);
  put16(header, 1); // PCM
  put16(header, 2);
  put32(header, midasSampleRate);
  put32(header, midasSampleRate * 4);
  put16(header, 4);
  put16(header, 16);
  header.insert(header.end(), {'d', 'a', 't', 'a'});
  put32(header, dataBytes);
  bool ok = fwrite(header.data(), 1, header.size(), out) == header.size();

  const size_t chunk = 4800;
  std::vector<int16_t> buffer(chunk * 2);
  for (int64_t skipped = 0; ok && skipped < skipFrames;) {
    size_t n = (size_t)std::min<int64_t>((int64_t)chunk, skipFrames - skipped);
    openmpt_module_read_interleaved_stereo(module, midasSampleRate, n, buffer.data());
    skipped += (int64_t)n;
  }
  for (int64_t written = 0; ok && written < frames;) {
    size_t n = (size_t)std::min<int64_t>((int64_t)chunk, frames - written);
    size_t got = openmpt_module_read_interleaved_stereo(module, midasSampleRate, n, buffer.data());
    // Looping forever, the module never runs dry; pad with silence all the same.
    if (got < n) memset(buffer.data() + got * 2, 0, (n - got) * 4);
    // WAV samples are little-endian, as is every machine this builds on.
    ok = fwrite(buffer.data(), 4, n, out) == n;
    written += (int64_t)n;
    if (progress) progress((double)written / (double)frames, progressData);
  }
  openmpt_module_destroy(module);
  if (fclose(out) != 0) ok = false;
  if (!ok) return failure(1, "cannot write %s: %s\n", wavPath.c_str(), strerror(errno));
  return {};
}

} // namespace zub
