#include "app/display_check.h"

#include <cstdlib>

namespace {

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

}  // namespace

DisplayEnvironment currentDisplayEnvironment() {
  return {variable("DISPLAY"), variable("WAYLAND_DISPLAY"), variable("SDL_VIDEODRIVER")};
}

bool displayVisible(const DisplayEnvironment& environment) {
  // The drivers that draw into memory only; any other driver asked for by
  // name (kmsdrm on a console, for one) is taken to show something.
  if (environment.videoDriver == "dummy" || environment.videoDriver == "offscreen") return false;
  if (!environment.videoDriver.empty()) return true;
  return !environment.x11Display.empty() || !environment.waylandDisplay.empty();
}

std::string noDisplayMessage(const std::string& programName, const DisplayEnvironment& environment) {
  const std::string reason = environment.videoDriver.empty()
                                 ? "neither DISPLAY nor WAYLAND_DISPLAY is set"
                                 : "the video driver '" + environment.videoDriver + "' shows nothing";
  return programName + ": no display to play on (" + reason + ")\n" +
         programName + ": render it offline instead, for example\n" +
         "  " + programName + " --capture glass-orchard.mp4\n" +
         "  " + programName + " --contact-sheet sheet.png\n" +
         programName + ": or pass --headless to play with nothing shown\n";
}
