// The Win32 subset over SDL2: window classes and windows, the message queue,
// SDL events turned into messages, message boxes and the clock.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/os/clock.h"
#include "platform/os/message_box.h"
#include "platform/os/win32.h"
#include "platform/os/window_system.h"

namespace {

std::vector<std::pair<UINT, WPARAM>> received;

LRESULT recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  received.emplace_back(message, wParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

class WindowTest : public testing::Test {
 protected:
  void SetUp() override {
    // Never a real window or box from a test, whatever the machine has.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    resetWindowSystem();
    received.clear();
    setMessageBoxObserver({});
  }
  void TearDown() override {
    resetWindowSystem();
    setWindowOptions(WindowOptions{});
    setMessageBoxObserver({});
    setClockSource({});
  }

  static HWND openWindow(bool headless) {
    WindowOptions options;
    options.headless = headless;
    options.fullscreen = false;
    options.scale = 1;
    setWindowOptions(options);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(WNDCLASSEXA);
    windowClass.lpfnWndProc = recordingProcedure;
    windowClass.lpszClassName = "TEST";
    EXPECT_NE(RegisterClassExA(&windowClass), 0);
    return CreateWindowExA(0, "TEST", "GLASS ORCHARD", WS_VISIBLE, CW_USEDEFAULT, 0, 640, 0, nullptr, nullptr,
                           nullptr, nullptr);
  }

  // Takes every waiting message, dispatching each; returns them in order.
  static std::vector<MSG> drain() {
    std::vector<MSG> taken;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      taken.push_back(msg);
      DispatchMessageA(&msg);
    }
    return taken;
  }
};

TEST_F(WindowTest, ClassRegistrationChecksItsRecord) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = 48;  // the 32-bit Windows size is not this record's size here
  windowClass.lpfnWndProc = recordingProcedure;
  windowClass.lpszClassName = "TEST";
  EXPECT_EQ(RegisterClassExA(&windowClass), 0);
  windowClass.cbSize = sizeof(WNDCLASSEXA);
  EXPECT_NE(RegisterClassExA(&windowClass), 0);
  EXPECT_EQ(RegisterClassExA(&windowClass), 0) << "a class name is registered once";
  EXPECT_EQ(CreateWindowExA(0, "OTHER", "x", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(WindowTest, QueueIsFirstInFirstOutAndPeekCanLeaveTheMessage) {
  HWND window = openWindow(true);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(PostMessageA(window, WM_KEYDOWN, 'A', 0));
  EXPECT_TRUE(PostMessageA(window, WM_KEYDOWN, 'B', 0));
  PostQuitMessage(5);

  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.wParam, WPARAM{'A'});
  ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.wParam, WPARAM{'A'});
  EXPECT_TRUE(DispatchMessageA(&msg) == 0);
  ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.wParam, WPARAM{'B'});
  EXPECT_FALSE(GetMessageA(&msg, nullptr, 0, 0)) << "the quit message";
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, WPARAM{5});
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0], std::make_pair(WM_KEYDOWN, WPARAM{'A'}));
}

TEST_F(WindowTest, ClosingTheWindowEndsInTheQuitMessage) {
  HWND window = openWindow(true);
  PostMessageA(window, WM_KEYDOWN, 'A', 0);
  PostMessageA(window, WM_CLOSE, 0, 0);
  const std::vector<MSG> taken = drain();
  // WM_CLOSE goes to the default handling, which destroys the window; with
  // the last window gone the quit message follows.
  ASSERT_EQ(taken.size(), 3u);
  EXPECT_EQ(taken[1].message, WM_CLOSE);
  EXPECT_EQ(taken[2].message, WM_QUIT);
  EXPECT_EQ(taken[2].wParam, WPARAM{0});
  EXPECT_EQ(received.back().first, WM_DESTROY);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(PostMessageA(window, WM_KEYDOWN, 'A', 0)) << "a destroyed window takes no messages";
  EXPECT_TRUE(PostMessageA(window, WM_QUIT, 0, 0)) << "but a quit request still reaches the loop";
  EXPECT_FALSE(DestroyWindow(window));
}

TEST_F(WindowTest, DestroyingDropsTheWindowsWaitingMessages) {
  HWND window = openWindow(true);
  PostMessageA(window, WM_KEYDOWN, 'A', 0);
  ASSERT_TRUE(DestroyWindow(window));
  const std::vector<MSG> taken = drain();
  ASSERT_EQ(taken.size(), 1u);
  EXPECT_EQ(taken[0].message, WM_QUIT);
}

TEST_F(WindowTest, SdlEventsBecomeWindowMessages) {
  HWND window = openWindow(false);  // dummy video driver under ctest
  ASSERT_TRUE(IsWindow(window));
  drain();
  received.clear();

  SDL_Event key{};
  key.type = SDL_KEYDOWN;
  key.key.keysym.sym = SDLK_ESCAPE;
  key.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
  ASSERT_EQ(SDL_PushEvent(&key), 1);
  key.key.keysym.sym = SDLK_q;
  ASSERT_EQ(SDL_PushEvent(&key), 1);
  SDL_Event motion{};
  motion.type = SDL_MOUSEMOTION;
  ASSERT_EQ(SDL_PushEvent(&motion), 1);

  const std::vector<MSG> taken = drain();
  ASSERT_EQ(taken.size(), 2u);
  EXPECT_EQ(taken[0].message, WM_KEYDOWN);
  EXPECT_EQ(taken[0].wParam, VK_ESCAPE);
  EXPECT_EQ(taken[1].wParam, WPARAM{'Q'});
  // Pointer movement is sent at once, not queued, as WM_SETCURSOR.
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(received.front().first, WM_SETCURSOR);
}

TEST_F(WindowTest, InterruptSignalClosesTheWindow) {
  HWND window = openWindow(false);
  drain();
  // SDL turns SIGINT into its quit event; the window then closes and the
  // loop gets its quit message.
  std::raise(SIGINT);
  const std::vector<MSG> taken = drain();
  ASSERT_GE(taken.size(), 2u);
  EXPECT_EQ(taken[0].message, WM_CLOSE);
  EXPECT_EQ(taken.back().message, WM_QUIT);
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(WindowTest, FrameSinkShowsFramesUntilTheWindowIsGone) {
  HWND window = openWindow(false);
  std::vector<std::uint32_t> frame(640 * 480, 0xFF336699u);
  FrameSink* sink = windowFrameSink();
  EXPECT_TRUE(sink->presentFrame(frame.data(), 640, 480, 640 * 4));
  EXPECT_FALSE(sink->presentFrame(frame.data(), 320, 240, 320 * 4)) << "only whole frames";
  DestroyWindow(window);
  EXPECT_FALSE(sink->presentFrame(frame.data(), 640, 480, 640 * 4));
}

TEST_F(WindowTest, MessageBoxesReachTheObserverInUtf8) {
  std::vector<std::pair<std::string, std::string>> boxes;
  setMessageBoxObserver([&boxes](const std::string& caption, const std::string& text) {
    boxes.emplace_back(caption, text);
  });
  EXPECT_EQ(MessageBoxA(nullptr, "APUA P\xC4\xC4\xC4\xC4\xC4\xC4\xC4!!", "data\\tex.dat", MB_OK), IDOK);
  EXPECT_EQ(MessageBoxA(nullptr, "\x80 \x81 \x9F \xFF", "c", MB_OK), IDOK);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].first, "data\\tex.dat");
  EXPECT_EQ(boxes[0].second, "APUA P\u00C4\u00C4\u00C4\u00C4\u00C4\u00C4\u00C4!!");
  EXPECT_EQ(boxes[1].second, "\u20AC \uFFFD \u0178 \u00FF");
}

TEST_F(WindowTest, MessageBoxWithoutDisplayGoesToStandardError) {
  testing::internal::CaptureStderr();
  MessageBoxA(nullptr, "File not found", "FMOD error", MB_OK);
  MessageBoxA(nullptr, "FMOD 3.33\n", "FMOD error.", MB_OK);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "FMOD error: File not found\nFMOD error.: FMOD 3.33\n");
}

TEST(ClockTest, VirtualClockDrivesBothTickReadsAndWraps) {
  VirtualClock clock(0xFFFFFFF0u);
  clock.install();
  EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
  clock.advance(0x20);
  EXPECT_EQ(GetTickCount(), 0x10u);
  EXPECT_EQ(timeGetTime(), 0x10u);
  clock.set(1234);
  EXPECT_EQ(timeGetTime(), 1234u);

  setClockSource({});
  const DWORD first = GetTickCount();
  const DWORD second = GetTickCount();
  EXPECT_LE(static_cast<std::int32_t>(first - second), 0) << "the system clock never runs backwards";
}

}  // namespace
