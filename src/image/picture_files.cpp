// Bitmap(path): pictures from JPEG (libjpeg) or uncompressed TGA files, with the "default.jpg"
// fallback for a missing file. Failures end the process with the demo's messages.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include <jpeglib.h>

#include "image/bitmap.h"
#include "image/tga.h"
#include "core/datafile.h"
#include "core/fatal.h"

Bitmap::Bitmap(const char* path) {
  name = path;
  description = "Untitled";
  if (FILE* probe = zub::openDataFile(name, "rb")) {
    fclose(probe);
  } else {
    printf("Can't open file: %s\n", name.c_str());
    name = "default.jpg";
  }
  if (name.find(".tga") != std::string::npos) {
    load_tga();
  } else {
    printf("jpg filename = %s\n", name.c_str());
    pixels = load_jpeg(name.c_str(), &width, &height);
    printf("w=%d, h=%d\n", width, height);
    bitsPerPixel = 32;
    capacity = width * height * 4;
  }
  printf("Allocated bitmap: %d x %d x %d \n", width, height, (int)bitsPerPixel);
  serial = nextBitmapSerial();
}

void Bitmap::load_tga() {
  std::string file;
  if (!zub::readDataFile(name, file)) {
    zub::fatal(-1, "Error: opening file %s\n", name.c_str());
  }
  const uint8_t* data = (const uint8_t*)file.data();
  TgaImage image;
  const char* error = tgaReadHeader(data, file.size(), image);
  if (!error) {
    error = tgaDecode(data, file.size(), image);
    if (!image.pixels) {
      zub::fatal(1, "Memory error: tga->b\n");
    }
    printf("Allocated tga->b: %d\n", image.width * image.height * 4);
  }
  if (error) {
    zub::fatal(1, "Error: %s: %s\n", name.c_str(), error);
  }
  height = image.height;
  width = image.width;
  pixels = image.pixels;
  capacity = width * height * 4;
  bitsPerPixel = (int8_t)image.depth;
}

uint32_t* load_jpeg(const char* path, int32_t* width, int32_t* height) {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jerr.trace_level = 0;
  jpeg_create_decompress(&cinfo);

  FILE* file = zub::openDataFile(path, "rb");
  if (!file) {
    zub::fatal(1, "Error: opening file %s\n", path);
  }
  jpeg_stdio_src(&cinfo, file);
  jpeg_read_header(&cinfo, TRUE);
  // Always ask for three-component output: greyscale widens to grey, and a colour space the
  // library cannot turn into RGB (CMYK) ends through its error exit instead of overrunning rows.
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);

  int64_t bytes = (int64_t)cinfo.output_width * cinfo.output_height * 4;
  if (cinfo.output_components != 3 || bytes > INT32_MAX) {
    zub::fatal(1, "Error: %s: picture is too large or not RGB\n", path);
  }
  *width = (int32_t)cinfo.image_width;
  *height = (int32_t)cinfo.image_height;
  uint32_t* out = new (std::nothrow) uint32_t[bytes > 0 ? bytes / 4 : 1];
  if (!out) {
    zub::fatal(1, "Error: %s: out of memory\n", path);
  }
  int rowLength = (int)(cinfo.output_width * cinfo.output_components);
  JSAMPARRAY row = (*cinfo.mem->alloc_sarray)((j_common_ptr)&cinfo, JPOOL_IMAGE, rowLength, 1);
  while (cinfo.output_scanline < cinfo.output_height) {
    jpeg_read_scanlines(&cinfo, row, 1);
    uint32_t* dst = out + (int64_t)(cinfo.output_scanline - 1) * cinfo.output_width;
    const JSAMPLE* s = row[0];
    for (int i = 0; i < rowLength; i += 3) dst[i / 3] = (uint32_t)s[i] << 16 | s[i + 1] << 8 | s[i + 2];
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  fclose(file);
  return out;
}
