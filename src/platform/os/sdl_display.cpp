// The SDL side of platform/os: the display window, its renderer and
// streaming texture, the frame sink, the pointer, and the translation of SDL
// events into window messages.
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/os/os_internal.h"
#include "platform/os/quiet_stderr.h"
#include "platform/os/window_system.h"

namespace {

constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;
// Presents per second when the display does not hold them to its retrace.
constexpr int kPacedRate = 60;

struct Display {
  bool eventsStarted = false;
  bool videoStarted = false;
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  bool pacedByDisplay = false;
  std::chrono::steady_clock::time_point nextPresent{};
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
    started = SDL_InitSubSystem(SDL_INIT_VIDEO);
  }
  if (started != 0) {
    std::fprintf(stderr, "glass-orchard: no video: %s\n", SDL_GetError());
    return false;
  }
  d.videoStarted = true;
  logVerbose("video driver: %s", SDL_GetCurrentVideoDriver());
  return true;
}

void destroyDisplayWindow() {
  Display& d = display();
  if (d.texture != nullptr) SDL_DestroyTexture(d.texture);
  if (d.renderer != nullptr) SDL_DestroyRenderer(d.renderer);
  if (d.window != nullptr) SDL_DestroyWindow(d.window);
  d.texture = nullptr;
  d.renderer = nullptr;
  d.window = nullptr;
}

SDL_Renderer* createRenderer(SDL_Window* window, bool vsync) {
  const Uint32 flags = SDL_RENDERER_ACCELERATED | (vsync ? SDL_RENDERER_PRESENTVSYNC : 0);
  SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, flags);
  if (renderer == nullptr) renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
  return renderer;
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

void translate(const SDL_Event& event, HWND target) {
  switch (event.type) {
    case SDL_QUIT:
      // Window closed by the system, or SIGINT / SIGTERM.
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
      if (target != nullptr) PostMessageA(target, WM_KEYDOWN, virtualKey(event.key.keysym.sym), keyParam(event.key, false));
      break;
    case SDL_KEYUP:
      if (target != nullptr) PostMessageA(target, WM_KEYUP, virtualKey(event.key.keysym.sym), keyParam(event.key, true));
      break;
    default:
      break;
  }
}

void holdToPacedRate() {
  using namespace std::chrono;
  Display& d = display();
  const auto period = duration_cast<steady_clock::duration>(duration<double>(1.0 / kPacedRate));
  const auto now = steady_clock::now();
  if (d.nextPresent > now) {
    std::this_thread::sleep_until(d.nextPresent);
    d.nextPresent += period;
  } else {
    // Late (or first): start the cadence again from now instead of rushing
    // to catch up.
    d.nextPresent = now + period;
  }
}

class WindowFrameSink final : public FrameSink {
 public:
  bool presentFrame(const std::uint32_t* pixels, int width, int height, int pitch) override {
    Display& d = display();
    if (os_detail::firstLiveWindow() == nullptr) return false;
    if (options().headless || d.window == nullptr) return true;
    if (pixels == nullptr || width != kFrameWidth || height != kFrameHeight || pitch < width * 4) return false;
    if (SDL_UpdateTexture(d.texture, nullptr, pixels, pitch) != 0) return false;
    SDL_SetRenderDrawColor(d.renderer, 0, 0, 0, 255);
    SDL_RenderClear(d.renderer);
    SDL_RenderCopy(d.renderer, d.texture, nullptr, nullptr);
    SDL_RenderPresent(d.renderer);
    if (!d.pacedByDisplay) holdToPacedRate();
    return true;
  }
};

}  // namespace

void setWindowOptions(const WindowOptions& newOptions) { options() = newOptions; }

const WindowOptions& windowOptions() { return options(); }

FrameSink* windowFrameSink() {
  static WindowFrameSink sink;
  return &sink;
}

std::string videoDriverName() {
  const char* driver = display().videoStarted ? SDL_GetCurrentVideoDriver() : nullptr;
  return driver != nullptr ? driver : "";
}

bool displayAvailable() {
  return display().videoStarted && !isVirtualDriver(SDL_GetCurrentVideoDriver());
}

namespace os_detail {

void startEvents() {
  Display& d = display();
  if (d.eventsStarted) return;
  if (SDL_InitSubSystem(SDL_INIT_EVENTS) != 0) {
    std::fprintf(stderr, "glass-orchard: no event system: %s\n", SDL_GetError());
    return;
  }
  d.eventsStarted = true;
}

bool openDisplayWindow(const std::string& title) {
  Display& d = display();
  if (!startVideo()) return false;
  const WindowOptions& o = options();
  const int scale = o.scale > 0 ? o.scale : 1;
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (o.fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, o.fullscreen ? "linear" : "nearest");
  d.window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                              kFrameWidth * scale, kFrameHeight * scale, flags);
  if (d.window != nullptr) d.renderer = createRenderer(d.window, o.vsync);
  if (d.renderer != nullptr) {
    d.texture = SDL_CreateTexture(d.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                  kFrameWidth, kFrameHeight);
  }
  if (d.texture == nullptr) {
    std::fprintf(stderr, "glass-orchard: no window: %s\n", SDL_GetError());
    destroyDisplayWindow();
    return false;
  }
  // Letterbox: the 640 x 480 picture keeps 4:3 with black bars.
  SDL_RenderSetLogicalSize(d.renderer, kFrameWidth, kFrameHeight);
  SDL_RendererInfo info{};
  SDL_GetRendererInfo(d.renderer, &info);
  d.pacedByDisplay = o.vsync && (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0 &&
                     (info.flags & SDL_RENDERER_SOFTWARE) == 0 && !isVirtualDriver(SDL_GetCurrentVideoDriver());
  logVerbose("renderer: %s", info.name != nullptr ? info.name : "?");
  logVerbose("presents: %s", d.pacedByDisplay ? "held to the display's retrace" : "held to 60 per second");
  d.nextPresent = {};
  return true;
}

void closeDisplayWindow() { destroyDisplayWindow(); }

void showDisplayWindow() {
  if (display().window != nullptr) SDL_ShowWindow(display().window);
}

void setPointerVisible(bool visible) {
  if (display().videoStarted) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

void pumpDisplayEvents(HWND target) {
  if (!display().eventsStarted) return;
  SDL_Event event;
  while (SDL_PollEvent(&event) != 0) translate(event, target);
}

void waitForDisplayEvent(int timeoutMs) {
  if (display().eventsStarted) {
    SDL_WaitEventTimeout(nullptr, timeoutMs);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
  }
}

void shutdownDisplay() {
  Display& d = display();
  destroyDisplayWindow();
  if (d.videoStarted) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  if (d.eventsStarted) SDL_QuitSubSystem(SDL_INIT_EVENTS);
  d.videoStarted = false;
  d.eventsStarted = false;
}

}  // namespace os_detail
