#include "image/image_writers.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <png.h>

namespace zub {

namespace {

struct JpegErrorTrap {
  jpeg_error_mgr manager;
  jmp_buf escape;
  char message[JMSG_LENGTH_MAX];
};

void jpegTrapExit(j_common_ptr cinfo) {
  JpegErrorTrap* trap = (JpegErrorTrap*)cinfo->err;
  (*cinfo->err->format_message)(cinfo, trap->message);
  longjmp(trap->escape, 1);
}

} // namespace

Failure writeJpeg(const std::string& path, const uint32_t* pixels, int width, int height, int quality) {
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) return failure(1, "cannot write %s: %s\n", path.c_str(), strerror(errno));
  std::vector<JSAMPLE> row((size_t)width * 3);
  jpeg_compress_struct cinfo;
  JpegErrorTrap trap;
  cinfo.err = jpeg_std_error(&trap.manager);
  trap.manager.error_exit = jpegTrapExit;
  if (setjmp(trap.escape)) {
    jpeg_destroy_compress(&cinfo);
    fclose(file);
    return failure(1, "%s: %s\n", path.c_str(), trap.message);
  }
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = (JDIMENSION)width;
  cinfo.image_height = (JDIMENSION)height;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  cinfo.optimize_coding = TRUE; // Huffman tables fitted to the picture: smaller, the same pixels
  jpeg_start_compress(&cinfo, TRUE);
  for (int y = 0; y < height; ++y) {
    const uint32_t* src = pixels + (size_t)y * width;
    for (int x = 0; x < width; ++x) {
      row[x * 3] = (JSAMPLE)(src[x] >> 16);
      row[x * 3 + 1] = (JSAMPLE)(src[x] >> 8);
      row[x * 3 + 2] = (JSAMPLE)src[x];
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  if (fclose(file) != 0) return failure(1, "cannot write %s: %s\n", path.c_str(), strerror(errno));
  return {};
}

Failure writePng(const std::string& path, const uint32_t* pixels, int width, int height) {
  png_image image;
  memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = (png_uint_32)width;
  image.height = (png_uint_32)height;
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb((size_t)width * height * 3);
  for (size_t i = 0; i < (size_t)width * height; ++i) {
    rgb[i * 3] = (uint8_t)(pixels[i] >> 16);
    rgb[i * 3 + 1] = (uint8_t)(pixels[i] >> 8);
    rgb[i * 3 + 2] = (uint8_t)pixels[i];
  }
  if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), width * 3, nullptr))
    return failure(1, "cannot write %s: %s\n", path.c_str(), image.message);
  return {};
}

} // namespace zub
