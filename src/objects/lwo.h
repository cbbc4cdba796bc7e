// LightWave object files in the LWOB layout: the byte-level reader over a file held in memory and
// the chunk readers that fill an Object3D with points, polygons and surfaces. Files are untrusted:
// every read is bounded by the buffer, and malformed geometry is refused with a reason.
#pragma once
#include "core/failure.h"
#include <cstddef>
#include <cstdint>
#include <string>

class Object3D;
struct Surface;

class LwoReader {
public:
  std::string data;      // the complete file contents
  int64_t size = 0;      // length of data in bytes
  int64_t pos = 0;       // read position; 64-bit so a chunk size near 2^32 cannot wrap it
  bool overrun = false;  // a read or seek went outside data; only readSurfaceAttributes clears it
  bool readPoints = false, readPolygons = false; // which of the object's own lists the file gave

  // Reads the whole file (through the data-file helper). False when it cannot be opened or read.
  bool open(const char* path);
  void openBytes(const uint8_t* bytes, size_t length);
  void release();

  int64_t tell() const { return pos; }
  void seek(int64_t p);
  void readTag(std::string& out);
  uint32_t readU8();
  uint32_t readU16();
  uint32_t readU32();
  float readF32();
  void readString(std::string& out);

private:
  int64_t remaining() const { return pos >= 0 && pos <= size ? size - pos : 0; }
};

// Reads the file at path into object. A file that cannot be opened fails with "Error: <path>" and
// status -1; a malformed one with "Error: <path>: <reason>", status 1.
zub::Failure readLwo(Object3D& object, const char* path);

// The same reading from a reader already holding the bytes. False with a reason when the file
// breaks a rule the object model relies on; the object may then be partly filled.
bool readLwoData(Object3D& object, LwoReader& reader, std::string& error);

bool readPolygons(Object3D& object, LwoReader& reader, uint32_t size, std::string& error);
bool readSurfaceNames(Object3D& object, LwoReader& reader, uint32_t size, std::string& error);
void readSurfaceAttributes(LwoReader& reader, Surface& surface, const std::string& name);
