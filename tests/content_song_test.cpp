// The composed song, played by libopenmpt as the presentation plays it:
// structure, every section audible up to the presentation's quit, the final
// chord at rest, levels and instrument tuning.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "content/sample_synth.h"
#include "content/song_composer.h"
#include "content/xm_writer.h"
#include "support/openmpt_module.h"

namespace {

std::vector<std::uint8_t> songBytes() {
  std::vector<std::uint8_t> bytes;
  std::string problem;
  EXPECT_TRUE(encodeXmModule(composeSong(), &bytes, &problem)) << problem;
  return bytes;
}

// Mono samples at 44.1 kHz with the music position (order × 256 + row) of
// every block of 441 samples.
struct Rendering {
  std::vector<float> samples;
  std::vector<int> positions;
};

Rendering renderAll(openmpt_module* module) {
  Rendering r;
  std::vector<float> block(441 * 2);
  for (;;) {
    const std::size_t n = openmpt_module_read_interleaved_float_stereo(module, 44100, 441, block.data());
    if (n == 0) break;
    for (std::size_t i = 0; i < n; ++i) r.samples.push_back(0.5f * (block[2 * i] + block[2 * i + 1]));
    r.positions.push_back(openmpt_module_get_current_order(module) * 256 +
                          openmpt_module_get_current_row(module));
  }
  return r;
}

// Root-mean-square level of the blocks whose position lies in [from, to].
float levelBetween(const Rendering& r, int from, int to) {
  double sum = 0;
  std::size_t count = 0;
  for (std::size_t b = 0; b < r.positions.size(); ++b) {
    if (r.positions[b] < from || r.positions[b] > to) continue;
    for (std::size_t i = b * 441; i < std::min(r.samples.size(), (b + 1) * 441); ++i, ++count)
      sum += double(r.samples[i]) * r.samples[i];
  }
  return count ? float(std::sqrt(sum / double(count))) : 0.0f;
}

TEST(ContentSong, StructureLoadsWithoutWarnings) {
  LoadedModule song(songBytes());
  ASSERT_NE(song.module, nullptr);
  EXPECT_TRUE(song.log.empty()) << song.log.front();
  const int orders = openmpt_module_get_num_orders(song.module);
  ASSERT_GE(orders, 6);
  for (int o = 0; o < 5; ++o) EXPECT_EQ(song.rows(o), 128) << "order " << o;
  EXPECT_GT(song.rows(5), 17) << "order 5 runs on past row 16, where the presentation quits";
  EXPECT_NEAR(openmpt_module_get_duration_seconds(song.module), (5 * 128 + kSongLastPatternRows) * 0.12, 1e-6);
}

TEST(ContentSong, PlaysPastTheQuitPointWithTheChordAtRest) {
  LoadedModule song(songBytes());
  ASSERT_NE(song.module, nullptr);
  const Rendering r = renderAll(song.module);
  ASSERT_FALSE(r.positions.empty());
  // The quit position 5:17 is reached before the song ends and loops.
  EXPECT_NE(std::find(r.positions.begin(), r.positions.end(), 5 * 256 + 17), r.positions.end());
  float peak = 0;
  for (float s : r.samples) peak = std::max(peak, std::fabs(s));
  EXPECT_LT(peak, 1.0f) << "the mix clips";
  EXPECT_GT(peak, 0.25f) << "the mix is very quiet";
  // Every section is audible, and so is the final chord up to the quit.
  const int sections[][2] = {{1, 36}, {37, 256}, {257, 512}, {513, 560}, {561, 772},
                             {773, 800}, {801, 1024}, {1025, 1279}, {1280, 1296}};
  for (const auto& s : sections) EXPECT_GT(levelBetween(r, s[0], s[1]), 0.01f) << s[0] << ".." << s[1];
  // The chord has died away (below -40 dBFS) by the quit on 5:16.
  float quitPeak = 0;
  for (std::size_t b = 0; b < r.positions.size(); ++b) {
    if (r.positions[b] < 5 * 256 + 16) continue;
    for (std::size_t i = b * 441; i < std::min(r.samples.size(), (b + 1) * 441); ++i)
      quitPeak = std::max(quitPeak, std::fabs(r.samples[i]));
  }
  EXPECT_LT(quitPeak, 0.01f);
}

// Frequency of a held note from its upward zero crossings.
double playedFrequency(XmInstrument instrument, std::uint8_t note) {
  XmModule m;
  m.channels = 2;
  instrument.volumeEnvelope = {};
  instrument.sample.panning = 128;
  m.instruments = {instrument};
  XmPattern p;
  p.rows = 64;
  p.cells.resize(128);
  p.cells[0] = {note, 1, 0x50, 0, 0};
  m.patterns = {p};
  m.orders = {0};
  std::vector<std::uint8_t> bytes;
  EXPECT_TRUE(encodeXmModule(m, &bytes, nullptr));
  LoadedModule loaded(bytes);
  std::vector<float> block(44100 * 2);
  const std::size_t n = openmpt_module_read_interleaved_float_stereo(loaded.module, 44100, 44100, block.data());
  int crossings = 0, first = -1, last = -1;
  for (std::size_t i = 4410 + 1; i < n; ++i) {
    if (block[2 * (i - 1)] < 0 && block[2 * i] >= 0) {
      if (first < 0) first = int(i);
      last = int(i);
      ++crossings;
    }
  }
  return crossings > 1 ? 44100.0 * (crossings - 1) / double(last - first) : 0.0;
}

TEST(ContentSong, PitchedInstrumentsAreInTune) {
  // C-4 is middle C (261.63 Hz); A-3 is 220 Hz.
  EXPECT_NEAR(playedFrequency(synthLead(), 49), 261.63, 261.63 * 0.01);
  EXPECT_NEAR(playedFrequency(synthBass(), 49 - 3), 220.0, 220.0 * 0.01);
}

}  // namespace
