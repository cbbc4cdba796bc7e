// Decode speed of the MPEG decoder in pictures per second (items per second), on the streams that
// scripts/bench-video.sh encodes: a 320 x 240 MPEG-1 and a 720 x 576 interlaced MPEG-2 stream, and
// with --long two long ones of other content: 40 s of a 640 x 480 MPEG-1 zoom into the Mandelbrot
// set at 4 Mbit/s, and 30 s of noisy 720 x 576 interlaced MPEG-2 at 8 Mbit/s, where the
// coefficients dominate; and the inverse DCT alone, per kernel set. The folder comes from
// ZUB_BENCH_VIDEO_DIR (default: bench-video in the working directory); a stream that is not there
// is reported as an error of its benchmark.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/datafile.h"
#include "video/clip_reader.h"
#include "video/colour_convert.h"
#include "video/mpeg_kernels.h"

namespace {

std::string benchStream(const char* name) {
  const char* dir = getenv("ZUB_BENCH_VIDEO_DIR");
  return std::string(dir ? dir : "bench-video") + "/" + name;
}

void decodeStream(benchmark::State& state, const char* name, bool convert) {
  std::string bytes;
  if (!zub::readDataFile(benchStream(name), bytes)) {
    state.SkipWithError(("missing " + benchStream(name) + "; run scripts/bench-video.sh").c_str());
    return;
  }
  MpegDecoder decoder;
  decoder.quiet = true;
  ColourConverter converter;
  std::vector<uint32_t> rgb;
  int64_t pictures = 0;
  for (auto _ : state) {
    decoder.openStream((const uint8_t*)bytes.data(), bytes.size());
    if (rgb.empty()) rgb.resize((size_t)decoder.codedWidth * decoder.codedHeight);
    // Every decoded picture is shown exactly once (the last reference by the flush).
    pictures += decodeAllPictures(decoder, [&](const ShownPicture& shown) {
      if (convert) converter.convert(decoder, shown, rgb.data(), decoder.codedWidth);
    });
  }
  state.SetItemsProcessed(pictures);
}

void BM_DecodeMpeg1_320x240(benchmark::State& state) { decodeStream(state, "mpeg1_320x240.m1v", false); }
void BM_DecodeMpeg2_720x576(benchmark::State& state) { decodeStream(state, "mpeg2_720x576.m2v", false); }
void BM_DecodeAndConvertMpeg1_320x240(benchmark::State& state) { decodeStream(state, "mpeg1_320x240.m1v", true); }
void BM_DecodeLongMpeg1_640x480(benchmark::State& state) { decodeStream(state, "long_mpeg1_640x480.m1v", false); }
void BM_DecodeLongMpeg2_720x576(benchmark::State& state) { decodeStream(state, "long_mpeg2_720x576.m2v", false); }

// The inverse DCT added onto a picture, per kernel set, on 4,096 blocks of the kinds a stream
// brings: mostly a few low coefficients, some busy ones with a dozen or more (fixed seed, so every
// run and every build sees the same blocks).
void inverseDct(benchmark::State& state, MpegKernelSet set) {
  const MpegKernels* kernels = mpegKernels(set);
  if (!kernels) {
    state.SkipWithError("this processor or build has no such kernel set");
    return;
  }
  std::mt19937 random(29);
  std::vector<int16_t> blocks(4096 * 64, 0);
  for (size_t b = 0; b < 4096; ++b) {
    int count = random() % 4 == 0 ? 12 + (int)(random() % 20) : 1 + (int)(random() % 5);
    for (int k = 0; k < count; ++k) {
      int position = k == 0 ? 0 : (int)(random() % (random() % 4 == 0 ? 64 : 16));
      blocks[b * 64 + position] = (int16_t)((int)(random() % 161) - 80);
    }
  }
  uint8_t picture[16 * 16];
  memset(picture, 128, sizeof picture);
  int16_t block[64];
  size_t b = 0;
  for (auto _ : state) {
    memcpy(block, &blocks[b * 64], sizeof block);
    kernels->idctAdd(block, picture + (b & 1) * 8, 16);
    benchmark::DoNotOptimize(picture);
    b = (b + 1) & 4095;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_InverseDctPortable(benchmark::State& state) { inverseDct(state, MpegKernelSet::Portable); }
void BM_InverseDctSse2(benchmark::State& state) { inverseDct(state, MpegKernelSet::Sse2); }
void BM_InverseDctAvx2(benchmark::State& state) { inverseDct(state, MpegKernelSet::Avx2); }

}  // namespace

BENCHMARK(BM_InverseDctPortable);
BENCHMARK(BM_InverseDctSse2);
BENCHMARK(BM_InverseDctAvx2);
BENCHMARK(BM_DecodeMpeg1_320x240)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeMpeg2_720x576)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeAndConvertMpeg1_320x240)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeLongMpeg1_640x480)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeLongMpeg2_720x576)->Unit(benchmark::kMillisecond);
