// Video capture through the ffmpeg program, and the helper-process plumbing.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <filesystem>
#include <algorithm>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "capture/child_process.h"
#include "capture/ffmpeg_output.h"
#include "capture/yuv420_frame.h"
#include "platform/os/output_lock.h"
#include "support/small_data_set.h"

namespace fs = std::filesystem;

namespace {

class VideoCapture : public ::testing::Test {
 protected:
  // Ten 64 x 48 frames at 10 fps with one second of sound.
  bool capture(CaptureOutput& output) {
    const std::vector<std::uint32_t> pixels(64 * 48, 0xFF336699);
    const std::vector<std::int16_t> sound(4410 * 2, 1000);
    for (int k = 0; k < 10; ++k) {
      FrameInfo info;
      info.index = k;
      if (!output.writeFrame({reinterpret_cast<const std::uint8_t*>(pixels.data()), 64, 48, 64 * 4}, info)) return false;
      if (!output.writeAudio(sound.data(), 4410)) return false;
    }
    return output.finish();
  }

  ScopedWorkingDirectory directory_;
  const fs::path folder_{directory_.path()};
};

}  // namespace

// (That helpers run in a process group of their own, out of reach of the
// terminal's Ctrl-C, the signal test below shows; that writing to one that
// quit fails instead of killing us, the capture tests with a dying ffmpeg.)
TEST(ChildProcess, FindsProgramsAndReportsExitStatus) {
  EXPECT_TRUE(findProgram("/nonexistent/sh").empty());
  std::string error;
  EXPECT_EQ(runProgram({"sh", "-c", "exit 3"}, error), 3);
  EXPECT_EQ(runProgram({"glass-no-such-program"}, error), -1);
  EXPECT_NE(error.find("glass-no-such-program"), std::string::npos);
}

TEST_F(VideoCapture, FailedOrEmptyJoinLeavesAnEarlierFileAsItWas) {
  // A stand-in ffmpeg: the encoding step (reading pipe:0) works; the
  // joining step behaves as given. Its output is the last argument.
  const struct {
    const char* join;
    const char* why;
    bool needsProbe;
  } cases[] = {
      {"exit 0", "exits 0 without writing", false},
      {"printf partial > \"$out\"; exit 1", "disk full while joining", false},
      {"printf 'not a video' > \"$out\"; exit 0", "writes something that is no video", true},
  };
  for (const auto& c : cases) {
    if (c.needsProbe && findProgram("ffprobe").empty()) continue;
    const fs::path fake = folder_ / "fake-ffmpeg";
    std::ofstream(fake) << "#!/bin/sh\nfor a; do out=$a; done\n"
                        << "case \" $* \" in *\" pipe:0 \"*) cat > /dev/null; printf x > \"$out\"; exit 0;; esac\n"
                        << c.join << "\n";
    fs::permissions(fake, fs::perms::owner_all);
    const fs::path target = folder_ / "clip.mp4";
    std::ofstream(target) << "the earlier capture";
    std::string error;
    std::unique_ptr<FfmpegOutput> output = FfmpegOutput::open(target.string(), 10, 64, 48, error, fake.string());
    ASSERT_TRUE(output) << error;
    EXPECT_FALSE(capture(*output)) << c.why;
    EXPECT_NE(output->error().find("was left as it was"), std::string::npos) << c.why << ": " << output->error();
    std::ifstream in(target);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "the earlier capture") << c.why;
    output.reset();
    // Nothing hidden is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 2) << c.why;
  }
}

TEST_F(VideoCapture, FramesAndSoundReachTheirEncodersWholeAndInOrder) {
  // A stand-in ffmpeg: each encoding step (reading pipe:0) keeps what it
  // was given; the join keeps copies of its inputs and writes no video.
  const fs::path fake = folder_ / "fake-ffmpeg";
  std::ofstream(fake) << "#!/bin/sh\nfor a; do out=$a; done\n"
                      << "case \" $* \" in *\" pipe:0 \"*) cat > \"$out\"; exit 0;; esac\n"
                      << "prev=; n=0; for a; do if [ \"$prev\" = -i ]; then n=$((n+1)); cp \"$a\" \""
                      << folder_.string() << "/input$n\"; fi; prev=$a; done\nexit 1\n";
  fs::permissions(fake, fs::perms::owner_all);
  std::string error;
  std::unique_ptr<FfmpegOutput> output = FfmpegOutput::open((folder_ / "clip.mp4").string(), 10, 64, 48, error, fake.string());
  ASSERT_TRUE(output) << error;
  // Frames of a padded pitch, each of its own colour; sound counting up.
  std::vector<std::uint32_t> pixels(72 * 48);
  std::vector<std::int16_t> sound(2 * 100);
  for (int k = 0; k < 6; ++k) {
    std::fill(pixels.begin(), pixels.end(), 0xFF000000u + 0x141414u * static_cast<std::uint32_t>(k));
    FrameInfo info;
    info.index = k;
    ASSERT_TRUE(output->writeFrame({reinterpret_cast<const std::uint8_t*>(pixels.data()), 64, 48, 72 * 4}, info));
    for (std::size_t i = 0; i < sound.size(); ++i) sound[i] = static_cast<std::int16_t>(-300 + k * 200 + static_cast<int>(i));
    ASSERT_TRUE(output->writeAudio(sound.data(), 100));
  }
  EXPECT_FALSE(output->finish());
  const auto bytesOf = [](const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
  };
  // H.264 gets its own pixel format: each frame's yuv420p planes, whole
  // and in order (here each frame a grey of its own).
  const std::vector<unsigned char> video = bytesOf(folder_ / "input1");
  const std::size_t frameBytes = yuv420FrameBytes(64, 48);
  ASSERT_EQ(video.size(), 6u * frameBytes);
  for (int k = 0; k < 6; ++k) {
    std::vector<std::uint8_t> expected(frameBytes);
    const std::vector<std::uint32_t> grey(64 * 48, 0xFF000000u + 0x141414u * static_cast<std::uint32_t>(k));
    convertToYuv420(reinterpret_cast<const std::uint8_t*>(grey.data()), 64, 48, 64 * 4, expected.data());
    ASSERT_TRUE(std::equal(expected.begin(), expected.end(), video.begin() + k * frameBytes)) << k;
  }
  const std::vector<unsigned char> audio = bytesOf(folder_ / "input2");
  ASSERT_EQ(audio.size(), 6u * 100 * 4);
  for (int k = 0; k < 6; ++k) {
    for (int i = 0; i < 200; ++i) {
      const int value = -300 + k * 200 + i;
      const std::size_t at = (k * 200 + i) * 2;
      ASSERT_EQ(static_cast<std::int16_t>(audio[at] | audio[at + 1] << 8), value) << k << " " << i;  // little-endian
    }
  }
}

TEST_F(VideoCapture, FailingSoundEncoderIsNamedAndKeepsAnEarlierFile) {
  const fs::path fake = folder_ / "fake-ffmpeg";
  std::ofstream(fake) << "#!/bin/sh\nfor a; do out=$a; done\n"
                      << "case \" $* \" in *\" s16le \"*) exit 3;; *\" pipe:0 \"*) cat > /dev/null; printf x > \"$out\"; exit 0;; esac\n"
                      << "exit 1\n";
  fs::permissions(fake, fs::perms::owner_all);
  const fs::path target = folder_ / "clip.mp4";
  std::ofstream(target) << "the earlier capture";
  std::string error;
  std::unique_ptr<FfmpegOutput> output = FfmpegOutput::open(target.string(), 10, 64, 48, error, fake.string());
  ASSERT_TRUE(output) << error;
  EXPECT_FALSE(capture(*output));
  EXPECT_FALSE(output->finish());  // the driver always finishes, also after a failure
  EXPECT_NE(output->error().find("ffmpeg stopped taking the sound"), std::string::npos) << output->error();
  output.reset();
  std::ifstream in(target);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "the earlier capture");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 2);  // nothing hidden left
}

TEST_F(VideoCapture, MissingFfmpegIsAClearError) {
  std::string error;
  EXPECT_FALSE(FfmpegOutput::open((folder_ / "a.mp4").string(), 10, 64, 48, error, "glass-no-such-ffmpeg"));
  EXPECT_NE(error.find("ffmpeg was not found"), std::string::npos);
  EXPECT_FALSE(FfmpegOutput::open((folder_ / "a.avi").string(), 10, 64, 48, error));
  EXPECT_FALSE(FfmpegOutput::handles("clip.mp4.png"));
  EXPECT_TRUE(FfmpegOutput::handles("clip.mkv"));
}

// Two runs aimed at one video: the second is refused at once, naming the
// first, and the first's capture is whole.
TEST_F(VideoCapture, SecondRunOnTheSameVideoIsRefusedNamingTheFirst) {
  const std::string video = (folder_ / "clip.mp4").string();
  int locked[2], done[2];
  ASSERT_EQ(::pipe(locked), 0);
  ASSERT_EQ(::pipe(done), 0);
  const pid_t first = ::fork();
  if (first == 0) {
    OutputLock lock;
    char byte = 0;
    const bool held = lock.acquire(video, nullptr);
    if (::write(locked[1], held ? "y" : "n", 1) != 1 || ::read(done[0], &byte, 1) != 1) ::_exit(2);
    ::_exit(0);
  }
  char answer = 0;
  ASSERT_EQ(::read(locked[0], &answer, 1), 1);
  ASSERT_EQ(answer, 'y');
  std::string error;
  EXPECT_FALSE(FfmpegOutput::open(video, 10, 64, 48, error));
  EXPECT_NE(error.find("being written by another run"), std::string::npos) << error;
  EXPECT_NE(error.find("process " + std::to_string(first)), std::string::npos) << error;
  ASSERT_EQ(::write(done[1], "x", 1), 1);
  int status = 0;
  ::waitpid(first, &status, 0);
  for (int fd : {locked[0], locked[1], done[0], done[1]}) ::close(fd);

  std::unique_ptr<FfmpegOutput> output = FfmpegOutput::open(video, 10, 64, 48, error);
  ASSERT_TRUE(output) << error;
  ASSERT_TRUE(capture(*output)) << output->error();
  output.reset();
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1) << "no temporary or lock left";
}

// The real program, started in a terminal-like process group of its own,
// gets each signal a user or a closing terminal sends to the group while it
// captures; the capture so far must be kept as a readable file.
TEST_F(VideoCapture, SignalsToTheGroupEndTheCaptureWithAReadableFile) {
  const fs::path program = fs::path(GLASS_BINARY_DIR) / "bin" / "glass-orchard";
  const fs::path content = fs::path(GLASS_BINARY_DIR) / "content";
  if (findProgram("ffmpeg").empty() || !fs::exists(program) || !fs::exists(content / "track.xm")) {
    GTEST_SKIP() << "needs ffmpeg, glass-orchard and the generated content";
  }
  const struct {
    int signal;
    const char* name;
  } cases[] = {{SIGINT, "int.mp4"}, {SIGTERM, "term.mkv"}, {SIGHUP, "hup.mp4"}};
  for (const auto& c : cases) {
    const fs::path out = folder_ / c.name;
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::setsid();
      ::setenv("SDL_VIDEODRIVER", "dummy", 1);
      ::setenv("SDL_AUDIODRIVER", "dummy", 1);
      ::execl(program.c_str(), "glass-orchard", "--data", content.c_str(), "--capture", out.c_str(), "--fps", "10",
              "--max-seconds", "60", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    // Signalled once some seconds of sound are in the hidden sound file.
    const bool matroska = fs::path(c.name).extension() == ".mkv";
    const fs::path sound =
        folder_ / ("." + std::string(c.name) + "." + std::to_string(pid) + (matroska ? ".audio.mka" : ".audio.m4a"));
    const auto soundBytes = [&sound] {
      std::error_code missing;
      const std::uintmax_t size = fs::file_size(sound, missing);
      return missing ? 0 : size;
    };
    for (int wait = 0; wait < 600 && soundBytes() < 100000; ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(-pid, c.signal);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + c.signal) << c.name << " status " << status;
    ASSERT_TRUE(fs::exists(out)) << c.name;
    std::string error;
    EXPECT_EQ(runProgram({"ffmpeg", "-v", "error", "-xerror", "-i", out.string(), "-f", "null", "-"}, error), 0)
        << c.name;
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1) << c.name;  // no leftovers
    fs::remove(out);
  }
}
