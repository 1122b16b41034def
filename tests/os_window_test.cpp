// The Win32 subset over SDL2: windows and their messages, SDL events turned
// into messages, message boxes, the window's pictures and the clock. (The
// queue's order, one message per pass and the quit message are read in the
// shell's tests.)
#include <SDL2/SDL.h>
#include <sys/wait.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/os/clock.h"
#include "platform/os/message_box.h"
#include "platform/os/picture_scaler.h"
#include "platform/os/present_stats.h"
#include "platform/os/termination_signals.h"
#include "platform/os/window_fit.h"
#include "capture/png_writer.h"
#include "platform/os/win32.h"
#include "platform/os/window_system.h"
#include "support/png_compare.h"
#include "support/small_data_set.h"

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

// Destroying the window drops its waiting messages; with the last window
// gone the quit message follows. (WM_CLOSE destroys it: the test below.)
TEST_F(WindowTest, DestroyingTheWindowDropsItsMessagesAndEndsInTheQuitMessage) {
  HWND window = openWindow(true);
  PostMessageA(window, WM_KEYDOWN, 'A', 0);
  ASSERT_TRUE(DestroyWindow(window));
  EXPECT_FALSE(DestroyWindow(window));
  EXPECT_FALSE(PostMessageA(window, WM_KEYDOWN, 'A', 0)) << "a destroyed window takes no messages";
  const std::vector<MSG> taken = drain();
  ASSERT_EQ(taken.size(), 1u);
  EXPECT_EQ(taken[0].message, WM_QUIT);
  EXPECT_EQ(received.back().first, WM_DESTROY);
  EXPECT_TRUE(PostMessageA(window, WM_QUIT, 0, 0)) << "but a quit request still reaches the loop";
}

// While watched, each termination signal closes the window as its close
// button does: WM_CLOSE, whose default handling destroys it, then the quit
// message; the signal is kept for the exit status. With no window the loop
// is asked to quit.
TEST_F(WindowTest, TerminationSignalsCloseTheWindowAndAreKept) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    HWND window = openWindow(false);
    drain();
    watchTerminationSignals();
    EXPECT_EQ(terminationSignal(), 0);
    std::raise(signal);
    std::raise(signal == SIGINT ? SIGTERM : SIGINT);  // a later one of another kind changes nothing
    EXPECT_EQ(terminationSignal(), signal);
    std::vector<MSG> taken;
    for (int tries = 0; tries < 200 && (taken.empty() || taken.back().message != WM_QUIT); ++tries) {
      for (const MSG& msg : drain()) taken.push_back(msg);
      if (taken.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_GE(taken.size(), 2u);
    EXPECT_EQ(taken[0].message, WM_CLOSE);
    EXPECT_EQ(taken.back().message, WM_QUIT);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(drain().empty()) << "asked once";
    stopWatchingTerminationSignals();
    resetWindowSystem();
  }
  watchTerminationSignals();
  std::raise(SIGHUP);
  const std::vector<MSG> taken = drain();
  ASSERT_EQ(taken.size(), 1u);
  EXPECT_EQ(taken[0].message, WM_QUIT);
  stopWatchingTerminationSignals();
}

// The second signal of a kind is not caught: a run that does not end can
// still be ended by sending it again.
TEST(TerminationSignalsTest, TheSecondOfAKindTakesItsDefaultAction) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    watchTerminationSignals();
    std::raise(SIGTERM);
    if (terminationSignal() != SIGTERM) ::_exit(1);
    std::raise(SIGTERM);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
}

// The real program playing live (headless, SDL's dummy drivers) and sent
// each signal as a terminal sends it to its process group: it ends cleanly,
// its presenter stopped and reporting, with 128 + the signal.
TEST(TerminationSignalsTest, LivePlayEndsWithTheSignalsStatus) {
  const std::filesystem::path program = std::filesystem::path(GLASS_BINARY_DIR) / "bin" / "glass-orchard";
  const std::filesystem::path content = std::filesystem::path(GLASS_BINARY_DIR) / "content";
  if (!std::filesystem::exists(program) || !std::filesystem::exists(content / "track.xm")) {
    GTEST_SKIP() << "needs glass-orchard and the generated content";
  }
  ScopedWorkingDirectory folder;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    const std::string log = "live-" + std::to_string(signal) + ".txt";
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::setsid();
      ::setenv("SDL_VIDEODRIVER", "dummy", 1);
      ::setenv("SDL_AUDIODRIVER", "dummy", 1);
      if (std::freopen(log.c_str(), "w", stderr) == nullptr) ::_exit(126);
      ::execl(program.c_str(), "glass-orchard", "--data", content.c_str(), "--headless", "--verbose",
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    // Signalled once it plays: the log names the sound device when the
    // music starts, and two seconds later frames have been shown (even in
    // the sanitizer build on a busy machine).
    const auto playing = [&log] {
      std::ifstream in(log);
      const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      return text.find("sound: ") != std::string::npos;
    };
    for (int wait = 0; wait < 800 && !playing(); ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    std::this_thread::sleep_for(std::chrono::seconds(2));
    ::kill(-pid, signal);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + signal) << "status " << status;
    std::ifstream in(log);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("presents: the present thread spent"), std::string::npos) << text;
  }
}

TEST_F(WindowTest, MessageBoxesReachTheObserverInUtf8OrStandardError) {
  std::vector<std::pair<std::string, std::string>> boxes;
  setMessageBoxObserver([&boxes](const std::string& caption, const std::string& text) {
    boxes.emplace_back(caption, text);
  });
  // (The presentation's own box with its A umlauts: the file loading tests.)
  EXPECT_EQ(MessageBoxA(nullptr, "\x80 \x81 \x9F \xFF", "c\xC4", MB_OK), IDOK);
  EXPECT_EQ(boxes, (std::vector<std::pair<std::string, std::string>>{{"c\u00C4", "\u20AC \uFFFD \u0178 \u00FF"}}));

  // Without an observer and without a display, boxes go to standard error.
  setMessageBoxObserver({});
  testing::internal::CaptureStderr();
  MessageBoxA(nullptr, "File not found", "FMOD error", MB_OK);
  MessageBoxA(nullptr, "FMOD 3.33\n", "FMOD error.", MB_OK);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "FMOD error: File not found\nFMOD error.: FMOD 3.33\n");
}

void pushKey(SDL_Keycode key, Uint16 modifiers = KMOD_NONE) {
  SDL_Event event{};
  event.type = SDL_KEYDOWN;
  event.key.keysym.sym = key;
  event.key.keysym.mod = modifiers;
  ASSERT_EQ(SDL_PushEvent(&event), 1);
  event.type = SDL_KEYUP;
  ASSERT_EQ(SDL_PushEvent(&event), 1);
}

TEST_F(WindowTest, SdlEventsBecomeMessagesButPlayerKeysActAtOnce) {
  openWindow(false);  // dummy video driver under ctest
  drain();
  received.clear();
  std::vector<bool> pauses;
  int mutes = 0;
  setPlayerHooks({[&pauses](bool paused) { pauses.push_back(paused); }, [&mutes] { ++mutes; }, {}});

  // Space pauses. A paused loop waits in PeekMessageA for as long as no
  // message is waiting, so only one message is taken here (Q's press).
  pushKey(SDLK_SPACE);
  pushKey(SDLK_q);
  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  std::vector<MSG> taken{msg};
  EXPECT_TRUE(playbackPaused());
  pushKey(SDLK_m);
  pushKey(SDLK_F11);
  pushKey(SDLK_RETURN, KMOD_LALT);
  pushKey(SDLK_SPACE);
  pushKey(SDLK_ESCAPE);
  SDL_Event motion{};
  motion.type = SDL_MOUSEMOTION;
  ASSERT_EQ(SDL_PushEvent(&motion), 1);
  for (const MSG& msg : drain()) taken.push_back(msg);
  EXPECT_FALSE(playbackPaused());
  EXPECT_EQ(pauses, (std::vector<bool>{true, false}));
  EXPECT_EQ(mutes, 1);
  EXPECT_FALSE(windowFullscreen()) << "F11 and Alt+Enter: there and back";
  toggleFullscreen();
  EXPECT_TRUE(windowFullscreen());

  ASSERT_EQ(taken.size(), 4u) << "only Q's and Escape's presses and releases are messages";
  EXPECT_EQ(taken[0].wParam, WPARAM{'Q'});
  EXPECT_EQ(taken[1].message, WM_KEYUP);
  EXPECT_EQ(taken[2].message, WM_KEYDOWN);
  EXPECT_EQ(taken[2].wParam, VK_ESCAPE);
  // Pointer movement is sent at once, not queued, as WM_SETCURSOR.
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(received.front().first, WM_SETCURSOR);
}

TEST_F(WindowTest, PauseFreezesTheClockAndItGoesOnFromThere) {
  setPlaybackPaused(true);
  const DWORD frozen = GetTickCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(GetTickCount(), frozen);
  EXPECT_EQ(timeGetTime(), frozen);
  setPlaybackPaused(false);
  EXPECT_LT(GetTickCount() - frozen, 20u) << "the time spent paused is not a long frame";
}

TEST_F(WindowTest, FrameSinkShowsFramesUntilTheWindowIsGoneAndF12SavesTheOneOnScreen) {
  ScopedWorkingDirectory folder;
  HWND window = openWindow(false);
  WindowOptions options = windowOptions();
  options.screenshotFolder = folder.path();
  setWindowOptions(options);
  setPlayerHooks({{}, {}, [](const std::string& path, const std::uint32_t* pixels, int width, int height,
                             std::string& error) {
                    const PngResult result =
                        writePng(path, {reinterpret_cast<const std::uint8_t*>(pixels), width, height, width * 4});
                    error = result.error;
                    return result.ok;
                  }});
  EXPECT_EQ(saveScreenshot(), "") << "nothing shown yet";

  std::vector<std::uint32_t> frame(1280 * 960);
  for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 2654435761u >> 8);
  FrameSink* sink = windowFrameSink();
  struct Case {
    int width, height;
    bool shown;
  };
  // The last frame is on screen once the one after it is taken.
  for (const Case c : {Case{640, 480, true}, Case{320, 240, false}, Case{700, 500, false}, Case{1280, 480, false},
                       Case{0, 0, false}, Case{1280, 960, true}, Case{1280, 960, true}}) {
    EXPECT_EQ(sink->presentFrame(frame.data(), c.width, c.height, c.width * 4), c.shown) << c.width << "x" << c.height;
  }
  EXPECT_EQ(sink->fittingRenderScale(4), 1) << "a 640 x 480 window";

  // Saved at the size rendered, not the window's.
  const std::string path = saveScreenshot();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(std::filesystem::path(path).parent_path(), folder.path());
  std::vector<std::uint32_t> read;
  int width = 0, height = 0;
  ASSERT_TRUE(readRgbPng(path, &read, &width, &height));
  EXPECT_EQ(width, 1280);
  EXPECT_EQ(read, frame);
  DestroyWindow(window);
  EXPECT_FALSE(sink->presentFrame(frame.data(), 640, 480, 640 * 4));
}

// A name already taken gets a number, so no screenshot replaces another.
TEST(ScreenshotNameTest, NumberedWhenTaken) {
  ScopedWorkingDirectory folder;
  const std::time_t when = std::time(nullptr);
  const std::string first = screenshotPath(folder.path(), when);
  EXPECT_EQ(first.rfind(folder.path() + "/glass-orchard-", 0), 0u) << first;
  std::ofstream(first).put('x');
  EXPECT_EQ(screenshotPath(folder.path(), when), first.substr(0, first.size() - 4) + "-2.png");
}

TEST(WindowFitTest, LargestWholeScaleThatFitsTheUsableDesktop) {
  struct Case {
    int requested, usableWidth, usableHeight;
    int scale;
    bool capped;
  };
  const Case cases[] = {
      {0, 1366, 768, 1, false},    // 960 + decorations does not fit 768
      {0, 1280, 1024, 2, false},   // 960 + a title bar fits 1024
      {0, 3840, 2160, 4, false},
      {0, 600, 400, 1, false},     // never below 1
      {16, 1920, 1080, 2, true},   // a larger scale is capped
      {1, 1920, 1080, 1, false},   // a smaller one is kept
      {3, 0, 0, 3, false},         // desktop unknown: as asked
      {0, 0, 0, 2, false},
  };
  for (const Case& c : cases) {
    const ScaleChoice choice = chooseWindowScale(c.requested, c.usableWidth, c.usableHeight);
    EXPECT_EQ(std::tie(choice.scale, choice.capped), std::tie(c.scale, c.capped))
        << c.requested << " on " << c.usableWidth << "x" << c.usableHeight;
  }
}

TEST(WindowFitTest, PictureKeepsFourToThreeWithBars) {
  struct Case {
    int width, height;
    PictureRect rect;
  };
  const Case cases[] = {
      {1280, 960, {0, 0, 1280, 960}},     // exact
      {1920, 1080, {240, 0, 1440, 1080}}, // bars left and right
      {1280, 1024, {0, 32, 1280, 960}},   // bars top and bottom
      {641, 480, {0, 0, 640, 480}},       // odd leftover: the picture starts at 0
      {0, 480, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    const PictureRect r = letterbox(c.width, c.height);
    EXPECT_EQ(std::tie(r.x, r.y, r.width, r.height), std::tie(c.rect.x, c.rect.y, c.rect.width, c.rect.height))
        << c.width << "x" << c.height;
  }
}

TEST(WindowFitTest, RenderScaleIsTheLargestPictureTheDrawablePixelsAndTexturesHold) {
  struct Case {
    int width, height, maxTextureWidth, maxTextureHeight, maxScale, scale;
  };
  const Case cases[] = {
      {1920, 1080, 0, 0, 8, 2},      // 1280 x 960 fits, 1920 x 1440 does not
      {3840, 2160, 0, 0, 8, 4},
      {3840, 2160, 0, 0, 3, 3},      // the device's limit
      {3840, 2160, 2048, 2048, 8, 3},  // the renderer's
      {1279, 960, 0, 0, 8, 1},
      {320, 200, 0, 0, 8, 1},        // smaller than the picture
      {0, 0, 0, 0, 8, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fittingScaleFor(c.width, c.height, c.maxTextureWidth, c.maxTextureHeight, c.maxScale), c.scale)
        << c.width << "x" << c.height << " max " << c.maxScale;
  }
}

// Red and green are noise, blue ramps from 0 to 255 across the picture.
TEST(PictureScalerTest, WholeMultiplesRepeatPixelsHalvesAverageOthersBlendAndBarsAreBlack) {
  PictureScaler scaler;
  struct Case {
    int sourceWidth, sourceHeight, width, height;
  };
  for (const Case c : {Case{640, 480, 640, 480}, Case{640, 480, 1280, 960}, Case{640, 480, 1920, 1080},
                       Case{640, 480, 1366, 768}, Case{640, 480, 800, 700}, Case{1280, 960, 2560, 1920},
                       Case{1280, 960, 1440, 1080}, Case{1280, 960, 640, 480}}) {
    SCOPED_TRACE(testing::Message() << c.sourceWidth << "x" << c.sourceHeight << " into " << c.width << "x" << c.height);
    std::vector<std::uint32_t> frame(static_cast<std::size_t>(c.sourceWidth) * c.sourceHeight);
    for (std::size_t i = 0; i < frame.size(); ++i) {
      frame[i] = 0xFF000000u | (static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFF00u) |
                 static_cast<std::uint32_t>(i % c.sourceWidth * 255 / (c.sourceWidth - 1));
    }
    const int pitch = c.width * 4 + 12;  // rows need not be packed
    std::vector<std::uint32_t> target(static_cast<std::size_t>(pitch / 4) * c.height, 0x12345678u);
    const PictureRect rect = letterbox(c.width, c.height);
    scaler.scale(frame.data(), c.sourceWidth, c.sourceHeight, target.data(), c.width, c.height, pitch, rect);
    const auto at = [&](int x, int y) { return target[static_cast<std::size_t>(y) * (pitch / 4) + x]; };
    const auto source = [&](int x, int y) { return frame[static_cast<std::size_t>(y) * c.sourceWidth + x]; };
    const bool whole = rect.width % c.sourceWidth == 0 && rect.height % c.sourceHeight == 0;
    const bool half = rect.width * 2 == c.sourceWidth;
    const int factor = rect.width / c.sourceWidth;
    int mismatches = 0;
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        const int px = x - rect.x, py = y - rect.y;
        const std::uint32_t blue = at(x, y) & 0xFF;
        if (px < 0 || px >= rect.width || py < 0 || py >= rect.height) {
          mismatches += at(x, y) != 0u;
        } else if (whole) {
          mismatches += at(x, y) != source(px / factor, py / factor);
        } else if (half) {
          // Each pixel is the mean of its 2 x 2 block, to rounding.
          for (int shift = 0; shift < 32; shift += 8) {
            int sum = 0;
            for (int k = 0; k < 4; ++k) sum += static_cast<int>(source(2 * px + k % 2, 2 * py + k / 2) >> shift & 0xFF);
            mismatches += std::abs(static_cast<int>(at(x, y) >> shift & 0xFF) * 4 - sum) > 6;
          }
        } else {
          // Blended: the ramp still runs from 0 to 255 and never falls.
          mismatches += px > 0 ? blue < (at(x - 1, y) & 0xFF) : blue != 0;
          mismatches += px == rect.width - 1 && blue != 255;
        }
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

TEST(PresentStatsTest, MedianPercentileLateFramesAndEntryRates) {
  std::vector<PresentRecord> records;
  double t = 0;
  for (int i = 0; i < 60; ++i) records.push_back({t += 1.0 / 60, 0, false});  // entry 0 at 60/s
  for (int i = 0; i < 30; ++i) records.push_back({t += 1.0 / 30, 1, false});  // entry 1 at 30/s, all late
  records.push_back({t += 5.0, 1, true});  // after a pause: no frame time
  const PresentSummary summary = summarisePresents(records, 1.0 / 60);
  EXPECT_EQ(summary.presents, 91);
  EXPECT_EQ(summary.intervals, 89);
  EXPECT_EQ(summary.late, 30);
  EXPECT_NEAR(summary.medianMs, 1000.0 / 60, 1e-6);
  EXPECT_NEAR(summary.p99Ms, 1000.0 / 30, 1e-6);
  ASSERT_EQ(summary.entries.size(), 2u);
  EXPECT_NEAR(summary.entries[0].perSecond(), 60.0, 1e-6);
  EXPECT_NEAR(summary.entries[1].perSecond(), 30.0, 1e-6);
}

// Frame times are exact up to kExactSamples; past that they live in a fixed
// table, percentiles within half a bucket (0.05 %) of the exact ones, and
// the memory stays the same however long the run.
TEST(PresentStatsTest, FrameTimesExactUpToTheCapThenBoundedAndClose) {
  using Distribution = FrameTimeDistribution;
  std::uint32_t seed = 12345;
  auto nextMs = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    // Mostly 16-17 ms with a tail up to about 80 ms, as a live run looks.
    const double unit = double(seed >> 8) / double(1u << 24);
    return unit < 0.95 ? 16.0 + unit : 16.0 + 64.0 * (unit - 0.95) / 0.05;
  };
  auto exactPercentile = [](std::vector<double> all, double fraction) {
    std::sort(all.begin(), all.end());
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * double(all.size())));
    return all[std::max<std::size_t>(rank, 1) - 1];
  };
  Distribution times;
  std::vector<double> all;
  EXPECT_EQ(times.percentile(0.5), 0);
  for (std::size_t i = 0; i < Distribution::kExactSamples; ++i) {
    all.push_back(nextMs());
    times.add(all.back());
  }
  ASSERT_TRUE(times.exact());
  for (double fraction : {0.0, 0.5, 0.99, 1.0}) {
    EXPECT_EQ(times.percentile(fraction), exactPercentile(all, fraction)) << fraction;
  }
  const std::size_t exactBytes = times.retainedBytes();

  all.push_back(nextMs());
  times.add(all.back());
  EXPECT_FALSE(times.exact());
  const std::size_t bytes = times.retainedBytes();
  for (int i = 0; i < 1'000'000; ++i) {
    all.push_back(nextMs());
    times.add(all.back());
  }
  EXPECT_EQ(times.count(), all.size());
  EXPECT_EQ(times.retainedBytes(), bytes);
  EXPECT_LE(bytes, std::max<std::size_t>(exactBytes, 128 * 1024));
  for (double fraction : {0.01, 0.5, 0.99}) {
    const double exact = exactPercentile(all, fraction);
    EXPECT_NEAR(times.percentile(fraction), exact, exact * 0.0005) << fraction;
  }
  // Outside the table's range: the ends.
  Distribution extremes;
  for (std::size_t i = 0; i <= Distribution::kExactSamples; ++i) extremes.add(i % 2 ? 1e9 : 0);
  EXPECT_EQ(extremes.percentile(0.25), 0);
  EXPECT_EQ(extremes.percentile(0.99), Distribution::kLargestMs);
}

// A --loop run: presents added one by one for many hours of frames keep the
// counts, the late frames and the rates, in the same memory.
TEST(PresentStatsTest, LongRunsKeepTheirCountsInFixedMemory) {
  PresentStats stats(1.0 / 60);
  double t = 0;
  std::size_t bytesAfterCap = 0;
  const int frames = 3'000'000;  // about 14 hours at 60 per second
  for (int i = 0; i < frames; ++i) {
    const bool late = i % 200 == 199;
    stats.add({t += late ? 2.0 / 60 : 1.0 / 60, i % 3, false});
    if (i == int(FrameTimeDistribution::kExactSamples) + 1) bytesAfterCap = stats.frameTimes().retainedBytes();
  }
  const PresentSummary summary = stats.summary();
  EXPECT_EQ(summary.presents, frames);
  EXPECT_EQ(summary.intervals, frames - 1);
  EXPECT_EQ(summary.late, frames / 200);
  EXPECT_NEAR(summary.medianMs, 1000.0 / 60, 1000.0 / 60 * 0.0005);
  EXPECT_NEAR(summary.p99Ms, 1000.0 / 60, 1000.0 / 60 * 0.0005);
  ASSERT_EQ(summary.entries.size(), 3u);
  EXPECT_EQ(stats.frameTimes().retainedBytes(), bytesAfterCap);
  stats.reset(1.0 / 30);
  EXPECT_EQ(stats.summary().presents, 0);
  EXPECT_EQ(stats.frameTimes().retainedBytes(), 0u);
}

}  // namespace
