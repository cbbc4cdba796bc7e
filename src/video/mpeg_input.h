// Input layer of the MPEG video decoder: a clip read 2048 bytes at a time from a file or a memory
// buffer, the MPEG-1 system / MPEG-2 program stream layer that extracts the first video stream,
// and the bit reader that serves the picture layers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// A failure that ends the decoding of a stream. The decoder prints nothing for it: whoever catches
// it decides whether and where the message is shown.
struct MpegFatal {
  std::string message;          // the formatted text, its newline included when it has one
  bool toStdout = false;        // the player shows it on standard output ("header error"), else standard error
};

// Formats the message and throws it as an MpegFatal.
[[noreturn]] void mpegFatal(bool toStdout, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The decoder's one way to report a recoverable fault or a notice: the formatted text on standard
// error, nothing when `quiet`.
void mpegWarning(bool quiet, const char* format, ...) __attribute__((format(printf, 2, 3)));

class MpegInput {
public:
  static constexpr int kBufferSize = 2048;

  FILE* file = nullptr;               // open clip, or null when reading from memory
  const uint8_t* memory = nullptr;    // whole clip when reading from memory
  size_t memorySize = 0;
  size_t memoryPos = 0;
  uint8_t buffer[kBufferSize];        // read buffer
  int bufferPos = 0;                  // next byte to serve
  int bufferLen = 0;                  // bytes in the buffer (padding included)
  int bufferReal = 0;                 // bytes of the buffer that came from the clip
  bool clipEnded = false;             // a short read has happened: padding follows the real bytes
  bool systemStream = false;          // demultiplex the first video stream
  int payloadLeft = 0;                // bytes left in the current video packet (system streams)
  bool endOfStream = false;           // system layer finished: serve sequence end codes only
  int endCodePhase = 0;               // position in the repeated 00 00 01 B7 after the end
  uint64_t window = 0;                // bit window, next bit in the top position
  int bitCount = 0;                   // valid bits in `window`
  bool quiet = false;                 // suppress every warning
  bool announcePesPackets = true;     // "MPEG-2 PES packet" for each video packet (tools turn it off)
  int64_t packetsRead = 0;            // video packets found by the system layer
  int packVersion = 0;                // 1: MPEG-1 pack headers, 2: MPEG-2 pack headers, 0: none seen
  int32_t streamPackets[256] = {};    // packets seen per stream id (system layer), for tools
  uint8_t streamFirstBytes[256][4] = {};  // the first payload bytes of each stream's first packet

  bool openFile(const char* path);    // false when the file cannot be opened
  void openMemory(const uint8_t* data, size_t size);
  void close();
  // Back to the first byte, bit window primed, reading as an elementary or a system stream.
  void rewind(bool asSystemStream);

  // ---- bit reader ----
  uint32_t showBits(int n) const { return (uint32_t)(window >> (64 - n)); }  // 1 <= n <= 32
  // At least 32 bits stay valid after every flush, so showBits(32) always sees real data.
  void flushBits(int n) {
    window <<= n;
    bitCount -= n;
    if (bitCount < 32) fillWindow();
  }
  uint32_t getBits(int n) {
    uint32_t v = showBits(n);
    flushBits(n);
    return v;
  }
  uint32_t getBit() { return getBits(1); }
  void alignToByte() { flushBits(bitCount & 7); }
  // Skips to the byte boundary and then to the next 0x000001 prefix (left in the window).
  void nextStartCode();

private:
  void fillWindow();
  int rawByte();
  void refill();
  bool atClipEnd();
  int nextVideoByte();
  void nextPacket();
  int endCodeByte();
  void noteOtherPacket(uint32_t code, int length);
};
