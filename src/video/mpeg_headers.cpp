// Stream-type detection and the header layer: sequence header, GOP header, picture header and the
// extensions and user data that follow them (ISO/IEC 13818-2 clause 6.2; MPEG-1 streams are the
// ones without a sequence extension).
#include <cstdio>
#include <cstring>

#include "video/mpeg_decoder.h"
#include "video/mpeg_tables.h"

void MpegDecoder::detectStreamType() {
  input.rewind(false);
  if (input.showBits(8) == 0x47) mpegFatal(false, "Decoder currently does not parse transport streams\n");
  input.nextStartCode();
  uint32_t code = input.showBits(32);
  bool system;
  if (code == 0x000001B3)
    system = false;
  else if (code == 0x000001BA || code == 0x000001E0)
    system = true;
  else
    mpegFatal(false, "Unable to recognize stream type\n");
  input.rewind(system);
}

int MpegDecoder::readHeaders() {
  for (;;) {
    input.nextStartCode();
    uint32_t code = input.getBits(32);
    switch (code) {
      case 0x000001B3:
        sequence_header();
        break;
      case 0x000001B8:
        group_of_pictures_header();
        break;
      case 0x00000100:
        picture_header();
        return 1;
      case 0x000001B7:
        return 0;
      default:
        break;
    }
  }
}

void MpegDecoder::loadMatrix(uint8_t* matrix) {
  // Matrices arrive in zig-zag order whatever the picture's scan.
  for (int i = 0; i < 64; ++i) matrix[kZigzagScan[i]] = (uint8_t)input.getBits(8);
}

void MpegDecoder::sequence_header() {
  horizontalSize = input.getBits(12);
  verticalSize = input.getBits(12);
  aspectRatio = input.getBits(4);
  frameRateCode = input.getBits(4);
  bitRate = input.getBits(18);
  input.getBit();  // marker
  vbvBufferSize = input.getBits(10);
  constrainedParameters = input.getBit();
  if (input.getBit())
    loadMatrix(intraMatrix);
  else
    memcpy(intraMatrix, kDefaultIntraMatrix, 64);
  if (input.getBit())
    loadMatrix(nonIntraMatrix);
  else
    memset(nonIntraMatrix, 16, 64);
  memcpy(chromaIntraMatrix, intraMatrix, 64);
  memcpy(chromaNonIntraMatrix, nonIntraMatrix, 64);
  ++matrixGeneration;

  mpeg2 = false;
  matrixCoefficients = 1;
  sequenceSeen = true;
  extension_and_user_data();
  if (!mpeg2) {
    progressiveSequence = 1;
    progressiveFrame = 1;
    pictureStructure = kFramePicture;
    framePredFrameDct = 1;
    chromaFormat = kChroma420;
    matrixCoefficients = 5;
  }
  checkSequenceGeometry();
}

// A later sequence header or extension may repeat the sequence but never change its geometry: the
// frame stores and macroblock rows were laid out for it.
void MpegDecoder::checkSequenceGeometry() {
  bool frameRows = !mpeg2 || progressiveSequence;
  int rows = frameRows ? (verticalSize + 15) / 16 : 2 * ((verticalSize + 31) / 32);
  if (sequenceStarted && (horizontalSize != startedWidth || verticalSize != startedHeight ||
                          chromaFormat != startedChroma || rows != mbHeight))
    mpegFatal(false, "sequence header changes the picture size or chroma format\n");
}

void MpegDecoder::group_of_pictures_header() {
  input.getBits(25);  // time_code
  input.getBit();     // closed_gop
  input.getBit();     // broken_link
  extension_and_user_data();
}

void MpegDecoder::picture_header() {
  if (!sequenceSeen) mpegFatal(false, "picture header before any sequence header\n");
  temporalReference = input.getBits(10);
  pictureCodingType = input.getBits(3);
  vbvDelay = input.getBits(16);
  if (pictureCodingType == kPictureP || pictureCodingType == kPictureB) {
    fullPelForward = input.getBit();
    int code = input.getBits(3);
    fCode[0][0] = fCode[0][1] = code;
  }
  if (pictureCodingType == kPictureB) {
    fullPelBackward = input.getBit();
    int code = input.getBits(3);
    fCode[1][0] = fCode[1][1] = code;
  }
  while (input.getBit()) input.getBits(8);  // extra_information_picture
  if (!mpeg2) {
    intraDcPrecision = 0;
    pictureStructure = kFramePicture;
    topFieldFirst = 0;
    framePredFrameDct = 1;
    concealmentMotionVectors = 0;
    qScaleType = 0;
    intraVlcFormat = 0;
    alternateScan = 0;
    repeatFirstField = 0;
    progressiveFrame = 1;
  } else {
    fullPelForward = fullPelBackward = 0;
  }
  extension_and_user_data();
}

void MpegDecoder::extension_and_user_data() {
  for (;;) {
    input.nextStartCode();
    uint32_t code = input.showBits(32);
    if (code == 0x000001B2) {
      input.flushBits(32);  // user data: skipped up to the next start code
      continue;
    }
    if (code != 0x000001B5) return;
    input.flushBits(32);
    int id = input.getBits(4);
    switch (id) {
      case 1:
        sequence_extension();
        break;
      case 2:
        sequence_display_extension();
        break;
      case 3:
        quant_matrix_extension();
        break;
      case 4:  // copyright extension: nothing the player uses
        break;
      case 5:
        sequence_scalable_extension();
        break;
      case 7:  // picture display extension: pan-scan offsets are not used
        break;
      case 8:
        picture_coding_extension();
        break;
      case 9:  // picture spatial scalable extension: only in streams refused at the sequence
        break;
      case 10:
        mpegFatal(false, "temporal scalability not supported\n");
      default:
        mpegWarning(quiet, "reserved extension start code ID %d\n", id);
        break;
    }
  }
}

void MpegDecoder::sequence_extension() {
  mpeg2 = true;
  profileAndLevel = input.getBits(8);
  progressiveSequence = input.getBit();
  chromaFormat = input.getBits(2);
  int horizontalExtension = input.getBits(2);
  int verticalExtension = input.getBits(2);
  int bitRateExtension = input.getBits(12);
  input.getBit();  // marker
  int vbvExtension = input.getBits(8);
  lowDelay = input.getBit();
  frameRateExtensionN = input.getBits(2);
  frameRateExtensionD = input.getBits(5);
  horizontalSize = (horizontalExtension << 12) | (horizontalSize & 0x0FFF);
  verticalSize = (verticalExtension << 12) | (verticalSize & 0x0FFF);
  // Completes the header's low bits; an extension may come again without its header.
  bitRate = (bitRateExtension << 18) | (bitRate & 0x3FFFF);
  vbvBufferSize = (vbvExtension << 10) | (vbvBufferSize & 0x3FF);
  if (chromaFormat == 0) mpegFatal(false, "reserved chroma format\n");
  checkSequenceGeometry();
}

void MpegDecoder::sequence_display_extension() {
  videoFormat = input.getBits(3);
  if (input.getBit()) {
    colourPrimaries = input.getBits(8);
    transferCharacteristics = input.getBits(8);
    matrixCoefficients = input.getBits(8);
  }
  displayHorizontalSize = input.getBits(14);
  input.getBit();  // marker
  displayVerticalSize = input.getBits(14);
}

void MpegDecoder::quant_matrix_extension() {
  if (input.getBit()) {
    loadMatrix(intraMatrix);
    memcpy(chromaIntraMatrix, intraMatrix, 64);
  }
  if (input.getBit()) {
    loadMatrix(nonIntraMatrix);
    memcpy(chromaNonIntraMatrix, nonIntraMatrix, 64);
  }
  if (input.getBit()) loadMatrix(chromaIntraMatrix);
  if (input.getBit()) loadMatrix(chromaNonIntraMatrix);
  ++matrixGeneration;
}

// The player has no second input layer, so every scalable stream ends here.
void MpegDecoder::sequence_scalable_extension() {
  int scalableMode = input.getBits(2);
  if (scalableMode == 3) mpegFatal(false, "temporal scalability not implemented\n");
  mpegFatal(false, "scalable streams need a second layer, which is not supported\n");
}

void MpegDecoder::picture_coding_extension() {
  fCode[0][0] = input.getBits(4);
  fCode[0][1] = input.getBits(4);
  fCode[1][0] = input.getBits(4);
  fCode[1][1] = input.getBits(4);
  intraDcPrecision = input.getBits(2);
  pictureStructure = input.getBits(2);
  topFieldFirst = input.getBit();
  framePredFrameDct = input.getBit();
  concealmentMotionVectors = input.getBit();
  qScaleType = input.getBit();
  intraVlcFormat = input.getBit();
  alternateScan = input.getBit();
  repeatFirstField = input.getBit();
  chroma420Type = input.getBit();
  progressiveFrame = input.getBit();
  if (input.getBit()) input.getBits(20);  // composite display information
  if (pictureStructure == 0) mpegFatal(false, "reserved picture_structure\n");
}
