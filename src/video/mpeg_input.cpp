// The clip's bytes: read buffer with end-of-clip padding, the system layer that follows the first
// video stream through packs and packets, and the bit window the picture layers read from.
#include "video/mpeg_input.h"

#include <array>
#include <cstdarg>
#include <cstring>

#include "core/datafile.h"
#include "core/failure.h"

void mpegFatal(bool toStdout, const char* format, ...) {
  va_list args;
  va_start(args, format);
  MpegFatal failure;
  failure.toStdout = toStdout;
  failure.message = zub::formatText(format, args);
  va_end(args);
  throw failure;
}

void mpegWarning(bool quiet, const char* format, ...) {
  if (quiet) return;
  va_list args;
  va_start(args, format);
  vfprintf(stderr, format, args);
  va_end(args);
}

bool MpegInput::openFile(const char* path) {
  close();
  file = zub::openDataFile(path, "rb");
  return file != nullptr;
}

void MpegInput::openMemory(const uint8_t* data, size_t size) {
  close();
  memory = data;
  memorySize = size;
}

void MpegInput::close() {
  if (file) fclose(file);
  file = nullptr;
  memory = nullptr;
  memorySize = 0;
  memoryPos = 0;
}

void MpegInput::rewind(bool asSystemStream) {
  if (file) fseek(file, 0, SEEK_SET);
  memoryPos = 0;
  bufferPos = bufferLen = bufferReal = 0;
  clipEnded = false;
  systemStream = asSystemStream;
  payloadLeft = 0;
  packetsRead = 0;
  packVersion = 0;
  memset(streamPackets, 0, sizeof streamPackets);
  memset(streamFirstBytes, 0, sizeof streamFirstBytes);
  endOfStream = false;
  endCodePhase = 0;
  window = 0;
  bitCount = 0;
  refillWindow(window, bitCount);
}

namespace {

// A buffer's worth of sequence end codes, the padding after a clip's end.
constexpr std::array<uint8_t, MpegInput::kBufferSize> kEndCodes = [] {
  std::array<uint8_t, MpegInput::kBufferSize> codes{};
  for (size_t i = 0; i < codes.size(); i += 4) {
    codes[i + 2] = 0x01;
    codes[i + 3] = 0xB7;
  }
  return codes;
}();

}  // namespace

// A short read is followed by zeros up to a multiple of 4 and then by sequence end codes, so a
// truncated clip ends as an orderly end of sequence wherever it was cut. Every read at the end of a
// clip pads a whole buffer, so the padding is copied, not written byte by byte.
void MpegInput::refill() {
  size_t n = 0;
  if (file) {
    n = fread(buffer, 1, kBufferSize, file);
  } else if (memory) {
    n = memorySize - memoryPos < (size_t)kBufferSize ? memorySize - memoryPos : (size_t)kBufferSize;
    memcpy(buffer, memory + memoryPos, n);
    memoryPos += n;
  }
  bufferReal = (int)n;
  if (n < (size_t)kBufferSize) {
    clipEnded = true;
    size_t whole = (n + 3) & ~(size_t)3;
    memset(buffer + n, 0, whole - n);
    memcpy(buffer + whole, kEndCodes.data() + whole, kBufferSize - whole);
  }
  bufferPos = 0;
  bufferLen = kBufferSize;
}

int MpegInput::rawByte() {
  if (bufferPos >= bufferLen) refill();
  return buffer[bufferPos++];
}

bool MpegInput::atClipEnd() {
  if (bufferPos < bufferReal) return false;
  if (clipEnded) return true;
  if (bufferPos >= bufferLen) refill();
  return bufferPos >= bufferReal;
}

int MpegInput::endCodeByte() {
  static const uint8_t code[4] = {0x00, 0x00, 0x01, 0xB7};
  int b = code[endCodePhase];
  endCodePhase = (endCodePhase + 1) & 3;
  return b;
}

// The byte-by-byte refill, for the ends of the buffer and of packets (refillWindow takes eight
// bytes at once everywhere else).
void MpegInput::fillWindow() {
  while (bitCount < 56) {
    int b;
    if (!systemStream)
      b = bufferPos < bufferLen ? buffer[bufferPos++] : rawByte();
    else
      b = nextVideoByte();
    window |= (uint64_t)b << (56 - bitCount);
    bitCount += 8;
  }
}

int MpegInput::nextVideoByte() {
  while (payloadLeft == 0 && !endOfStream) nextPacket();
  if (endOfStream) return endCodeByte();
  --payloadLeft;
  return rawByte();
}

void MpegInput::nextStartCode() {
  alignToByte();
  // Other than one at the first byte shown, a prefix starting at any of the three bytes shown needs
  // the third to be 0, so when it is not all three go at once: tools that read the headers alone
  // skip whole pictures this way.
  for (;;) {
    uint32_t next = showBits(24);
    if (next == 0x000001) return;
    flushBits((next & 0xFF) != 0 ? 24 : 8);
  }
}

// Reads system-layer packets until a video packet with payload starts. The clip simply ending is
// an orderly end of stream: multiplexers commonly omit the end code.
void MpegInput::nextPacket() {
  for (;;) {
    uint32_t code = 0xFFFFFFFF;
    do {
      if (atClipEnd()) {
        endOfStream = true;
        return;
      }
      code = (code << 8) | (uint32_t)rawByte();
    } while ((code & 0xFFFFFF00) != 0x00000100);

    if (code == 0x000001B9) {
      endOfStream = true;
      return;
    }
    if (code == 0x000001BA) {
      int first = rawByte();
      if (packVersion == 0) packVersion = (first >> 6) == 1 ? 2 : 1;
      for (int i = 1; i < 8; ++i) rawByte();
      continue;
    }
    if (code < 0x000001BB) mpegFatal(false, "Unexpected startcode %08x in system layer\n", code);

    int length = rawByte() << 8;
    length |= rawByte();
    if (code != 0x000001E0) {
      noteOtherPacket(code, length);
      continue;
    }

    // The video packet's header; every byte read here counts against the packet length.
    int used = 1;
    int c = rawByte();
    if ((c >> 6) == 2) {
      rawByte();
      int headerLength = rawByte();
      used += 2 + headerLength;
      if (used > length) mpegFatal(false, "Error in packet header\n");
      for (int i = 0; i < headerLength; ++i) rawByte();
      if (announcePesPackets) mpegWarning(quiet, "MPEG-2 PES packet\n");
    } else {
      while (c == 0xFF && used < length) {
        c = rawByte();
        ++used;
      }
      if ((c >> 6) == 1) {
        rawByte();
        c = rawByte();
        used += 2;
      }
      int skip = 0;
      if (c == 0x0F)
        skip = 0;
      else if ((c >> 4) == 2)
        skip = 4;
      else if ((c >> 4) == 3)
        skip = 9;
      else
        mpegFatal(false, "Error in packet header\n");
      used += skip;
      if (used > length) mpegFatal(false, "Error in packet header\n");
      for (int i = 0; i < skip; ++i) rawByte();
    }
    payloadLeft = length - used;
    ++packetsRead;
    ++streamPackets[0xE0];
    if (payloadLeft > 0) return;
  }
}

// Skips a packet of another stream, noting its id and, for the first one, the first bytes of its
// payload (which say the kind of a private stream's content and hold an audio frame's header).
void MpegInput::noteOtherPacket(uint32_t code, int length) {
  int id = (int)(code & 0xFF);
  uint8_t head[64];
  int kept = length < 64 ? length : 64;
  for (int i = 0; i < kept; ++i) head[i] = (uint8_t)rawByte();
  for (int i = kept; i < length; ++i) rawByte();
  bool hasPesHeader = id == 0xBD || (id >= 0xC0 && id <= 0xEF);
  if (id == 0xBB || streamPackets[id]++ > 0 || !hasPesHeader || kept == 0) return;
  int at = 0;
  if ((head[0] >> 6) == 2) {
    at = kept >= 3 ? 3 + head[2] : kept;
  } else {
    while (at < kept && head[at] == 0xFF) ++at;
    if (at < kept && (head[at] >> 6) == 1) at += 2;
    if (at < kept) at += head[at] == 0x0F ? 1 : (head[at] >> 4) == 2 ? 5 : (head[at] >> 4) == 3 ? 10 : kept;
  }
  for (int i = 0; i < 4 && at + i < kept; ++i) streamFirstBytes[id][i] = head[at + i];
}
