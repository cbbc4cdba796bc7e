// The music player over the silent back end: the call order, every failure report, and the
// soundtrack renderer (WAV layout, length to the sample, looping past the tune's end, determinism).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include <libopenmpt/libopenmpt.h>

#include "module_support.h"
#include "music/midas.h"
#include "music/music_player.h"
#include "music/soundtrack.h"

namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeAll(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

class Music : public ::testing::Test {
protected:
  fs::path previous, folder;
  char windowToken = 0;
  void SetUp() override {
    midasUseBackend(MidasBackend::Silent);
    previous = fs::current_path();
    folder = fs::temp_directory_path() / ("zub_music_" + std::to_string(getpid()));
    fs::create_directories(folder);
    fs::current_path(folder);
    writeAll("music.dat", demoModule());
  }
  void TearDown() override {
    midasRecordCalls(nullptr);
    fs::current_path(previous);
    fs::remove_all(folder);
  }
};

TEST_F(Music, StartAndStopMakeTheirCallsInOrder) {
  std::vector<std::string> calls;
  midasRecordCalls(&calls);
  MusicPlayer player("music.dat", &windowToken);
  EXPECT_TRUE(calls.empty()); // the constructor only stores
  EXPECT_FALSE(player.start());
  EXPECT_EQ(calls, (std::vector<std::string>{"MIDASstartup()", "MIDASsetOption(6, window)", "MIDASsetOption(5, 1)",
                                             "MIDASinit()", "MIDASstartBackgroundPlay(0)", "MIDASloadModule(music.dat)",
                                             "MIDASplayModule(module, 1)"}));
  calls.clear();
  EXPECT_FALSE(player.stop());
  EXPECT_EQ(calls, (std::vector<std::string>{"MIDASstopModule(playHandle)", "MIDASfreeModule(module)",
                                             "MIDASstopBackgroundPlay()", "MIDASclose()"}));
}

// The failure a player on `file` reports, from start or else from stop.
zub::Failure startAndStop(const char* file, void* window) {
  MusicPlayer player(file, window);
  zub::Failure failure = player.start();
  return failure ? failure : player.stop();
}

// The message starts with `start` (the library may add a hint) and ends the line.
void expectFailure(const zub::Failure& failure, int status, const std::string& start) {
  EXPECT_TRUE(failure) << start;
  EXPECT_EQ(failure.status, status);
  EXPECT_EQ(failure.message.rfind(start, 0), 0u) << failure.message;
  EXPECT_EQ(failure.message.back(), '\n');
}

TEST_F(Music, EveryBadModuleGetsTheReportWithTheFileAndTheReason) {
  expectFailure(startAndStop("nothere.dat", &windowToken), 1,
                "MIDAS error: cannot read nothere.dat: No such file or directory");
  writeAll("empty.dat", "");
  expectFailure(startAndStop("empty.dat", &windowToken), 1, "MIDAS error: cannot load empty.dat: the file is empty");
  std::string module = demoModule();
  writeAll("short.dat", module.substr(0, module.size() - 100));
  expectFailure(startAndStop("short.dat", &windowToken), 1,
                "MIDAS error: cannot load short.dat: the file is truncated");
  writeAll("text.dat", std::string(4000, 'x'));
  expectFailure(startAndStop("text.dat", &windowToken), 1,
                "MIDAS error: cannot load text.dat: not a module the player can read");
  EXPECT_FALSE(startAndStop("music.dat", &windowToken));  // a failure leaves nothing behind
}

TEST_F(Music, AnAudioDeviceThatCannotOpenPlaysOnSilently_ButABrokenModuleStillFails) {
  MusicPlayer player("music.dat", &windowToken);
  midasFailNextInit("no sound card");
  EXPECT_FALSE(player.start());
  EXPECT_EQ(player.soundless, "cannot open the audio device: no sound card");
  EXPECT_FALSE(player.stop());
  midasFailNextInit("no sound card");
  expectFailure(startAndStop("nothere.dat", &windowToken), 1,
                "MIDAS error: cannot read nothere.dat: No such file or directory");
}

TEST_F(Music, AMissingWindowHandleFailsWithStatus255) {
  std::vector<std::string> calls;
  midasRecordCalls(&calls);
  expectFailure(startAndStop("music.dat", nullptr), -1, "Error: can't find cur window handle\n");
  EXPECT_EQ(calls, (std::vector<std::string>{"MIDASstartup()"}));
}

TEST_F(Music, SoundtrackIsACanonicalWavOfExactlyTheAskedLength) {
  const int64_t frames = 48000 / 30 * 7; // seven video frames
  zub::Failure failed = zub::renderSoundtrack("music.dat", "a.wav", 0, frames);
  ASSERT_FALSE(failed) << failed.message;
  std::string wav = readAll("a.wav");
  ASSERT_EQ(wav.size(), zub::wavFileBytes(frames));
  ASSERT_EQ(wav.size(), 44u + 11200 * 4);
  auto u32 = [&](size_t at) { return (uint32_t)(uint8_t)wav[at] | (uint8_t)wav[at + 1] << 8 | (uint8_t)wav[at + 2] << 16 | (uint32_t)(uint8_t)wav[at + 3] << 24; };
  auto u16 = [&](size_t at) { return (uint32_t)(uint8_t)wav[at] | (uint8_t)wav[at + 1] << 8; };
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(u32(4), wav.size() - 8);
  EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(u32(16), 16u);
  EXPECT_EQ(u16(20), 1u);     // PCM
  EXPECT_EQ(u16(22), 2u);     // stereo
  EXPECT_EQ(u32(24), 48000u); // rate
  EXPECT_EQ(u32(28), 192000u);
  EXPECT_EQ(u16(32), 4u);
  EXPECT_EQ(u16(34), 16u);
  EXPECT_EQ(wav.substr(36, 4), "data");
  EXPECT_EQ(u32(40), 11200u * 4);

  // Same bytes on a second render: no dither noise.
  failed = zub::renderSoundtrack("music.dat", "b.wav", 0, frames);
  ASSERT_FALSE(failed) << failed.message;
  EXPECT_EQ(readAll("b.wav"), wav);
  // Skipping ahead gives the tail of a longer render.
  failed = zub::renderSoundtrack("music.dat", "c.wav", 1600, frames - 1600);
  ASSERT_FALSE(failed) << failed.message;
  EXPECT_EQ(readAll("c.wav").substr(44), wav.substr(44 + 1600 * 4));
}

TEST_F(Music, PastTheTunesEndTheSoundtrackGoesOnInSilence) {
  // Four seconds from forty seconds past the tune's end: the file is whole, and the tune does
  // not start over (the module loops on its closing silence).
  const std::string bytes = demoModule();
  openmpt_module* module = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr,
                                                              nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(module, nullptr);
  const double duration = openmpt_module_get_duration_seconds(module);
  openmpt_module_destroy(module);
  ASSERT_GT(duration, 60);
  zub::Failure failed = zub::renderSoundtrack("music.dat", "long.wav", (int64_t)((duration + 40) * 48000), 48000 * 4);
  ASSERT_FALSE(failed) << failed.message;
  std::string wav = readAll("long.wav");
  ASSERT_EQ(wav.size(), zub::wavFileBytes(48000 * 4));
  const int16_t* samples = (const int16_t*)(wav.data() + 44);
  int loud = 0;
  for (size_t i = 0; i < (wav.size() - 44) / 2; ++i) loud += samples[i] > 30 || samples[i] < -30;
  EXPECT_EQ(loud, 0);
}

TEST_F(Music, SoundtrackFailuresSayWhy) {
  zub::Failure failed = zub::renderSoundtrack("nothere.dat", "x.wav", 0, 10);
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.message, "cannot read nothere.dat: No such file or directory\n");
  failed = zub::renderSoundtrack("music.dat", "/proc/zub/x.wav", 0, 10);
  EXPECT_TRUE(failed);
  EXPECT_EQ(failed.message.find("cannot write /proc/zub/x.wav: "), 0u) << failed.message;
}

} // namespace
