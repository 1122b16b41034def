// The present thread of the display window: shows each finished frame while
// the main thread renders the next one. Internal to platform/os.
//
// Once started it is the only thread that talks to SDL's video side: it owns
// the window's renderer and texture, runs the window commands posted by the
// main thread (show, full screen, pointer) and pumps SDL's events into SDL's
// queue, from which the main thread takes them without pumping. The window
// itself is created and destroyed by the main thread while no present
// thread runs.
#pragma once

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/os/picture_scaler.h"
#include "platform/os/present_stats.h"

class FramePresenter {
 public:
  struct Settings {
    bool vsync = true;    // hold presents to the display's retrace when it has one
    bool verbose = false; // report renderer, pacing and (at stop) the present statistics
  };

  FramePresenter() = default;
  ~FramePresenter() { stop(); }
  FramePresenter(const FramePresenter&) = delete;
  FramePresenter& operator=(const FramePresenter&) = delete;

  // Starts the thread and waits until it has a renderer for `window`.
  // False (the reason on standard error) when no renderer could be made.
  bool start(SDL_Window* window, const Settings& settings);
  // Shows nothing more, destroys the renderer and joins the thread; with
  // `verbose` prints the present statistics. Safe to call when not running.
  void stop();
  bool running() const { return thread_.joinable(); }
  // Present thread, once the display went away: takes no more frames or
  // commands and wakes whoever waits for it. The thread itself never
  // returns (see x11_connection_loss.h), so stop() leaves it be.
  void abandon();

  // Main thread: hands over a frame (copied; any size, 640 x 480 or a whole
  // multiple of it in practice) of timeline entry `entry`. Waits while the
  // frame handed over before is still waiting to be shown, so the caller
  // runs at most one frame ahead of the display. False (the reason on
  // standard error) when the renderer cannot show a picture of that size.
  bool submit(const std::uint32_t* pixels, int width, int height, int pitch, int entry);
  // Runs `command` on the present thread, then shows the picture again.
  void post(std::function<void()> command);
  // The next present follows a pause: its interval is no frame time.
  void markGap();
  // A copy of the frame on screen at its rendered size (empty before the
  // first).
  RenderedFrame frameOnScreen();
  // Main thread: the largest render scale from 1 to `maxScale` whose picture
  // fits the window's drawable pixels, measured on the present thread after
  // the window commands posted before have run; 1 when not running.
  int fittingRenderScale(int maxScale);
  // Counts the window's size changes (any thread).
  unsigned sizeGeneration() const { return sizeGeneration_.load(std::memory_order_relaxed); }

 private:
  void run(SDL_Window* window, Settings settings);
  // The renderer, or (`mayUseCpu`, software renderer) the window surface
  // that scaler_ draws into.
  bool createRenderer(SDL_Window* window, const Settings& settings, bool mayUseCpu);
  // A texture of the current frame's size; false (and failed_) when the
  // renderer cannot make one.
  bool fitTexture();
  void drawingSize(int& width, int& height);
  void choosePacing(const Settings& settings);
  void draw(bool pace);
  void drawOnCpu(bool pace);
  void holdToTimer();
  static int watchWindowEvents(void* self, SDL_Event* event);

  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
  bool startDone_ = false;
  bool startOk_ = false;
  bool pending_ = false;          // pendingFrame_ holds a frame not yet shown
  bool repaint_ = false;          // show the current frame again (resize, expose, command)
  bool gap_ = false;
  bool failed_ = false;           // a frame could not be shown; no more are taken
  int pendingEntry_ = 0;
  std::vector<std::uint32_t> pendingFrame_;
  int pendingWidth_ = 0;
  int pendingHeight_ = 0;
  std::vector<std::uint32_t> currentFrame_;
  int currentWidth_ = 0;           // written under the lock by the present thread
  int currentHeight_ = 0;
  int currentEntry_ = 0;
  int maxTextureWidth_ = 0;        // the renderer's limit; 0 for none (set at start)
  int maxTextureHeight_ = 0;
  std::vector<std::function<void()>> commands_;

  // Present thread only (and stop() after the join).
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int textureWidth_ = 0;
  int textureHeight_ = 0;
  SDL_Window* window_ = nullptr;  // set when drawing into the window surface
  PictureScaler scaler_;
  bool pacedByDisplay_ = false;
  double refreshSeconds_ = 1.0 / 60.0;
  bool verbose_ = false;
  SDL_ScaleMode scaleMode_ = SDL_ScaleModeNearest;
  std::chrono::steady_clock::time_point nextPresent_{};
  PresentStats presentStats_;  // reset for each run once the refresh period is known
  double presentCpuSeconds_ = 0;  // CPU time of this thread spent drawing new frames
  bool scaledOnCpu_ = false;
  std::chrono::steady_clock::time_point startTime_{};
  std::atomic<unsigned> sizeGeneration_{0};  // bumped on the present thread
  std::atomic<bool> abandoned_{false};
};
