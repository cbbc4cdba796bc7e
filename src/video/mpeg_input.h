// Input layer of the MPEG video decoder: a clip read 2048 bytes at a time from a file or a memory
// buffer, the MPEG-1 system / MPEG-2 program stream layer that extracts the first video stream,
// and the bit reader that serves the picture layers.
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
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
  int bitCount = 0;                   // valid bits in `window`: 56 to 63 after a refill, never 64
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

  // ---- bit reader ---- (its rules are gathered in README.md beside this file: "The bit window")
  uint32_t showBits(int n) const { return (uint32_t)(window >> (64 - n)); }  // 1 <= n <= 32
  // At least 32 bits stay valid after every flush, so showBits(32) always sees real data.
  void flushBits(int n) {
    window <<= n;
    bitCount -= n;
    if (bitCount < 32) refillWindow(window, bitCount);
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

  // True when the next `n` bytes of video lie in the buffer and, in a system stream, in the current
  // packet, so that refills can take them eight at a time.
  bool hasWholeBytes(int n) const {
    return bufferLen - bufferPos >= n && (!systemStream || (payloadLeft >= n && !endOfStream));
  }
  // Tops up a window held elsewhere (`window` itself, or a copy a hot loop keeps in registers)
  // with whole bytes: eight at once when the buffer and the packet hold them, else byte by byte.
  void refillWindow(uint64_t& bits, int& count) {
    if (hasWholeBytes(8)) {
      loadWholeBytes(bits, count);
      return;
    }
    window = bits;
    bitCount = count;
    fillWindow();
    bits = window;
    count = bitCount;
  }
  // The eight-byte refill alone, for callers that checked hasWholeBytes beforehand.
  void loadWholeBytes(uint64_t& bits, int& count) {
    int room = (63 - count) >> 3;
    bits |= (load64(buffer + bufferPos) >> count) & (~0ULL << (64 - count - room * 8));
    count += room * 8;
    bufferPos += room;
    if (systemStream) payloadLeft -= room;
  }

  static uint64_t load64(const uint8_t* p) {
    uint64_t v;
    if constexpr (std::endian::native == std::endian::little) {
      memcpy(&v, p, 8);
      return __builtin_bswap64(v);
    } else if constexpr (std::endian::native == std::endian::big) {
      memcpy(&v, p, 8);
      return v;
    } else {
      v = 0;
      for (int i = 0; i < 8; ++i) v = (v << 8) | p[i];
      return v;
    }
  }

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

// The bit window copied into locals for the block layer's loops, where it stays in registers
// instead of being stored and reloaded around every coefficient written. finish() writes it back;
// the input must not be read directly in between. Its rules are gathered in README.md beside this
// file ("The bit cursor").
class MpegBitCursor {
public:
  explicit MpegBitCursor(MpegInput& in) : input(in), at(takePosition(in, in.window, in.bitCount)) {}
  void finish() { givePosition(input, at); }
  MpegBitCursor(const MpegBitCursor&) = delete;
  MpegBitCursor& operator=(const MpegBitCursor&) = delete;

  uint32_t show(int n) const { return (uint32_t)(at.window >> (64 - n)); }  // 1 <= n <= 32
  // Drops n bits without topping up: the caller knows the window holds them.
  void consume(int n) {
    at.window <<= n;
    at.bitCount -= n;
  }
  // Tops the window up to at least 56 bits.
  void refill() {
    if ((uintptr_t)at.next <= at.lastLoad) [[likely]] {
      // Whole bytes up to 56 .. 63 counted bits. The bits loaded past them are the stream's own,
      // so the next top-up ORs the same values over them.
      at.window |= MpegInput::load64(at.next) >> at.bitCount;
      at.next += (at.bitCount ^ 63) >> 3;  // (63 - count) / 8 for counts of 0 to 63
      at.bitCount |= 56;
    } else {
      at = refillNearEnd(input, at);
    }
  }
  void skip(int n) {
    consume(n);
    refill();
  }
  uint32_t get(int n) {
    uint32_t v = show(n);
    skip(n);
    return v;
  }

private:
  // Passed by value to the functions out of line, so that the compiler keeps it in registers.
  struct State {
    uint64_t window;
    uint64_t bitCount;        // as wide as the window, so no instruction widens it
    const uint8_t* next;      // the byte that follows the counted bits
    uintptr_t lastLoad;       // the last place an eight-byte load may start from (0: none)
  };
  static State takePosition(const MpegInput& in, uint64_t window, int bitCount) {
    int ahead = in.bufferLen - in.bufferPos;
    if (in.systemStream) ahead = in.endOfStream ? 0 : (in.payloadLeft < ahead ? in.payloadLeft : ahead);
    const uint8_t* next = in.buffer + in.bufferPos;
    return State{window, (uint64_t)bitCount, next, ahead >= 8 ? (uintptr_t)(next + (ahead - 8)) : 0};
  }
  static void givePosition(MpegInput& in, const State& at) {
    int used = (int)(at.next - (in.buffer + in.bufferPos));
    in.bufferPos += used;
    if (in.systemStream) in.payloadLeft -= used;
    // The input's own refills expect zeros below the counted bits.
    in.window = at.bitCount ? at.window & (~0ULL << (64 - at.bitCount)) : 0;
    in.bitCount = (int)at.bitCount;
  }
  [[gnu::noinline]] static State refillNearEnd(MpegInput& in, State at) {
    givePosition(in, at);
    if (in.bitCount < 56) in.refillWindow(in.window, in.bitCount);
    return takePosition(in, in.window, in.bitCount);
  }

  MpegInput& input;
  State at;
};
