// Video capture through the ffmpeg program, and the helper-process plumbing.
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>

#include "capture/child_process.h"
#include "capture/ffmpeg_output.h"

namespace fs = std::filesystem;

namespace {

std::string commandOutput(const std::string& command) {
  std::string text;
  if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) text += buffer;
    ::pclose(pipe);
  }
  return text;
}

class VideoCapture : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("glass_capture_video_" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  // Ten 64 x 48 frames at 10 fps with one second of sound.
  bool capture(CaptureOutput& output) {
    std::vector<std::uint32_t> pixels(64 * 48);
    std::vector<std::int16_t> sound(4410 * 2);
    for (int k = 0; k < 10; ++k) {
      for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = 0xFF000000u | static_cast<std::uint32_t>(k * 25 + i % 64);
      for (std::size_t i = 0; i < sound.size(); ++i) sound[i] = static_cast<std::int16_t>((i * 37) % 2000 - 1000);
      FrameInfo info;
      info.index = k;
      if (!output.writeFrame({reinterpret_cast<const std::uint8_t*>(pixels.data()), 64, 48, 64 * 4}, info)) return false;
      if (!output.writeAudio(sound.data(), 4410)) return false;
    }
    return output.finish();
  }

  fs::path folder_;
};

}  // namespace

TEST(ChildProcess, FindsProgramsAndReportsExitStatus) {
  EXPECT_FALSE(findProgram("sh").empty());
  EXPECT_TRUE(findProgram("glass-no-such-program").empty());
  EXPECT_TRUE(findProgram("/nonexistent/sh").empty());
  std::string error;
  EXPECT_EQ(runProgram({"sh", "-c", "exit 3"}, error), 3);
  EXPECT_EQ(runProgram({"glass-no-such-program"}, error), -1);
  EXPECT_NE(error.find("glass-no-such-program"), std::string::npos);
}

TEST(ChildProcess, WritingToAProgramThatQuitFailsInsteadOfKillingUs) {
  ChildProcess process;
  ASSERT_TRUE(process.start({"sh", "-c", "exit 0"}, true));
  std::vector<char> block(1 << 20, 'x');
  bool ok = true;
  for (int i = 0; i < 64 && ok; ++i) ok = process.write(block.data(), block.size());
  EXPECT_FALSE(ok);
  EXPECT_EQ(process.finish(), 0);
}

TEST_F(VideoCapture, MissingFfmpegIsAClearError) {
  std::string error;
  EXPECT_FALSE(FfmpegOutput::open((folder_ / "a.mp4").string(), 10, 64, 48, error, "glass-no-such-ffmpeg"));
  EXPECT_NE(error.find("ffmpeg was not found"), std::string::npos);
  EXPECT_FALSE(FfmpegOutput::open((folder_ / "a.avi").string(), 10, 64, 48, error));
  EXPECT_FALSE(FfmpegOutput::handles("clip.mp4.png"));
  EXPECT_TRUE(FfmpegOutput::handles("clip.mkv"));
}

TEST_F(VideoCapture, EncoderThatDiesIsReportedAndLeavesNoTemporaries) {
  std::string error;
  // `false` takes the place of ffmpeg: it quits at once.
  std::unique_ptr<FfmpegOutput> output = FfmpegOutput::open((folder_ / "a.mp4").string(), 10, 64, 48, error, "false");
  ASSERT_TRUE(output) << error;
  EXPECT_FALSE(capture(*output));
  EXPECT_FALSE(output->error().empty());
  output.reset();
  EXPECT_TRUE(fs::is_empty(folder_));
}

TEST_F(VideoCapture, Mp4AndMkvHoldOneVideoAndOneAudioStreamOfTheCapturedLength) {
  if (findProgram("ffmpeg").empty() || findProgram("ffprobe").empty()) GTEST_SKIP() << "ffmpeg is not installed";
  for (const char* name : {"clip.mp4", "clip.mkv"}) {
    const fs::path path = folder_ / name;
    std::string error;
    std::unique_ptr<FfmpegOutput> output = FfmpegOutput::open(path.string(), 10, 64, 48, error);
    ASSERT_TRUE(output) << error;
    ASSERT_TRUE(capture(*output)) << output->error();
    const std::string streams = commandOutput(
        "ffprobe -v error -show_entries stream=codec_type,codec_name,width,height,pix_fmt -of csv=p=0 '" +
        path.string() + "'");
    EXPECT_NE(streams.find("h264,video,64,48,yuv420p"), std::string::npos) << streams;
    EXPECT_NE(streams.find(std::string(fs::path(name).extension() == ".mkv" ? "flac" : "aac") + ",audio"),
              std::string::npos)
        << streams;
    const double duration =
        std::stod(commandOutput("ffprobe -v error -show_entries format=duration -of csv=p=0 '" + path.string() + "'"));
    EXPECT_NEAR(duration, 1.0, 0.1);
  }
  // Only the two results are left: the hidden intermediate files are gone.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 2);
}
