// PNG and WAV writers, the folder output and the progress line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "capture/png_sequence_output.h"
#include "capture/png_writer.h"
#include "capture/progress_bar.h"
#include "capture/wav_writer.h"
#include "support/png_compare.h"
#include "support/small_data_set.h"
#include "support/xm_writer.h"

namespace fs = std::filesystem;

namespace {

std::uint32_t u32At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// The RGB of every pixel of a PNG file.
std::vector<std::uint32_t> rgbOf(const std::string& path) {
  std::vector<std::uint32_t> pixels;
  int width = 0, height = 0;
  if (!readRgbPng(path, &pixels, &width, &height)) return {};
  for (std::uint32_t& p : pixels) p &= 0xFFFFFF;
  return pixels;
}

}  // namespace

// The colours themselves the folder-output tests read back.
TEST(PngWriter, HonoursPitchAndDropsAlpha) {
  // 3 x 2 pixels in rows of 16 bytes (4 bytes of padding each).
  std::vector<std::uint8_t> buffer(32, 0xEE);
  const std::uint8_t pixels[2][3][4] = {{{1, 2, 3, 0}, {10, 20, 30, 255}, {0, 0, 255, 7}},
                                        {{255, 255, 255, 0}, {0, 128, 0, 1}, {9, 8, 7, 6}}};
  for (int y = 0; y < 2; ++y) std::memcpy(&buffer[y * 16], pixels[y], 12);
  std::vector<std::uint8_t> encoded;
  ASSERT_TRUE(encodePng({buffer.data(), 3, 2, 16}, encoded).ok);

  // Alpha and padding do not reach the file: other values, same bytes.
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) buffer[y * 16 + x * 4 + 3] = 0x55;
    std::memset(&buffer[y * 16 + 12], 0x11, 4);
  }
  std::vector<std::uint8_t> again;
  ASSERT_TRUE(encodePng({buffer.data(), 3, 2, 16}, again).ok);
  EXPECT_EQ(again, encoded);
}

TEST(PngAndWavWriters, RefuseInconsistentInputMisuseAndUnwritablePaths) {
  std::vector<std::uint8_t> buffer(64);
  std::vector<std::uint8_t> encoded;
  EXPECT_FALSE(encodePng({nullptr, 2, 2, 8}, encoded).ok);
  EXPECT_FALSE(encodePng({buffer.data(), 0, 2, 8}, encoded).ok);
  EXPECT_FALSE(encodePng({buffer.data(), 4, 2, 8}, encoded).ok);  // pitch below width * 4
  const PngResult unwritable = writePng("/nonexistent-folder/x.png", {buffer.data(), 2, 2, 8});
  EXPECT_FALSE(unwritable.ok);
  EXPECT_NE(unwritable.error.find("/nonexistent-folder/x.png"), std::string::npos);

  WavWriter writer;
  const std::int16_t samples[2] = {0, 0};
  EXPECT_FALSE(writer.append(samples, 1));
  EXPECT_FALSE(writer.finish());
  EXPECT_FALSE(writer.open("/nonexistent-folder/a.wav"));
  EXPECT_NE(writer.error().find("/nonexistent-folder/a.wav"), std::string::npos);
}

TEST(WavWriter, HeaderSizesFollowTheSamplesAppended) {
  ScopedWorkingDirectory directory;
  WavWriter writer;
  ASSERT_TRUE(writer.open("a.wav"));
  const std::int16_t first[] = {1, -1, 0x1234, -32768};
  const std::int16_t second[] = {32767, 2};
  ASSERT_TRUE(writer.append(first, 2));
  ASSERT_TRUE(writer.append(second, 1));
  ASSERT_TRUE(writer.append(nullptr, 0));
  ASSERT_TRUE(writer.finish());

  // The sizes are only known at the end; the fixed format fields are read
  // back by ffmpeg in the video tests.
  const std::vector<std::uint8_t> bytes = readBytes("a.wav");
  ASSERT_EQ(bytes.size(), 44u + 12u);
  EXPECT_EQ(u32At(bytes, 4), 48u);
  EXPECT_EQ(u32At(bytes, 40), 12u);
  const std::vector<std::uint8_t> samples(bytes.begin() + 44, bytes.end());
  const std::vector<std::uint8_t> expected = {1, 0, 0xFF, 0xFF, 0x34, 0x12, 0x00, 0x80, 0xFF, 0x7F, 2, 0};
  EXPECT_EQ(samples, expected);
}

// A capture into a folder that holds an earlier one's frames replaces them
// (and nothing else): a stale frame would pass for part of this capture.
TEST(PngSequenceOutput, ReplacesAnEarlierCapturesFramesAndNothingElse) {
  ScopedWorkingDirectory directory;
  fs::create_directory("frames");
  for (const char* name : {"frame_000000.png", "frame_000001.png", "frame_12.png", "notes.txt"}) {
    std::ofstream(fs::path("frames") / name) << "earlier";
  }
  std::string error;
  std::unique_ptr<PngSequenceOutput> output = PngSequenceOutput::open("frames", error);
  ASSERT_TRUE(output) << error;
  const std::vector<std::uint32_t> pixels(4 * 3, 0xFF102030);
  ASSERT_TRUE(output->writeFrame({reinterpret_cast<const std::uint8_t*>(pixels.data()), 4, 3, 16}, FrameInfo{}));
  ASSERT_TRUE(output->finish());
  EXPECT_EQ(rgbOf("frames/frame_000000.png"), std::vector<std::uint32_t>(4 * 3, 0x102030));
  EXPECT_FALSE(fs::exists("frames/frame_000001.png"));
  EXPECT_TRUE(fs::exists("frames/frame_12.png"));

  // A file where the folder should be is an error, not a crash.
  EXPECT_FALSE(PngSequenceOutput::open("frames/notes.txt", error));
  EXPECT_NE(error.find("not a folder"), std::string::npos);
}

TEST(PngSequenceOutput, FullDiskKeepsTheFramesBeforeAndNamesTheReason) {
  ScopedWorkingDirectory directory;
  const fs::path folder = "frames";
  std::string error;
  std::unique_ptr<PngSequenceOutput> output = PngSequenceOutput::open(folder.string(), error);
  ASSERT_TRUE(output) << error;
  // Frame 5 lands on a full disk.
  fs::create_symlink("/dev/full", folder / "frame_000005.png");
  std::vector<std::uint32_t> pixels(64 * 48);
  const BgraView view{reinterpret_cast<const std::uint8_t*>(pixels.data()), 64, 48, 64 * 4};
  bool accepted = true;
  FrameInfo info;
  for (int k = 0; k < 40 && accepted; ++k) {
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 2654435761u + k);
    info.index = k;
    accepted = output->writeFrame(view, info);
  }
  EXPECT_FALSE(output->finish());
  EXPECT_NE(output->error().find("frame_000005.png: No space left on device"), std::string::npos) << output->error();
  // Frames 0 to 4 whole, with their pixels; nothing from 5 on.
  for (int k = 0; k < 40; ++k) EXPECT_EQ(fs::exists(folder / PngSequenceOutput::frameFileName(k)), k < 5) << k;
  const std::vector<std::uint32_t> rgb = rgbOf("frames/frame_000004.png");
  ASSERT_EQ(rgb.size(), pixels.size());
  for (std::size_t i = 0; i < pixels.size(); ++i) ASSERT_EQ(rgb[i], (i * 2654435761u + 4) & 0xFFFFFF) << i;
}

TEST(ProgressLine, ShowsTheBarAndEstimateAndTheFractionToTheEnd) {
  // (The line's other fields are printed as they are.)
  ProgressState state;
  state.elapsedSeconds = 10;
  state.fractionDone = 0.25;
  const std::string line = formatProgress(state);
  for (const char* part : {"[#####...............]", " 25%", "left 0:30"}) {
    EXPECT_NE(line.find(part), std::string::npos) << part << " in " << line;
  }

  state.fractionDone = -1;  // unknown: no bar and no estimate
  const std::string unknown = formatProgress(state);
  EXPECT_EQ(unknown.find('['), std::string::npos);
  EXPECT_EQ(unknown.find("left"), std::string::npos);

  // The fraction done ends after order 5 row 16.
  EXPECT_DOUBLE_EQ(fractionAtPosition(0, 0, 128), 0.0);
  EXPECT_DOUBLE_EQ(fractionAtPosition(5, 17, 128), 1.0);
  EXPECT_DOUBLE_EQ(fractionAtPosition(9, 0, 128), 1.0);
  EXPECT_NEAR(fractionAtPosition(2, 0, 64), 128.0 / 337.0, 1e-12);
  EXPECT_DOUBLE_EQ(fractionAtPosition(1, 0, 0), 0.0);
}

TEST(ProgressBar, WholeLinesEveryFivePercentWhenNotATerminal) {
  std::FILE* stream = std::tmpfile();
  ASSERT_NE(stream, nullptr);
  ProgressBar bar(stream, true, false);
  ProgressState state;
  for (int frame = 0; frame <= 1000; ++frame) {
    state.fractionDone = frame / 1000.0;
    bar.update(state);
  }
  bar.close();
  std::rewind(stream);
  std::string text(4096, '\0');
  text.resize(std::fread(text.data(), 1, text.size(), stream));
  std::fclose(stream);
  // 0 %, 5 %, ... 100 %: 21 lines, no carriage returns.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 21) << text;
  EXPECT_EQ(text.find('\r'), std::string::npos);
}
