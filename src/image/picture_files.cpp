// Bitmap(path): pictures from JPEG (libjpeg) or uncompressed TGA files, with the "default.jpg"
// fallback for a missing file. Failures are reported with the demo's messages and statuses.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include <jpeglib.h>

#include "image/bitmap.h"
#include "image/tga.h"
#include "core/datafile.h"

Bitmap::Bitmap(const char* path) {
  name = path;
  description = "Untitled";
  if (FILE* probe = zub::openDataFile(name, "rb")) {
    fclose(probe);
  } else {
    printf("Can't open file: %s\n", name.c_str());
    name = "default.jpg";
  }
  // When the stand-in fails too, the file it stood in for is the one to name.
  auto standingIn = [&] {
    if (name != path) failure.message += "(default.jpg stands in for " + zub::dataDisplayPath(path) + ", which cannot be opened)\n";
  };
  if (name.find(".tga") != std::string::npos) {
    failure = load_tga();
    if (failure) {
      standingIn();
      return;
    }
  } else {
    printf("jpg filename = %s\n", name.c_str());
    std::unique_ptr<uint32_t[]> decoded;
    failure = load_jpeg(name.c_str(), decoded, &width, &height);
    if (failure) {
      standingIn();
      return;
    }
    adoptPixels(std::move(decoded));
    printf("w=%d, h=%d\n", width, height);
    bitsPerPixel = 32;
    capacity = width * height * 4;
  }
  printf("Allocated bitmap: %d x %d x %d \n", width, height, (int)bitsPerPixel);
  serial = nextBitmapSerial();
}

zub::Failure Bitmap::load_tga() {
  std::string file;
  if (!zub::readDataFile(name, file)) return zub::failure(-1, "Error: opening file %s\n", name.c_str());
  const uint8_t* data = (const uint8_t*)file.data();
  TgaImage image;
  const char* error = tgaReadHeader(data, file.size(), image);
  if (!error) {
    error = tgaDecode(data, file.size(), image);
    if (!image.pixels) return zub::failure(1, "Memory error: tga->b\n");
    printf("Allocated tga->b: %d\n", image.width * image.height * 4);
  }
  if (error) return zub::failure(1, "Error: %s: %s\n", name.c_str(), error);
  height = image.height;
  width = image.width;
  adoptPixels(std::move(image.pixels));
  capacity = width * height * 4;
  bitsPerPixel = (int8_t)image.depth;
  return {};
}

namespace {

// libjpeg reports a fatal error through error_exit, which must not return. The standard one
// prints the library's message and ends the process; this one prints the same message (unless
// quiet) and jumps back to the caller, which releases what it holds and reports the failure.
// Every library call, creating the object included, runs with a jump target armed.
struct JpegErrors {
  jpeg_error_mgr library;  // first, so the library's pointer to it is a pointer to this
  jmp_buf back;
  bool armed;  // back holds a live jump target
  bool quiet;
  const char* file; // the file being read, named under each of the library's messages; null: memory
};

// The library's message as it would print it, then the file it is about on the next line: a
// demo reads dozens of pictures, and "Premature end of JPEG file" alone does not say which.
void messageAndFile(j_common_ptr cinfo) {
  char text[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, text);
  JpegErrors* errors = (JpegErrors*)cinfo->err;
  fprintf(stderr, "%s\n", text);
  if (errors->file) fprintf(stderr, "in file %s\n", zub::dataDisplayPath(errors->file).c_str());
}

[[noreturn]] void jumpBack(j_common_ptr cinfo) {
  JpegErrors* errors = (JpegErrors*)cinfo->err;
  if (!errors->quiet) (*cinfo->err->output_message)(cinfo);
  // Unreachable while every call is armed; returning would let the library run on broken state.
  if (!errors->armed) std::abort();
  longjmp(errors->back, 1);
}

// Creating the object allocates its memory manager, which can fail like any other call.
bool createDecompress(jpeg_decompress_struct* cinfo, JpegErrors* errors) {
  if (setjmp(errors->back)) {
    errors->armed = false;
    return false;
  }
  errors->armed = true;
  jpeg_create_decompress(cinfo);
  errors->armed = false;
  return true;
}

void silent(j_common_ptr) {}

enum class JpegResult { Ok, LibraryError, TooLarge };

// Where the compressed bytes come from: an open file, or memory.
struct JpegSource {
  FILE* file;
  const uint8_t* bytes;
  size_t length;
};

// Decodes the picture into a new array of 0x00RRGGBB words. Every library call, setting the source
// included (an empty buffer is already an error), comes after the jump target is set. Nothing
// with a destructor lives in this frame: a library error leaves it through longjmp.
JpegResult decodeJpeg(jpeg_decompress_struct* cinfo, JpegErrors* errors, JpegSource source, int64_t maxPixels,
                      uint32_t** pixels, int32_t* width, int32_t* height) {
  uint32_t* volatile out = nullptr;
  if (setjmp(errors->back)) {
    errors->armed = false;
    delete[] out;
    return JpegResult::LibraryError;
  }
  errors->armed = true;
  if (source.file) jpeg_stdio_src(cinfo, source.file);
  else jpeg_mem_src(cinfo, source.bytes, (unsigned long)source.length);
  jpeg_read_header(cinfo, TRUE);
  // Always ask for three-component output: greyscale widens to grey, and a colour space the
  // library cannot turn into RGB (CMYK) ends through its error exit instead of overrunning rows.
  cinfo->out_color_space = JCS_RGB;
  if ((int64_t)cinfo->image_width * cinfo->image_height > maxPixels) return JpegResult::TooLarge;
  jpeg_start_decompress(cinfo);
  int64_t count = (int64_t)cinfo->output_width * cinfo->output_height;
  if (cinfo->output_components != 3 || count > maxPixels) return JpegResult::TooLarge;
  out = new (std::nothrow) uint32_t[count > 0 ? count : 1];
  if (!out) return JpegResult::TooLarge;
  const int rowLength = (int)(cinfo->output_width * cinfo->output_components);
  JSAMPARRAY row = (*cinfo->mem->alloc_sarray)((j_common_ptr)cinfo, JPOOL_IMAGE, rowLength, 1);
  while (cinfo->output_scanline < cinfo->output_height) {
    jpeg_read_scanlines(cinfo, row, 1);
    uint32_t* dst = out + (int64_t)(cinfo->output_scanline - 1) * cinfo->output_width;
    const JSAMPLE* s = row[0];
    for (int i = 0; i < rowLength; i += 3) dst[i / 3] = (uint32_t)s[i] << 16 | s[i + 1] << 8 | s[i + 2];
  }
  jpeg_finish_decompress(cinfo);
  *pixels = out;
  *width = (int32_t)cinfo->image_width;
  *height = (int32_t)cinfo->image_height;
  return JpegResult::Ok;
}

void prepareErrors(jpeg_decompress_struct& cinfo, JpegErrors& errors, bool quiet, const char* file) {
  cinfo.err = jpeg_std_error(&errors.library);
  errors.library.trace_level = 0;
  errors.library.error_exit = jumpBack;
  errors.quiet = quiet;
  errors.armed = false;
  errors.file = file;
  errors.library.output_message = quiet ? silent : messageAndFile;
}

} // namespace

zub::Failure load_jpeg(const char* path, std::unique_ptr<uint32_t[]>& pixels, int32_t* width, int32_t* height) {
  jpeg_decompress_struct cinfo;
  JpegErrors errors;
  prepareErrors(cinfo, errors, false, path);
  // The library has printed its message; the status is the one its own error exit would give.
  const zub::Failure libraryError = zub::failure(1, "%s", "");
  if (!createDecompress(&cinfo, &errors)) {
    jpeg_destroy_decompress(&cinfo);
    return libraryError;
  }
  FILE* file = zub::openDataFile(path, "rb");
  if (!file) {
    jpeg_destroy_decompress(&cinfo);
    return zub::failure(1, "Error: opening file %s\n", path);
  }
  uint32_t* out = nullptr;
  // The byte count must fit the 32-bit capacity.
  JpegResult result = decodeJpeg(&cinfo, &errors, {file, nullptr, 0}, INT32_MAX / 4, &out, width, height);
  errors.armed = false;  // the decoder's frame is gone
  jpeg_destroy_decompress(&cinfo);
  fclose(file);
  if (result == JpegResult::LibraryError) return libraryError;
  if (result == JpegResult::TooLarge) return zub::failure(1, "Error: %s: picture is too large or not RGB\n", path);
  pixels.reset(out);
  return {};
}

std::unique_ptr<uint32_t[]> decodeJpegBytes(const uint8_t* bytes, size_t length, int64_t maxPixels, int32_t* width,
                                            int32_t* height) {
  jpeg_decompress_struct cinfo;
  JpegErrors errors;
  prepareErrors(cinfo, errors, true, nullptr);
  if (!createDecompress(&cinfo, &errors)) {
    jpeg_destroy_decompress(&cinfo);
    return nullptr;
  }
  uint32_t* out = nullptr;
  if (maxPixels > INT32_MAX / 4) maxPixels = INT32_MAX / 4;
  JpegResult result = decodeJpeg(&cinfo, &errors, {nullptr, bytes, length}, maxPixels, &out, width, height);
  errors.armed = false;  // the decoder's frame is gone
  jpeg_destroy_decompress(&cinfo);
  return std::unique_ptr<uint32_t[]>(result == JpegResult::Ok ? out : nullptr);
}
