#include "app/options.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int kMaxScale = 16;

bool parseScale(const std::string& text, int& scale) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > kMaxScale) return false;
  scale = value;
  return true;
}

constexpr int kMaxFps = 1000;

bool parseFps(const std::string& text, int& fps) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > kMaxFps) return false;
  fps = value;
  return true;
}

constexpr int kMaxThreads = 64;

bool parseThreads(const std::string& text, int& threads) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > kMaxThreads) return false;
  threads = value;
  return true;
}

bool parseSeconds(const std::string& text, double& seconds) {
  if (text.empty()) return false;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(value) || value <= 0) return false;
  seconds = value;
  return true;
}

}  // namespace

OptionsResult parseOptions(const std::vector<std::string>& arguments) {
  OptionsResult result;
  Options& o = result.options;
  const auto fail = [&result](std::string message) {
    result.ok = false;
    result.error = std::move(message);
    return result;
  };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string name = arguments[i];
    std::string value;
    bool hasInlineValue = false;
    if (const auto equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
      hasInlineValue = true;
    }
    // Takes the option's value from "=value" or the next argument.
    const auto takeValue = [&]() -> bool {
      if (hasInlineValue) return true;
      if (i + 1 >= arguments.size()) return false;
      value = arguments[++i];
      return true;
    };
    const auto takesNoValue = [&] { return !hasInlineValue; };

    if (name == "--help" && takesNoValue()) {
      // --help: print the options and exit.
      o.help = true;
    } else if (name == "--version" && takesNoValue()) {
      // --version: print the program's version and exit.
      o.version = true;
    } else if (name == "--window" && takesNoValue()) {
      // --window: a window of scale x 640 x 480 instead of full screen.
      o.fullscreen = false;
    } else if (name == "--fullscreen" && takesNoValue()) {
      // --fullscreen: desktop full screen, the picture scaled to fit at 4:3 (default).
      o.fullscreen = true;
    } else if (name == "--scale") {
      // --scale N: window size factor 1..16 (default 2); implies --window.
      if (!takeValue()) return fail("--scale needs a number");
      if (!parseScale(value, o.scale)) return fail("--scale wants a whole number from 1 to 16, not '" + value + "'");
      o.fullscreen = false;
    } else if (name == "--vsync" && takesNoValue()) {
      // --vsync: hold presents to the display's retrace where it can (default).
      o.vsync = true;
    } else if (name == "--no-vsync" && takesNoValue()) {
      // --no-vsync: do not wait for the retrace; presents are held to 60 per second.
      o.vsync = false;
    } else if (name == "--data") {
      // --data DIR: change to DIR before start-up (where track.xm, data\ and ref\ lie).
      if (!takeValue() || value.empty()) return fail("--data needs a directory");
      o.dataDirectory = value;
    } else if (name == "--trace") {
      // --trace FILE: write every Direct3D call of the run to FILE.
      if (!takeValue() || value.empty()) return fail("--trace needs a file name");
      o.traceFile = value;
    } else if (name == "--verbose" && takesNoValue()) {
      // --verbose: report the video driver, renderer, sound device and decoder messages.
      o.verbose = true;
    } else if (name == "--capture") {
      // --capture OUT: render offline to OUT.mp4 / OUT.mkv, or to the folder OUT as PNG frames + audio.wav.
      if (!takeValue() || value.empty()) return fail("--capture needs a video file or a folder");
      o.captureOutput = value;
    } else if (name == "--contact-sheet") {
      // --contact-sheet OUT.png: render offline and keep a grid of labelled frames in one PNG.
      if (!takeValue() || value.empty()) return fail("--contact-sheet needs a PNG file name");
      o.contactSheet = value;
    } else if (name == "--bench" && takesNoValue()) {
      // --bench: render offline without output and print frames per second and where the time goes.
      o.bench = true;
    } else if (name == "--fps") {
      // --fps N: frames per second of the offline modes, 1..1000 (default 60; 30 for a contact sheet).
      if (!takeValue()) return fail("--fps needs a number");
      if (!parseFps(value, o.fps)) return fail("--fps wants a whole number from 1 to 1000, not '" + value + "'");
    } else if (name == "--max-seconds") {
      // --max-seconds S: end an offline run after S seconds of presentation time.
      if (!takeValue()) return fail("--max-seconds needs a number");
      if (!parseSeconds(value, o.maxSeconds)) return fail("--max-seconds wants a positive number, not '" + value + "'");
    } else if (name == "--threads") {
      // --threads N: threads that rasterise, 1..64 (default: the machine's processor count).
      if (!takeValue()) return fail("--threads needs a number");
      if (!parseThreads(value, o.threads)) {
        return fail("--threads wants a whole number from 1 to 64, not '" + value + "'");
      }
    } else {
      return fail("unknown option: " + arguments[i]);
    }
  }
  const int offlineModes = !o.captureOutput.empty() + !o.contactSheet.empty() + o.bench;
  if (offlineModes > 1) return fail("--capture, --contact-sheet and --bench cannot be combined");
  if (offlineModes == 0 && (o.fps != 0 || o.maxSeconds != 0)) {
    return fail("--fps and --max-seconds apply to --capture, --contact-sheet and --bench only");
  }
  return result;
}

std::string helpText(const std::string& programName) {
  return "Usage: " + programName +
         " [options]\n"
         "GLASS ORCHARD, a real-time presentation with music. Run it beside its\n"
         "data (track.xm, data\\, ref\\); Escape ends it.\n"
         "\n"
         "  --help          print this help and exit\n"
         "  --version       print the version and exit\n"
         "  --fullscreen    desktop full screen, scaled to fit at 4:3 (default)\n"
         "  --window        a window of 2 x 640 x 480 instead\n"
         "  --scale N       a window of N x 640 x 480 (1 to 16)\n"
         "  --vsync         hold frames to the display's retrace (default)\n"
         "  --no-vsync      do not wait for the retrace (frames held to 60 per second)\n"
         "  --data DIR      change to DIR before start-up\n"
         "  --trace FILE    write every Direct3D call to FILE\n"
         "  --verbose       report video driver, renderer and sound device\n"
         "  --threads N     threads that draw, 1 to 64 (default: one per processor)\n"
         "\n"
         "Offline (no window; the whole presentation on a virtual clock):\n"
         "  --capture OUT         video OUT.mp4 or OUT.mkv (through ffmpeg), or PNG\n"
         "                        frames and audio.wav in the folder OUT\n"
         "  --contact-sheet OUT.png  a grid of labelled frames from every scene\n"
         "  --bench               frames per second overall and per scene (of\n"
         "                        wall-clock and of processor time), the thread\n"
         "                        count, and the shares of rasterising, decoding\n"
         "                        and audio\n"
         "  --fps N               frames per second, 1 to 1000 (default 60;\n"
         "                        30 for a contact sheet)\n"
         "  --max-seconds S       stop after S seconds of presentation time\n"
         "  Offline runs end with 1 when nothing usable could be written.\n"
         "\n"
         "Exit status: 0 at the end of the music or after a start-up failure,\n"
         "27 after Escape, 2 for a bad command line.\n";
}
