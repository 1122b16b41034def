// The capture session: the fixed-step clock, the sound of each frame, and
// when a capture stops, with a scripted music position and sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "capture/bench_report.h"
#include "capture/capture_run.h"
#include "capture/capture_session.h"
#include "capture/frame_timing.h"
#include "platform/os/win32.h"
#include "platform/os/window_system.h"
#include "support/memory_capture_output.h"

namespace {

// A song whose position follows a script: position[k] after k calls of
// renderSound, and `lengthFrames` sample frames in all.
struct ScriptedSong {
  std::vector<int> positions;
  std::int64_t lengthFrames = 1 << 30;
  std::int64_t rendered = 0;
  int calls = 0;
  bool interrupt = false;
};
ScriptedSong song;

int scriptedPosition() {
  const std::size_t at = std::min<std::size_t>(song.calls, song.positions.size() - 1);
  return song.positions[at];
}
int scriptedRender(int frames, std::int16_t* samples) {
  const int available = static_cast<int>(std::min<std::int64_t>(frames, song.lengthFrames - song.rendered));
  for (int i = 0; i < 2 * available; ++i) samples[i] = 1000;  // recognisable, not silence
  song.rendered += available;
  ++song.calls;
  return available;
}

class CaptureSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    song = ScriptedSong{};
    resetWindowSystem();
  }
  void TearDown() override { resetWindowSystem(); }

  CaptureProbes probes() const {
    return {[] { return scriptedPosition() >> 8; }, [] { return scriptedPosition() & 0xFF; },
            [] { return song.calls / 2; }, scriptedRender, [] { return song.interrupt; }};
  }

  // A session at `fps` (stopping after `frameLimit` frames, 0: never) over a
  // recording output.
  struct Rig {
    Rig(const CaptureProbes& probes, int fps, int frameLimit = 0)
        : session(output, clock, probes, {fps, frameLimit}) {}
    MemoryOutput output;
    VirtualClock clock{12345};  // the session starts it at 0
    CaptureSession session;
  };

  // Presents `count` frames of 2 x 2 pixels.
  static void present(CaptureSession& session, int count) {
    const std::uint32_t pixels[4] = {};
    for (int k = 0; k < count; ++k) session.presentFrame(pixels, 2, 2, 8);
  }

  static bool quitPosted() {
    MSG msg;
    return PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message == WM_QUIT;
  }
};

}  // namespace

TEST(FrameTiming, ClockAndSoundFollowTheAbsoluteFrameIndex) {
  EXPECT_EQ(frameTimeMs(0, 60), 0u);
  EXPECT_EQ(frameTimeMs(1, 60), 16u);
  EXPECT_EQ(frameTimeMs(60, 60), 1000u);
  EXPECT_EQ(frameTimeMs(3 * 60 * 60 * 60, 60), 10'800'000u);  // no drift after 3 hours
  EXPECT_EQ(samplesBeforeFrame(1, 24), 1837);  // 1837.5 rounded down
  EXPECT_EQ(samplesBeforeFrame(24, 24), 44100);
  EXPECT_EQ(frameLimitFor(0.01, 60), 1);
  EXPECT_EQ(frameLimitFor(0, 60), 0);
  EXPECT_EQ(frameLimitFor(1e300, 1000), 1'000'000'000'000'000'000);  // saturated, not overflowed
}

// Each frame gets its index, its time on the fixed-step clock and the music
// position after its predecessors' sound. The last 10 ms of sound wait for
// the end and fade to silence: after four frames at 24 fps (7350 sample
// frames), and after one at 1000 fps, shorter than the fade (44 frames).
TEST_F(CaptureSessionTest, EachFrameGetsItsTimePositionAndSoundAndTheEndFades) {
  for (const auto& [fps, frames] : {std::pair{24, 4}, std::pair{1000, 1}}) {
    song = ScriptedSong{{0, 1, 2, 3, 4}};
    Rig rig(probes(), fps);
    present(rig.session, frames);
    ASSERT_EQ(rig.output.frames.size(), static_cast<std::size_t>(frames));
    for (int k = 0; k < frames; ++k) {
      EXPECT_EQ(rig.output.frames[k].index, k);
      EXPECT_EQ(rig.output.frames[k].timeMs, frameTimeMs(k, fps));
      EXPECT_EQ(rig.output.frames[k].row, k);  // the position after k frames of sound
    }
    EXPECT_EQ(rig.clock.now(), frameTimeMs(frames, fps));
    const std::size_t total = static_cast<std::size_t>(samplesBeforeFrame(frames, fps));
    const std::size_t fade = std::min<std::size_t>(total, 441);
    EXPECT_EQ(rig.output.sound.size(), 2 * (total - fade));
    ASSERT_TRUE(rig.session.finishSound());
    ASSERT_EQ(rig.output.sound.size(), 2 * total);
    if (fade < total) {
      EXPECT_EQ(rig.output.sound[2 * (total - fade) - 1], 1000);
    }
    for (std::size_t i = 0; i < fade; ++i) {
      const auto expected = static_cast<std::int16_t>(1000 * (fade - 1 - i) / fade);
      ASSERT_EQ(rig.output.sound[2 * (total - fade + i)], expected) << fps << " fps, " << i;
      ASSERT_EQ(rig.output.sound[2 * (total - fade + i) + 1], expected) << fps << " fps, " << i;
    }
    EXPECT_EQ(rig.session.stopReason(), CaptureStop::kNone);
    EXPECT_FALSE(quitPosted());
  }
  // An output that refuses the faded end fails the capture.
  song = ScriptedSong{{0}};
  Rig rig(probes(), 60);
  present(rig.session, 2);
  rig.output.failAudio = true;
  EXPECT_FALSE(rig.session.finishSound());
  EXPECT_EQ(rig.session.stopReason(), CaptureStop::kOutputFailed);
}

// How a capture stops: the music ending or jumping back before the
// presentation's end, the frame limit, an interruption, an output that fails. Past 5:16 the
// presentation quits by itself, so the music may end or restart then without
// a note.
TEST_F(CaptureSessionTest, StopsForTheirReasonsWithTheFramesBefore) {
  const struct {
    const char* what;
    std::vector<int> positions;
    std::int64_t lengthFrames;
    int frameLimit, presents;
    bool interrupt, failFrames;
    CaptureStop stop;
    const char* note;
    int frames;
    bool quit;  // the stop posts the quit message
  } cases[] = {
      {"music ended", {0, 0x100, 0x200, 0x300}, 2000, 0, 5, false, false, CaptureStop::kSongEnded, "ended at 2:00", 3, true},
      {"jump back", {0x400, 0x410, 0x002}, 1 << 30, 0, 3, false, false, CaptureStop::kSongLooped, "from 4:16 to 0:02", 2, false},
      {"after the end", {0x511, 0x512, 0x000}, 800, 0, 3, false, false, CaptureStop::kNone, "", 3, false},
      {"frame limit", {0, 1, 2, 3, 4, 5, 6, 7}, 1 << 30, 3, 6, false, false, CaptureStop::kFrameLimit, "", 3, false},
      {"interrupted", {0, 1, 2, 3}, 1 << 30, 0, 2, true, false, CaptureStop::kInterrupted, "", 1, true},
      {"output failed", {0, 1, 2, 3}, 1 << 30, 0, 2, false, true, CaptureStop::kOutputFailed, "disk full", 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    resetWindowSystem();
    song = ScriptedSong{c.positions, c.lengthFrames};
    song.interrupt = c.interrupt;
    Rig rig(probes(), 60, c.frameLimit);
    rig.output.failFrames = c.failFrames;
    present(rig.session, c.presents);
    EXPECT_EQ(rig.session.stopReason(), c.stop);
    EXPECT_NE(rig.session.note().find(c.note), std::string::npos) << rig.session.note();
    if (c.stop == CaptureStop::kNone) {
      EXPECT_EQ(rig.session.note(), "");
    }
    EXPECT_EQ(rig.session.framesCaptured(), c.frames);
    EXPECT_EQ(rig.output.frames.size(), static_cast<std::size_t>(c.frames));
    if (c.quit) {
      EXPECT_TRUE(quitPosted());
    }
  }
}

TEST(BenchReport, WallClockAndProcessorFramesPerSecondPerEntry) {
  using std::chrono::milliseconds;
  CaptureRunResult run;
  // Entry 2: two frames of 10 ms wall-clock, 15 ms of processor time each
  // (two threads); entry 3: one frame of 20 ms and 20 ms.
  run.frameRecords = {{2, milliseconds(10), milliseconds(15)},
                      {2, milliseconds(10), milliseconds(15)},
                      {3, milliseconds(20), milliseconds(20)}};
  const std::string report = formatBenchReport(run, 60, {2, 1, false});
  EXPECT_NE(report.find("in 0.04 s: 75.0 frames per second"), std::string::npos) << report;
  EXPECT_NE(report.find("2 drawing threads; processor time 0.05 s: 60.0 frames per processor second"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("    2  roomDollyScene           2     100.0               66.7\n"), std::string::npos) << report;
  EXPECT_NE(report.find("    3  roomFlyScene             1      50.0               50.0\n"), std::string::npos) << report;
}

// A browser measures no processor time: the report says so instead of
// printing rates of nought, and names the unmeasured first run.
TEST(BenchReport, WithoutProcessorTimeAndAfterAWarmUp) {
  using std::chrono::milliseconds;
  CaptureRunResult run;
  run.frameRecords = {{2, milliseconds(10), milliseconds(0)}, {2, milliseconds(10), milliseconds(0)}};
  const std::string report = formatBenchReport(run, 60, {2, 1, false, 1.0});
  EXPECT_NE(report.find("2 drawing threads; processor time not measurable here\n"), std::string::npos) << report;
  EXPECT_EQ(report.find("processor second"), std::string::npos) << report;
  EXPECT_NE(report.find("    2  roomDollyScene           2     100.0\n"), std::string::npos) << report;
  EXPECT_NE(report.find("unmeasured run of 1.0 s of presentation"), std::string::npos) << report;
}
