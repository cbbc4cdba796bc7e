// Constant tables of ISO/IEC 13818-2 (and 11172-2): the variable-length codes of Annex B as they
// are printed there, scan orders, default quantiser matrices, the non-linear quantiser scale,
// frame rates and the colour matrices of the conversion.
#pragma once
#include <cstdint>

// One row of a variable-length code table: the code as printed (spaces ignored, no sign bit),
// and what it stands for.
struct VlcCode {
  const char* bits;
  int16_t value;  // the decoded value (for DCT coefficients: the level)
  int16_t run;    // DCT coefficients only: the run of zeros before the level
};

// Special values in the tables.
constexpr int16_t kMbaStuffing = 34;   // macroblock_stuffing (MPEG-1 only)
constexpr int16_t kMbaEscape = 35;     // macroblock_escape: add 33
constexpr int16_t kDctEndOfBlock = -1; // value of the end-of-block code
constexpr int16_t kDctEscape = -2;     // value of the escape code

// macroblock_type flags (Tables B.2 to B.4).
constexpr int kMbQuant = 1;
constexpr int kMbForward = 2;
constexpr int kMbBackward = 4;
constexpr int kMbPattern = 8;
constexpr int kMbIntra = 16;

extern const VlcCode kMacroblockAddressIncrement[];  // B.1
extern const VlcCode kMacroblockTypeI[];             // B.2
extern const VlcCode kMacroblockTypeP[];             // B.3
extern const VlcCode kMacroblockTypeB[];             // B.4
extern const VlcCode kCodedBlockPattern[];           // B.9
extern const VlcCode kMotionCode[];                  // B.10
extern const VlcCode kDmvector[];                    // B.11
extern const VlcCode kDctDcSizeLuminance[];          // B.12
extern const VlcCode kDctDcSizeChrominance[];        // B.13
extern const VlcCode kDctCoefficientsZero[];         // B.14
extern const VlcCode kDctCoefficientsOne[];          // B.15
// Each list above ends with a row whose `bits` is null.

extern const uint8_t kZigzagScan[64];      // scan position -> raster index (Figure 7-2)
extern const uint8_t kAlternateScan[64];   // scan position -> raster index (Figure 7-3)
extern const uint8_t kDefaultIntraMatrix[64];  // raster order (6.3.11)
extern const uint8_t kNonLinearQuantiserScale[32];  // Table 7-6, quantiser_scale_code -> scale
// frame_rate_code -> frames per second as an exact fraction; reserved codes are 0/0.
struct FrameRate {
  int numerator, denominator;
};
extern const FrameRate kFrameRates[16];

// Colour matrix rows (crv, cbu, cgu, cgv) in 65536ths, by matrix_coefficients code.
struct ColourMatrix {
  int32_t crv, cbu, cgu, cgv;
};
const ColourMatrix& colourMatrixFor(int matrixCoefficients);
