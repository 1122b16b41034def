// The whole presentation over a small generated data set and a silent test
// module, one music row per frame: every timeline entry is drawn in order,
// the scenes hand their state on, the run ends at position 1297, and Escape
// still ends it early with 27; the real device's failures end it too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/shell.h"
#include "app/timeline.h"
#include "app/timeline_state.h"
#include "platform/d3d8/software_device.h"
#include "platform/os/window_system.h"
#include "platform/sound/sound_control.h"
#include "render/device.h"
#include "scenes/scene_state.h"
#include "support/presentation_run.h"
#include "support/xm_writer.h"

namespace {

struct DrawnFrame {
  std::int32_t position;
  int entry;
};
std::vector<DrawnFrame> drawnFrames;

void recordingTimelineStep(HWND window, std::int32_t position) {
  timelineStep(window, position);
  drawnFrames.push_back({position, timelineState.currentIndex});
}

// One hash over every presented frame, in order (64-bit FNV-1a).
class HashingFrameSink final : public FrameSink {
 public:
  bool presentFrame(const std::uint32_t* pixels, int width, int height, int pitch) override {
    for (int y = 0; y < height; ++y) {
      const auto* row = reinterpret_cast<const std::uint8_t*>(pixels) + static_cast<std::ptrdiff_t>(y) * pitch;
      for (int i = 0; i < width * 4; ++i) hash = (hash ^ row[i]) * 0x100000001B3ull;
    }
    ++frames;
    return true;
  }
  std::uint64_t hash = 0xCBF29CE484222325ull;
  int frames = 0;
};

class ScenesRunTest : public PresentationRunTest {
 protected:
  void SetUp() override {
    PresentationRunTest::SetUp();
    std::string error;
    ASSERT_TRUE(writeSmallDataSet(directory.path(), &error)) << error;
    drawnFrames.clear();
    setFrameSink(&frames_);
    shellCallouts().timelineStep = recordingTimelineStep;
    passMilliseconds = 20;  // a frame step of 0.3
    onPass = [this](int pass) {
      if (pass == escapeOnPass_) PostMessageA(shellState.window, WM_KEYDOWN, VK_ESCAPE, 0);
      if (pass > 1) renderOfflineFrames(testXmRowFrames(TestXmLayout{}), nullptr);  // one row
    };
  }

  MemoryFrameSink frames_;
  int escapeOnPass_ = -1;
};

TEST_F(ScenesRunTest, RunsEveryEntryInOrderUntilThePositionPasses1296) {
  EXPECT_EQ(run(), 0);
  EXPECT_TRUE(boxes.empty());
  ASSERT_FALSE(drawnFrames.empty());

  // Entry 0 only at position 0, then each entry in turn, never skipping one,
  // up to the house scene.
  std::vector<int> framesPerEntry(kTimelineLength, 0);
  int previous = 0;
  for (const DrawnFrame& frame : drawnFrames) {
    EXPECT_TRUE(frame.entry == previous || frame.entry == previous + 1) << frame.position;
    EXPECT_EQ(frame.entry == 0, frame.position == 0) << frame.position;
    previous = frame.entry;
    ++framesPerEntry[frame.entry];
  }
  for (int entry = 0; entry < kTimelineLength; ++entry) EXPECT_GT(framesPerEntry[entry], 0) << entry;

  // The last frame drawn is the one at 5:17, which asks for the quit.
  EXPECT_EQ(drawnFrames.back().position, 5 * 256 + 17);
  EXPECT_EQ(frames_.frameCount(), static_cast<int>(drawnFrames.size()));

  // Every frame but the first has a step of 0.3, so each overlay level is
  // its rate times the frames its scenes ran, within its limits. The room
  // darkening also ran in entry 0, and the room light in entries 0 to 5.
  const float step = 0.3f;
  const int roomFrames = framesPerEntry[0] + framesPerEntry[1] + framesPerEntry[2] + framesPerEntry[3] +
                         framesPerEntry[4] + framesPerEntry[5] - 1;
  EXPECT_NEAR(sceneState.roomLight, std::min(1.0f, 0.01f * step * roomFrames), 1e-3f);
  EXPECT_NEAR(sceneState.darkenLevel, std::min(255.0f, 4 * step * (framesPerEntry[0] - 1 + framesPerEntry[5])),
              1e-2f);
  EXPECT_NEAR(sceneState.unveilLevel, std::max(0.0f, 255 - 4 * step * framesPerEntry[6]), 1e-2f);
  EXPECT_NEAR(sceneState.slideOffset, std::max(0.0f, 480 - 5 * step * framesPerEntry[7]), 1e-2f);
  EXPECT_NEAR(sceneState.finalDarken, std::min(255.0f, step * framesPerEntry[8]), 1e-2f);
  EXPECT_NEAR(sceneState.islandPhase, 4 * step * (framesPerEntry[6] + framesPerEntry[7] + framesPerEntry[8]),
              1e-2f);
}

TEST_F(ScenesRunTest, EveryFrameOfTheRunIsTheSameForAnyThreadCount) {
  std::vector<std::uint64_t> hashes;
  for (int threads : {1, 2, 3, 8}) {
    TearDown();
    SetUp();
    setRenderThreads(threads);
    HashingFrameSink sink;
    setFrameSink(&sink);
    EXPECT_EQ(run(), 0) << threads;
    EXPECT_GT(sink.frames, 100) << threads;
    hashes.push_back(sink.hash);
  }
  for (std::size_t i = 1; i < hashes.size(); ++i) EXPECT_EQ(hashes[i], hashes[0]) << "run " << i;
}

TEST_F(ScenesRunTest, EscapeDuringTheIslandScenesEndsWith27) {
  escapeOnPass_ = 3 * 64 + 40;  // about 3:38, the picture sliding up
  EXPECT_EQ(run(), 27);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(passes, escapeOnPass_);
  EXPECT_EQ(drawnFrames.back().entry, 7);
  EXPECT_EQ(frames_.frameCount(), passes);
}

// The real device's failures: one that cannot be created ends the start-up
// with its box; presents that fail end the run (the first pass destroys the
// window, the second takes the quit message).
TEST_F(ScenesRunTest, DeviceAndPresentFailuresEndTheRun) {
  softwareDeviceConfig().failCreateDevice = CreateDeviceFailure::kAll;
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(boxes, (std::vector<std::pair<std::string, std::string>>{{"Semmosta sattuu", "D3D init error"}}));
  EXPECT_EQ(frames_.frameCount(), 0);
  releaseDevice();  // a real process ends here; the Direct3D object is given back before the next run
  TearDown();
  SetUp();
  frames_.setRefuse(true);
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(passes, 2);
}

}  // namespace
