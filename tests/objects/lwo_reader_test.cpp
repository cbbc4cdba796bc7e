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

std::string triangleFile(int surfaceNumber, int corner = 2) {
  LwoWriter w;
  w.points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}});
  w.surfaceNames({"Skin"});
  w.polygons({{0, 1, corner}}, {surfaceNumber});
  return w.bytes();
}

} // namespace

TEST(LwoReader, StringsOccupyAnEvenNumberOfBytes) {
  std::string data;
  LwoWriter::putString(data, "ab");
  LwoWriter::putString(data, "abc");
  LwoWriter::putString(data, "");
  ASSERT_EQ(data.size(), 10u);
  LwoReader r = readerOf(data);
  std::string s;
  r.readString(s);
  EXPECT_EQ(s, "ab");
  EXPECT_EQ(r.tell(), 4);
  r.readString(s);
  EXPECT_EQ(s, "abc");
  EXPECT_EQ(r.tell(), 8);
  r.readString(s);
  EXPECT_EQ(s, "");
  EXPECT_EQ(r.tell(), 10);
  EXPECT_FALSE(r.overrun);
}

TEST(LwoReader, ShortReadsSetOverrunAndReturnZero) {
  LwoReader r = readerOf(std::string("\x12\x34\x56", 3));
  EXPECT_EQ(r.readU16(), 0x1234u);
  EXPECT_EQ(r.readU16(), 0u);
  EXPECT_TRUE(r.overrun);
  EXPECT_EQ(r.tell(), 2); // a failed number read leaves the position alone
  std::string tag;
  r.readTag(tag);
  EXPECT_EQ(tag, "");
  EXPECT_EQ(r.tell(), 6); // a failed tag read still advances
  std::string s;
  LwoReader unterminated = readerOf("abc");
  unterminated.readString(s);
  EXPECT_EQ(s, "");
  EXPECT_TRUE(unterminated.overrun);
}

TEST(LwoReader, BigEndianNumbersAndFloats) {
  LwoReader r = readerOf(std::string("\x01\x02\x03\x04\x3f\x80\x00\x00\xff", 9));
  EXPECT_EQ(r.readU32(), 0x01020304u);
  EXPECT_EQ(r.readF32(), 1.0f);
  EXPECT_EQ(r.readU8(), 0xFFu);
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

TEST(LwoFile, FortyBytePointChunkGivesThreePoints) {
  LwoWriter w;
  std::string data;
  for (int i = 0; i < 10; ++i) LwoWriter::putF32(data, (float)(i + 1));
  w.chunk("PNTS", data);
  w.chunk("JUNK", "zzzz"); // still read after the 4 left-over bytes
  w.surfaceNames({"S"});
  w.polygons({{0, 1, 2}}, {1});
  Object3D o;
  ASSERT_EQ(readBytes(o, w.bytes()), "");
  ASSERT_EQ(o.pointCount, 3);
  EXPECT_EQ(o.points[2].x, 7.0f);
  EXPECT_EQ(o.points[2].z, 9.0f);
  EXPECT_EQ(o.faceCount, 1);
}

TEST(LwoFile, PolygonCornersBeyondFourAndBelowThree) {
  LwoWriter w;
  w.points({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 2, 0}, {3, 3, 0}});
  w.surfaceNames({"A", "B"});
  w.polygons({{5, 4, 3, 2, 1, 0}, {1, 2}, {0, 1, 2}}, {2, 1, 2});
  w.surface("B", 0x123456, 7);
  Object3D o;
  ASSERT_EQ(readBytes(o, w.bytes()), "");
  ASSERT_EQ(o.faceCount, 3);
  EXPECT_EQ(o.faces[0].sides, 4);
  EXPECT_EQ(o.faces[0].index[0], 5);
  EXPECT_EQ(o.faces[0].index[3], 2);
  EXPECT_EQ(o.faces[0].colour, 0x123456u);
  EXPECT_EQ(o.faces[1].sides, 2);
  EXPECT_EQ(o.faces[1].colour, 0x00FF00u); // surface A has no SURF chunk: default colour
  EXPECT_EQ(o.faces[2].index[2], 2);       // still aligned after the six-corner polygon
  EXPECT_EQ(o.faces[2].surface, o.surfaces[1]);
  EXPECT_EQ(o.surfaces[1]->flags, 7);
  o.fixFaces();
  EXPECT_EQ(o.faces[1].sides, 3);
  EXPECT_EQ(o.faces[1].index[2], 1);
}

TEST(LwoFile, LaterSurfChunkAndLaterColourGroupWin) {
  LwoWriter w;
  w.points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}});
  w.surfaceNames({"Skin"});
  w.polygons({{0, 1, 2}}, {1});
  w.surface("Skin", 0x111111, 1);
  std::string data;
  LwoWriter::putString(data, "Skin");
  data += "COLR";
  LwoWriter::putU16(data, 8);
  data += std::string("\x10\x20\x30\x00\xAA\xBB\xCC\x00", 8);
  w.chunk("SURF", data);
  w.surface("Other", 0x999999, 9); // in no SRFS list: never applied
  Object3D o;
  ASSERT_EQ(readBytes(o, w.bytes()), "");
  EXPECT_EQ(o.surfaces[0]->colour, 0xAABBCCu);
  EXPECT_EQ(o.surfaces[0]->flags, 1); // the second chunk has no FLAG
  EXPECT_EQ(o.surfaces[0]->name, "Skin");
  EXPECT_EQ(o.faces[0].colour, 0xAABBCCu);
}

TEST(LwoFile, SubChunksStopAtTheSurfChunkEnd) {
  LwoWriter w;
  w.points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}});
  w.surfaceNames({"Skin"});
  w.polygons({{0, 1, 2}}, {1});
  std::string data;
  LwoWriter::putString(data, "Skin");
  w.chunk("SURF", data);
  // Bytes that would read as a COLR sub-chunk if the reader ran on past the SURF chunk.
  std::string fake = "COLR";
  LwoWriter::putU16(fake, 4);
  fake += std::string("\x01\x02\x03\x00", 4);
  w.chunk("COLR", fake);
  Object3D o;
  ASSERT_EQ(readBytes(o, w.bytes()), "");
  EXPECT_EQ(o.surfaces[0]->colour, 0x00FF00u);
}

TEST(LwoFile, ShortColourKeepsTheOldColour) {
  LwoWriter w;
  w.points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}});
  w.surfaceNames({"Skin"});
  w.polygons({{0, 1, 2}}, {1});
  w.surface("Skin", 0x445566, 0);
  std::string data;
  LwoWriter::putString(data, "Skin");
  data += "COLR";
  LwoWriter::putU16(data, 3);
  data += "\x01\x02\x03";
  w.chunk("SURF", data);
  Object3D o;
  ASSERT_EQ(readBytes(o, w.bytes()), "");
  EXPECT_EQ(o.surfaces[0]->colour, 0x445566u);
}

TEST(LwoFile, HeaderOnlyKeepsTheDefaultCube) {
  LwoWriter w;
  Object3D o;
  testing::internal::CaptureStdout();
  std::string error = readBytes(o, w.bytes());
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(error, "");
  EXPECT_NE(out.find("L Mem read = 12\ntag: FORM size: 4\npos: 8\ntag: LWOB\ntag: , size=0\nLightwave Object End\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(o.pointCount, 8);
  EXPECT_EQ(o.faceCount, 12);
  EXPECT_EQ(o.surfaceCount, 0);
  EXPECT_EQ(o.points[6].x, -50.0f);
}

TEST(LwoFile, TraceLinesOfTheChunks) {
  LwoWriter w;
  w.points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}});
  w.surfaceNames({"Skin"});
  w.polygons({{0, 1, 2}}, {1});
  std::string sub;
  LwoWriter::putString(sub, "Skin");
  sub += "CTEX";
  LwoWriter::putU16(sub, 6);
  LwoWriter::putString(sub, "Plan");
  sub += "TFLG";
  LwoWriter::putU16(sub, 2);
  LwoWriter::putU16(sub, 0x1F);
  sub += "TSIZ";
  LwoWriter::putU16(sub, 12);
  for (float f : {1.0f, 2.5f, -3.0f}) LwoWriter::putF32(sub, f);
  w.chunk("SURF", sub);
  Object3D o;
  testing::internal::CaptureStdout();
  std::string error = readBytes(o, w.bytes());
  std::string out = testing::internal::GetCapturedStdout();
  ASSERT_EQ(error, "");
  EXPECT_NE(out.find("tag: PNTS, size=36\nNum points = 3\nPoints allocated: 3\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Surfaces size = 6\nSurface ptrs allocated: 1\nSurfaces Allocated\nSname: Skin\n"
                     "Color Texture: Plan\nTexture Flag: 1f\nTexture Size: 1.000000, 2.500000 -3.000000\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("Faces size = 10\nNum faces = 1\nFaces allocated: 1\n"), std::string::npos) << out;
}

TEST(LwoFile, MalformedFilesAreRefusedWithAReason) {
  Object3D o;
  EXPECT_EQ(readBytes(o, triangleFile(0)), "polygon 0 uses surface 0, but there are 1 surfaces");
  EXPECT_EQ(readBytes(o, triangleFile(2)), "polygon 0 uses surface 2, but there are 1 surfaces");
  EXPECT_EQ(readBytes(o, triangleFile(0xFFFF)), "polygon 0 uses surface -1, but there are 1 surfaces");
  EXPECT_EQ(readBytes(o, triangleFile(1, 3)), "polygon 0 uses point 3, but there are 3 points");
  EXPECT_EQ(readBytes(o, triangleFile(1, 0x8000)), "polygon 0 uses point -32768, but there are 3 points");

  LwoWriter before;
  before.points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}});
  before.polygons({{0, 1, 2}}, {1});
  before.surfaceNames({"Skin"});
  EXPECT_EQ(readBytes(o, before.bytes()), "polygon 0 comes before the surface names (POLS before SRFS)");

  LwoWriter empty;
  empty.points({{0, 0, 0}});
  empty.surfaceNames({"Skin"});
  empty.polygons({{}}, {1});
  EXPECT_EQ(readBytes(o, empty.bytes()), "polygon 0 has no corners");

  // Fewer than eight points with no POLS: the default cube's faces would reach past them.
  LwoWriter few;
  few.points({{0, 0, 0}, {1, 1, 1}});
  EXPECT_EQ(readBytes(o, few.bytes()), "polygon 0 uses point 2, but there are 2 points");
}

TEST(LwoFile, ChunksPastTheEndAreRefused) {
  Object3D o;
  std::string huge = LwoWriter().bytes();
  huge += "PNTS";
  LwoWriter::putU32(huge, 0xFFFFFFF4u); // a size near 2^32 must neither wrap nor be allocated
  LwoWriter::putF32(huge, 1.0f);
  EXPECT_EQ(readBytes(o, huge), "PNTS chunk of 4294967284 bytes runs past the end of the file");

  std::string file = triangleFile(1);
  std::string cut = file.substr(0, file.size() - 2); // POLS loses its surface number
  EXPECT_EQ(readBytes(o, cut), "POLS chunk of 10 bytes runs past the end of the file");

  LwoWriter spill;
  spill.points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}});
  spill.surfaceNames({"Skin"});
  std::string pols;
  LwoWriter::putU16(pols, 3);
  spill.chunk("POLS", pols); // the corners lie past the chunk and past the file
  EXPECT_EQ(readBytes(o, spill.bytes()), "polygon 0 runs past the end of the file");

  std::string names = LwoWriter().bytes() + "SRFS";
  LwoWriter::putU32(names, 3);
  names += "abc";
  EXPECT_EQ(readBytes(o, names), "surface name 0 has no end");
}

TEST(LwoFile, SkippedChunkPastTheEndEndsTheFile) {
  std::string file = triangleFile(1) + "JUNK";
  LwoWriter::putU32(file, 1000);
  Object3D o;
  EXPECT_EQ(readBytes(o, file), "");
  EXPECT_EQ(o.faceCount, 1);
}

TEST(LwoFile, SecondSurfaceListKeepsEarlierFacesValid) {
  LwoWriter w;
  w.points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}});
  w.surfaceNames({"First"});
  w.polygons({{0, 1, 2}}, {1});
  w.surfaceNames({"Second", "Third"});
  Object3D o;
  ASSERT_EQ(readBytes(o, w.bytes()), "");
  EXPECT_EQ(o.surfaceCount, 2);
  ASSERT_NE(o.faces[0].surface, nullptr);
  EXPECT_EQ(o.faces[0].surface->name, "First");
}

TEST(LwoFile, DefaultObjectLoads) {
  Object3D o;
  ASSERT_EQ(loadBytes(o, defaultLwoBytes()), "");
  EXPECT_EQ(o.pointCount, 6);
  EXPECT_EQ(o.faceCount, 8);
  EXPECT_EQ(o.faces[7].colour, 0x4060A0u);
  // Outward normals: every face turns away from the centre.
  for (int f = 0; f < o.faceCount; ++f) {
    const Vec3& p = o.points[o.faces[f].index[0]];
    const Vec3& n = o.faceNormals[f];
    EXPECT_GT(p.x * n.x + p.y * n.y + p.z * n.z, 0) << f;
  }
}

TEST(LwoFile, SphereFacesTurnOutward) {
  Object3D o;
  ASSERT_EQ(loadBytes(o, sphereLwoBytes(12, 8, 1, 0x808080)), "");
  EXPECT_EQ(o.pointCount, 12 * 7 + 2);
  EXPECT_EQ(o.faceCount, 12 * 8);
  EXPECT_EQ(o.faces[12].sides, 4);
  for (int f = 0; f < o.faceCount; ++f) {
    const Vec3& p = o.points[o.faces[f].index[1]];
    const Vec3& n = o.faceNormals[f];
    EXPECT_GT(p.x * n.x + p.y * n.y + p.z * n.z, 0) << f;
  }
}
