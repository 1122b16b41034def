// The XM writer, read back by libopenmpt: structure, packing and the checks
// that refuse modules the format cannot hold. (Delta-coded samples that
// came back wrong would put the song's instruments out of tune.)
#include "content/xm_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/openmpt_module.h"

namespace {

XmInstrument sine() {
  XmInstrument in;
  in.name = "tone";
  for (int i = 0; i < 256; ++i) in.sample.data.push_back(static_cast<std::int16_t>((i % 64) * 500 - 16000));
  in.sample.loop = XmLoop::kForward;
  in.sample.loopStart = 64;
  in.sample.loopLength = 192;
  in.volumeEnvelope.points = {{0, 64}, {10, 32}, {40, 0}};
  in.volumeEnvelope.enabled = true;
  return in;
}

XmPattern emptyPattern(int rows, int channels) {
  XmPattern p;
  p.rows = rows;
  p.cells.resize(static_cast<std::size_t>(rows * channels));
  return p;
}

XmModule smallModule() {
  XmModule m;
  m.name = "test";
  m.channels = 4;
  m.speed = 6;
  m.tempo = 125;
  m.patterns = {emptyPattern(64, 4), emptyPattern(32, 4)};
  m.orders = {0, 1, 0};
  m.instruments = {sine()};
  m.patterns[0].at(0, 0, 4) = {49, 1, 0x50, 0x0C, 0x20};  // every field: stored unpacked
  m.patterns[0].at(5, 2, 4) = {61, 1, 0, 0, 0};           // note and instrument only
  m.patterns[0].at(5, 1, 4) = {0, 0, 0, 0x08, 0x30};      // effect and parameter only
  m.patterns[1].at(7, 3, 4).note = kXmKeyOff;
  return m;
}

TEST(XmWriter, LibopenmptReadsStructureAndCellsWithoutWarnings) {
  std::vector<std::uint8_t> bytes;
  std::string problem;
  ASSERT_TRUE(encodeXmModule(smallModule(), &bytes, &problem)) << problem;
  LoadedModule loaded(bytes);
  ASSERT_NE(loaded.module, nullptr);
  EXPECT_TRUE(loaded.log.empty()) << loaded.log.front();
  EXPECT_EQ(openmpt_module_get_num_channels(loaded.module), 4);
  EXPECT_EQ(openmpt_module_get_num_instruments(loaded.module), 1);
  // Orders 0, 1, 0: 64 + 32 + 64 rows at 0.12 s.
  EXPECT_NEAR(openmpt_module_get_duration_seconds(loaded.module), 160 * 0.12, 1e-6);

  // Packed and unpacked cells. libopenmpt counts notes one octave higher
  // than the file (its C-0 is the file's note 1 minus 12).
  EXPECT_EQ(loaded.command(0, 0, 0, OPENMPT_MODULE_COMMAND_NOTE), 49 + 12);
  EXPECT_EQ(loaded.command(0, 0, 0, OPENMPT_MODULE_COMMAND_INSTRUMENT), 1);
  EXPECT_EQ(loaded.command(0, 0, 0, OPENMPT_MODULE_COMMAND_PARAMETER), 0x20);
  EXPECT_EQ(loaded.command(0, 5, 2, OPENMPT_MODULE_COMMAND_NOTE), 61 + 12);
  EXPECT_EQ(loaded.command(0, 5, 1, OPENMPT_MODULE_COMMAND_PARAMETER), 0x30);
  EXPECT_EQ(loaded.command(0, 5, 3, OPENMPT_MODULE_COMMAND_NOTE), 0);
  EXPECT_EQ(loaded.command(0, 6, 2, OPENMPT_MODULE_COMMAND_NOTE), 0);
  EXPECT_NE(loaded.command(1, 7, 3, OPENMPT_MODULE_COMMAND_NOTE), 0);  // key off
}

TEST(XmWriter, RefusesWhatTheFormatCannotHold) {
  struct Case {
    const char* what;
    void (*spoil)(XmModule&);
  };
  const Case cases[] = {
      {"order names a missing pattern", [](XmModule& m) { m.orders.push_back(7); }},
      {"no orders", [](XmModule& m) { m.orders.clear(); }},
      {"too many channels", [](XmModule& m) { m.channels = 33; }},
      {"pattern of 0 rows", [](XmModule& m) { m.patterns[1] = emptyPattern(0, 4); }},
      {"pattern of 257 rows", [](XmModule& m) { m.patterns[1] = emptyPattern(257, 4); }},
      {"cells not rows x channels", [](XmModule& m) { m.patterns[1].cells.pop_back(); }},
      {"instrument beyond the list", [](XmModule& m) { m.patterns[0].cells[3].instrument = 2; }},
      {"note beyond key off", [](XmModule& m) { m.patterns[0].cells[3].note = 98; }},
      {"loop past the sample end", [](XmModule& m) { m.instruments[0].sample.loopLength = 193; }},
      {"empty loop", [](XmModule& m) { m.instruments[0].sample.loopLength = 0; }},
      {"envelope ticks not rising", [](XmModule& m) { m.instruments[0].volumeEnvelope.points[2].tick = 10; }},
      {"envelope value above 64", [](XmModule& m) { m.instruments[0].volumeEnvelope.points[0].value = 65; }},
      {"sustain past the points", [](XmModule& m) {
         m.instruments[0].volumeEnvelope.sustain = true;
         m.instruments[0].volumeEnvelope.sustainPoint = 3;
       }},
      {"restart outside the orders", [](XmModule& m) { m.restartOrder = 3; }},
  };
  for (const Case& c : cases) {
    XmModule m = smallModule();
    c.spoil(m);
    std::vector<std::uint8_t> bytes;
    std::string problem;
    EXPECT_FALSE(encodeXmModule(m, &bytes, &problem)) << c.what;
    EXPECT_FALSE(problem.empty()) << c.what;
  }
}

}  // namespace
