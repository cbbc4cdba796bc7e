// LWOB reader: byte-level reads, chunk handling, surfaces, and refusal of malformed files.
#include <gtest/gtest.h>

#include "objects/lwo.h"
#include "objects/lwo_writer.h"
#include "objects/object3d.h"
#include "objects/test_support.h"

namespace {

LwoReader readerOf(const std::string& bytes) {
  LwoReader reader;
  reader.openBytes((const uint8_t*)bytes.data(), bytes.size());
  return reader;
}

// One triangle on surface "Skin"; further chunks are appended by the test.
LwoWriter triangle(int surfaceNumber = 1, int corner = 2) {
  LwoWriter w;
  w.points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}});
  w.surfaceNames({"Skin"});
  w.polygons({{0, 1, corner}}, {surfaceNumber});
  return w;
}

// A SURF chunk for "Skin" holding raw sub-chunk bytes.
void surf(LwoWriter& w, const std::string& subChunks) {
  std::string data;
  LwoWriter::putString(data, "Skin");
  w.chunk("SURF", data + subChunks);
}

std::string sub(const std::string& tag, const std::string& data) {
  std::string out = tag;
  LwoWriter::putU16(out, (uint32_t)data.size());
  return out + data;
}

} // namespace

TEST(LwoReader, StringsNumbersAndShortReads) {
  std::string data;
  for (const char* s : {"ab", "abc", ""}) LwoWriter::putString(data, s);
  ASSERT_EQ(data.size(), 10u); // 2 + NUL + pad, 3 + NUL, NUL + pad
  LwoReader r = readerOf(data + std::string("\x01\x02\x03\x04\x3f\x80\x00\x00\xff", 9));
  std::string s;
  for (const char* expected : {"ab", "abc", ""}) {
    r.readString(s);
    EXPECT_EQ(s, expected);
  }
  EXPECT_EQ(r.tell(), 10);
  EXPECT_EQ(r.readU32(), 0x01020304u);
  EXPECT_EQ(r.readF32(), 1.0f);
  EXPECT_EQ(r.readU16(), 0u); // one byte left: overrun, 0, position unchanged
  EXPECT_TRUE(r.overrun);
  EXPECT_EQ(r.tell(), 18);
  r.readTag(s); // a failed tag read still advances
  EXPECT_EQ(s, "");
  EXPECT_EQ(r.tell(), 22);

  LwoReader unterminated = readerOf("abc");
  unterminated.readString(s);
  EXPECT_EQ(s, "");
  EXPECT_TRUE(unterminated.overrun);
}

TEST(LwoReader, SeeksOutsideTheDataSetOverrun) {
  LwoReader r = readerOf("abcd");
  r.seek(3);
  EXPECT_FALSE(r.overrun);
  r.seek(4);
  EXPECT_TRUE(r.overrun);
  LwoReader below = readerOf("abcd");
  below.seek(-4);
  EXPECT_TRUE(below.overrun);
  EXPECT_EQ(below.readU8(), 0u);
}

TEST(LwoFile, PointsAndPolygonCorners) {
  LwoWriter w;
  std::string pnts;
  for (int i = 0; i < 10; ++i) LwoWriter::putF32(pnts, (float)(i + 1));
  w.chunk("PNTS", pnts); // 40 bytes: 3 points, 4 bytes left over
  w.chunk("PNTS", pnts.substr(0, 36) + pnts.substr(0, 36)); // a later chunk replaces the points
  w.surfaceNames({"A", "B"});
  w.polygons({{5, 4, 3, 2, 1, 0}, {1, 2}, {0, 1, 2}}, {2, 1, 2});
  Object3D o(testSpace());
  ASSERT_EQ(readBytes(o, w.bytes()), "");
  ASSERT_EQ(o.pointCount, 6);
  EXPECT_EQ(o.points[5].z, 9.0f);
  ASSERT_EQ(o.faceCount, 3);
  EXPECT_EQ(o.faces[0].sides, 4); // six corners keep the first four
  EXPECT_EQ(o.faces[0].index[3], 2);
  EXPECT_EQ(o.faces[1].sides, 2); // repaired later by fixFaces
  EXPECT_EQ(o.faces[2].index[2], 2); // still aligned after the six-corner polygon
  EXPECT_EQ(o.faces[2].surface, o.surfaces[1]);
  EXPECT_EQ(o.faces[1].colour, 0x00FF00u); // surface A has no SURF chunk: default colour
}

TEST(LwoFile, SurfaceAttributes) {
  LwoWriter w = triangle();
  w.surface("Skin", 0x111111, 1);
  surf(w, sub("COLR", std::string("\x10\x20\x30\x00\xAA\xBB\xCC\x00", 8))); // later chunk, last group wins
  surf(w, sub("COLR", "\x01\x02\x03"));             // too short for a group: colour kept
  w.surface("Other", 0x999999, 9);                  // in no SRFS list: never applied
  w.chunk("COLR", sub("COLR", std::string("\x01\x02\x03\x00", 4))); // past the SURF chunk's end
  Object3D o(testSpace());
  ASSERT_EQ(readBytes(o, w.bytes()), "");
  EXPECT_EQ(o.surfaces[0]->name, "Skin");
  EXPECT_EQ(o.surfaces[0]->colour, 0xAABBCCu);
  EXPECT_EQ(o.surfaces[0]->flags, 1);
  EXPECT_EQ(o.faces[0].colour, 0xAABBCCu);
}

TEST(LwoFile, TraceLines) {
  std::string tsiz;
  for (float f : {1.0f, 2.5f, -3.0f}) LwoWriter::putF32(tsiz, f);
  std::string name, flag;
  LwoWriter::putString(name, "Plan");
  LwoWriter::putU16(flag, 0x1F);
  LwoWriter w = triangle();
  surf(w, sub("CTEX", name) + sub("TFLG", flag) + sub("TSIZ", tsiz));
  Object3D o(testSpace());
  testing::internal::CaptureStdout();
  std::string error = readBytes(o, w.bytes());
  std::string out = testing::internal::GetCapturedStdout();
  ASSERT_EQ(error, "");
  for (const char* lines :
       {"L Mem read = 140\ntag: FORM size: 132\npos: 8\ntag: LWOB\ntag: PNTS, size=36\nNum points = 3\n",
        "tag: SRFS, size=6\nSurfaces size = 6\nSurface ptrs allocated: 1\nSurfaces Allocated\nSname: Skin\n"
        "Color Texture: Plan\nTexture Flag: 1f\nTexture Size: 1.000000, 2.500000 -3.000000\n",
        "tag: POLS, size=10\nFaces size = 10\nNum faces = 1\nFaces allocated: 1\n",
        "tag: SURF, size=44\nLightwave Object End\n"})
    EXPECT_NE(out.find(lines), std::string::npos) << lines << "\n---\n" << out;
}

TEST(LwoFile, HeaderOnlyKeepsTheDefaultCube) {
  Object3D o(testSpace());
  testing::internal::CaptureStdout();
  std::string error = readBytes(o, LwoWriter().bytes());
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(error, "");
  EXPECT_NE(out.find("tag: LWOB\ntag: , size=0\nLightwave Object End\n"), std::string::npos) << out;
  EXPECT_EQ(o.pointCount, 8);
  EXPECT_EQ(o.faceCount, 12);
  EXPECT_EQ(o.surfaceCount, 0);
}

TEST(LwoFile, MalformedGeometryIsRefusedWithAReason) {
  Object3D o(testSpace());
  EXPECT_EQ(readBytes(o, triangle(0).bytes()), "polygon 0 uses surface 0, but there are 1 surfaces");
  EXPECT_EQ(readBytes(o, triangle(2).bytes()), "polygon 0 uses surface 2, but there are 1 surfaces");
  EXPECT_EQ(readBytes(o, triangle(0xFFFF).bytes()), "polygon 0 uses surface -1, but there are 1 surfaces");
  EXPECT_EQ(readBytes(o, triangle(1, 3).bytes()), "polygon 0 uses point 3, but there are 3 points");
  EXPECT_EQ(readBytes(o, triangle(1, 0x8000).bytes()), "polygon 0 uses point -32768, but there are 3 points");

  LwoWriter before;
  before.polygons({{0, 1, 2}}, {1});
  before.surfaceNames({"Skin"});
  EXPECT_EQ(readBytes(o, before.bytes()), "polygon 0 comes before the surface names (POLS before SRFS)");

  LwoWriter empty;
  empty.surfaceNames({"Skin"});
  empty.polygons({{}}, {1});
  EXPECT_EQ(readBytes(o, empty.bytes()), "polygon 0 has no corners");

  LwoWriter few; // fewer than eight points and no POLS: the default cube's faces reach past them
  few.points({{0, 0, 0}, {1, 1, 1}});
  EXPECT_EQ(readBytes(o, few.bytes()), "polygon 0 uses point 2, but there are 2 points");
}

TEST(LwoFile, ChunksPastTheEnd) {
  Object3D o(testSpace());
  std::string huge = LwoWriter().bytes() + "PNTS";
  LwoWriter::putU32(huge, 0xFFFFFFF4u); // a size near 2^32 must neither wrap nor be allocated
  LwoWriter::putF32(huge, 1.0f);
  EXPECT_EQ(readBytes(o, huge), "PNTS chunk of 4294967284 bytes runs past the end of the file");

  std::string file = triangle().bytes();
  EXPECT_EQ(readBytes(o, file.substr(0, file.size() - 2)), "POLS chunk of 10 bytes runs past the end of the file");

  LwoWriter spill = triangle();
  std::string pols;
  LwoWriter::putU16(pols, 3);
  spill.chunk("POLS", pols); // the corners lie past the chunk and past the file
  EXPECT_EQ(readBytes(o, spill.bytes()), "polygon 0 runs past the end of the file");

  std::string names = LwoWriter().bytes() + "SRFS";
  LwoWriter::putU32(names, 3);
  EXPECT_EQ(readBytes(o, names + "abc"), "surface name 0 has no end");

  std::string skipped = file + "JUNK"; // a skipped chunk past the end just ends the file
  LwoWriter::putU32(skipped, 1000);
  EXPECT_EQ(readBytes(o, skipped), "");
  EXPECT_EQ(o.faceCount, 1);
}

TEST(LwoFile, OnlyFormLwobFilesAreRead) {
  Object3D o(testSpace());
  std::string file = triangle().bytes();
  EXPECT_EQ(readBytes(o, "FORM" + file.substr(4, 4) + "LWO2" + file.substr(12)),
            "not a LightWave object (the file does not start with FORM ... LWOB)");
  EXPECT_EQ(readBytes(o, "RIFF" + file.substr(4)), "not a LightWave object (the file does not start with FORM ... LWOB)");
  EXPECT_EQ(readBytes(o, ""), "not a LightWave object (the file does not start with FORM ... LWOB)");
  // Cut right after a chunk tag: said in words, not as "polygon -1".
  std::string names = LwoWriter().bytes();
  EXPECT_EQ(readBytes(o, file.substr(0, file.find("POLS") + 4)), "the file ends inside the header of its POLS chunk");
  EXPECT_EQ(readBytes(o, file.substr(0, file.find("POLS") + 6)), "the file ends inside the header of its POLS chunk");
  EXPECT_EQ(readBytes(o, names + "PNTS"), "the file ends inside the header of its PNTS chunk");
  EXPECT_EQ(readBytes(o, names + std::string("SRFS\0", 5)), "the file ends inside the header of its SRFS chunk");
  EXPECT_EQ(readBytes(o, names + std::string("JUNK\0", 5)), "");  // a skipped chunk cut short just ends the file
}

// Tags and names from the file reach the terminal with control and high bytes escaped.
TEST(LwoFile, PrintedTagsAndNamesEscapeNonPrintableBytes) {
  LwoWriter w;
  w.points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}});
  w.surfaceNames({"Sk\x1b[2Jin\x7f"});
  w.polygons({{0, 1, 2}}, {1});
  std::string texture;
  LwoWriter::putString(texture, "C:\\tex\\\x07\xff.iff");
  std::string data;
  LwoWriter::putString(data, "Sk\x1b[2Jin\x7f");
  w.chunk("SURF", data + sub("CTEX", texture));
  w.chunk(std::string("\x1b]0;", 4), "");
  Object3D o(testSpace());
  testing::internal::CaptureStdout();
  std::string error = readBytes(o, w.bytes());
  std::string out = testing::internal::GetCapturedStdout();
  ASSERT_EQ(error, "");
  EXPECT_EQ(o.surfaces[0]->name, "Sk\x1b[2Jin\x7f");  // kept as read: SURF chunks match on it
  for (const char* line : {"Sname: Sk\\x1b[2Jin\\x7f\n", "Color Texture: C:\\tex\\\\x07\\xff.iff\n", "tag: \\x1b]0;, size=0\n"})
    EXPECT_NE(out.find(line), std::string::npos) << line << "\n---\n" << out;
  EXPECT_EQ(out.find('\x1b'), std::string::npos);
}

TEST(LwoFile, SecondSurfaceListKeepsEarlierFacesValid) {
  LwoWriter w = triangle();
  w.surfaceNames({"Second", "Third"});
  Object3D o(testSpace());
  ASSERT_EQ(readBytes(o, w.bytes()), "");
  EXPECT_EQ(o.surfaceCount, 2);
  ASSERT_NE(o.faces[0].surface, nullptr);
  EXPECT_EQ(o.faces[0].surface->name, "Skin");
}

TEST(LwoFile, WrittenObjectsLoadWithOutwardFaces) {
  for (const std::string& bytes : {defaultLwoBytes(), sphereLwoBytes(12, 8, 1, 0x808080)}) {
    Object3D o(testSpace());
    ASSERT_EQ(loadBytes(o, bytes), "");
    for (int f = 0; f < o.faceCount; ++f) {
      const Vec3& p = o.points[o.faces[f].index[1]];
      const Vec3& n = o.faceNormals[f];
      EXPECT_GT(p.x * n.x + p.y * n.y + p.z * n.z, 0) << f;
    }
  }
  Object3D sphere(testSpace());
  loadBytes(sphere, sphereLwoBytes(12, 8, 1, 0x808080));
  EXPECT_EQ(sphere.pointCount, 12 * 7 + 2);
  EXPECT_EQ(sphere.faceCount, 12 * 8);
}
