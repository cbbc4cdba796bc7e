// The input layer: bit reader, end-of-clip padding, stream-type detection and the system layer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/datafile.h"
#include "video/mpeg_decoder.h"
#include "video_test_util.h"

namespace {

std::vector<uint8_t> bytesOf(std::initializer_list<int> list) {
  std::vector<uint8_t> v;
  for (int b : list) v.push_back((uint8_t)b);
  return v;
}

// Everything the bit reader serves, byte by byte, up to `count` bytes.
std::vector<uint8_t> served(MpegInput& in, size_t count) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < count; ++i) out.push_back((uint8_t)in.getBits(8));
  return out;
}

TEST(VideoBitReader, ServesBitsMostSignificantFirstAcrossBytes) {
  std::vector<uint8_t> data = bytesOf({0xA5, 0x3C, 0xFF, 0x00, 0x12, 0x34, 0x56, 0x78, 0x9A});
  MpegInput in;
  in.openMemory(data.data(), data.size());
  in.rewind(false);
  EXPECT_EQ(in.getBits(1), 1u);
  EXPECT_EQ(in.getBits(3), 2u);
  EXPECT_EQ(in.showBits(12), 0x53Cu);
  EXPECT_EQ(in.getBits(12), 0x53Cu);
  EXPECT_EQ(in.getBits(32), 0xFF001234u);
  in.getBits(3);
  in.alignToByte();
  EXPECT_EQ(in.getBits(16), 0x789Au);
}

TEST(VideoBitReader, ShortClipIsPaddedWithZerosThenSequenceEndCodes) {
  std::vector<uint8_t> data = bytesOf({0x11, 0x22, 0x33, 0x44, 0x55});
  MpegInput in;
  in.openMemory(data.data(), data.size());
  in.rewind(false);
  std::vector<uint8_t> expect = bytesOf({0x11, 0x22, 0x33, 0x44, 0x55, 0, 0, 0, 0x00, 0x00, 0x01, 0xB7, 0x00, 0x00,
                                         0x01, 0xB7});
  EXPECT_EQ(served(in, expect.size()), expect);
}

TEST(VideoBitReader, EndCodesContinueAfterTheBufferRefills) {
  std::vector<uint8_t> data(2048 + 3, 0x77);
  MpegInput in;
  in.openMemory(data.data(), data.size());
  in.rewind(false);
  served(in, 2048 + 3);
  EXPECT_EQ(served(in, 1), bytesOf({0}));  // zero up to a multiple of 4
  for (int i = 0; i < 600; ++i) ASSERT_EQ(in.getBits(32), 0x000001B7u);
}

TEST(VideoBitReader, NextStartCodeSkipsToTheNextPrefixOnAByteBoundary) {
  std::vector<uint8_t> data = bytesOf({0xFF, 0x00, 0x00, 0x00, 0x01, 0xB8, 0x42});
  MpegInput in;
  in.openMemory(data.data(), data.size());
  in.rewind(false);
  in.getBits(3);
  in.nextStartCode();
  EXPECT_EQ(in.getBits(32), 0x000001B8u);
  EXPECT_EQ(in.getBits(8), 0x42u);
}

// Bytes of 0, 1 and 2 crowd around prefixes planted at random, across buffer refills: every prefix
// is found, in order, and none where there is none, whichever byte the skipping lands on.
TEST(VideoBitReader, NextStartCodeFindsEveryPrefixAmongZerosAndOnes) {
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u, seed >> 24; };
  std::vector<uint8_t> data;
  while (data.size() < 3 * MpegInput::kBufferSize) {
    uint32_t r = next();
    data.push_back((uint8_t)(r < 96 ? r % 3 : r));  // often 0, 1 or 2
    if (next() < 6) data.insert(data.end(), {0x00, 0x00, 0x01, (uint8_t)(0xB0 + next() % 16)});
  }
  std::vector<size_t> want;
  for (size_t i = 0; i + 2 < data.size(); ++i)
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) want.push_back(i);
  MpegInput in;
  in.openMemory(data.data(), data.size());
  in.rewind(false);
  size_t at = 0;  // bytes served so far
  for (size_t expected : want) {
    in.nextStartCode();
    // The reader's position: bytes read from the clip, less those not yet served from the buffer
    // and those still in the window.
    size_t position = in.memoryPos - (size_t)(in.bufferReal - in.bufferPos) - (size_t)in.bitCount / 8;
    ASSERT_EQ(position, expected) << "after the prefix at " << at;
    in.getBits(8);
    at = expected;
  }
  EXPECT_GT(want.size(), 20u);
}

// ---- stream-type detection ----

std::string fatalMessage(const std::vector<uint8_t>& data) {
  MpegDecoder d;
  d.quiet = true;
  try {
    d.openStream(data.data(), data.size());
  } catch (const MpegFatal& f) {
    return f.message;
  }
  return "";
}

bool detectsSystemStream(const std::vector<uint8_t>& data) {
  MpegDecoder d;
  d.quiet = d.input.quiet = true;
  d.input.openMemory(data.data(), data.size());
  d.detectStreamType();
  return d.input.systemStream;
}

TEST(VideoStreamType, FirstByte0x47IsRefusedAsTransportStream) {
  EXPECT_EQ(fatalMessage(bytesOf({0x47, 0x00, 0x00, 0x01, 0xB3})),
            "Decoder currently does not parse transport streams\n");
}

TEST(VideoStreamType, TransportStreamFixtureIsRefused) {
  std::string bytes;
  ASSERT_TRUE(zub::readDataFile(videoFixture("m2_transport.ts"), bytes));
  EXPECT_EQ(fatalMessage(std::vector<uint8_t>(bytes.begin(), bytes.end())),
            "Decoder currently does not parse transport streams\n");
}

TEST(VideoStreamType, SequenceHeaderMeansElementaryPackOrVideoPacketMeansSystem) {
  EXPECT_FALSE(detectsSystemStream(bytesOf({0x00, 0x00, 0x01, 0xB3, 0x10})));
  EXPECT_TRUE(detectsSystemStream(bytesOf({0x00, 0x00, 0x01, 0xBA, 0x44})));
  EXPECT_TRUE(detectsSystemStream(bytesOf({0x00, 0x00, 0x00, 0x01, 0xE0, 0x00, 0x03, 0x0F, 0x00, 0x00})));
}

TEST(VideoStreamType, AnyOtherFirstStartCodeOrNoneIsUnrecognised) {
  EXPECT_EQ(fatalMessage(bytesOf({0x00, 0x00, 0x01, 0xB8, 0x00})), "Unable to recognize stream type\n");
  EXPECT_EQ(fatalMessage(bytesOf({0x00, 0x00, 0x01, 0xC0, 0x00})), "Unable to recognize stream type\n");
  EXPECT_EQ(fatalMessage({}), "Unable to recognize stream type\n");
}

// ---- system layer ----

// A system stream: a pack header, then the given packets.
struct SystemStream {
  std::vector<uint8_t> bytes;
  void pack() {
    for (int b : {0x00, 0x00, 0x01, 0xBA, 0x21, 0x00, 0x01, 0x00, 0x01, 0x80, 0x00, 0x01}) bytes.push_back((uint8_t)b);
  }
  void packet(int id, const std::vector<uint8_t>& header, const std::vector<uint8_t>& payload) {
    size_t length = header.size() + payload.size();
    for (int b : {0x00, 0x00, 0x01, id, (int)(length >> 8), (int)(length & 0xFF)}) bytes.push_back((uint8_t)b);
    bytes.insert(bytes.end(), header.begin(), header.end());
    bytes.insert(bytes.end(), payload.begin(), payload.end());
  }
};

std::vector<uint8_t> videoPayload(const SystemStream& s, size_t count) {
  MpegInput in;
  in.quiet = true;
  in.openMemory(s.bytes.data(), s.bytes.size());
  in.rewind(true);
  return served(in, count);
}

TEST(VideoSystemLayer, Mpeg1PacketHeaderVariantsAreSkipped) {
  SystemStream s;
  s.pack();
  s.packet(0xE0, bytesOf({0x0F}), bytesOf({1, 2}));                                  // no time stamps
  s.packet(0xE0, bytesOf({0xFF, 0xFF, 0x21, 0, 1, 0, 1}), bytesOf({3}));            // stuffing, PTS
  s.packet(0xE0, bytesOf({0x40, 0x20, 0x31, 0, 1, 0, 1, 0x11, 0, 1, 0, 1}), bytesOf({4, 5}));  // buffer, PTS+DTS
  s.packet(0xC0, bytesOf({0x0F}), bytesOf({99, 99, 99}));                           // audio: skipped
  s.packet(0xBE, {}, bytesOf({0xFF, 0xFF}));                                        // padding: skipped
  s.packet(0xE0, bytesOf({0x0F}), bytesOf({6}));
  EXPECT_EQ(videoPayload(s, 6), bytesOf({1, 2, 3, 4, 5, 6}));
}

// The block layer reads through a cursor that keeps the window in registers, in short-lived
// stretches between direct reads, topping up from its own read position while the packet and the
// buffer have room and byte by byte near their ends. It must serve exactly the reader's bits,
// across packet boundaries and buffer refills.
TEST(VideoSystemLayer, BitCursorsServeTheSameBitsAsTheReader) {
  SystemStream s;
  s.pack();
  std::vector<uint8_t> video;
  for (int p = 0; p < 120; ++p) {
    std::vector<uint8_t> payload(1 + (p * 37) % 90);
    for (uint8_t& b : payload) b = (uint8_t)(video.size() * 131 + p);
    video.insert(video.end(), payload.begin(), payload.end());
    s.packet(0xE0, bytesOf({0x0F}), payload);
    if (p % 7 == 0) s.packet(0xC0, bytesOf({0x0F}), bytesOf({1, 2, 3}));
  }
  MpegInput reader, cursorInput;
  for (MpegInput* in : {&reader, &cursorInput}) {
    in->quiet = true;
    in->openMemory(s.bytes.data(), s.bytes.size());
    in->rewind(true);
  }
  size_t bitsLeft = video.size() * 8;
  const int widths[] = {1, 7, 13, 24, 3, 17, 9};
  for (int stretch = 0; bitsLeft > 64; ++stretch) {
    if (stretch % 2 == 0) {
      // Direct reads between the cursor's stretches.
      for (int k = 0; k < 3 && bitsLeft > 64; ++k, bitsLeft -= 5) ASSERT_EQ(cursorInput.getBits(5), reader.getBits(5));
      continue;
    }
    MpegBitCursor bits(cursorInput);
    for (int k = 0; k < 1 + stretch % 11 && bitsLeft > 64; ++k) {
      // Three reads of up to 17 bits after one top-up, as the block loop takes them.
      bits.refill();
      for (int r = 0; r < 3; ++r) {
        int n = widths[(stretch + k + r) % 7];
        uint32_t expected = reader.getBits(n);
        uint32_t actual = bits.show(n);
        if (r == 2 && k % 2)
          bits.skip(n);
        else
          bits.consume(n);
        ASSERT_EQ(actual, expected) << "stretch " << stretch << " width " << n;
        bitsLeft -= (size_t)n;
      }
    }
    bits.finish();
  }
}

TEST(VideoSystemLayer, Mpeg2PesHeaderIsSkippedByItsLength) {
  SystemStream s;
  s.pack();
  s.packet(0xE0, bytesOf({0x81, 0x80, 0x05, 0x21, 0, 1, 0, 1}), bytesOf({7, 8, 9}));
  EXPECT_EQ(videoPayload(s, 3), bytesOf({7, 8, 9}));
}

TEST(VideoSystemLayer, StreamThatEndsWithoutEndCodeEndsAsEndOfSequence) {
  SystemStream s;
  s.pack();
  s.packet(0xE0, bytesOf({0x0F}), bytesOf({1, 2, 3}));
  EXPECT_EQ(videoPayload(s, 11), bytesOf({1, 2, 3, 0x00, 0x00, 0x01, 0xB7, 0x00, 0x00, 0x01, 0xB7}));
}

TEST(VideoSystemLayer, EndCodeStopsReadingEvenWhenMorePacketsFollow) {
  SystemStream s;
  s.pack();
  s.packet(0xE0, bytesOf({0x0F}), bytesOf({1}));
  for (int b : {0x00, 0x00, 0x01, 0xB9}) s.bytes.push_back((uint8_t)b);
  s.packet(0xE0, bytesOf({0x0F}), bytesOf({2}));
  EXPECT_EQ(videoPayload(s, 5), bytesOf({1, 0x00, 0x00, 0x01, 0xB7}));
}

std::string systemFatal(const SystemStream& s) {
  try {
    videoPayload(s, 4);
  } catch (const MpegFatal& f) {
    return f.message;
  }
  return "";
}

TEST(VideoSystemLayer, BadPacketHeadersAreFatal) {
  SystemStream afterStuffing;
  afterStuffing.pack();
  afterStuffing.packet(0xE0, bytesOf({0xFF, 0x80, 0x0F}), bytesOf({1, 2, 3, 4}));
  EXPECT_EQ(systemFatal(afterStuffing), "Error in packet header\n");

  SystemStream unknownMarker;
  unknownMarker.pack();
  unknownMarker.packet(0xE0, bytesOf({0x1F}), bytesOf({1, 2, 3, 4}));
  EXPECT_EQ(systemFatal(unknownMarker), "Error in packet header\n");

  // A PTS announced in a packet too short to hold it.
  SystemStream tooLong;
  tooLong.pack();
  tooLong.packet(0xE0, bytesOf({0x21, 0}), {});
  EXPECT_EQ(systemFatal(tooLong), "Error in packet header\n");

  SystemStream pesTooLong;
  pesTooLong.pack();
  pesTooLong.packet(0xE0, bytesOf({0x81, 0x80, 0x30}), bytesOf({1, 2}));
  EXPECT_EQ(systemFatal(pesTooLong), "Error in packet header\n");
}

TEST(VideoSystemLayer, StartCodeBelowSystemRangeIsFatal) {
  SystemStream s;
  s.pack();
  for (int b : {0x00, 0x00, 0x01, 0xB7}) s.bytes.push_back((uint8_t)b);
  EXPECT_EQ(systemFatal(s), "Unexpected startcode 000001b7 in system layer\n");
}

TEST(VideoSystemLayer, PacketLongerThanTheFileEndsInEndCodes) {
  SystemStream s;
  s.pack();
  s.packet(0xE0, bytesOf({0x0F}), bytesOf({5, 6}));
  s.bytes[s.bytes.size() - 5] = 0x40;  // the length now claims 16 KB more
  std::vector<uint8_t> got = videoPayload(s, 2 + 8);
  // 21 bytes: three zeros reach a multiple of 4, then the end codes.
  EXPECT_EQ(got, bytesOf({5, 6, 0, 0, 0, 0x00, 0x00, 0x01, 0xB7, 0x00}));
}

}  // namespace
