// Whole runs of the shell with the real loader, device and scenes over a
// small generated data set: start-up failures of the real modules, Escape,
// and the end of the music.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/shell.h"
#include "app/timeline_state.h"
#include "platform/d3d8/software_device.h"
#include "platform/os/clock.h"
#include "platform/os/message_box.h"
#include "platform/os/window_system.h"
#include "platform/sound/sound_control.h"
#include "support/small_data_set.h"
#include "support/xm_writer.h"

namespace {

using Box = std::pair<std::string, std::string>;

class ShellRunTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(writeBytes("track.xm", makeTestXm()));
    resetShell();
    resetTimeline();
    resetSoundSystem();
    resetWindowSystem();
    resetSoftwareDeviceConfig();
    WindowOptions headless;
    headless.headless = true;
    setWindowOptions(headless);
    setSoundOutput(SoundOutput::Offline);
    setFrameSink(&frames_);
    setMessageBoxObserver([this](const std::string& caption, const std::string& text) {
      boxes_.emplace_back(caption, text);
    });
    clock_.install();
    setPassHook([this] {
      ++passes_;
      clock_.advance(16);
      if (escapeOnPass_ == passes_) PostMessageA(shellState.window, WM_KEYDOWN, VK_ESCAPE, 0);
      if (rowsPerPass_ > 0) renderOfflineFrames(rowsPerPass_ * testXmRowFrames(TestXmLayout{}), nullptr);
    });
  }

  void TearDown() override {
    resetShell();
    resetSoundSystem();
    resetWindowSystem();
    resetSoftwareDeviceConfig();
    setFrameSink(nullptr);
    setWindowOptions(WindowOptions{});
    setMessageBoxObserver({});
    setClockSource({});
  }

  void writeData() {
    std::string error;
    ASSERT_TRUE(writeSmallDataSet(directory_.path(), &error)) << error;
  }

  int run() { return runPresentation(nullptr, SW_SHOWDEFAULT); }

  ScopedWorkingDirectory directory_;
  MemoryFrameSink frames_;
  VirtualClock clock_{50000};
  std::vector<Box> boxes_;
  int passes_ = 0;
  int escapeOnPass_ = -1;
  int rowsPerPass_ = 0;
};

TEST_F(ShellRunTest, MissingDataFilesEndTheStartUp) {
  EXPECT_EQ(run(), 0);
  ASSERT_FALSE(boxes_.empty());
  EXPECT_EQ(boxes_.back(), Box("Semmosta sattuu", "Files not loaded. Not enough memory. Pkunzip -d ?"));
  EXPECT_EQ(passes_, 0);
}

TEST_F(ShellRunTest, DeviceThatCannotBeCreatedEndsTheStartUp) {
  writeData();
  softwareDeviceConfig().failCreateDevice = CreateDeviceFailure::kAll;
  EXPECT_EQ(run(), 0);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0], Box("Semmosta sattuu", "D3D init error"));
  EXPECT_EQ(frames_.frameCount(), 0);
}

TEST_F(ShellRunTest, EscapeEndsAfterThatPassesFrame) {
  writeData();
  escapeOnPass_ = 5;
  EXPECT_EQ(run(), 27);
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(passes_, 5);
  EXPECT_EQ(frames_.frameCount(), 5);
}

TEST_F(ShellRunTest, MusicPastItsEndFinishesTheRun) {
  writeData();
  rowsPerPass_ = 8;
  EXPECT_EQ(run(), 0);
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(timelineState.currentIndex, 8);
  EXPECT_EQ(frames_.frameCount(), passes_ - 1) << "the pass that takes the quit message draws nothing";
}

TEST_F(ShellRunTest, FailingPresentsEndTheRun) {
  writeData();
  frames_.setRefuse(true);
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(passes_, 2) << "the first pass destroys the window, the second takes the quit message";
}

}  // namespace
