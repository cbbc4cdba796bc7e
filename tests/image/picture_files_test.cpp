// Picture files: the TGA reader with fixtures built here, JPEG loading (colour, greyscale, CMYK),
// the "default.jpg" fallback and the failures that end the process.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <vector>

#include <jpeglib.h>

#include "image/bitmap.h"
#include "image/image_writers.h"
#include "image/tga.h"

namespace fs = std::filesystem;

namespace {

// Each test runs in a fresh folder so that relative names such as "default.jpg" are its own.
class PictureFiles : public ::testing::Test {
protected:
  fs::path previous, folder;
  void SetUp() override {
    previous = fs::current_path();
    folder = fs::temp_directory_path() / ("zub_pictures_" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "dat");
    fs::current_path(folder);
  }
  void TearDown() override {
    fs::current_path(previous);
    fs::remove_all(folder);
  }
};

std::vector<uint8_t> tgaHeader(int w, int h, int depth) {
  std::vector<uint8_t> f(18, 0);
  f[2] = 2;
  f[12] = (uint8_t)w;
  f[13] = (uint8_t)(w >> 8);
  f[14] = (uint8_t)h;
  f[15] = (uint8_t)(h >> 8);
  f[16] = (uint8_t)depth;
  return f;
}

void writeFile(const char* name, const std::vector<uint8_t>& bytes) {
  std::ofstream(name, std::ios::binary).write((const char*)bytes.data(), (std::streamsize)bytes.size());
}

// 2 x 2 picture: file rows bottom A B, top C D, each pixel blue, green, red[, extra].
std::vector<uint8_t> twoByTwoTga(int depth) {
  std::vector<uint8_t> f = tgaHeader(2, 2, depth);
  const uint8_t rgb[4][3] = {{0x11, 0x12, 0x13}, {0x21, 0x22, 0x23}, {0x31, 0x32, 0x33}, {0x41, 0x42, 0x43}};
  for (auto& p : rgb) {
    f.push_back(p[2]);
    f.push_back(p[1]);
    f.push_back(p[0]);
    if (depth == 32) f.push_back(0x99);
  }
  return f;
}

// A w x h JPEG in the given colour space, every sample `value`.
void writeRawJpeg(const char* name, int w, int h, int components, J_COLOR_SPACE space, JSAMPLE value) {
  FILE* file = fopen(name, "wb");
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, file);
  c.image_width = w;
  c.image_height = h;
  c.input_components = components;
  c.in_color_space = space;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 100, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<JSAMPLE> row((size_t)w * components, value);
  for (int y = 0; y < h; ++y) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  fclose(file);
}

void writeColourJpeg(const char* name, int w, int h, uint32_t colour) {
  std::vector<uint32_t> pixels((size_t)w * h, colour);
  std::string error;
  ASSERT_TRUE(zub::writeJpeg(name, pixels.data(), w, h, 100, error)) << error;
}

TEST_F(PictureFiles, TgaRowsAreFlippedAndTheExtraByteDropped) {
  for (int depth : {24, 32}) {
    writeFile("pic.tga", twoByTwoTga(depth));
    testing::internal::CaptureStdout();
    Bitmap b("pic.tga");
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "Allocated tga->b: 16\nAllocated bitmap: 2 x 2 x " + std::to_string(depth) + " \n");
    EXPECT_EQ(b.bitsPerPixel, depth == 24 ? 24 : 32);
    EXPECT_EQ(b.width, 2);
    EXPECT_EQ(b.capacity, 16);
    // Top row is the file's last row: C D, then A B.
    EXPECT_EQ(b.pixels[0], 0x313233u);
    EXPECT_EQ(b.pixels[1], 0x414243u);
    EXPECT_EQ(b.pixels[2], 0x111213u);
    EXPECT_EQ(b.pixels[3], 0x212223u);
  }
}

TEST_F(PictureFiles, TgaIsChosenByACaseSensitiveSubstring) {
  writeFile("dat/x.tga.jpg", twoByTwoTga(24));
  testing::internal::CaptureStdout();
  Bitmap b("dat\\x.tga.jpg");
  EXPECT_EQ(testing::internal::GetCapturedStdout().find("jpg filename"), std::string::npos);
  EXPECT_EQ(b.width, 2);

  writeColourJpeg("UPPER.TGA", 8, 8, 0x808080);
  testing::internal::CaptureStdout();
  Bitmap j("UPPER.TGA");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "jpg filename = UPPER.TGA\nw=8, h=8\nAllocated bitmap: 8 x 8 x 32 \n");
}

TEST_F(PictureFiles, TgaDecoderRejectsBadFilesWithoutReadingPastThem) {
  TgaImage image;
  std::vector<uint8_t> shortHeader(17, 0);
  EXPECT_STREQ(tgaDecode(shortHeader.data(), shortHeader.size(), image), "file is shorter than a TGA header");
  std::vector<uint8_t> truncated = twoByTwoTga(24);
  truncated.pop_back();
  EXPECT_STREQ(tgaDecode(truncated.data(), truncated.size(), image), "pixel data is shorter than the header says");
  std::vector<uint8_t> huge = tgaHeader(65535, 65535, 32);
  EXPECT_STREQ(tgaDecode(huge.data(), huge.size(), image), "picture is too large");
  std::vector<uint8_t> shallow = tgaHeader(2, 2, 16);
  shallow.resize(18 + 8);
  EXPECT_STREQ(tgaDecode(shallow.data(), shallow.size(), image), "pixel depth is not 24 or 32 bits");
  EXPECT_EQ(image.pixels, nullptr);
}

// The failure the demo stops on: its status and exact message, and nothing announced after it.
void expectFailure(const char* path, int status, const std::string& message, const std::string& printed) {
  testing::internal::CaptureStdout();
  Bitmap b(path);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), printed) << path;
  EXPECT_FALSE(b.ok()) << path;
  EXPECT_EQ(b.failure.status, status) << path;
  EXPECT_EQ(b.failure.message, message) << path;
  EXPECT_EQ(b.pixels, nullptr) << path;
}

TEST_F(PictureFiles, TgaFailuresAreReportedWithAClearMessage) {
  std::vector<uint8_t> truncated = twoByTwoTga(32);
  truncated.resize(20);
  writeFile("short.tga", truncated);
  expectFailure("short.tga", 1, "Error: short.tga: pixel data is shorter than the header says\n", "");
  writeFile("tiny.tga", std::vector<uint8_t>(5, 0));
  expectFailure("tiny.tga", 1, "Error: tiny.tga: file is shorter than a TGA header\n", "");
}

TEST_F(PictureFiles, JpegPixelsArePackedRedGreenBlue) {
  writeColourJpeg("dat/red.jpg", 16, 8, 0xFF0000);
  testing::internal::CaptureStdout();
  Bitmap b("dat\\red.jpg");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "jpg filename = dat\\red.jpg\nw=16, h=8\nAllocated bitmap: 16 x 8 x 32 \n");
  EXPECT_EQ(b.name, "dat\\red.jpg");
  EXPECT_EQ(b.capacity, 16 * 8 * 4);
  for (int i = 0; i < 16 * 8; ++i) {
    uint32_t p = b.pixels[i];
    ASSERT_GE((p >> 16) & 0xFF, 250u);
    ASSERT_LE((p >> 8) & 0xFF, 5u);
    ASSERT_LE(p & 0xFF, 5u);
    ASSERT_EQ(p >> 24, 0u);
  }
}

TEST_F(PictureFiles, GreyscaleJpegWidensToGrey) {
  writeRawJpeg("grey.jpg", 9, 5, 1, JCS_GRAYSCALE, 200);
  testing::internal::CaptureStdout();
  Bitmap b("grey.jpg");
  testing::internal::GetCapturedStdout();
  ASSERT_EQ(b.width, 9);
  ASSERT_EQ(b.height, 5);
  for (int i = 0; i < 45; ++i) EXPECT_EQ(b.pixels[i], 0xC8C8C8u) << i;
}

// The library prints its own message; the failure adds none and carries the library's status.
TEST_F(PictureFiles, CmykAndCorruptJpegsFailThroughTheLibraryErrorExit) {
  writeRawJpeg("cmyk.jpg", 8, 8, 4, JCS_CMYK, 50);
  writeFile("junk.jpg", std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0x00, 0x01, 0x02});
  for (const char* name : {"cmyk.jpg", "junk.jpg"}) {
    testing::internal::CaptureStderr();
    expectFailure(name, 1, "", std::string("jpg filename = ") + name + "\n");
    EXPECT_NE(testing::internal::GetCapturedStderr(), "") << name;
  }
}

TEST_F(PictureFiles, MissingPictureFallsBackToDefaultJpg) {
  writeColourJpeg("default.jpg", 4, 4, 0x0000FF);
  testing::internal::CaptureStdout();
  Bitmap b("dat\\nothere.jpg");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Can't open file: dat\\nothere.jpg\n"
                                                    "jpg filename = default.jpg\nw=4, h=4\n"
                                                    "Allocated bitmap: 4 x 4 x 32 \n");
  EXPECT_EQ(b.name, "default.jpg");
  EXPECT_EQ(b.width, 4);
}

TEST_F(PictureFiles, MissingPictureAndMissingDefaultFail) {
  // The demo's line, then the file the stand-in stood in for.
  expectFailure("dat\\nothere.jpg", 1,
                "Error: opening file default.jpg\n(default.jpg stands in for dat/nothere.jpg, which cannot be opened)\n",
                "Can't open file: dat\\nothere.jpg\njpg filename = default.jpg\n");
}

} // namespace

namespace {
std::vector<uint8_t> readAll(const char* name) {
  std::ifstream in(name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}
} // namespace

// The library's fatal errors come back through our error exit: from memory they are a failure the
// caller sees, and the process goes on.
TEST_F(PictureFiles, JpegFromMemoryReturnsLibraryErrorsInsteadOfEnding) {
  int32_t w = -1, h = -1;
  const uint8_t junk[] = {0xFF, 0xD8, 0xFF, 0x00, 0x01, 0x02};
  EXPECT_EQ(decodeJpegBytes(junk, sizeof junk, 1 << 20, &w, &h), nullptr);
  EXPECT_EQ(decodeJpegBytes(junk, 0, 1 << 20, &w, &h), nullptr);
  writeRawJpeg("cmyk.jpg", 8, 8, 4, JCS_CMYK, 50);
  std::vector<uint8_t> cmyk = readAll("cmyk.jpg");
  EXPECT_EQ(decodeJpegBytes(cmyk.data(), cmyk.size(), 1 << 20, &w, &h), nullptr);

  writeColourJpeg("blue.jpg", 16, 8, 0x0000FF);
  std::vector<uint8_t> blue = readAll("blue.jpg");
  EXPECT_EQ(decodeJpegBytes(blue.data(), blue.size(), 16 * 8 - 1, &w, &h), nullptr);  // over the limit
  std::unique_ptr<uint32_t[]> pixels = decodeJpegBytes(blue.data(), blue.size(), 16 * 8, &w, &h);
  ASSERT_NE(pixels, nullptr);
  EXPECT_EQ(w * 100 + h, 1608);
  EXPECT_LE(pixels[0] >> 8, 5u);
  EXPECT_GE(pixels[16 * 8 - 1] & 0xFF, 250u);
}

TEST_F(PictureFiles, NotAJpegFailsAfterTheLibrarysMessage) {
  writeFile("text.jpg", std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'});
  testing::internal::CaptureStderr();
  expectFailure("text.jpg", 1, "", "jpg filename = text.jpg\n");
  EXPECT_NE(testing::internal::GetCapturedStderr().find("Not a JPEG file"), std::string::npos);
}
