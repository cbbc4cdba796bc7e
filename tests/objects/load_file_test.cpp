// Loading object files from disk: the demo's backslash names, the "default.lwo" fallback, and the
// process ending on a file that cannot be read or is malformed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "objects/lwo_writer.h"
#include "objects/object3d.h"
#include "objects/test_support.h"

namespace {

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
}

// Runs each test inside a fresh folder holding the data files, as the demo runs in data/.
struct DataFolder : testing::Test {
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::path folder;
  void SetUp() override {
    char name[] = "/tmp/zub_lwo_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    folder = name;
    std::filesystem::create_directory(folder / "dat");
    std::filesystem::current_path(folder);
  }
  void TearDown() override {
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(folder);
  }
};

} // namespace

TEST_F(DataFolder, BackslashNameFindsTheFileInAnyCase) {
  writeFile(folder / "dat" / "Ball.lwo", sphereLwoBytes(8, 6, 1, 0x123456));
  Object3D o(testSpace());
  o.loadFromFile("dat\\ball.LWO");
  EXPECT_EQ(o.faceCount, 8 * 6);
  EXPECT_EQ(o.faces[0].colour, 0x123456u);
  EXPECT_EQ(o.name, "Undefined Filename"); // loading never names the object
}

TEST_F(DataFolder, MissingObjectFallsBackToDefault) {
  writeFile(folder / "default.lwo", defaultLwoBytes());
  Object3D o(testSpace());
  testing::internal::CaptureStdout();
  o.loadFromFile("dat\\gone.lwo");
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("Assuming object is LWO: dat\\gone.lwo\nstart read\nL Mem read = "), std::string::npos);
  EXPECT_EQ(o.faceCount, 8);
  EXPECT_EQ(o.pointCount, 6);
}

TEST_F(DataFolder, MissingDefaultFailsWithStatusMinusOne) {
  Object3D o(testSpace());
  testing::internal::CaptureStdout();
  zub::Failure failure = o.loadFromFile("dat\\gone.lwo");
  testing::internal::GetCapturedStdout();
  EXPECT_TRUE(failure);
  EXPECT_EQ(failure.status, -1);
  EXPECT_EQ(failure.message, "Error: default.lwo\n");
}

TEST_F(DataFolder, MalformedObjectFailsWithStatusOneAndTheReason) {
  LwoWriter w;
  w.points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}});
  w.surfaceNames({"Skin"});
  w.polygons({{0, 1, 9}}, {1});
  writeFile(folder / "dat" / "bad.lwo", w.bytes());
  Object3D o(testSpace());
  testing::internal::CaptureStdout();
  zub::Failure failure = o.loadFromFile("dat\\bad.lwo");
  testing::internal::GetCapturedStdout();
  EXPECT_TRUE(failure);
  EXPECT_EQ(failure.status, 1);
  EXPECT_EQ(failure.message.rfind("Error: dat\\bad.lwo: ", 0), 0u) << failure.message;
}

// Bytes that are no object at all used to load silently and print themselves as "tag:" lines.
TEST_F(DataFolder, RandomBytesFailWithAMessageNamingTheFile) {
  std::string bytes(4000, '\0');
  uint32_t state = 15;
  for (char& c : bytes) c = (char)((state = state * 1664525u + 1013904223u) >> 24);
  writeFile(folder / "dat" / "ball.lwo", bytes);
  Object3D o(testSpace());
  testing::internal::CaptureStdout();
  zub::Failure failure = o.loadFromFile("dat\\ball.lwo");
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(failure.status, 1);
  EXPECT_EQ(failure.message,
            "Error: dat\\ball.lwo: not a LightWave object (the file does not start with FORM ... LWOB)\n");
}
