// The XM writer (its files load in libopenmpt with the cells as written), the truncation check
// for XM and 31-sample modules (a file cut anywhere is caught), and the asset pack's tune: whole,
// and exactly what the composer writes.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include <libopenmpt/libopenmpt.h>

#include "arrangement.h"
#include "module_support.h"
#include "music/midas.h"
#include "music/soundtrack.h"
#include "music/xm_writer.h"

namespace fs = std::filesystem;

namespace {

// Two channels, two patterns of four rows, two instruments of 100 and 30 sample frames.
zub::XmModule smallModule() {
  zub::XmModule m;
  m.title = "small";
  m.channels = 2;
  m.speed = 3;
  m.bpm = 140;
  m.order = {1, 0, 1};
  for (int p = 0; p < 2; ++p) {
    zub::XmPattern pattern;
    pattern.rows = 4;
    pattern.cells.resize(8);
    pattern.cells[2 * p + 1] = {(uint8_t)(49 + p), 2, 0x10 + 33, 0, 0}; // row p, channel 1
    pattern.cells[6] = {zub::xmKeyOff, 0, 0, 0, 0};
    m.patterns.push_back(pattern);
  }
  for (int i = 0; i < 2; ++i) {
    zub::XmInstrument in;
    in.name = i ? "second" : "first";
    for (int s = 0; s < (i ? 30 : 100); ++s) in.data.push_back((int16_t)(s * 300 - 9000));
    in.loopStart = i ? 10 : 0;
    in.loopLength = i ? 20 : 0;
    in.envelope = {{0, 64}, {10, 20}};
    in.sustainPoint = 1;
    m.instruments.push_back(in);
  }
  return m;
}

TEST(XmWriter, ItsFilesLoadWithTheCellsAsWritten) {
  std::string bytes = zub::writeXm(smallModule());
  ASSERT_EQ(bytes.compare(0, 17, "Extended Module: "), 0);
  // Header 336; patterns 9 + packed rows (a flag byte a cell: three more for the note, one for
  // the key-off); instruments 263 + 40 + sample bytes.
  EXPECT_EQ(bytes.size(), 336u + 2 * (9 + 6 + 4 + 2) + 2 * (263 + 40) + 200 + 60);
  openmpt_module* m = load(bytes);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(openmpt_module_get_num_channels(m), 2);
  EXPECT_EQ(openmpt_module_get_num_patterns(m), 2);
  EXPECT_EQ(openmpt_module_get_num_orders(m), 3);
  EXPECT_EQ(openmpt_module_get_order_pattern(m, 0), 1);
  EXPECT_EQ(openmpt_module_get_num_instruments(m), 2);
  EXPECT_EQ(openmpt_module_get_pattern_num_rows(m, 1), 4);
  // libopenmpt counts notes from an octave lower: XM C-4 (49) is its 61.
  EXPECT_EQ(openmpt_module_get_pattern_row_channel_command(m, 1, 1, 1, OPENMPT_MODULE_COMMAND_NOTE), 50 + 12);
  EXPECT_EQ(openmpt_module_get_pattern_row_channel_command(m, 1, 1, 1, OPENMPT_MODULE_COMMAND_INSTRUMENT), 2);
  EXPECT_EQ(openmpt_module_get_pattern_row_channel_command(m, 1, 1, 1, OPENMPT_MODULE_COMMAND_VOLUME), 33);
  EXPECT_EQ(openmpt_module_get_pattern_row_channel_command(m, 0, 0, 1, OPENMPT_MODULE_COMMAND_NOTE), 49 + 12);
  EXPECT_EQ(openmpt_module_get_pattern_row_channel_command(m, 0, 1, 1, OPENMPT_MODULE_COMMAND_NOTE), 0);
  EXPECT_EQ(openmpt_module_get_pattern_row_channel_command(m, 0, 3, 0, OPENMPT_MODULE_COMMAND_NOTE), 255); // key off
  const char* name = openmpt_module_get_instrument_name(m, 1);
  EXPECT_STREQ(name, "second");
  openmpt_free_string(name);
  const char* title = openmpt_module_get_metadata(m, "title");
  EXPECT_STREQ(title, "small");
  openmpt_free_string(title);
  // Speed 3 at 140 BPM: 12 rows of 3 ticks of 2.5 / 140 seconds.
  EXPECT_NEAR(openmpt_module_get_duration_seconds(m), 12 * 3 * 2.5 / 140, 1e-3);
  openmpt_module_destroy(m);
}

TEST(TruncatedModule, AWholeXmIsNotTruncatedNorOneWithBytesToSpare) {
  std::string bytes = zub::writeXm(smallModule());
  EXPECT_FALSE(truncatedTrackerModule(bytes));
  EXPECT_FALSE(truncatedTrackerModule(bytes + "extra"));
  EXPECT_FALSE(truncatedTrackerModule(demoModule()));
}

TEST(TruncatedModule, AnXmCutAtAnyByteIsCaught) {
  const std::string bytes = zub::writeXm(smallModule());
  // Every cut: in the header, the order table, a pattern header, packed rows, an instrument
  // header, a sample header and sample data.
  for (size_t size = 17; size < bytes.size(); ++size)
    EXPECT_TRUE(truncatedTrackerModule(bytes.substr(0, size))) << "cut to " << size << " of " << bytes.size();
}

TEST(TruncatedModule, TheWalkFollowsTheSizesInTheFile) {
  std::string bytes = zub::writeXm(smallModule());
  const size_t firstPattern = 336, secondInstrument = 336 + 2 * 21 + 263 + 40 + 200;
  // A pattern claiming one packed byte more pushes everything after it past the end.
  std::string longer = bytes;
  longer[firstPattern + 7] += 1;
  EXPECT_TRUE(truncatedTrackerModule(longer));
  // So does a last sample one byte longer than its data.
  longer = bytes;
  longer[secondInstrument + 263] += 1;
  EXPECT_TRUE(truncatedTrackerModule(longer));
  // One byte shorter leaves a byte to spare, which is allowed.
  std::string shorter = bytes;
  shorter[secondInstrument + 263] -= 1;
  EXPECT_FALSE(truncatedTrackerModule(shorter));
  // A larger header size moves the patterns along.
  std::string header = bytes;
  header[60] += 4;
  EXPECT_TRUE(truncatedTrackerModule(header));
  EXPECT_FALSE(truncatedTrackerModule(header.substr(0, 336) + "pad!" + header.substr(336)));
}

// A four-channel 31-sample module with one pattern and one 100-word sample.
std::string mkModule() {
  std::string bytes(1084, '\0');
  bytes.replace(0, 5, "small");
  bytes[20 + 22] = 0;
  bytes[20 + 23] = 100; // sample 1: 100 words
  bytes[20 + 25] = 64;
  bytes[950] = 1; // one order, pattern 0
  bytes.replace(1080, 4, "M.K.");
  bytes += std::string(1024, '\0');
  bytes += std::string(200, '\x10');
  return bytes;
}

TEST(TruncatedModule, AShortMkModuleIsStillCaught) {
  const std::string bytes = mkModule();
  openmpt_module* m = load(bytes);
  ASSERT_NE(m, nullptr); // a module the player reads
  openmpt_module_destroy(m);
  EXPECT_FALSE(truncatedTrackerModule(bytes));
  EXPECT_TRUE(truncatedTrackerModule(bytes.substr(0, bytes.size() - 1)));
  EXPECT_TRUE(truncatedTrackerModule(bytes.substr(0, 1084 + 500)));
  std::string sixChannels = bytes;
  sixChannels.replace(1080, 4, "6CHN");
  EXPECT_TRUE(truncatedTrackerModule(sixChannels));
  EXPECT_FALSE(truncatedTrackerModule(std::string(4000, 'x')));
}

// The asset pack holds the tune as composed: composing it again gives exactly the committed bytes
// (the other music tests read those). After a deliberate change of the tune, regenerate the pack
// with scripts/make-assets.sh.
TEST(DemoTune, ComposingGivesTheCommittedBytes) {
  ASSERT_GT(demoModule().size(), 1000u) << "data/music.dat is missing";
  EXPECT_TRUE(assets::makeDemoModule() == demoModule()) << "data/music.dat is not what the composer writes";
}

} // namespace
