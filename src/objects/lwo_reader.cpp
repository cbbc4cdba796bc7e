// The LWOB reader: chunk walk, points, polygons, surface names and the SURF attributes. Traced
// line by line on standard output as objects load.
#include "objects/lwo.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "objects/object3d.h"
#include "core/datafile.h"

bool LwoReader::open(const char* path) {
  if (!zub::readDataFile(path, data)) return false;
  size = (int64_t)data.size();
  pos = 0;
  overrun = false;
  return true;
}

void LwoReader::openBytes(const uint8_t* bytes, size_t length) {
  data.assign((const char*)bytes, length);
  size = (int64_t)length;
  pos = 0;
  overrun = false;
}

void LwoReader::release() {
  std::string().swap(data);
  size = 0;
}

void LwoReader::seek(int64_t p) {
  pos = p;
  if (p >= size || p < 0) overrun = true;
}

void LwoReader::readTag(std::string& out) {
  if (remaining() >= 4)
    out.assign(data, (size_t)pos, 4);
  else {
    overrun = true;
    out.clear();
  }
  pos += 4;
}

uint32_t LwoReader::readU8() {
  if (remaining() < 1) {
    overrun = true;
    return 0;
  }
  return (uint8_t)data[(size_t)pos++];
}

uint32_t LwoReader::readU16() {
  if (remaining() < 2) {
    overrun = true;
    return 0;
  }
  const uint8_t* b = (const uint8_t*)data.data() + pos;
  pos += 2;
  return (uint32_t)b[0] << 8 | b[1];
}

uint32_t LwoReader::readU32() {
  if (remaining() < 4) {
    overrun = true;
    return 0;
  }
  const uint8_t* b = (const uint8_t*)data.data() + pos;
  pos += 4;
  return (uint32_t)b[0] << 24 | (uint32_t)b[1] << 16 | (uint32_t)b[2] << 8 | b[3];
}

float LwoReader::readF32() {
  uint32_t bits = readU32();
  float value;
  memcpy(&value, &bits, 4);
  return value;
}

void LwoReader::readString(std::string& out) {
  int64_t left = remaining();
  const char* start = data.data() + (left > 0 ? pos : 0);
  const void* nul = left > 0 ? memchr(start, 0, (size_t)left) : nullptr;
  if (!nul) {
    overrun = true;
    out.clear();
    return;
  }
  int64_t taken = (const char*)nul - start + 1;
  out.assign(start, (size_t)(taken - 1));
  // Strings occupy an even number of bytes.
  pos += taken + (taken & 1);
}

namespace {

// Text from the file as it may be shown on a terminal: bytes outside printable ASCII become \xNN,
// so a hostile name cannot send control sequences. Backslashes stay, as in "C:\tex\wood.iff".
std::string shown(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += (char)c;
    } else {
      char escaped[5];
      snprintf(escaped, sizeof escaped, "\\x%02x", c);
      out += escaped;
    }
  }
  return out;
}

// Every reason a file is refused, in one place: the caller prints "Error: <path>: <reason>".
bool fail(std::string& error, const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  error = text;
  return false;
}

bool readPoints(Object3D& object, LwoReader& reader, uint32_t size, std::string& error) {
  uint32_t n = size / 12;
  printf("Num points = %d\n", (int)n);
  if (!object.allocatePoints(n)) return fail(error, "no memory for %u points", n);
  for (uint32_t i = 0; i < n && !reader.overrun; ++i) {
    object.points[i].x = reader.readF32();
    object.points[i].y = reader.readF32();
    object.points[i].z = reader.readF32();
  }
  return true;
}

// Every corner of every face must name a point of the final point list (a later PNTS chunk
// replaces the points, and the default cube's faces stay when the file has no POLS).
bool checkFaces(const Object3D& object, std::string& error) {
  for (int32_t i = 0; i < object.faceCount; ++i) {
    const Face& face = object.faces[i];
    if (face.sides == 0) return fail(error, "polygon %d has no corners", i);
    for (int j = 0; j < face.sides; ++j)
      if (face.index[j] < 0 || face.index[j] >= object.pointCount)
        return fail(error, "polygon %d uses point %d, but there are %d points", i, face.index[j],
                    object.pointCount);
  }
  return true;
}

} // namespace

bool readLwoData(Object3D& object, LwoReader& reader, std::string& error) {
  printf("L Mem read = %d\n", (int)reader.size);
  if (reader.size > INT32_MAX) return fail(error, "the file is larger than 2 GB");
  std::string form, formType;
  reader.readTag(form);
  uint32_t formSize = reader.readU32();
  printf("tag: %s size: %d\n", shown(form).c_str(), (int32_t)formSize);
  printf("pos: %d\n", (int)reader.tell());
  reader.readTag(formType);
  printf("tag: %s\n", shown(formType).c_str());
  if (form != "FORM" || formType != "LWOB")
    return fail(error, "not a LightWave object (the file does not start with FORM ... LWOB)");

  std::string tag;
  while (!reader.overrun) {
    reader.readTag(tag);
    uint32_t size = reader.readU32();
    int64_t end = reader.tell() + size;
    printf("tag: %s, size=%d\n", shown(tag).c_str(), (int32_t)size);
    bool acted = tag == "PNTS" || tag == "POLS" || tag == "SRFS";
    if (acted && reader.overrun) return fail(error, "the file ends inside the header of its %s chunk", tag.c_str());
    if (acted && end > reader.size)
      return fail(error, "%s chunk of %u bytes runs past the end of the file", tag.c_str(), size);
    bool ok = true;
    if (tag == "PNTS")
      ok = reader.readPoints = readPoints(object, reader, size, error);
    else if (tag == "POLS")
      ok = reader.readPolygons = readPolygons(object, reader, size, error);
    else if (tag == "SRFS")
      ok = readSurfaceNames(object, reader, size, error);
    if (!ok) return false;
    reader.seek(end);
  }
  printf("Lightwave Object End\n");
  return checkFaces(object, error);
}

zub::Failure readLwo(Object3D& object, const char* path) {
  printf("start read\n");
  LwoReader reader;
  if (!reader.open(path)) return zub::failure(-1, "Error: %s\n", path);
  std::string error;
  bool ok = readLwoData(object, reader, error);
  reader.release();
  if (!ok) return zub::failure(1, "Error: %s: %s\n", path, error.c_str());
  // The cube the object starts as stays where the file gave no shape of its own (an empty file, or
  // one whose chunks the reader could not follow): a viewer sees a cube and should know why.
  if (!reader.readPoints || !reader.readPolygons)
    fprintf(stderr, "%s: no %s read; the default cube stands in for it\n", zub::dataDisplayPath(path).c_str(),
            !reader.readPoints && !reader.readPolygons ? "points or polygons" : !reader.readPoints ? "points" : "polygons");
  return {};
}

bool readPolygons(Object3D& object, LwoReader& reader, uint32_t size, std::string& error) {
  printf("Faces size = %d\n", (int32_t)size);
  int64_t start = reader.tell();
  int64_t end = start + size;

  int64_t count = 0;
  while (reader.tell() < end && !reader.overrun) {
    ++count;
    uint32_t n = reader.readU16();
    for (uint32_t j = 0; j <= n && !reader.overrun; ++j) reader.readU16();
  }
  if (reader.overrun) return fail(error, "polygon %lld runs past the end of the file", (long long)count - 1);
  printf("Num faces = %d\n", (int)count);
  if (!object.allocateFaces(count)) return fail(error, "no memory for %lld polygons", (long long)count);

  reader.seek(start);
  for (int64_t i = 0; i < count && reader.tell() < end && !reader.overrun; ++i) {
    Face& face = object.faces[i];
    uint32_t n = reader.readU16();
    face.sides = n <= 4 ? (int32_t)n : 4;
    for (uint32_t j = 0; j < n; ++j) {
      int32_t index = (int16_t)reader.readU16();
      if (j < 4) face.index[j] = index;
    }
    int32_t s = (int16_t)reader.readU16();
    if (object.surfaceCount == 0)
      return fail(error, "polygon %lld comes before the surface names (POLS before SRFS)", (long long)i);
    // Zero and negative numbers (detail polygons) name no surface of the list.
    if (s < 1 || s > object.surfaceCount)
      return fail(error, "polygon %lld uses surface %d, but there are %d surfaces", (long long)i, s,
                  object.surfaceCount);
    face.surface = object.surfaces[s - 1];
    if (face.surface) face.colour = face.surface->colour;
  }
  return true;
}

bool readSurfaceNames(Object3D& object, LwoReader& reader, uint32_t size, std::string& error) {
  printf("Surfaces size = %d\n", (int32_t)size);
  int64_t start = reader.tell();
  int64_t end = start + size;

  int64_t count = 0;
  std::string name;
  while (reader.tell() < end && !reader.overrun) {
    reader.readString(name);
    if (!reader.overrun) ++count;
  }
  if (reader.overrun) return fail(error, "surface name %lld has no end", (long long)count);
  if (!object.allocateSurfaces(count)) return fail(error, "no memory for %lld surfaces", (long long)count);

  reader.seek(start);
  for (int64_t i = 0; i < count && reader.tell() < end && !reader.overrun; ++i) {
    reader.readString(name);
    Surface* surface = object.surfaces[i];
    if (!surface) continue;
    surface->name = name;
    printf("Sname: %s\n", shown(name).c_str());
    readSurfaceAttributes(reader, *surface, name);
  }
  return true;
}

namespace {

void readSubChunk(LwoReader& reader, Surface& surface, const std::string& tag, uint32_t subSize) {
  std::string text;
  if (tag == "COLR") {
    // The last whole group wins; a sub-chunk too short for one keeps the old colour.
    for (uint32_t g = 0; g < subSize / 4 && !reader.overrun; ++g) {
      uint32_t r = reader.readU8(), gr = reader.readU8(), b = reader.readU8();
      reader.readU8();
      if (!reader.overrun) surface.colour = r << 16 | gr << 8 | b;
    }
  } else if (tag == "FLAG") {
    uint32_t flags = reader.readU16();
    if (!reader.overrun) surface.flags = (uint16_t)flags;
  } else if (tag == "TFLG") {
    printf("Texture Flag: %x\n", reader.readU16());
  } else if (tag == "TSIZ" || tag == "TCTR" || tag == "TFAL" || tag == "TVEL") {
    const char* label = tag == "TSIZ" ? "Size" : tag == "TCTR" ? "Center" : tag == "TFAL" ? "Falloff" : "Velocity";
    float a = reader.readF32(), b = reader.readF32(), c = reader.readF32();
    printf("Texture %s: %f, %f %f\n", label, a, b, c);
  } else if (tag == "TIMG") {
    reader.readString(text);
  } else {
    static const char* const kTextures[][2] = {
        {"CTEX", "Color Texture"},        {"DTEX", "Diffuse Texture"},      {"STEX", "Specular Texture"},
        {"RTEX", "Reflection Texture"},   {"TTEX", "Transparent Texture"},  {"LTEX", "Luminosity Texture"},
        {"BTEX", "Bump Texture"},         {"TALP", "Texture Alpha Map"},
    };
    for (const auto& entry : kTextures) {
      if (tag != entry[0]) continue;
      reader.readString(text);
      printf("%s: %s\n", entry[1], shown(text).c_str());
      break;
    }
  }
}

} // namespace

void readSurfaceAttributes(LwoReader& reader, Surface& surface, const std::string& name) {
  int64_t saved = reader.tell();
  std::string tag, chunkName;
  reader.seek(0);
  reader.readTag(tag);
  reader.readU32();
  reader.readTag(tag);
  while (!reader.overrun) {
    reader.readTag(tag);
    uint32_t size = reader.readU32();
    int64_t end = reader.tell() + size;
    if (tag == "SURF") {
      reader.readString(chunkName);
      if (!reader.overrun && chunkName == name) {
        while (reader.tell() < end && !reader.overrun) {
          reader.readTag(tag);
          uint32_t subSize = reader.readU16();
          int64_t subEnd = reader.tell() + subSize;
          readSubChunk(reader, surface, tag, subSize);
          reader.seek(subEnd);
        }
      }
    }
    reader.seek(end);
  }
  reader.overrun = false;
  reader.seek(saved);
}
