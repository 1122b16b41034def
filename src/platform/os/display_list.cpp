// --list-displays: the monitors SDL sees, with their usable areas.
#include <SDL.h>

#include "platform/os/quiet_stderr.h"
#include "platform/os/window_system.h"

std::vector<DisplayDescription> describeDisplays(bool verbose, std::string& driver, std::string& error) {
  std::vector<DisplayDescription> displays;
  const bool started = SDL_WasInit(SDL_INIT_VIDEO) != 0;
  if (!started) {
    QuietStandardError quiet(!verbose);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      error = SDL_GetError();
      return displays;
    }
  }
  const char* current = SDL_GetCurrentVideoDriver();
  driver = current != nullptr ? current : "";
  const int count = SDL_GetNumVideoDisplays();
  if (count < 0) error = SDL_GetError();
  for (int i = 0; i < count; ++i) {
    DisplayDescription d;
    d.number = i;
    const char* name = SDL_GetDisplayName(i);
    d.name = name != nullptr ? name : "";
    SDL_Rect bounds{};
    if (SDL_GetDisplayBounds(i, &bounds) == 0) {
      d.x = bounds.x;
      d.y = bounds.y;
      d.width = bounds.w;
      d.height = bounds.h;
    }
    SDL_Rect usable{};
    if (SDL_GetDisplayUsableBounds(i, &usable) == 0) {
      d.usableWidth = usable.w;
      d.usableHeight = usable.h;
    } else {
      d.usableWidth = d.width;
      d.usableHeight = d.height;
    }
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(i, &mode) == 0) d.refreshRate = mode.refresh_rate;
    displays.push_back(d);
  }
  if (!started) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  return displays;
}
