// Whole offline runs of the shell with stand-ins for the device and the
// scenes: the virtual clock seen by the timeline, the music position in
// lockstep with the rendered sound, identical bytes from identical runs,
// and the stop at an early end of the music.
#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "app/shell.h"
#include "app/timeline.h"
#include "app/timeline_state.h"
#include "capture/capture_run.h"
#include "capture/frame_timing.h"
#include "capture/png_sequence_output.h"
#include "platform/d3d8/software_device.h"
#include "platform/os/window_system.h"
#include "platform/sound/fmod.h"
#include "platform/sound/sound_control.h"
#include "support/memory_capture_output.h"
#include "support/presentation_run.h"
#include "support/small_data_set.h"
#include "support/xm_writer.h"

namespace fs = std::filesystem;

namespace {

// What the stand-in timeline saw on each frame.
struct FrameSeen {
  float frameStep;
  DWORD tick;
  DWORD time;
  std::int32_t position;
};
std::vector<FrameSeen> framesSeen;

// The real timeline logic (frame step, entries, quit), without the scenes.
void recordingTimelineStep(HWND window, std::int32_t position) {
  timelineAdvance(window, position);
  framesSeen.push_back({frameStep, GetTickCount(), timeGetTime(), position});
}

// A 64 x 48 picture that depends on the clock and the music position.
HRESULT presentPicture() {
  const FrameSeen& seen = framesSeen.back();
  std::vector<std::uint32_t> pixels(64 * 48);
  for (int i = 0; i < 64 * 48; ++i) {
    pixels[i] = 0xFF000000u | ((seen.tick * 7u + static_cast<std::uint32_t>(seen.position) * 13u + i) & 0xFFFFFFu);
  }
  FrameSink* sink = currentFrameSink();
  return sink != nullptr && sink->presentFrame(pixels.data(), 64, 48, 64 * 4) ? 0 : -1;
}

class CaptureRunTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
  void TearDown() override { resetAll(); }

  static void resetAll() {
    resetPresentationProcess();
    framesSeen.clear();
  }

  // One run of the shell with the stand-ins, reading track.xm from the
  // working directory.
  static CaptureRunResult run(CaptureOutput& output, int fps, double maxSeconds = 0) {
    resetAll();
    ShellCallouts& callouts = shellCallouts();
    callouts = {[] { return 1; }, [](HWND) -> HRESULT { return 0; }, [] {}, []() -> HRESULT { return 0; },
                recordingTimelineStep, presentPicture, [] {}};
    CaptureRunSettings settings;
    settings.fps = fps;
    settings.maxSeconds = maxSeconds;
    CaptureRunResult result = runCapture(output, settings);
    output.finish();
    return result;
  }

  // Position of the song in track.xm after each frame's worth of sound,
  // rendered directly through the offline output.
  static std::vector<std::int32_t> offlinePositions(int fps, std::size_t frames) {
    resetSoundSystem();
    setSoundOutput(SoundOutput::Offline);
    setSongLooping(false);
    std::vector<std::int32_t> positions;
    if (!FSOUND_Init(44100, 32, 2)) return positions;
    FMUSIC_MODULE* song = FMUSIC_LoadSong("track.xm");
    FMUSIC_PlaySong(song);
    for (std::size_t k = 0; k < frames; ++k) {
      positions.push_back(FMUSIC_GetOrder(song) * 256 + FMUSIC_GetRow(song));
      const auto count = samplesBeforeFrame(static_cast<std::int64_t>(k) + 1, fps) - samplesBeforeFrame(k, fps);
      renderOfflineFrames(static_cast<int>(count), nullptr);
    }
    FMUSIC_FreeSong(song);
    FSOUND_Close();
    return positions;
  }

  ScopedWorkingDirectory directory_;
};

}  // namespace

TEST_F(CaptureRunTest, TimelineSeesTheVirtualClockAndThePresentationEndsIt) {
  // 6 patterns of 64 rows at 10 ms a row: position 5:17 after 3.37 s.
  ASSERT_TRUE(writeBytes("track.xm", makeTestXm({.audible = true})));
  MemoryOutput output;
  const CaptureRunResult result = run(output, 60);

  EXPECT_EQ(result.stop, CaptureStop::kNone) << result.note;
  EXPECT_EQ(result.presentationExit, 0);
  EXPECT_EQ(static_cast<std::int64_t>(framesSeen.size()), result.frames);
  EXPECT_EQ(framesSeen[0].frameStep, 0.0f);
  for (std::size_t k = 0; k < framesSeen.size(); ++k) {
    const DWORD expected = frameTimeMs(static_cast<std::int64_t>(k), 60);
    ASSERT_EQ(framesSeen[k].tick, expected) << "frame " << k;
    ASSERT_EQ(framesSeen[k].time, expected) << "frame " << k;
    if (k > 0) {
      const int milliseconds = static_cast<int>(expected - frameTimeMs(static_cast<std::int64_t>(k) - 1, 60));
      ASSERT_EQ(framesSeen[k].frameStep, static_cast<float>(milliseconds) * 0.015f) << "frame " << k;
    }
  }
}

TEST_F(CaptureRunTest, MusicPositionOfEachFrameIsThatOfTheOfflineOutputAtItsTime) {
  // 24 fps: 1837.5 samples a frame, rows of 10 ms: the position moves by
  // four or five rows a frame, and a drift of one sample would show.
  ASSERT_TRUE(writeBytes("track.xm", makeTestXm({.audible = true})));
  MemoryOutput output;
  run(output, 24);
  const std::vector<std::int32_t> expected = offlinePositions(24, framesSeen.size());
  ASSERT_EQ(expected.size(), framesSeen.size());
  for (std::size_t k = 0; k < framesSeen.size(); ++k) ASSERT_EQ(framesSeen[k].position, expected[k]) << "frame " << k;
  EXPECT_EQ(framesSeen[0].position, 0);
}

TEST_F(CaptureRunTest, ThePresentationQuitsOnTheFrameOfItsEndRow) {
  // A row per frame (speed 1 at 125 BPM, 50 fps): row j starts exactly on
  // frame j (sample 882j), and that frame is drawn with row j already
  // current. The frame drawn at the start of 5:17, the first row past the
  // presentation's end, is the last.
  ASSERT_TRUE(writeBytes("track.xm", makeTestXm({.bpm = 125, .audible = true})));
  MemoryOutput output;
  const CaptureRunResult result = run(output, 50);
  EXPECT_EQ(result.stop, CaptureStop::kNone) << result.note;
  ASSERT_EQ(result.frames, 5 * 64 + 17 + 1);
  ASSERT_EQ(framesSeen.size(), static_cast<std::size_t>(result.frames));
  for (std::size_t k = 0; k < framesSeen.size(); ++k) {
    ASSERT_EQ(framesSeen[k].position, static_cast<std::int32_t>(k / 64 * 256 + k % 64)) << "frame " << k;
  }
  EXPECT_EQ(result.samples, samplesBeforeFrame(result.frames, 50));
}

TEST_F(CaptureRunTest, TwoCapturesGiveIdenticalFramesAndSoundAsLongAsThePicture) {
  // One second at 30 fps into the folders "first" and "second".
  ASSERT_TRUE(writeBytes("track.xm", makeTestXm({.audible = true})));
  for (const char* folder : {"first", "second"}) {
    std::string error;
    std::unique_ptr<PngSequenceOutput> output = PngSequenceOutput::open(folder, error);
    ASSERT_TRUE(output) << error;
    const CaptureRunResult result = run(*output, 30, 1.0);
    EXPECT_EQ(result.stop, CaptureStop::kFrameLimit);
    ASSERT_EQ(result.frames, 30);
  }
  for (int k = 0; k < 30; ++k) {
    const std::string name = PngSequenceOutput::frameFileName(k);
    const std::vector<std::uint8_t> first = readBytes("first/" + name);
    ASSERT_FALSE(first.empty()) << name;
    ASSERT_EQ(first, readBytes("second/" + name)) << name;
  }
  EXPECT_NE(readBytes("first/frame_000000.png"), readBytes("first/frame_000001.png"));

  // The sound of 30 frames at 30 fps is exactly one second, and not silence.
  const std::vector<std::uint8_t> wav = readBytes("first/audio.wav");
  EXPECT_EQ(wav, readBytes("second/audio.wav"));
  ASSERT_EQ(wav.size(), 44u + 4u * 44100u);
  EXPECT_TRUE(std::any_of(wav.begin() + 44, wav.end(), [](std::uint8_t byte) { return byte != 0; }));
}

TEST_F(CaptureRunTest, MusicThatEndsBeforeThePresentationEndsTheCapture) {
  // Two patterns of 16 rows at 20 ms a row: the song ends after 0.64 s,
  // long before 5:16, and would otherwise leave the presentation running.
  ASSERT_TRUE(writeBytes("track.xm", makeTestXm({.orders = 2, .rowsPerPattern = 16, .bpm = 125, .audible = true})));
  std::string error;
  std::unique_ptr<PngSequenceOutput> output = PngSequenceOutput::open("frames", error);
  ASSERT_TRUE(output) << error;
  const CaptureRunResult result = run(*output, 50);
  EXPECT_TRUE(result.stop == CaptureStop::kSongEnded || result.stop == CaptureStop::kSongLooped) << result.note;
  EXPECT_NE(result.note.find("5:16"), std::string::npos);
  // 32 frames of rows, and at most a short fade tail after them.
  EXPECT_GE(result.frames, 30);
  EXPECT_LE(result.frames, 40);
  // Sound and picture end together, within one frame.
  EXPECT_EQ(result.samples, samplesBeforeFrame(result.frames, 50));
  EXPECT_EQ(fs::file_size("frames/audio.wav"), 44u + 4u * static_cast<std::uint64_t>(result.samples));
}
