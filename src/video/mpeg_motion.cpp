// Motion vectors (ISO/IEC 13818-2 clauses 6.2.5.2, 7.6.3) and the forming of predictions from the
// reference frame stores (clause 7.6.4): frame, field, 16 x 8 and dual-prime, half-sample accuracy.
#include <cstdio>
#include <cstdlib>

#include "video/mpeg_decoder.h"

namespace {

// Where the prediction of a w x h area at (x, y) with vector (vx, vy) in half samples reads in a
// plane: the offset of its top-left sample and the half-sample flags. Vectors of a damaged stream
// may point anywhere; the position is held inside the reference plane so that no read leaves it.
// False when the area does not fit the plane at all.
struct PredictionSource {
  ptrdiff_t offset = 0;
  bool hx = false, hy = false;
};

inline bool placePrediction(int planeWidth, int planeLines, int stride, int x, int y, int w, int h, int vx, int vy,
                            PredictionSource& at) {
  if (w > planeWidth || h > planeLines) return false;
  int ix = x + (vx >> 1), iy = y + (vy >> 1);
  bool hx = vx & 1, hy = vy & 1;
  if (ix < 0) ix = 0, hx = false;
  if (ix + w + (int)hx > planeWidth) ix = planeWidth - w, hx = false;
  if (iy < 0) iy = 0, hy = false;
  if (iy + h + (int)hy > planeLines) iy = planeLines - h, hy = false;
  at.offset = (ptrdiff_t)iy * stride + ix;
  at.hx = hx;
  at.hy = hy;
  return true;
}

}  // namespace

// motion_code through Table B.10: the delta of 7.6.3.1, or false for an invalid code.
int MpegDecoder::motion_code_delta(int fcode) {
  const VlcEntry& e = vlc.motionCode.entries[input.showBits(vlc.motionCode.bits)];
  if (e.length == 0 || fcode < 1 || fcode > 9) {
    mpegWarning(quiet, "Invalid motion_vector code (MBA %d, pic %d)\n", currentMba, pictureCounter);
    fault = true;
    return 0;
  }
  input.flushBits(e.length);
  int code = e.value;
  if (code == 0) return 0;
  bool negative = input.getBit();
  int rSize = fcode - 1;
  int delta = code;
  if (rSize > 0) delta = ((code - 1) << rSize) + (int)input.getBits(rSize) + 1;
  return negative ? -delta : delta;
}

void MpegDecoder::motion_vector(int r, int s, bool dmv, bool fieldVertical, bool fullPel) {
  for (int t = 0; t < 2; ++t) {
    int fcode = fCode[s][t];
    int delta = motion_code_delta(fcode);
    if (fault) return;
    if (dmv) {
      const VlcEntry& e = vlc.dmvector.entries[input.showBits(vlc.dmvector.bits)];
      input.flushBits(e.length);
      dmvector[t] = e.value;
    }
    int rSize = fcode - 1;
    int low = -16 << rSize, high = (16 << rSize) - 1, range = 32 << rSize;
    int prediction = pmv[r][s][t];
    if (fieldVertical && t == 1) prediction >>= 1;
    int v = prediction + delta;
    if (v < low) v += range;
    if (v > high) v -= range;
    pmv[r][s][t] = (fieldVertical && t == 1) ? v * 2 : v;
    vector[r][s][t] = fullPel ? v * 2 : v;
  }
}

void MpegDecoder::motion_vectors(int s, int motionType) {
  bool framePicture = pictureStructure == kFramePicture;
  bool fullPel = !mpeg2 && (s == 0 ? fullPelForward : fullPelBackward);
  bool dmv = motionType == kMotionDualPrime;
  int count = 1;
  bool fieldFormat;
  if (framePicture) {
    fieldFormat = motionType != kMotionFrame;
    if (motionType == kMotionField) count = 2;
  } else {
    fieldFormat = true;
    if (motionType == kMotion16x8) count = 2;
  }
  bool fieldVertical = framePicture && fieldFormat;
  if (count == 1) {
    if (fieldFormat && !dmv && !framePicture) fieldSelect[0][s] = input.getBit();
    motion_vector(0, s, dmv, fieldVertical, fullPel);
    pmv[1][s][0] = pmv[0][s][0];
    pmv[1][s][1] = pmv[0][s][1];
  } else {
    fieldSelect[0][s] = input.getBit();
    motion_vector(0, s, false, fieldVertical, fullPel);
    if (fault) return;
    fieldSelect[1][s] = input.getBit();
    motion_vector(1, s, false, fieldVertical, fullPel);
  }
  if (dmv && !fault) dualPrimeVectors();
}

// Vectors to the opposite-parity fields of dual-prime prediction (7.6.3.6), in field units.
void MpegDecoder::dualPrimeVectors() {
  int mvx = vector[0][0][0], mvy = vector[0][0][1];
  auto scaled = [](int v, int m) { return (v * m + (v > 0)) >> 1; };
  if (pictureStructure == kFramePicture) {
    int mTop = topFieldFirst ? 1 : 3, mBottom = topFieldFirst ? 3 : 1;
    dualPrime[0][0] = scaled(mvx, mTop) + dmvector[0];
    dualPrime[0][1] = scaled(mvy, mTop) + dmvector[1] - 1;
    dualPrime[1][0] = scaled(mvx, mBottom) + dmvector[0];
    dualPrime[1][1] = scaled(mvy, mBottom) + dmvector[1] + 1;
  } else {
    dualPrime[0][0] = scaled(mvx, 1) + dmvector[0];
    dualPrime[0][1] = scaled(mvy, 1) + dmvector[1] + (pictureStructure == kTopField ? -1 : 1);
  }
}

// Prediction of one area in the planes `first` to `last`, which share one geometry: x, y and the
// size in samples of the frame or field, the vector in half samples of that plane.
inline void MpegDecoder::predictPlanes(int first, int last, const FrameStore* src, int srcField, int dstField,
                                       int planeWidth, int planeHeight, int x, int y, int w, int h, int vx, int vy,
                                       bool average) {
  int srcStride = srcField >= 0 ? 2 * planeWidth : planeWidth;
  int lines = srcField >= 0 ? planeHeight / 2 : planeHeight;
  int dstStride = dstField >= 0 ? 2 * planeWidth : planeWidth;
  PredictionSource at;
  if (!placePrediction(planeWidth, lines, srcStride, x, y, w, h, vx, vy, at)) return;
  ptrdiff_t srcOffset = (srcField == 1 ? planeWidth : 0) + at.offset;
  ptrdiff_t dstOffset = (dstField == 1 ? planeWidth : 0) + (ptrdiff_t)y * dstStride + x;
  PredictKernel kernel = kernels->predict[w == 16][average][at.hx][at.hy];
  for (int p = first; p <= last; ++p)
    kernel(src->plane[p] + srcOffset, srcStride, currentFrame->plane[p] + dstOffset, dstStride, h);
}

// Prediction of one macroblock area, 16 samples wide, in all three planes. Fields are -1 for whole
// frames, else the parity; x, y and h are in luminance samples of that frame or field.
void MpegDecoder::predict(const FrameStore* src, int srcField, int dstField, int x, int y, int h, int dx, int dy,
                          bool average) {
  predictPlanes(0, 0, src, srcField, dstField, codedWidth, codedHeight, x, y, 16, h, dx, dy, average);
  // Chroma vectors are the luminance ones halved toward zero where the plane is subsampled.
  bool halfWidth = chromaFormat != kChroma444, halfHeight = chromaFormat == kChroma420;
  predictPlanes(1, 2, src, srcField, dstField, chromaWidth, chromaHeight, halfWidth ? x / 2 : x,
                halfHeight ? y / 2 : y, halfWidth ? 8 : 16, halfHeight ? h / 2 : h, halfWidth ? dx / 2 : dx,
                halfHeight ? dy / 2 : dy, average);
}

void MpegDecoder::formPredictions(int mba, int type, int motionType) {
  int x = (mba % mbWidth) * 16;
  int y = (mba / mbWidth) * 16;
  bool framePicture = pictureStructure == kFramePicture;
  int parity = pictureStructure == kBottomField ? 1 : 0;
  bool average = false;
  for (int s = 0; s < 2; ++s) {
    if (!(type & (s == 0 ? kMbForward : kMbBackward))) continue;
    const FrameStore* ref = s == 0 ? forwardReferenceFrame : backwardReferenceFrame;
    if (framePicture) {
      if (motionType == kMotionFrame) {
        predict(ref, -1, -1, x, y, 16, vector[0][s][0], vector[0][s][1], average);
      } else if (motionType == kMotionField) {
        predict(ref, fieldSelect[0][s], 0, x, y / 2, 8, vector[0][s][0], vector[0][s][1], average);
        predict(ref, fieldSelect[1][s], 1, x, y / 2, 8, vector[1][s][0], vector[1][s][1], average);
      } else if (motionType == kMotionDualPrime) {
        for (int p = 0; p < 2; ++p) {
          predict(ref, p, p, x, y / 2, 8, vector[0][0][0], vector[0][0][1], false);
          predict(ref, 1 - p, p, x, y / 2, 8, dualPrime[p][0], dualPrime[p][1], true);
        }
      } else {
        mpegWarning(quiet, "invalid motion_type\n");
      }
    } else {
      // The second field of a P picture may predict from the first field of its own frame.
      auto fieldRef = [&](int select) -> const FrameStore* {
        if (s == 0 && pictureCodingType == kPictureP && secondField && select != parity) return currentFrame;
        return ref;
      };
      if (motionType == kMotionField) {
        predict(fieldRef(fieldSelect[0][s]), fieldSelect[0][s], parity, x, y, 16, vector[0][s][0],
                vector[0][s][1], average);
      } else if (motionType == kMotion16x8) {
        for (int n = 0; n < 2; ++n)
          predict(fieldRef(fieldSelect[n][s]), fieldSelect[n][s], parity, x, y + 8 * n, 8, vector[n][s][0],
                  vector[n][s][1], average);
      } else if (motionType == kMotionDualPrime) {
        predict(ref, parity, parity, x, y, 16, vector[0][0][0], vector[0][0][1], false);
        const FrameStore* opposite = secondField ? currentFrame : ref;
        predict(opposite, 1 - parity, parity, x, y, 16, dualPrime[0][0], dualPrime[0][1], true);
      } else {
        mpegWarning(quiet, "invalid motion_type\n");
      }
    }
    average = true;
  }
}
