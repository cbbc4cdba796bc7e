// The MPEG-1 / MPEG-2 video decoder: one object holding the input, the sequence and picture state
// of ISO/IEC 13818-2 and the three frame stores. Its operations follow the layers of the standard
// (headers, slice, macroblock, block, motion compensation); each syntactic element has its own
// function. Fatal errors throw MpegFatal carrying their message; the rest are warnings (mpegWarning).
#pragma once
#include <cstdint>

#include "video/mpeg_coefficients.h"
#include "video/mpeg_input.h"
#include "video/mpeg_kernels.h"
#include "video/mpeg_vlc.h"

// picture_coding_type
constexpr int kPictureI = 1;
constexpr int kPictureP = 2;
constexpr int kPictureB = 3;
constexpr int kPictureD = 4;
// picture_structure
constexpr int kTopField = 1;
constexpr int kBottomField = 2;
constexpr int kFramePicture = 3;
// frame_motion_type / field_motion_type
constexpr int kMotionField = 1;
constexpr int kMotionFrame = 2;  // frame pictures
constexpr int kMotion16x8 = 2;   // field pictures
constexpr int kMotionDualPrime = 3;
// chroma_format
constexpr int kChroma420 = 1;
constexpr int kChroma422 = 2;
constexpr int kChroma444 = 3;

// One decoded picture: three planes at coded size.
struct FrameStore {
  uint8_t* plane[3] = {nullptr, nullptr, nullptr};  // Y, Cb, Cr
  bool progressiveFrame = true;                     // of the picture last decoded into it
  uint8_t* memory = nullptr;                        // the three planes, kept across restarts
  size_t capacity = 0;                              // bytes of memory
};

// The picture that is due for display after decodePicture, or none.
struct ShownPicture {
  const FrameStore* frame = nullptr;
  bool progressiveFrame = true;
};

// The two clip tables, built on first use and kept for the process (every decoder and the portable
// kernels read them).
struct MpegClipTables {
  uint8_t clip[1024];      // -384 .. 639 clamped to 0 .. 255
  int16_t idctClip[1024];  // -512 .. 511 clamped to -256 .. 255
};
const MpegClipTables& mpegClipTables();

// What the decoded pictures used, so tests can tell which parts of the standard a stream exercised.
struct MpegFeatureCounts {
  int fieldPictures = 0;
  int fieldDctMacroblocks = 0;
  int motionTypes[2][4] = {};        // [field picture][motion type] of predicted macroblocks
  int alternateScanPictures = 0;
  int intraVlcOnePictures = 0;
  int nonLinearQuantiserPictures = 0;
  int skippedMacroblocks = 0;
  int incompletePictures = 0;        // pictures whose slices stopped before the last macroblock
  int bSkipsAfterFieldMotion = 0;    // skipped in a B frame picture right after field or dual-prime prediction
};

class MpegDecoder {
public:
  MpegInput input;
  bool quiet = false;                 // suppress every warning (fuzzing, tests, tools' --quiet)
  int64_t maxLumaSamples = 4096 * 4096;  // larger pictures are refused rather than allocated

  // ---- sequence state ----
  bool sequenceSeen = false;          // a sequence header has been read
  bool sequenceStarted = false;       // sizes fixed and frame stores allocated
  int horizontalSize = 0, verticalSize = 0;
  int aspectRatio = 0, frameRateCode = 0, bitRate = 0, vbvBufferSize = 0;
  int constrainedParameters = 0;
  bool mpeg2 = false;
  int profileAndLevel = 0;
  int progressiveSequence = 1;
  int chromaFormat = kChroma420;
  int lowDelay = 0;
  int frameRateExtensionN = 0, frameRateExtensionD = 0;
  int videoFormat = 0, colourPrimaries = 0, transferCharacteristics = 0, matrixCoefficients = 5;
  int displayHorizontalSize = 0, displayVerticalSize = 0;
  uint8_t intraMatrix[64], nonIntraMatrix[64];            // raster order
  uint8_t chromaIntraMatrix[64], chromaNonIntraMatrix[64];
  uint32_t matrixGeneration = 0;      // moves on whenever a matrix may have changed

  // Derived at the start of the sequence.
  int mbWidth = 0, mbHeight = 0;
  int codedWidth = 0, codedHeight = 0;
  int chromaWidth = 0, chromaHeight = 0;
  int blocksPerMacroblock = 6;
  int startedWidth = 0, startedHeight = 0, startedChroma = 0;

  // ---- picture state ----
  int temporalReference = 0;
  int pictureCodingType = 0;
  int vbvDelay = 0;
  int fullPelForward = 0, fullPelBackward = 0;
  int fCode[2][2] = {{15, 15}, {15, 15}};
  int intraDcPrecision = 0;
  int pictureStructure = kFramePicture;
  int topFieldFirst = 0, framePredFrameDct = 1, concealmentMotionVectors = 0;
  int qScaleType = 0, intraVlcFormat = 0, alternateScan = 0;
  int repeatFirstField = 0, chroma420Type = 0, progressiveFrame = 1;
  bool secondField = false;
  int quantiserScale = 0;             // MPEG-1: the code; MPEG-2: the scale of Table 7-6
  bool fault = false;                 // an invalid code in the current slice

  // ---- counters and output ----
  int pictureCounter = 0;             // pictures decoded since the stream was opened
  ShownPicture shown;                 // set by decodePicture when a picture is due
  MpegFeatureCounts features;         // since the stream was opened

  // ---- frame stores ----
  FrameStore frames[3];               // owned storage behind the three roles below
  FrameStore* backwardReferenceFrame = nullptr;
  FrameStore* forwardReferenceFrame = nullptr;
  FrameStore* auxframe = nullptr;
  FrameStore* currentFrame = nullptr;

  // ---- slice and macroblock working state ----
  int dcPredictor[3] = {0, 0, 0};
  int pmv[2][2][2] = {};              // PMV[r][s][t]
  int vector[2][2][2] = {};           // reconstructed vectors used for prediction [r][s][t]
  int fieldSelect[2][2] = {};         // motion_vertical_field_select[r][s]
  int dmvector[2] = {0, 0};
  int dualPrime[2][2] = {};           // DMV[parity][t]
  int previousType = 0;               // macroblock_type of the last coded macroblock (B skips)
  int previousMotionType = kMotionFrame;  // its motion type (counted in `features`)
  int16_t block[12][64];              // coefficients of the current macroblock, cleared after use
  // A matrix times the quantiser scale (at most 112 x 255) in scan order, so that a coefficient's
  // weight takes one read beside the read of its place in `scan`; one per matrix (intra and
  // non-intra, luma and chroma), rebuilt when the scale, the scan or the matrices change.
  struct ScanWeights {
    uint16_t weight[64];
    int scale = -1;
    const uint8_t* scan = nullptr;  // the scan it was built for, and read with
    uint32_t generation = 0;
  };
  ScanWeights scanWeights[4];
  int currentMba = 0;                 // address of the macroblock being decoded (for messages)

  // ---- tables ----
  // The process's clip tables, indexed from -384 (Clip[]) and from -512 (IDCT clip).
  const uint8_t* clip = mpegClipTables().clip + 384;
  const int16_t* idctClip = mpegClipTables().idctClip + 512;

  const MpegVlcTables& vlc;           // shared lookup tables of Annex B
  const MpegKernels* kernels;         // inverse DCT, block addition, prediction (all sets agree)

  MpegDecoder();
  ~MpegDecoder();
  MpegDecoder(const MpegDecoder&) = delete;
  MpegDecoder& operator=(const MpegDecoder&) = delete;

  // ---- stream lifecycle (mpeg_picture.cpp) ----
  // Opens a clip file (or memory), detects the stream type, reads up to the first picture, sets up
  // the sequence and decodes that picture without showing it.
  void openStream(const char* path);
  void openStream(const uint8_t* data, size_t size);
  void decodePicture(int bitstreamFrame, int sequenceFrame);
  // Reads and decodes pictures until a whole frame is done (a frame picture or both fields).
  // Returns false when the sequence ends first.
  bool decodeFrame(int sequenceFrame);
  // Fatal when the sequence's geometry differs from the one the frame stores were made for.
  void checkSequenceGeometry();
  void releaseSequence();
  void closeStream();
  // The last reference picture, which display order never reaches (tools flush it at the end).
  ShownPicture lastReferencePicture() const;

  // ---- headers (mpeg_headers.cpp) ----
  void detectStreamType();
  int readHeaders();  // 1: a picture header was read; 0: end of sequence

private:
  // headers
  void sequence_header();
  void group_of_pictures_header();
  void picture_header();
  void extension_and_user_data();
  void sequence_extension();
  void sequence_display_extension();
  void quant_matrix_extension();
  void sequence_scalable_extension();
  void picture_coding_extension();
  void loadMatrix(uint8_t* matrix);
  void startSequence();

  // picture, slice and macroblock layers (mpeg_picture.cpp)
  void picture_data();
  int slice(int mbaMax, int& mbaReached);
  int macroblock_address_increment();
  void macroblock_modes(int& type, int& motionType, int& dctType);
  int coded_block_pattern();
  void macroblock(int mba, int type, int motionType, int dctType);
  void skipped_macroblock(int mba);
  void addBlocks(int mba, int dctType, int pattern, bool intra);
  void setQuantiserScale(int code);
  void clearPictureState();

  // blocks (mpeg_blocks.cpp)
  int dct_dc_differential(int cc);
  bool blockFailed(BlockEnd end, const char* function, const char* kind);
  const ScanWeights* weightsFor(int which, const uint8_t* matrix, const uint8_t* scan);
  void Decode_MPEG1_Intra_Block(int comp);
  void Decode_MPEG1_Non_Intra_Block(int comp);
  void Decode_MPEG2_Intra_Block(int comp);
  void Decode_MPEG2_Non_Intra_Block(int comp);

  // motion vectors and prediction (mpeg_motion.cpp)
  void motion_vectors(int s, int motionType);
  void motion_vector(int r, int s, bool dmv, bool fieldVertical, bool fullPel);
  int motion_code_delta(int fcode);
  void dualPrimeVectors();
  void formPredictions(int mba, int type, int motionType);
  void predict(const FrameStore* src, int srcField, int dstField, int x, int y, int h, int dx, int dy, bool average);
  void predictPlanes(int first, int last, const FrameStore* src, int srcField, int dstField, int planeWidth,
                     int planeHeight, int x, int y, int w, int h, int vx, int vy, bool average);
};

// 8 x 8 integer inverse DCT in place (row pass, then column pass through the IDCT clip table).
void inverseDct(int16_t* block, const int16_t* idctClip);
// Fills the two clip tables.
void buildClipTables(uint8_t* clip1024, int16_t* idctClip1024);
