// The SDL side of platform/os: the display window (created and destroyed
// here on the main thread, shown by the present thread of
// frame_presenter.h), the frame sink, the pointer, and the translation of
// SDL events into window messages.
#include <SDL.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/os/display_loss.h"
#include "platform/os/frame_presenter.h"
#include "platform/os/os_internal.h"
#include "platform/os/quiet_stderr.h"
#include "platform/os/window_fit.h"
#include "platform/os/window_system.h"
#include "platform/os/x11_connection_loss.h"

namespace {

constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;

struct Display {
  bool eventsStarted = false;
  bool videoStarted = false;
  SDL_Window* window = nullptr;
  bool parked = false;          // kept open for the next run's window
  bool fullscreen = false;
  int monitor = 0;
  int windowedWidth = kFrameWidth;   // the window's size when not full screen
  int windowedHeight = kFrameHeight;
  int pointerShown = -1;        // last visibility asked for; -1 unknown
  FramePresenter presenter;
  std::atomic<int> entry{0};
};

Display& display() {
  static Display instance;
  return instance;
}

WindowOptions& options() {
  static WindowOptions instance;
  return instance;
}

void logVerbose(const char* format, const char* value) {
  if (options().verbose) {
    std::fprintf(stderr, format, value);
    std::fputc('\n', stderr);
  }
}

bool isVirtualDriver(const char* driver) {
  return driver == nullptr || std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0;
}

bool startVideo() {
  Display& d = display();
  if (d.videoStarted) return true;
  int started = 0;
  {
    QuietStandardError quiet(!options().verbose);
    // Termination signals are the program's to handle (a capture keeps its
    // files, live play ends as if closed): SDL installs no handlers.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    started = SDL_InitSubSystem(SDL_INIT_VIDEO);
  }
  if (started != 0) {
    std::fprintf(stderr, "glass-orchard: no video: %s\n", SDL_GetError());
    return false;
  }
  d.videoStarted = true;
  logVerbose("video driver: %s", SDL_GetCurrentVideoDriver());
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver != nullptr && std::strcmp(driver, "x11") == 0) {
    os_detail::watchX11ConnectionLoss([] { display().presenter.abandon(); });
  }
  return true;
}

void destroyDisplayWindow() {
  Display& d = display();
  d.presenter.stop();
  // A display that went away takes its windows with it; X calls would block.
  if (d.window != nullptr && !displayLost()) SDL_DestroyWindow(d.window);
  d.window = nullptr;
  d.parked = false;
  d.pointerShown = -1;
}

// The monitor asked for, or 0 (with a note) when there is no such monitor.
int chosenDisplay(int asked) {
  if (asked < 0) return 0;
  const int count = SDL_GetNumVideoDisplays();
  if (asked < count) return asked;
  std::fprintf(stderr, "glass-orchard: there is no display %d (%d found; the first is 0); using display 0\n", asked,
               count);
  return 0;
}

// Full screen and back, placing the window explicitly as well: without a
// window manager (a bare X server) nothing else moves or sizes it.
void placeWindow(SDL_Window* window, bool fullscreen, int monitor, int windowedWidth, int windowedHeight) {
  if (fullscreen) {
    SDL_Rect bounds{};
    if (SDL_GetDisplayBounds(monitor, &bounds) == 0) {
      SDL_SetWindowPosition(window, bounds.x, bounds.y);
      SDL_SetWindowSize(window, bounds.w, bounds.h);
    }
  }
  if (SDL_SetWindowFullscreen(window, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) {
    std::fprintf(stderr, "glass-orchard: cannot switch %s full screen: %s\n", fullscreen ? "to" : "from",
                 SDL_GetError());
  }
  if (!fullscreen) {
    SDL_SetWindowSize(window, windowedWidth, windowedHeight);
    SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED_DISPLAY(monitor), SDL_WINDOWPOS_CENTERED_DISPLAY(monitor));
  }
}

// Windows virtual key for an SDL key; 0 for keys the presentation never
// looks at and that have no simple equivalent.
WPARAM virtualKey(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return static_cast<WPARAM>('A' + (key - SDLK_a));
  if (key >= SDLK_0 && key <= SDLK_9) return static_cast<WPARAM>('0' + (key - SDLK_0));
  if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + static_cast<WPARAM>(key - SDLK_F1);
  switch (key) {
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_RETURN: return VK_RETURN;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    default: return 0;
  }
}

// Key message lParam: repeat count 1, scan code in bits 16-23, bit 30 set
// for an auto-repeat, bit 31 set for a release.
LPARAM keyParam(const SDL_KeyboardEvent& key, bool release) {
  std::uint32_t value = 1u | ((static_cast<std::uint32_t>(key.keysym.scancode) & 0xFFu) << 16);
  if (key.repeat != 0 || release) value |= 1u << 30;
  if (release) value |= 1u << 31;
  return static_cast<LPARAM>(static_cast<std::int32_t>(value));
}

void sendSetCursor(HWND target) {
  constexpr LPARAM kClientAreaOnMouseMove = 1 | (0x0200 << 16);  // HTCLIENT, WM_MOUSEMOVE
  SendMessageA(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), kClientAreaOnMouseMove);
}

// True when the key is one of the player's and has been acted on; such keys
// do not reach the presentation.
bool handlePlayerKey(const SDL_KeyboardEvent& key) {
  const SDL_Keycode code = key.keysym.sym;
  const bool alt = (key.keysym.mod & KMOD_ALT) != 0;
  const bool isPlayerKey = code == SDLK_SPACE || code == SDLK_m || code == SDLK_F11 || code == SDLK_F12 ||
                           (alt && (code == SDLK_RETURN || code == SDLK_KP_ENTER));
  if (!isPlayerKey) return false;
  // Held keys repeat; each action happens once per press.
  if (key.type != SDL_KEYDOWN || key.repeat != 0) return true;
  using os_detail::PlayerAction;
  os_detail::actOnPlayerKey(code == SDLK_SPACE ? PlayerAction::kPause
                            : code == SDLK_m   ? PlayerAction::kMute
                            : code == SDLK_F12 ? PlayerAction::kScreenshot
                                               : PlayerAction::kFullscreen);  // F11, Alt+Enter
  return true;
}

void translate(const SDL_Event& event, HWND target) {
  switch (event.type) {
    case SDL_QUIT:
      // The session asks the program to quit (signals are handled apart).
      if (target != nullptr) {
        PostMessageA(target, WM_CLOSE, 0, 0);
      } else {
        PostQuitMessage(0);
      }
      break;
    case SDL_WINDOWEVENT:
      if (target == nullptr) break;
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) PostMessageA(target, WM_CLOSE, 0, 0);
      if (event.window.event == SDL_WINDOWEVENT_ENTER || event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
        sendSetCursor(target);
      }
      break;
    case SDL_MOUSEMOTION:
      if (target != nullptr) sendSetCursor(target);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      if (target == nullptr || handlePlayerKey(event.key)) break;
      PostMessageA(target, event.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP, virtualKey(event.key.keysym.sym),
                   keyParam(event.key, event.type == SDL_KEYUP));
      break;
    default:
      break;
  }
}

class WindowFrameSink final : public FrameSink {
 public:
  bool presentFrame(const std::uint32_t* pixels, int width, int height, int pitch) override {
    Display& d = display();
    if (os_detail::firstLiveWindow() == nullptr) return false;
    if (options().headless || d.window == nullptr) return true;
    if (pixels == nullptr || !isRenderedSize(width, height) || pitch < width * 4) return false;
    if (!d.presenter.running()) return false;
    return d.presenter.submit(pixels, width, height, pitch, d.entry.load(std::memory_order_relaxed));
  }

  int fittingRenderScale(int maxScale) const override {
    Display& d = display();
    if (options().headless || d.window == nullptr) return 1;
    return d.presenter.fittingRenderScale(maxScale);
  }

  unsigned sizeGeneration() const override { return display().presenter.sizeGeneration(); }

 private:
  // The presentation's screen at a whole render scale.
  static bool isRenderedSize(int width, int height) {
    const int scale = width / kFrameWidth;
    return scale >= 1 && scale <= kMaxPictureScale && width == scale * kFrameWidth && height == scale * kFrameHeight;
  }
};

}  // namespace

void setWindowOptions(const WindowOptions& newOptions) { options() = newOptions; }

const WindowOptions& windowOptions() { return options(); }

FrameSink* windowFrameSink() {
  static WindowFrameSink sink;
  return &sink;
}

void noteTimelineEntry(int entry) { display().entry.store(entry, std::memory_order_relaxed); }

std::string videoDriverName() {
  const char* driver = display().videoStarted ? SDL_GetCurrentVideoDriver() : nullptr;
  return driver != nullptr ? driver : "";
}

bool videoShowsWindows() { return startVideo() && !isVirtualDriver(SDL_GetCurrentVideoDriver()); }

bool displayAvailable() {
  return display().videoStarted && !isVirtualDriver(SDL_GetCurrentVideoDriver());
}

namespace os_detail {

bool showDisplayMessageBox(const std::string& caption, const std::string& text) {
  if (displayLost()) return false;
  return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption.c_str(), text.c_str(), nullptr) == 0;
}

void startEvents() {
  Display& d = display();
  if (d.eventsStarted) return;
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_EVENTS) != 0) {
    std::fprintf(stderr, "glass-orchard: no event system: %s\n", SDL_GetError());
    return;
  }
  d.eventsStarted = true;
}

bool openDisplayWindow(const std::string& title) {
  Display& d = display();
  if (d.parked && d.window != nullptr) {
    // The previous run's window, still showing its last picture.
    d.parked = false;
    const std::string name = title;
    SDL_Window* window = d.window;
    d.presenter.post([window, name] { SDL_SetWindowTitle(window, name.c_str()); });
    return true;
  }
  if (!startVideo()) return false;
  const WindowOptions& o = options();
  const int monitor = chosenDisplay(o.display);
  SDL_Rect usable{};
  if (SDL_GetDisplayUsableBounds(monitor, &usable) != 0) usable = {};
  const ScaleChoice scale = chooseWindowScale(o.scale, usable.w, usable.h);
  if (scale.capped && !o.fullscreen) {
    std::fprintf(stderr,
                 "glass-orchard: a window of --scale %d does not fit the desktop (%d x %d usable); using --scale %d\n",
                 o.scale, usable.w, usable.h, scale.scale);
  }
  Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE;
  d.monitor = monitor;
  d.windowedWidth = kFrameWidth * scale.scale;
  d.windowedHeight = kFrameHeight * scale.scale;
  // Full screen starts as a window covering the monitor and becomes full
  // screen when shown (SDL places a hidden full-screen window at its
  // windowed size on a bare X server).
  const int centred = static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(monitor));
  SDL_Rect bounds{centred, centred, d.windowedWidth, d.windowedHeight};
  if (o.fullscreen && SDL_GetDisplayBounds(monitor, &bounds) != 0) bounds = {centred, centred, d.windowedWidth, d.windowedHeight};
  d.window = SDL_CreateWindow(title.c_str(), bounds.x, bounds.y, bounds.w, bounds.h, flags);
  if (d.window == nullptr) {
    std::fprintf(stderr, "glass-orchard: no window: %s\n", SDL_GetError());
    return false;
  }
  SDL_SetWindowMinimumSize(d.window, kFrameWidth / 4, kFrameHeight / 4);
  d.fullscreen = o.fullscreen;
  if (o.verbose) {
    std::fprintf(stderr, "window: %s on display %d (%d x %d usable); as a window %d x %d\n",
                 o.fullscreen ? "desktop full screen" : "a window", monitor, usable.w, usable.h, d.windowedWidth,
                 d.windowedHeight);
  }
  FramePresenter::Settings settings;
  settings.vsync = o.vsync;
  settings.verbose = o.verbose;
  if (!d.presenter.start(d.window, settings)) {
    destroyDisplayWindow();
    return false;
  }
  return true;
}

void closeDisplayWindow() { destroyDisplayWindow(); }

void parkDisplayWindow() {
  if (display().window != nullptr) display().parked = true;
}

void showDisplayWindow() {
  Display& d = display();
  if (d.window == nullptr) return;
  SDL_Window* window = d.window;
  const bool fullscreen = d.fullscreen;
  const int monitor = d.monitor;
  const int width = d.windowedWidth;
  const int height = d.windowedHeight;
  d.presenter.post([=] {
    const bool wasShown = (SDL_GetWindowFlags(window) & SDL_WINDOW_SHOWN) != 0;
    SDL_ShowWindow(window);
    if (fullscreen && !wasShown) placeWindow(window, true, monitor, width, height);
  });
}

void setPointerVisible(bool visible) {
  Display& d = display();
  if (!d.videoStarted || d.pointerShown == static_cast<int>(visible)) return;
  d.pointerShown = visible ? 1 : 0;
  if (d.presenter.running()) {
    d.presenter.post([visible] { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); });
  } else if (!displayLost()) {
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
  }
}

void toggleDisplayFullscreen() {
  Display& d = display();
  if (d.window == nullptr) return;
  d.fullscreen = !d.fullscreen;
  SDL_Window* window = d.window;
  const bool fullscreen = d.fullscreen;
  const int monitor = d.monitor;
  const int width = d.windowedWidth;
  const int height = d.windowedHeight;
  d.presenter.post([=] { placeWindow(window, fullscreen, monitor, width, height); });
}

bool displayFullscreen() { return display().fullscreen; }

RenderedFrame frameOnScreen() { return display().presenter.frameOnScreen(); }

void markPresentGap() { display().presenter.markGap(); }

void pumpDisplayEvents(HWND target) {
  Display& d = display();
  if (!d.eventsStarted) return;
  // The run ends as if its window were closed.
  if (os_detail::takeDisplayLossRequest()) os_detail::askRunToEnd(target);
  SDL_Event event;
  if (d.presenter.running() || displayLost()) {
    // The present thread pumps; here the queue is only read.
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) translate(event, target);
  } else {
    while (SDL_PollEvent(&event) != 0) translate(event, target);
  }
}

void waitForDisplayEvent(int timeoutMs) {
  Display& d = display();
  if (d.eventsStarted && !d.presenter.running() && !displayLost()) {
    SDL_WaitEventTimeout(nullptr, timeoutMs);
    return;
  }
  // Events arrive through the present thread's pumping: look every 2 ms.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    if (d.eventsStarted && SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void shutdownDisplay() {
  Display& d = display();
  destroyDisplayWindow();
  // Without its display SDL's video side cannot close (X calls would block).
  if (d.videoStarted && !displayLost()) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  if (d.eventsStarted && !displayLost()) SDL_QuitSubSystem(SDL_INIT_EVENTS);
  d.videoStarted = false;
  d.eventsStarted = false;
  d.fullscreen = false;
  d.entry.store(0);
}

}  // namespace os_detail
