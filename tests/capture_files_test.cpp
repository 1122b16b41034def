// PNG and WAV writers, the folder output and the progress line.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

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

TEST(PngWriter, AnIndependentDecoderReadsBackEveryPixel) {
  // Noise over every byte value (differences wrap around both ways) and
  // flat runs, at an odd width; libpng checks each chunk's CRC and the
  // zlib stream's checksum on the way.
  const int width = 333, height = 7;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  std::uint32_t state = 12345;
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    state = state * 1103515245u + 12345u;
    pixels[i] = (i / width) % 3 == 1 ? 0xFF204060u : state;
  }
  const fs::path file = fs::temp_directory_path() / ("glass-png-" + std::to_string(::getpid()) + ".png");
  ASSERT_TRUE(writePng(file.string(), {reinterpret_cast<const std::uint8_t*>(pixels.data()), width, height, width * 4}).ok);
  std::vector<std::uint32_t> back;
  int readWidth = 0, readHeight = 0;
  ASSERT_TRUE(readRgbPng(file.string(), &back, &readWidth, &readHeight));
  fs::remove(file);
  ASSERT_EQ(readWidth, width);
  ASSERT_EQ(readHeight, height);
  for (std::size_t i = 0; i < pixels.size(); ++i) ASSERT_EQ(back[i] & 0xFFFFFF, pixels[i] & 0xFFFFFF) << i;
}

// Rows are filtered four pixels at a time with the rest one by one: every
// width from 1 to 14 puts the last group and the rest at each position.
TEST(PngWriter, EveryNarrowWidthReadsBack) {
  std::uint32_t state = 99;
  for (int width = 1; width <= 14; ++width) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * 2);
    for (std::uint32_t& p : pixels) p = state = state * 1103515245u + 12345u;
    const fs::path file = fs::temp_directory_path() / ("glass-png-narrow-" + std::to_string(::getpid()) + ".png");
    ASSERT_TRUE(writePng(file.string(), {reinterpret_cast<const std::uint8_t*>(pixels.data()), width, 2, width * 4}).ok);
    std::vector<std::uint32_t> back;
    int readWidth = 0, readHeight = 0;
    ASSERT_TRUE(readRgbPng(file.string(), &back, &readWidth, &readHeight)) << width;
    fs::remove(file);
    ASSERT_EQ(back.size(), pixels.size()) << width;
    for (std::size_t i = 0; i < pixels.size(); ++i) ASSERT_EQ(back[i] & 0xFFFFFF, pixels[i] & 0xFFFFFF) << width << " " << i;
  }
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

namespace {

// A small file system of the test's own, so that a capture can fill it.
class SmallDisk {
 public:
  explicit SmallDisk(const fs::path& where) : where_(where) {
    fs::create_directories(where_);
    mounted_ = ::mount("tmpfs", where_.c_str(), "tmpfs", 0, "size=256k") == 0;
  }
  ~SmallDisk() {
    if (mounted_) ::umount(where_.c_str());
  }
  bool mounted() const { return mounted_; }

 private:
  fs::path where_;
  bool mounted_ = false;
};

bool writeNoisyFrames(PngSequenceOutput& output, int count, int width, int height) {
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  const BgraView view{reinterpret_cast<const std::uint8_t*>(pixels.data()), width, height, width * 4};
  FrameInfo info;
  std::uint32_t noise = 2463534242u;
  for (int k = 0; k < count; ++k) {
    for (std::uint32_t& pixel : pixels) {
      noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
      pixel = 0xFF000000u | noise;
    }
    info.index = k;
    const std::vector<std::int16_t> sound(2 * 100, static_cast<std::int16_t>(k));
    if (!output.writeFrame(view, info) || !output.writeAudio(sound.data(), 100)) return false;
  }
  return true;
}

std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

// A capture that fails (a full disk) leaves the earlier capture as it was:
// the new one is built beside it and never moved in.
TEST(PngSequenceOutput, FullDiskKeepsTheEarlierCaptureAndNamesTheReason) {
  ScopedWorkingDirectory directory;
  SmallDisk disk("disk");
  if (!disk.mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
  std::string error;
  {
    std::unique_ptr<PngSequenceOutput> earlier = PngSequenceOutput::open("disk/frames", error);
    ASSERT_TRUE(earlier) << error;
    ASSERT_TRUE(writeNoisyFrames(*earlier, 3, 8, 6));
    ASSERT_TRUE(earlier->finish()) << earlier->error();
  }
  std::ofstream("disk/frames/notes.txt") << "mine";
  const std::vector<std::uint8_t> earlierFrame = readBytes("disk/frames/frame_000002.png");
  const std::vector<std::uint8_t> earlierSound = readBytes("disk/frames/audio.wav");
  EXPECT_EQ(earlierSound.size(), 44u + 3u * 100u * 4u);

  std::unique_ptr<PngSequenceOutput> output = PngSequenceOutput::open("disk/frames", error);
  ASSERT_TRUE(output) << error;
  writeNoisyFrames(*output, 40, 64, 48);  // about 370 KB of frames on a 256 KB disk
  EXPECT_FALSE(output->finish());
  EXPECT_NE(output->error().find("No space left on device"), std::string::npos) << output->error();
  EXPECT_NE(output->error().find("disk/frames was left as it was"), std::string::npos) << output->error();
  EXPECT_EQ(namesIn("disk"), std::vector<std::string>{"frames"}) << "the hidden folder is gone";
  EXPECT_EQ(namesIn("disk/frames"), (std::vector<std::string>{"audio.wav", "frame_000000.png", "frame_000001.png",
                                                              "frame_000002.png", "notes.txt"}));
  EXPECT_EQ(readBytes("disk/frames/frame_000002.png"), earlierFrame);
  EXPECT_EQ(readBytes("disk/frames/audio.wav"), earlierSound);
}

// Another run writing the same folder is refused at once, and the folder
// appears only once the capture is complete.
TEST(PngSequenceOutput, SecondRunOnTheFolderIsRefusedAndTheFolderAppearsWhole) {
  ScopedWorkingDirectory directory;
  // The other run is forked before this one starts its encoding threads,
  // and tries once told that the folder is being written.
  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    char byte = 0;
    if (::read(go[0], &byte, 1) != 1) ::_exit(2);
    std::string refusal;
    const bool opened = PngSequenceOutput::open("frames", refusal) != nullptr;
    ::_exit(!opened && refusal.find("is being written by another run") != std::string::npos ? 0 : 1);
  }
  std::string error;
  std::unique_ptr<PngSequenceOutput> output = PngSequenceOutput::open("frames", error);
  ASSERT_TRUE(output) << error;
  ASSERT_TRUE(writeNoisyFrames(*output, 2, 8, 6));
  EXPECT_FALSE(fs::exists("frames"));
  ASSERT_EQ(::write(go[1], "x", 1), 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  ::close(go[0]);
  ::close(go[1]);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_TRUE(output->finish()) << output->error();
  EXPECT_EQ(namesIn("frames"), (std::vector<std::string>{"audio.wav", "frame_000000.png", "frame_000001.png"}));
  EXPECT_EQ(namesIn("."), std::vector<std::string>{"frames"}) << "no hidden folder or lock left";
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
