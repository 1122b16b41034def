// The player's keys of a live run: pause, mute, full screen, screenshot
// (see window_system.h). They act at once and never reach the presentation.
#include <sys/stat.h>

#include <cstdio>
#include <utility>

#include "platform/os/clock.h"
#include "platform/os/os_internal.h"
#include "platform/os/window_system.h"

namespace {

struct PlayerState {
  PlayerHooks hooks;
  bool paused = false;
};

PlayerState& player() {
  static PlayerState state;
  return state;
}

bool exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

void note(const char* text) {
  if (windowOptions().verbose) std::fprintf(stderr, "glass-orchard: %s\n", text);
}

}  // namespace

void setPlayerHooks(PlayerHooks hooks) { player().hooks = std::move(hooks); }

void setPlaybackPaused(bool paused) {
  PlayerState& p = player();
  if (p.paused == paused) return;
  p.paused = paused;
  setClockPaused(paused);
  if (p.hooks.pause) p.hooks.pause(paused);
  if (!paused) os_detail::markPresentGap();
  note(paused ? "paused (Space resumes)" : "resumed");
}

bool playbackPaused() { return player().paused; }

void toggleFullscreen() { os_detail::toggleDisplayFullscreen(); }

bool windowFullscreen() { return os_detail::displayFullscreen(); }

std::string screenshotPath(const std::string& folder, std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  std::string base = folder.empty() ? std::string() : folder;
  if (!base.empty() && base.back() != '/') base += '/';
  base += std::string("glass-orchard-") + stamp;
  std::string path = base + ".png";
  for (int number = 2; exists(path); ++number) path = base + "-" + std::to_string(number) + ".png";
  return path;
}

std::string saveScreenshot() {
  const PlayerState& p = player();
  const RenderedFrame frame = os_detail::frameOnScreen();
  if (frame.pixels.empty() || frame.pixels.size() != static_cast<std::size_t>(frame.width) * frame.height ||
      !p.hooks.writePicture) {
    std::fprintf(stderr, "glass-orchard: no picture to save yet\n");
    return "";
  }
  const std::string path = screenshotPath(windowOptions().screenshotFolder, std::time(nullptr));
  std::string error;
  if (!p.hooks.writePicture(path, frame.pixels.data(), frame.width, frame.height, error)) {
    std::fprintf(stderr, "glass-orchard: cannot save the screenshot %s: %s\n", path.c_str(), error.c_str());
    return "";
  }
  std::fprintf(stderr, "glass-orchard: screenshot saved to %s\n", path.c_str());
  return path;
}

namespace os_detail {

void actOnPlayerKey(PlayerAction action) {
  PlayerState& p = player();
  switch (action) {
    case PlayerAction::kPause:
      setPlaybackPaused(!p.paused);
      break;
    case PlayerAction::kMute:
      if (p.hooks.toggleMute) p.hooks.toggleMute();
      break;
    case PlayerAction::kScreenshot:
      saveScreenshot();
      break;
    case PlayerAction::kFullscreen:
      toggleFullscreen();
      break;
  }
}

void resetPlayerState() {
  setPlaybackPaused(false);
  player() = PlayerState{};
}

}  // namespace os_detail
