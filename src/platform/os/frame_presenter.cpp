#include "platform/os/frame_presenter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "platform/os/window_fit.h"

namespace {

// The texture made with the renderer, before the first frame says its size.
constexpr int kFirstTextureWidth = 640;
constexpr int kFirstTextureHeight = 480;
// Presents per second when the display does not hold them to its retrace.
constexpr int kTimerRate = 60;
// How long the present thread sleeps between event pumps with nothing to show.
constexpr auto kIdlePump = std::chrono::milliseconds(5);
// Back-to-back presents timed at start-up to learn whether the display
// really waits for a retrace (virtual displays accept vsync and never wait).
constexpr int kRetraceProbes = 6;
// A present held to the retrace takes at least this share of a period.
constexpr double kRetraceShare = 0.6;

bool isVirtualDriver() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver == nullptr || std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0;
}

// The OpenGL implementation under an "opengl" renderer, which SDL calls
// accelerated even when it is Mesa's software rasteriser.
std::string glRendererName(const char* rendererName) {
  if (rendererName == nullptr || std::strncmp(rendererName, "opengl", 6) != 0) return "";
  using GetString = const unsigned char* (*)(unsigned);
  auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
  constexpr unsigned kGlRenderer = 0x1F01;
  const unsigned char* name = getString != nullptr ? getString(kGlRenderer) : nullptr;
  return name != nullptr ? reinterpret_cast<const char*>(name) : "";
}

bool isSoftwareGl(const std::string& name) {
  return name.find("llvmpipe") != std::string::npos || name.find("softpipe") != std::string::npos ||
         name.find("swrast") != std::string::npos || name.find("Software") != std::string::npos;
}

// GLASS_ORCHARD_SCALER=sdl or =cpu overrides the choice (for comparing).
const char* scalerOverride() {
  const char* value = std::getenv("GLASS_ORCHARD_SCALER");
  return value != nullptr && (std::strcmp(value, "sdl") == 0 || std::strcmp(value, "cpu") == 0) ? value : nullptr;
}

double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

bool FramePresenter::start(SDL_Window* window, const Settings& settings) {
  stop();
  {
    std::lock_guard lock(mutex_);
    stopping_ = false;
    startDone_ = false;
    pending_ = false;
    repaint_ = false;
    gap_ = false;
    failed_ = false;
    commands_.clear();
    pendingFrame_.clear();
    currentFrame_.clear();
    currentWidth_ = 0;
    currentHeight_ = 0;
    maxTextureWidth_ = 0;
    maxTextureHeight_ = 0;
  }
  presentStats_.reset(refreshSeconds_);
  presentCpuSeconds_ = 0;
  scaledOnCpu_ = false;
  thread_ = std::thread(&FramePresenter::run, this, window, settings);
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return startDone_; });
  if (startOk_) return true;
  lock.unlock();
  thread_.join();
  return false;
}

void FramePresenter::stop() {
  if (!thread_.joinable()) return;
  if (abandoned_.load()) {
    // It waits inside Xlib for the process's end; joining would never return.
    thread_.detach();
    return;
  }
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
  if (verbose_ && presentStats_.presents() > 1) {
    const std::string text = formatPresentSummary(presentStats_.summary(), refreshSeconds_);
    std::fputs(text.c_str(), stderr);
    std::fprintf(stderr, "presents: the present thread spent %.2f ms of CPU time per frame%s\n",
                 presentCpuSeconds_ * 1000.0 / static_cast<double>(presentStats_.presents()),
                 scaledOnCpu_ ? "" : " (the renderer's own threads not counted)");
  }
}

bool FramePresenter::submit(const std::uint32_t* pixels, int width, int height, int pitch, int entry) {
  std::unique_lock lock(mutex_);
  if ((maxTextureWidth_ > 0 && width > maxTextureWidth_) || (maxTextureHeight_ > 0 && height > maxTextureHeight_)) {
    std::fprintf(stderr,
                 "glass-orchard: the renderer shows pictures of at most %d x %d, not %d x %d; use a smaller "
                 "--render-scale\n",
                 maxTextureWidth_, maxTextureHeight_, width, height);
    return false;
  }
  changed_.wait(lock, [this] { return !pending_ || stopping_; });
  if (stopping_ || failed_) return false;
  lock.unlock();
  // The present thread leaves the pending buffer alone until pending_ is set.
  pendingFrame_.resize(static_cast<std::size_t>(width) * height);
  pendingWidth_ = width;
  pendingHeight_ = height;
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const std::uint8_t*>(pixels) + static_cast<std::size_t>(y) * pitch;
    std::memcpy(pendingFrame_.data() + static_cast<std::size_t>(y) * width, row, static_cast<std::size_t>(width) * 4);
  }
  lock.lock();
  pending_ = true;
  pendingEntry_ = entry;
  lock.unlock();
  changed_.notify_all();
  return true;
}

void FramePresenter::abandon() {
  abandoned_.store(true);
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
}

void FramePresenter::post(std::function<void()> command) {
  {
    std::lock_guard lock(mutex_);
    commands_.push_back(std::move(command));
  }
  changed_.notify_all();
}

void FramePresenter::markGap() {
  std::lock_guard lock(mutex_);
  gap_ = true;
}

RenderedFrame FramePresenter::frameOnScreen() {
  std::lock_guard lock(mutex_);
  return {currentFrame_, currentWidth_, currentHeight_};
}

int FramePresenter::fittingRenderScale(int maxScale) {
  if (!running()) return 1;
  // Asked on the present thread, which owns the renderer, after the window
  // commands posted before (showing it, full screen) have run.
  auto answer = std::make_shared<int>(0);  // guarded by mutex_
  post([this, answer, maxScale] {
    SDL_PumpEvents();
    int width = 0;
    int height = 0;
    drawingSize(width, height);
    int scale = 0;
    {
      std::lock_guard lock(mutex_);
      scale = fittingScaleFor(width, height, maxTextureWidth_, maxTextureHeight_, maxScale);
      *answer = scale;
    }
    changed_.notify_all();
    if (verbose_) {
      std::fprintf(stderr, "render scale: %d fits the window's %d x %d pixels (%d x %d pictures)\n", scale, width,
                   height, scale * 640, scale * 480);
    }
  });
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&answer, this] { return *answer != 0 || stopping_; });
  return *answer != 0 ? *answer : 1;
}

void FramePresenter::drawingSize(int& width, int& height) {
  width = 0;
  height = 0;
  if (renderer_ != nullptr) {
    SDL_GetRendererOutputSize(renderer_, &width, &height);
  } else if (SDL_Surface* surface = SDL_GetWindowSurface(window_); surface != nullptr) {
    width = surface->w;
    height = surface->h;
  }
}

int FramePresenter::watchWindowEvents(void* self, SDL_Event* event) {
  // Runs on the thread that pumps events: the present thread.
  if (event->type == SDL_WINDOWEVENT &&
      (event->window.event == SDL_WINDOWEVENT_SIZE_CHANGED || event->window.event == SDL_WINDOWEVENT_EXPOSED)) {
    auto* presenter = static_cast<FramePresenter*>(self);
    if (event->window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
      presenter->sizeGeneration_.fetch_add(1, std::memory_order_relaxed);
    }
    std::lock_guard lock(presenter->mutex_);
    presenter->repaint_ = true;
  }
  return 1;
}

bool FramePresenter::createRenderer(SDL_Window* window, const Settings& settings, bool mayUseCpu) {
  const Uint32 flags = SDL_RENDERER_ACCELERATED | (settings.vsync ? SDL_RENDERER_PRESENTVSYNC : 0);
  renderer_ = SDL_CreateRenderer(window, -1, flags);
  if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
  if (renderer_ != nullptr) {
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                 kFirstTextureWidth, kFirstTextureHeight);
    textureWidth_ = kFirstTextureWidth;
    textureHeight_ = kFirstTextureHeight;
  }
  if (texture_ == nullptr) {
    std::fprintf(stderr, "glass-orchard: no window: %s\n", SDL_GetError());
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    renderer_ = nullptr;
    return false;
  }
  scaleMode_ = SDL_ScaleModeNearest;
  SDL_SetTextureScaleMode(texture_, scaleMode_);

  // Where the renderer is software itself, scaling on the CPU straight into
  // the window's surface saves its upload and its slower scale.
  SDL_RendererInfo info{};
  SDL_GetRendererInfo(renderer_, &info);
  const std::string gl = glRendererName(info.name);
  const bool softwareRenderer = (info.flags & SDL_RENDERER_SOFTWARE) != 0 ||
                                (info.flags & SDL_RENDERER_ACCELERATED) == 0 || isSoftwareGl(gl);
  const char* forced = scalerOverride();
  const bool wantCpu = mayUseCpu && (forced != nullptr ? std::strcmp(forced, "cpu") == 0 : softwareRenderer);
  if (settings.verbose) {
    std::fprintf(stderr, "renderer: %s%s%s (%s by SDL's account), vsync %s\n", info.name != nullptr ? info.name : "?",
                 gl.empty() ? "" : " on ", gl.c_str(),
                 (info.flags & SDL_RENDERER_ACCELERATED) != 0 ? "accelerated" : "software",
                 (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0 ? "on" : "off");
  }
  if (wantCpu) {
    SDL_DestroyTexture(texture_);
    SDL_DestroyRenderer(renderer_);
    texture_ = nullptr;
    renderer_ = nullptr;
    // The native (shared-memory) framebuffer, not one SDL emulates with a renderer.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    const bool usable = surface != nullptr && surface->format->BytesPerPixel == 4 &&
                        surface->format->Rmask == 0x00FF0000u && surface->format->Gmask == 0x0000FF00u &&
                        surface->format->Bmask == 0x000000FFu;
    if (usable) {
      window_ = window;
      scaledOnCpu_ = true;
      if (settings.verbose) {
        std::fprintf(stderr, "scaling: on the CPU into the window surface (%s)\n",
                     forced != nullptr ? "GLASS_ORCHARD_SCALER=cpu" : "the renderer is software");
      }
      return true;
    }
    std::fprintf(stderr, "glass-orchard: the window surface is unusable (%s); using the renderer\n",
                 surface == nullptr ? SDL_GetError() : SDL_GetPixelFormatName(surface->format->format));
    return createRenderer(window, settings, false);
  }
  if (settings.verbose) std::fprintf(stderr, "scaling: by the renderer\n");
  {
    std::lock_guard lock(mutex_);
    maxTextureWidth_ = info.max_texture_width;
    maxTextureHeight_ = info.max_texture_height;
  }
  return true;
}

bool FramePresenter::fitTexture() {
  if (texture_ != nullptr && textureWidth_ == currentWidth_ && textureHeight_ == currentHeight_) return true;
  if (texture_ != nullptr) SDL_DestroyTexture(texture_);
  texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, currentWidth_,
                               currentHeight_);
  if (texture_ == nullptr) {
    std::fprintf(stderr, "glass-orchard: the renderer cannot hold a %d x %d picture: %s\n", currentWidth_,
                 currentHeight_, SDL_GetError());
    std::lock_guard lock(mutex_);
    failed_ = true;
    return false;
  }
  textureWidth_ = currentWidth_;
  textureHeight_ = currentHeight_;
  scaleMode_ = SDL_ScaleModeNearest;
  SDL_SetTextureScaleMode(texture_, scaleMode_);
  if (verbose_) std::fprintf(stderr, "presents: pictures of %d x %d\n", currentWidth_, currentHeight_);
  return true;
}

// Decides who holds presents to the refresh rate, and says truthfully why.
void FramePresenter::choosePacing(const Settings& settings) {
  SDL_RendererInfo info{};
  if (renderer_ != nullptr) SDL_GetRendererInfo(renderer_, &info);
  SDL_Window* window = renderer_ != nullptr ? SDL_RenderGetWindow(renderer_) : window_;
  SDL_DisplayMode mode{};
  const int displayIndex = SDL_GetWindowDisplayIndex(window);
  const int modeRate = displayIndex >= 0 && SDL_GetCurrentDisplayMode(displayIndex, &mode) == 0 ? mode.refresh_rate : 0;
  const double nominal = 1.0 / (modeRate > 0 ? modeRate : kTimerRate);

  std::string why;
  pacedByDisplay_ = false;
  if (!settings.vsync) {
    why = "vsync turned off";
  } else if (renderer_ == nullptr) {
    why = "a window surface has no vsync";
  } else if ((info.flags & SDL_RENDERER_PRESENTVSYNC) == 0) {
    why = "the renderer has no vsync";
  } else if (isVirtualDriver()) {
    why = std::string("the ") + SDL_GetCurrentVideoDriver() + " video driver has no display";
  } else {
    // Time back-to-back presents of a black picture: held to a retrace, each
    // takes about a refresh period.
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    std::vector<double> intervals;
    auto previous = std::chrono::steady_clock::now();
    for (int i = 0; i < kRetraceProbes; ++i) {
      SDL_RenderClear(renderer_);
      SDL_RenderPresent(renderer_);
      const auto now = std::chrono::steady_clock::now();
      if (i > 0) intervals.push_back(std::chrono::duration<double>(now - previous).count());
      previous = now;
    }
    std::sort(intervals.begin(), intervals.end());
    const double measured = intervals[intervals.size() / 2];
    char text[160];
    if (measured >= nominal * kRetraceShare) {
      pacedByDisplay_ = true;
      refreshSeconds_ = measured;
      // Said as measured: a virtual display's server may pace presents by
      // a timer of its own rather than a real retrace.
      std::snprintf(text, sizeof text, "the display holds each present to its refresh: %.1f ms measured, %s",
                    measured * 1000.0, modeRate > 0 ? (std::to_string(modeRate) + " Hz reported").c_str()
                                                    : "no refresh rate reported");
    } else {
      std::snprintf(text, sizeof text, "the display does not wait for a retrace (a present took %.2f ms)",
                    measured * 1000.0);
      why = text;
    }
    if (pacedByDisplay_ && settings.verbose) std::fprintf(stderr, "presents: %s\n", text);
  }
  if (!pacedByDisplay_) {
    refreshSeconds_ = 1.0 / kTimerRate;
    if (settings.verbose) std::fprintf(stderr, "presents: held to %d per second by a timer: %s\n", kTimerRate, why.c_str());
  }
}

void FramePresenter::holdToTimer() {
  using namespace std::chrono;
  const auto period = duration_cast<steady_clock::duration>(duration<double>(1.0 / kTimerRate));
  const auto now = steady_clock::now();
  if (nextPresent_ > now) {
    std::this_thread::sleep_until(nextPresent_);
    nextPresent_ += period;
  } else {
    // Late (or first): start the cadence again from now instead of rushing
    // to catch up.
    nextPresent_ = now + period;
  }
}

void FramePresenter::draw(bool pace) {
  if (renderer_ == nullptr) {
    drawOnCpu(pace);
    return;
  }
  int width = 0;
  int height = 0;
  SDL_GetRendererOutputSize(renderer_, &width, &height);
  const PictureRect fit = letterbox(width, height);
  // Whole multiples of the picture stay sharp; anything else, smaller
  // included, is smoothed.
  const SDL_ScaleMode mode = fit.width % textureWidth_ == 0 && fit.height % textureHeight_ == 0
                                 ? SDL_ScaleModeNearest
                                 : SDL_ScaleModeLinear;
  if (texture_ != nullptr && mode != scaleMode_) {
    SDL_SetTextureScaleMode(texture_, mode);
    scaleMode_ = mode;
  }
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  const SDL_Rect target{fit.x, fit.y, fit.width, fit.height};
  if (texture_ != nullptr) SDL_RenderCopy(renderer_, texture_, nullptr, &target);
  if (pace && !pacedByDisplay_) holdToTimer();
  SDL_RenderPresent(renderer_);
}

void FramePresenter::drawOnCpu(bool pace) {
  // Valid until the window changes size; SDL makes a new one then.
  SDL_Surface* surface = SDL_GetWindowSurface(window_);
  if (surface == nullptr) return;
  const PictureRect fit = letterbox(surface->w, surface->h);
  if (currentFrame_.empty()) {
    SDL_FillRect(surface, nullptr, 0);
  } else {
    scaler_.scale(currentFrame_.data(), currentWidth_, currentHeight_, static_cast<std::uint32_t*>(surface->pixels),
                  surface->w, surface->h, surface->pitch, fit);
  }
  if (pace) holdToTimer();
  SDL_UpdateWindowSurface(window_);
}

void FramePresenter::run(SDL_Window* window, Settings settings) {
  verbose_ = settings.verbose;
  const bool ok = createRenderer(window, settings, true);
  if (ok) choosePacing(settings);
  {
    std::lock_guard lock(mutex_);
    startDone_ = true;
    startOk_ = ok;
  }
  changed_.notify_all();
  if (!ok) {
    SDL_TLSCleanup();
    return;
  }

  SDL_AddEventWatch(watchWindowEvents, this);
  startTime_ = std::chrono::steady_clock::now();
  presentStats_.reset(refreshSeconds_);
  nextPresent_ = {};
  bool haveFrame = false;
  for (;;) {
    std::vector<std::function<void()>> commands;
    bool newFrame = false;
    bool repaint = false;
    bool gap = false;
    {
      std::unique_lock lock(mutex_);
      changed_.wait_for(lock, kIdlePump, [this] { return stopping_ || pending_ || !commands_.empty() || repaint_; });
      if (stopping_) break;
      commands.swap(commands_);
      if (pending_) {
        // Take the frame; the main thread may fill the other buffer at once.
        pendingFrame_.swap(currentFrame_);
        currentWidth_ = pendingWidth_;
        currentHeight_ = pendingHeight_;
        currentEntry_ = pendingEntry_;
        pending_ = false;
        newFrame = true;
        gap = gap_;
        gap_ = false;
      }
      repaint = repaint_ || !commands.empty();
      repaint_ = false;
    }
    if (newFrame) changed_.notify_all();
    for (const auto& command : commands) command();
    SDL_PumpEvents();
    if (newFrame) {
      // Only this thread writes currentFrame_; reading it needs no lock.
      if (renderer_ != nullptr && fitTexture()) {
        SDL_UpdateTexture(texture_, nullptr, currentFrame_.data(), currentWidth_ * 4);
      }
      haveFrame = true;
      const double cpuBefore = threadCpuSeconds();
      draw(true);
      presentCpuSeconds_ += threadCpuSeconds() - cpuBefore;
      presentStats_.add({secondsSince(startTime_), currentEntry_, gap});
    } else if (repaint) {
      if (haveFrame || renderer_ == nullptr) {
        draw(false);
      } else {
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        SDL_RenderPresent(renderer_);
      }
    }
  }
  SDL_DelEventWatch(watchWindowEvents, this);
  if (texture_ != nullptr) SDL_DestroyTexture(texture_);
  if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
  texture_ = nullptr;
  renderer_ = nullptr;
  window_ = nullptr;
  // SDL keeps per-thread data (its error text) that only threads of its own
  // free on exit.
  SDL_TLSCleanup();
}
