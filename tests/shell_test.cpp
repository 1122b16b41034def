// The shell: start-up order and its failures, the main loop (one message per
// pass, a frame on every pass), the ways a run ends and the shutdown.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/shell.h"
#include "app/timeline.h"
#include "app/timeline_state.h"
#include "platform/os/window_system.h"
#include "platform/sound/sound_control.h"
#include "support/presentation_run.h"
#include "support/xm_writer.h"

namespace {

using Box = std::pair<std::string, std::string>;  // caption, text

// What the stand-ins for the other modules saw.
struct Record {
  std::vector<std::string> calls;
  std::vector<WPARAM> messageAtFrame;  // wParam of the last taken message, per frame
  HWND deviceWindow = nullptr;
  bool songFreedBeforeRelease = false;
  bool soundClosedBeforeRelease = false;
  int loadResult = 1;
  HRESULT deviceResult = 0;
  int failBeginOnFrame = -1;
};

Record record;

int standInLoad() {
  record.calls.push_back("load");
  return record.loadResult;
}
HRESULT standInDevice(HWND window) {
  record.calls.push_back("device");
  record.deviceWindow = window;
  return record.deviceResult;
}
void standInPresentation() { record.calls.push_back("presentation"); }
HRESULT standInBegin() {
  record.calls.push_back("begin");
  record.messageAtFrame.push_back(shellState.lastMessage.wParam);
  return static_cast<int>(record.messageAtFrame.size()) == record.failBeginOnFrame ? -1 : 0;
}
void standInTimeline(HWND window, std::int32_t position) {
  record.calls.push_back("timeline");
  timelineAdvance(window, position);  // everything but drawing the scene
}
HRESULT standInEnd() {
  record.calls.push_back("end");
  return 0;
}
void standInRelease() {
  record.calls.push_back("release");
  record.songFreedBeforeRelease = FMUSIC_GetOrder(shellState.song) == -1;
  record.soundClosedBeforeRelease = FMUSIC_LoadSong("track.xm") == nullptr && FSOUND_GetError() == FMOD_ERR_UNINITIALIZED;
}

class ShellTest : public PresentationRunTest {
 protected:
  void SetUp() override {
    PresentationRunTest::SetUp();
    record = Record{};
    shellCallouts() = {standInLoad, standInDevice, standInPresentation, standInBegin,
                       standInTimeline, standInEnd, standInRelease};
  }

  int count(const std::string& call) const {
    return static_cast<int>(std::count(record.calls.begin(), record.calls.end(), call));
  }
};

TEST(FmodErrorTextTest, CodesOutsideTheTableAreUnknown) {
  for (int code : {20, 255, -1, -2147483647 - 1}) EXPECT_STREQ(fmodErrorText(code), "Unknown error") << code;
}

// Keys queued at once are taken one per pass, each pass drawing a frame;
// Escape ends the run after its pass's frame.
TEST_F(ShellTest, StartsUpInOrderTakesOneMessagePerPassAndEscapeEndsAfterItsFrame) {
  setReportedSoundVersion(3.33f);  // exactly the version required
  onPass = [](int pass) {
    if (pass != 1) return;
    for (WPARAM key : {WPARAM{'A'}, WPARAM{'B'}, VK_ESCAPE}) PostMessageA(shellState.window, WM_KEYDOWN, key, 0);
  };
  EXPECT_EQ(run(), 27);
  EXPECT_TRUE(boxes.empty());
  const std::vector<std::string> expected = {"load",  "device",   "presentation", "begin", "timeline", "end",
                                             "begin", "timeline", "end",          "begin", "timeline", "end",
                                             "release"};
  EXPECT_EQ(record.calls, expected);
  EXPECT_EQ(record.messageAtFrame, (std::vector<WPARAM>{'A', 'B', VK_ESCAPE}));
  EXPECT_NE(record.deviceWindow, nullptr);
  EXPECT_EQ(record.deviceWindow, shellState.window);
  EXPECT_TRUE(record.songFreedBeforeRelease);
  EXPECT_TRUE(record.soundClosedBeforeRelease);
}

// Each start-up failure shows its one box (a window class that cannot be
// registered shows none) and ends with 0, going no further than the step
// that failed.
TEST_F(ShellTest, StartUpFailuresShowTheirBoxAndStop) {
  const std::vector<Box> notLoaded{{"Semmosta sattuu", "Files not loaded. Not enough memory. Pkunzip -d ?"}};
  const std::vector<std::string> none, load{"load"}, loadDevice{"load", "device"};
  const struct {
    const char* what;
    std::function<void()> spoil;
    std::vector<Box> boxes;
    const std::vector<std::string>& calls;
  } cases[] = {
      {"older library", [] { setReportedSoundVersion(3.32f); }, {{"FMOD error.", "FMOD 3.33\n"}}, none},
      {"no version", [] { setReportedSoundVersion(std::nanf("")); }, {{"FMOD error.", "FMOD 3.33\n"}}, none},
      {"sound start", [] { failNextSoundInit(3); }, {{"FMOD error", "Error initializing output device."}}, none},
      {"no music", [] { std::filesystem::remove("track.xm"); }, {{"FMOD error", "File not found"}}, none},
      {"foreign music", [] { writeBytes("track.xm", {'h', 'e', 'l', 'l', 'o'}); },
       {{"FMOD error", "Unknown file format"}}, none},
      {"load 0", [] { record.loadResult = 0; }, notLoaded, load},
      {"load -1", [] { record.loadResult = -1; }, notLoaded, load},
      {"load 2", [] { record.loadResult = 2; }, notLoaded, load},
      {"device", [] { record.deviceResult = -2005530518; }, {{"Semmosta sattuu", "D3D init error"}}, loadDevice},
      {"window class taken",
       [] {
         WNDCLASSEXA taken{};
         taken.cbSize = sizeof(WNDCLASSEXA);
         taken.lpfnWndProc = DefWindowProcA;
         taken.lpszClassName = "GLASS ORCHARD";
         RegisterClassExA(&taken);
       },
       {}, none},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    c.spoil();
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(boxes, c.boxes);
    EXPECT_EQ(record.calls, c.calls);
  }
}

// A failed frame (its pass still runs the timeline step and frame end) or a
// closed window on pass 2: the window is destroyed, pass 3 takes the quit.
TEST_F(ShellTest, FailedFrameOrClosedWindowEndsTheRunWithShutdown) {
  for (const bool failFrame : {true, false}) {
    SCOPED_TRACE(failFrame ? "failed frame" : "closed window");
    TearDown();
    SetUp();
    record.failBeginOnFrame = failFrame ? 2 : -1;
    onPass = [failFrame](int pass) {
      if (!failFrame && pass == 2) PostMessageA(shellState.window, WM_CLOSE, 0, 0);
    };
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(count("begin"), 2);
    EXPECT_EQ(count("timeline"), 2);
    EXPECT_EQ(count("end"), 2);
    EXPECT_EQ(record.calls.back(), "release");
    EXPECT_FALSE(IsWindow(shellState.window));
  }
}

}  // namespace
