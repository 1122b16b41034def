// The display side of platform/os in a browser: the presentation's one
// window is the page's canvas. Frames go to the canvas as they are
// presented; the page's keys come back as window messages.
//
// The program's loop never returns to the browser by itself, so it gives
// way whenever it looks at its messages (PeekMessageA pumps through
// pumpDisplayEvents): after each presented frame it waits out the rest of
// that display frame (about 60 a second), and an offline run pauses
// briefly every few dozen milliseconds. On a worker (the threaded build)
// waiting is sleeping; on the page's own thread (the one-thread build) the
// wait hands the thread back to the browser, which then paints and
// delivers input.
#include <emscripten.h>
#ifdef __EMSCRIPTEN_PTHREADS__
#include <emscripten/threading.h>
#endif

#include <algorithm>
#include <vector>

#include "platform/os/os_internal.h"
#include "platform/os/window_system.h"
#include "platform/web/page_bridge.h"

namespace {

constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;
constexpr double kDisplayFrameMs = 1000.0 / 60.0;
// How long an offline run keeps the page's thread before giving way.
constexpr double kLongestTurnMs = 30.0;
// Page key events: what the two high bytes say.
constexpr int kKeyDown = 1;
constexpr int kKeyUp = 2;
constexpr int kPlayerKey = 3;

struct Display {
  bool open = false;
  bool presentedSinceYield = false;
  double lastPresentMs = 0;
  double lastYieldMs = 0;
  std::vector<std::uint8_t> rgba;
};

Display& display() {
  static Display instance;
  return instance;
}

WindowOptions& options() {
  static WindowOptions instance;
  return instance;
}

void sleepMs(double ms) {
#ifdef __EMSCRIPTEN_PTHREADS__
  emscripten_thread_sleep(ms);
#else
  emscripten_sleep(static_cast<unsigned>(ms));
#endif
  display().lastYieldMs = page::nowMs();
}

void giveWay() {
  Display& d = display();
  const double now = page::nowMs();
  if (d.presentedSinceYield && !options().headless) {
    d.presentedSinceYield = false;
    sleepMs(std::max(0.0, d.lastPresentMs + kDisplayFrameMs - now));
  } else if (now - d.lastYieldMs >= kLongestTurnMs) {
    sleepMs(0);
  }
}

class CanvasFrameSink final : public FrameSink {
 public:
  bool presentFrame(const std::uint32_t* pixels, int width, int height, int pitch) override {
    Display& d = display();
    if (os_detail::firstLiveWindow() == nullptr) return false;
    if (options().headless || !d.open) return true;
    if (pixels == nullptr || width % kFrameWidth != 0 || height != width / kFrameWidth * kFrameHeight ||
        pitch < width * 4) {
      return false;
    }
    // A8R8G8B8 (B, G, R, A in memory) to the canvas's opaque R, G, B, A.
    d.rgba.resize(static_cast<std::size_t>(width) * height * 4);
    std::uint8_t* out = d.rgba.data();
    for (int y = 0; y < height; ++y) {
      const auto* row = reinterpret_cast<const std::uint8_t*>(pixels) + static_cast<std::size_t>(y) * pitch;
      for (int x = 0; x < width; ++x, out += 4) {
        out[0] = row[x * 4 + 2];
        out[1] = row[x * 4 + 1];
        out[2] = row[x * 4];
        out[3] = 0xFF;
      }
    }
    page::showPicture(d.rgba.data(), width, height);
    d.lastPresentMs = page::nowMs();
    d.presentedSinceYield = true;
    return true;
  }

  // The page counts its resizes (and full-screen switches).
  unsigned sizeGeneration() const override {
    return options().headless ? 0u : static_cast<unsigned>(page::resizeCount());
  }

  int fittingRenderScale(int maxScale) const override {
    if (options().headless) return 1;
    int width = 0, height = 0;
    page::roomInDevicePixels(width, height);
    int scale = 1;
    while (scale < maxScale && (scale + 1) * kFrameWidth <= width && (scale + 1) * kFrameHeight <= height) ++scale;
    return scale;
  }
};

}  // namespace

void setWindowOptions(const WindowOptions& newOptions) { options() = newOptions; }

const WindowOptions& windowOptions() { return options(); }

FrameSink* windowFrameSink() {
  static CanvasFrameSink sink;
  return &sink;
}

void noteTimelineEntry(int /*entry*/) {}

std::string videoDriverName() { return "browser"; }

bool videoShowsWindows() { return true; }

bool displayAvailable() { return true; }

std::vector<DisplayDescription> describeDisplays(bool /*verbose*/, std::string& driver, std::string& /*error*/) {
  driver = "browser";
  DisplayDescription page;
  page.name = "the page";
  page::roomInDevicePixels(page.width, page.height);
  page.usableWidth = page.width;
  page.usableHeight = page.height;
  return {page};
}

namespace os_detail {

bool showDisplayMessageBox(const std::string& caption, const std::string& text) {
  page::showMessageBox(caption, text);
  return true;
}

void startEvents() {}

bool openDisplayWindow(const std::string& title) {
  if (!options().headless) page::setTitle(title);
  display().open = !options().headless;
  return true;
}

void closeDisplayWindow() { display().open = false; }

void parkDisplayWindow() {}

void showDisplayWindow() {}

void setPointerVisible(bool visible) {
  if (display().open) page::setPointerVisible(visible);
}

void toggleDisplayFullscreen() { page::toggleFullscreen(); }

bool displayFullscreen() { return page::fullscreen(); }

// The page saves its own screenshots (F12 downloads the canvas).
RenderedFrame frameOnScreen() { return {}; }

void markPresentGap() {}

void pumpDisplayEvents(HWND target) {
  giveWay();
  for (int event = page::takeKeyEvent(); event != 0; event = page::takeKeyEvent()) {
    if (target == nullptr) continue;
    const int kind = event >> 16;
    const int code = event & 0xFFFF;
    if (kind == kPlayerKey) {
      actOnPlayerKey(static_cast<PlayerAction>(code));
    } else if (kind == kKeyDown || kind == kKeyUp) {
      // The repeat count (1) in the low word; bit 31 set for a release, as
      // in the lParam of Windows' key messages.
      const LPARAM param = kind == kKeyUp ? static_cast<LPARAM>(static_cast<std::int32_t>(0xC0000001u)) : 1;
      PostMessageA(target, kind == kKeyDown ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(code), param);
    }
  }
}

void waitForDisplayEvent(int timeoutMs) { sleepMs(timeoutMs); }

void shutdownDisplay() { display() = Display{}; }

}  // namespace os_detail
