// Stream lifecycle and the picture, slice and macroblock layers (ISO/IEC 13818-2 clauses 6.2.4 to
// 6.2.5 and 7; ISO/IEC 11172-2 clause 2.4 for MPEG-1): frame store roles, display order, error
// concealment by abandoning the rest of a slice.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "video/mpeg_decoder.h"
#include "video/mpeg_tables.h"

MpegDecoder::MpegDecoder() : vlc(mpegVlcTables()), kernels(&bestMpegKernels()) {
  memset(block, 0, sizeof block);
  memcpy(intraMatrix, kDefaultIntraMatrix, 64);
  memset(nonIntraMatrix, 16, 64);
  memcpy(chromaIntraMatrix, intraMatrix, 64);
  memcpy(chromaNonIntraMatrix, nonIntraMatrix, 64);
}

MpegDecoder::~MpegDecoder() {
  releaseSequence();
  for (FrameStore& f : frames) {
    delete[] f.memory;
    f.memory = nullptr;
    f.capacity = 0;
  }
  closeStream();
}

void MpegDecoder::clearPictureState() {
  sequenceSeen = sequenceStarted = false;
  mpeg2 = false;
  progressiveSequence = 1;
  chromaFormat = kChroma420;
  matrixCoefficients = 5;
  pictureStructure = kFramePicture;
  progressiveFrame = 1;
  framePredFrameDct = 1;
  secondField = false;
  fCode[0][0] = fCode[0][1] = fCode[1][0] = fCode[1][1] = 15;
  pictureCounter = 0;
  shown = ShownPicture{};
  features = MpegFeatureCounts{};
}

void MpegDecoder::openStream(const char* path) {
  releaseSequence();
  input.quiet = quiet;
  if (!input.openFile(path)) mpegFatal(false, "Base layer input file %s not found\n", path);
  clearPictureState();
  detectStreamType();
  if (readHeaders() != 1) mpegFatal(true, "header error\n");
  startSequence();
  decodeFrame(0);
}

void MpegDecoder::openStream(const uint8_t* data, size_t size) {
  releaseSequence();
  input.quiet = quiet;
  input.openMemory(data, size);
  clearPictureState();
  detectStreamType();
  if (readHeaders() != 1) mpegFatal(true, "header error\n");
  startSequence();
  decodeFrame(0);
}

void MpegDecoder::closeStream() { input.close(); }

void MpegDecoder::releaseSequence() {
  // The memory stays with the stores: a clip that restarts at the same size allocates nothing.
  for (FrameStore& f : frames) f.plane[0] = f.plane[1] = f.plane[2] = nullptr;
  backwardReferenceFrame = forwardReferenceFrame = auxframe = currentFrame = nullptr;
  sequenceStarted = false;
}

void MpegDecoder::startSequence() {
  if (!sequenceSeen) mpegFatal(false, "picture header before any sequence header\n");
  if (horizontalSize == 0 || verticalSize == 0) mpegFatal(false, "picture size of zero\n");
  mbWidth = (horizontalSize + 15) / 16;
  mbHeight = (!mpeg2 || progressiveSequence) ? (verticalSize + 15) / 16 : 2 * ((verticalSize + 31) / 32);
  codedWidth = 16 * mbWidth;
  codedHeight = 16 * mbHeight;
  chromaWidth = chromaFormat == kChroma444 ? codedWidth : codedWidth / 2;
  chromaHeight = chromaFormat == kChroma420 ? codedHeight / 2 : codedHeight;
  blocksPerMacroblock = chromaFormat == kChroma420 ? 6 : (chromaFormat == kChroma422 ? 8 : 12);
  if ((int64_t)codedWidth * codedHeight > maxLumaSamples)
    mpegFatal(false, "picture size %d x %d too large\n", horizontalSize, verticalSize);

  size_t lumaSize = (size_t)codedWidth * codedHeight;
  size_t chromaSize = (size_t)chromaWidth * chromaHeight;
  static const char* const failures[3] = {"backward_reference_frame[] malloc failed\n",
                                          "forward_reference_frame[] malloc failed\n", "auxframe[] malloc failed\n"};
  for (int i = 0; i < 3; ++i) {
    size_t bytes = lumaSize + 2 * chromaSize;
    if (frames[i].capacity < bytes) {
      delete[] frames[i].memory;
      frames[i].capacity = 0;
      frames[i].memory = new (std::nothrow) uint8_t[bytes];
      if (!frames[i].memory) mpegFatal(false, "%s", failures[i]);
      frames[i].capacity = bytes;
    }
    uint8_t* store = frames[i].memory;
    // Frame stores start black, so every run of a damaged stream shows the same pictures.
    memset(store, 16, lumaSize);
    memset(store + lumaSize, 128, 2 * chromaSize);
    frames[i].plane[0] = store;
    frames[i].plane[1] = store + lumaSize;
    frames[i].plane[2] = store + lumaSize + chromaSize;
    frames[i].progressiveFrame = true;
  }
  backwardReferenceFrame = &frames[0];
  forwardReferenceFrame = &frames[1];
  auxframe = &frames[2];
  startedWidth = horizontalSize;
  startedHeight = verticalSize;
  startedChroma = chromaFormat;
  sequenceStarted = true;
}

ShownPicture MpegDecoder::lastReferencePicture() const {
  if (!backwardReferenceFrame) return ShownPicture{};
  return ShownPicture{backwardReferenceFrame, backwardReferenceFrame->progressiveFrame};
}

bool MpegDecoder::decodeFrame(int sequenceFrame) {
  decodePicture(pictureCounter, sequenceFrame);
  while (secondField) {
    if (readHeaders() != 1) return false;
    decodePicture(pictureCounter, sequenceFrame);
  }
  ++pictureCounter;
  return true;
}

// bitstreamFrame is the picture's number in the stream; nothing here depends on it.
void MpegDecoder::decodePicture(int /*bitstreamFrame*/, int sequenceFrame) {
  shown = ShownPicture{};
  if (pictureStructure == kFramePicture && secondField) {
    mpegWarning(quiet, "odd number of field pictures\n");
    secondField = false;
  }
  if (pictureCodingType == kPictureB) {
    currentFrame = auxframe;
  } else {
    if (!secondField) std::swap(forwardReferenceFrame, backwardReferenceFrame);
    currentFrame = backwardReferenceFrame;
  }
  currentFrame->progressiveFrame = progressiveFrame;
  features.fieldPictures += pictureStructure != kFramePicture;
  features.alternateScanPictures += alternateScan;
  features.intraVlcOnePictures += intraVlcFormat;
  features.nonLinearQuantiserPictures += qScaleType;

  picture_data();

  if ((pictureStructure == kFramePicture || secondField) && sequenceFrame != 0) {
    const FrameStore* due = pictureCodingType == kPictureB ? auxframe : forwardReferenceFrame;
    shown = ShownPicture{due, due->progressiveFrame};
  }
  if (pictureStructure != kFramePicture) secondField = !secondField;
}

void MpegDecoder::picture_data() {
  // A field has half the macroblock rows; a progressive sequence (where field pictures are not
  // allowed) may have an odd count, and its last half row is never addressed.
  int mbaMax = pictureStructure == kFramePicture ? mbWidth * mbHeight : mbWidth * (mbHeight / 2);
  int mbaReached = 0;
  for (;;) {
    input.nextStartCode();
    uint32_t code = input.showBits(32);
    if (code < 0x00000101 || code > 0x000001AF) {
      if (mbaReached < mbaMax) mpegWarning(quiet, "start_of_slice(): Premature end of picture\n");
      if (mbaReached < mbaMax) ++features.incompletePictures;
      return;
    }
    if (slice(mbaMax, mbaReached) < 0) return;
  }
}

void MpegDecoder::setQuantiserScale(int code) {
  if (!mpeg2)
    quantiserScale = code;
  else
    quantiserScale = qScaleType ? kNonLinearQuantiserScale[code] : code * 2;
}

// Returns -1 when the picture must end ("Too many macroblocks"), 0 otherwise.
int MpegDecoder::slice(int mbaMax, int& mbaReached) {
  uint32_t code = input.getBits(32);
  int row = (int)(code & 0xFF);
  if (mpeg2 && verticalSize > 2800) row += (int)input.getBits(3) << 7;
  row -= 1;
  setQuantiserScale(input.getBits(5));
  if (input.getBit()) {  // intra_slice_flag / extra_bit_slice
    input.getBits(8);
    while (input.getBit()) input.getBits(8);
  }
  fault = false;
  int increment = macroblock_address_increment();
  if (increment < 0) {
    mpegWarning(quiet, "start_of_slice(): MBAinc unsuccessful\n");
    return 0;
  }
  int mba = row * mbWidth + increment - 1;
  if (mba >= mbaMax) {
    mpegWarning(quiet, "start_of_slice(): slice beyond the picture\n");
    return 0;
  }
  dcPredictor[0] = dcPredictor[1] = dcPredictor[2] = 0;
  memset(pmv, 0, sizeof pmv);

  for (bool first = true;; first = false) {
    if (!first) {
      if (input.showBits(23) == 0) return 0;  // the next start code ends the slice
      increment = macroblock_address_increment();
      if (increment < 0) return 0;
      for (int k = 1; k < increment; ++k) {
        if (mba >= mbaMax) {
          mpegWarning(quiet, "Too many macroblocks in picture\n");
          return -1;
        }
        skipped_macroblock(mba++);
      }
    }
    if (mba >= mbaMax) {
      mpegWarning(quiet, "Too many macroblocks in picture\n");
      return -1;
    }
    currentMba = mba;
    int type, motionType, dctType;
    macroblock_modes(type, motionType, dctType);
    if (!fault) macroblock(mba, type, motionType, dctType);
    if (fault) return 0;
    ++mba;
    mbaReached = std::max(mbaReached, mba);
  }
}

int MpegDecoder::macroblock_address_increment() {
  int increment = 0;
  for (;;) {
    const VlcEntry& e = vlc.macroblockAddressIncrement.entries[input.showBits(vlc.macroblockAddressIncrement.bits)];
    if (e.length == 0 || increment > (1 << 20)) {
      mpegWarning(quiet, "Invalid macroblock_address_increment code\n");
      fault = true;
      return -1;
    }
    input.flushBits(e.length);
    if (e.value == kMbaStuffing) continue;
    if (e.value == kMbaEscape) {
      increment += 33;
      continue;
    }
    return increment + e.value;
  }
}

void MpegDecoder::macroblock_modes(int& type, int& motionType, int& dctType) {
  bool framePicture = pictureStructure == kFramePicture;
  type = 0;
  motionType = framePicture ? kMotionFrame : kMotionField;
  dctType = 0;
  if (pictureCodingType < kPictureI || pictureCodingType > kPictureB) {
    mpegWarning(quiet, "Get_macroblock_type(): unrecognized picture coding type\n");
    fault = true;
    return;
  }
  const VlcLookup& table = vlc.macroblockType[pictureCodingType - 1];
  const VlcEntry& e = table.entries[input.showBits(table.bits)];
  if (e.length == 0) {
    mpegWarning(quiet, "Invalid macroblock_type code\n");
    fault = true;
    return;
  }
  input.flushBits(e.length);
  type = e.value;
  if (type & (kMbForward | kMbBackward)) {
    if (!framePicture || !framePredFrameDct) motionType = input.getBits(2);
    if (motionType == 0) {
      // The reserved motion type leaves the vector syntax undefined: the slice cannot continue.
      mpegWarning(quiet, "invalid motion_type\n");
      fault = true;
      return;
    }
  }
  if (framePicture && !framePredFrameDct && (type & (kMbIntra | kMbPattern))) dctType = input.getBit();
  features.fieldDctMacroblocks += dctType;
  if (type & (kMbForward | kMbBackward)) ++features.motionTypes[!framePicture][motionType];
}

int MpegDecoder::coded_block_pattern() {
  const VlcEntry& e = vlc.codedBlockPattern.entries[input.showBits(vlc.codedBlockPattern.bits)];
  if (e.length == 0) {
    mpegWarning(quiet, "Invalid coded_block_pattern code\n");
    fault = true;
    return 0;
  }
  input.flushBits(e.length);
  int pattern = e.value;
  if (chromaFormat == kChroma422) pattern = (pattern << 2) | (int)input.getBits(2);
  if (chromaFormat == kChroma444) pattern = (pattern << 6) | (int)input.getBits(6);
  return pattern;
}

void MpegDecoder::macroblock(int mba, int type, int motionType, int dctType) {
  bool framePicture = pictureStructure == kFramePicture;
  bool intra = type & kMbIntra;
  if (type & kMbQuant) setQuantiserScale(input.getBits(5));
  if ((type & kMbForward) || (intra && concealmentMotionVectors))
    motion_vectors(0, intra ? (framePicture ? kMotionFrame : kMotionField) : motionType);
  if (fault) return;
  if (type & kMbBackward) motion_vectors(1, motionType);
  if (fault) return;
  if (intra && concealmentMotionVectors) input.getBit();  // marker

  int blocks = blocksPerMacroblock;
  int pattern = 0;
  if (type & kMbPattern) {
    pattern = coded_block_pattern();
    if (fault) return;
  } else if (intra) {
    pattern = (1 << blocks) - 1;
  }

  if (!intra) dcPredictor[0] = dcPredictor[1] = dcPredictor[2] = 0;
  if (intra && !concealmentMotionVectors) memset(pmv, 0, sizeof pmv);
  if (pictureCodingType == kPictureP && !intra && !(type & kMbForward)) {
    // "No MC": zero vector from the same frame, or from the field of the same parity.
    memset(pmv, 0, sizeof pmv);
    memset(vector, 0, sizeof vector);
    fieldSelect[0][0] = pictureStructure == kBottomField ? 1 : 0;
    motionType = framePicture ? kMotionFrame : kMotionField;
    type |= kMbForward;
  }

  for (int comp = 0; comp < blocks; ++comp) {
    if (!(pattern & (1 << (blocks - 1 - comp)))) continue;
    if (intra) {
      if (mpeg2)
        Decode_MPEG2_Intra_Block(comp);
      else
        Decode_MPEG1_Intra_Block(comp);
    } else {
      if (mpeg2)
        Decode_MPEG2_Non_Intra_Block(comp);
      else
        Decode_MPEG1_Non_Intra_Block(comp);
    }
    if (fault) {
      memset(block, 0, sizeof block);
      return;
    }
  }
  if (!intra) formPredictions(mba, type, motionType);
  addBlocks(mba, dctType, pattern, intra);
  previousType = type;
  previousMotionType = motionType;
}

void MpegDecoder::skipped_macroblock(int mba) {
  currentMba = mba;
  ++features.skippedMacroblocks;
  dcPredictor[0] = dcPredictor[1] = dcPredictor[2] = 0;
  bool framePicture = pictureStructure == kFramePicture;
  if (pictureCodingType == kPictureB) {
    // Only the direction and the vector predictors carry over from the macroblock before: the
    // prediction is frame-based in a frame picture and from the field of the same parity in a
    // field picture, even after field or 16 x 8 prediction used other vectors and fields.
    int type = previousType & (kMbForward | kMbBackward);
    if (type == 0) type = kMbForward;
    features.bSkipsAfterFieldMotion += framePicture && previousMotionType != kMotionFrame;
    for (int s = 0; s < 2; ++s) {
      bool fullPel = !mpeg2 && (s == 0 ? fullPelForward : fullPelBackward);
      for (int t = 0; t < 2; ++t) vector[0][s][t] = fullPel ? 2 * pmv[0][s][t] : pmv[0][s][t];
      fieldSelect[0][s] = pictureStructure == kBottomField ? 1 : 0;
    }
    formPredictions(mba, type, framePicture ? kMotionFrame : kMotionField);
    return;
  }
  memset(pmv, 0, sizeof pmv);
  memset(vector, 0, sizeof vector);
  fieldSelect[0][0] = pictureStructure == kBottomField ? 1 : 0;
  formPredictions(mba, kMbForward, framePicture ? kMotionFrame : kMotionField);
}

// Inverse DCT of each coded block and its addition to the prediction (or, for intra blocks, to
// the level 128 the DC predictor leaves out).
void MpegDecoder::addBlocks(int mba, int dctType, int pattern, bool intra) {
  bool framePicture = pictureStructure == kFramePicture;
  int blocks = blocksPerMacroblock;
  int x = (mba % mbWidth) * 16;
  int y = (mba / mbWidth) * 16;
  for (int comp = 0; comp < blocks; ++comp) {
    if (!(pattern & (1 << (blocks - 1 - comp)))) continue;
    int c = comp < 4 ? 0 : (comp & 1) + 1;
    int planeWidth = c ? chromaWidth : codedWidth;
    uint8_t* plane = currentFrame->plane[c] + (pictureStructure == kBottomField ? planeWidth : 0);
    int pictureStride = framePicture ? planeWidth : 2 * planeWidth;
    int row, column, stride;
    if (c == 0) {
      column = x + (comp & 1) * 8;
      if (framePicture && dctType) {
        row = y + (comp >> 1);
        stride = 2 * pictureStride;
      } else {
        row = y + (comp >> 1) * 8;
        stride = pictureStride;
      }
    } else {
      int cx = chromaFormat == kChroma444 ? x : x / 2;
      int cy = chromaFormat == kChroma420 ? y / 2 : y;
      column = cx + (comp & 8);
      if (chromaFormat == kChroma420) {
        row = cy;
        stride = pictureStride;
      } else if (framePicture && dctType) {
        row = cy + ((comp & 2) >> 1);
        stride = 2 * pictureStride;
      } else {
        row = cy + ((comp & 2) << 2);
        stride = pictureStride;
      }
    }
    uint8_t* dst = plane + (ptrdiff_t)row * pictureStride + column;
    (intra ? kernels->idctPut : kernels->idctAdd)(block[comp], dst, stride);
  }
}
