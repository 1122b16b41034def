#include "app/options.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "platform/frame_sink.h"

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

bool parseWholeNumber(const std::string& text, int low, int high, int& number) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) return false;
  number = value;
  return true;
}

constexpr int kMaxDisplay = 63;
// A day: far past the presentation's end, and small enough that seconds
// times frames per second is exact in any integer the capture counts with.
constexpr double kMaxSeconds = 86400;

constexpr int kMaxThreads = 64;

// Capture frame sizes: even sides (video stores colour in 2 x 2 blocks),
// from a thumbnail to 8K.
constexpr int kMinFrameSide = 64;
constexpr int kMaxFrameWidth = 7680;
constexpr int kMaxFrameHeight = 4320;

bool parseFrameSize(const std::string& text, int& width, int& height, std::string& error) {
  const std::size_t cross = text.find('x');
  int w = 0;
  int h = 0;
  if (cross == std::string::npos || !parseWholeNumber(text.substr(0, cross), 1, kMaxFrameWidth * 2, w) ||
      !parseWholeNumber(text.substr(cross + 1), 1, kMaxFrameHeight * 2, h)) {
    error = "--size wants WIDTHxHEIGHT such as 1920x1080, not '" + text + "'";
    return false;
  }
  if (w < kMinFrameSide || w > kMaxFrameWidth || h < kMinFrameSide || h > kMaxFrameHeight) {
    error = "--size wants a width from 64 to 7680 and a height from 64 to 4320, not '" + text + "'";
    return false;
  }
  if (w % 2 != 0 || h % 2 != 0) {
    error = "--size wants an even width and height (video stores colour in 2 x 2 blocks), not '" + text + "'";
    return false;
  }
  width = w;
  height = h;
  return true;
}

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool parseSeconds(const std::string& text, double& seconds) {
  if (text.empty()) return false;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(value) || value <= 0 || value > kMaxSeconds) return false;
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

    if ((name == "--help" || name == "-h") && takesNoValue()) {
      // --help: print the options and exit.
      o.help = true;
    } else if ((name == "--version" || name == "-V") && takesNoValue()) {
      // --version: print the program's version and exit.
      o.version = true;
    } else if (name == "--window" && takesNoValue()) {
      // --window: a window of scale x 640 x 480 instead of full screen.
      o.fullscreen = false;
    } else if (name == "--fullscreen" && takesNoValue()) {
      // --fullscreen: desktop full screen, the picture scaled to fit at 4:3 (default).
      o.fullscreen = true;
    } else if (name == "--scale") {
      // --scale N: window size factor 1..16 (default: the largest that fits); implies --window.
      if (!takeValue()) return fail("--scale needs a number");
      if (!parseScale(value, o.scale)) return fail("--scale wants a whole number from 1 to 16, not '" + value + "'");
      o.fullscreen = false;
    } else if (name == "--display") {
      // --display N: the monitor (0 is the first) for the window and for full screen.
      if (!takeValue()) return fail("--display needs a number");
      if (!parseWholeNumber(value, 0, kMaxDisplay, o.display)) {
        return fail("--display wants a monitor number from 0 to 63, not '" + value + "'");
      }
    } else if (name == "--volume") {
      // --volume N: loudness of the music, 0 (silent) to 100 (default).
      if (!takeValue()) return fail("--volume needs a number");
      if (!parseWholeNumber(value, 0, 100, o.volume)) {
        return fail("--volume wants a whole number from 0 to 100, not '" + value + "'");
      }
    } else if (name == "--audio-device") {
      // --audio-device NAME: play on this SDL playback device (see --list-audio-devices).
      if (!takeValue() || value.empty()) return fail("--audio-device needs a device name");
      o.audioDevice = value;
    } else if (name == "--list-audio-devices" && takesNoValue()) {
      // --list-audio-devices: print the playback device names and exit.
      o.listAudioDevices = true;
    } else if (name == "--list-displays" && takesNoValue()) {
      // --list-displays: print each monitor's number, name and usable size, and exit.
      o.listDisplays = true;
    } else if (name == "--no-config" && takesNoValue()) {
      // --no-config: start from the defaults, not from the settings file.
      o.noConfig = true;
    } else if (name == "--loop" && takesNoValue()) {
      // --loop: start again from the beginning at the end of the music, until Escape.
      o.loop = true;
    } else if (name == "--vsync" && takesNoValue()) {
      // --vsync: hold presents to the display's retrace where it can (default).
      o.vsync = true;
    } else if (name == "--no-vsync" && takesNoValue()) {
      // --no-vsync: do not wait for the retrace; presents are held to 60 per second.
      o.vsync = false;
    } else if (name == "--data") {
      // --data DIR: read the content from DIR only (where track.xm, data/ and ref/ lie).
      if (!takeValue() || value.empty()) return fail("--data needs a directory");
      o.dataDirectory = value;
    } else if (name == "--trace") {
      // --trace FILE: write every Direct3D call of the run to FILE.
      if (!takeValue() || value.empty()) return fail("--trace needs a file name");
      o.traceFile = value;
    } else if (name == "--verbose" && takesNoValue()) {
      // --verbose: report the video driver, renderer, sound device and decoder messages.
      o.verbose = true;
    } else if (name == "--headless" && takesNoValue()) {
      // --headless: play even where no display can show the window (tests).
      o.headless = true;
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
    } else if (name == "--frame-hash" && takesNoValue()) {
      // --frame-hash: render offline without output and print one hash over every frame's pixels.
      o.frameHash = true;
    } else if (name == "--fps") {
      // --fps N: frames per second of the offline modes, 1..1000 (default 60; 30 for a contact sheet).
      if (!takeValue()) return fail("--fps needs a number");
      if (!parseFps(value, o.fps)) return fail("--fps wants a whole number from 1 to 1000, not '" + value + "'");
    } else if (name == "--max-seconds") {
      // --max-seconds S: end an offline run after S seconds of presentation time.
      if (!takeValue()) return fail("--max-seconds needs a number");
      if (!parseSeconds(value, o.maxSeconds)) {
        return fail("--max-seconds wants a positive number of seconds up to 86400, not '" + value + "'");
      }
    } else if (name == "--size") {
      // --size WxH: capture frames of W x H, the picture fitted at 4:3 with black bars.
      if (!takeValue()) return fail("--size needs WIDTHxHEIGHT");
      std::string error;
      if (!parseFrameSize(value, o.captureWidth, o.captureHeight, error)) return fail(error);
    } else if (name == "--scale-filter") {
      // --scale-filter F: nearest, bilinear or lanczos for --size.
      if (!takeValue()) return fail("--scale-filter needs nearest, bilinear or lanczos");
      if (value != "nearest" && value != "bilinear" && value != "lanczos") {
        return fail("--scale-filter wants nearest, bilinear or lanczos, not '" + value + "'");
      }
      o.scaleFilter = value;
    } else if (name == "--quality") {
      // --quality N: constant-quality factor of the video, 0 (best) to 51.
      if (!takeValue()) return fail("--quality needs a number");
      if (!parseWholeNumber(value, 0, 51, o.videoQuality)) {
        return fail("--quality wants a whole number from 0 (best) to 51, not '" + value + "'");
      }
    } else if (name == "--lossless" && takesNoValue()) {
      // --lossless: lossless video (FFV1) in a .mkv capture.
      o.lossless = true;
    } else if (name == "--threads") {
      // --threads N: threads that rasterise, 1..64 (default: the machine's processor count).
      if (!takeValue()) return fail("--threads needs a number");
      if (!parseWholeNumber(value, 1, kMaxThreads, o.threads)) {
        return fail("--threads wants a whole number from 1 to 64, not '" + value + "'");
      }
    } else if (name == "--render-scale") {
      // --render-scale N|auto: the picture at N x 640 x 480, 1..4; auto fits the window or --size.
      if (!takeValue()) return fail("--render-scale needs a number from 1 to 4 or auto");
      if (value == "auto") {
        o.renderScale = 0;
      } else if (!parseWholeNumber(value, 1, kMaxPictureScale, o.renderScale)) {
        return fail("--render-scale wants a whole number from 1 to 4 or auto, not '" + value + "'");
      }
    } else if (name == "--antialias" && takesNoValue()) {
      // --antialias: renders twice as fine each way and averages, four samples a pixel.
      o.antialias = true;
    } else {
      return fail("unknown option: " + arguments[i]);
    }
  }
  const int offlineModes = !o.captureOutput.empty() + !o.contactSheet.empty() + o.bench + o.frameHash;
  if (offlineModes > 1) return fail("--capture, --contact-sheet, --bench and --frame-hash cannot be combined");
  if (offlineModes > 0 && o.loop) {
    return fail("--loop applies to live play, not to --capture, --contact-sheet, --bench or --frame-hash");
  }
  if (offlineModes == 0 && (o.fps != 0 || o.maxSeconds != 0)) {
    return fail("--fps and --max-seconds apply to --capture, --contact-sheet, --bench and --frame-hash only");
  }
  const bool qualityGiven = o.videoQuality >= 0;
  const bool video = endsWith(o.captureOutput, ".mp4") || endsWith(o.captureOutput, ".mkv");
  if ((o.captureWidth > 0 || !o.scaleFilter.empty()) && o.captureOutput.empty()) {
    return fail("--size and --scale-filter apply to --capture only (a contact sheet keeps its own size)");
  }
  if (!o.scaleFilter.empty() && o.captureWidth == 0) return fail("--scale-filter needs --size");
  if ((qualityGiven || o.lossless) && !video) return fail("--quality and --lossless apply to a .mp4 or .mkv capture only");
  if (qualityGiven && o.lossless) return fail("--quality and --lossless cannot be combined");
  if (o.lossless && !endsWith(o.captureOutput, ".mkv")) {
    return fail("--lossless writes FFV1 video, which needs a .mkv capture, not " + o.captureOutput);
  }
  return result;
}

std::string helpText(const std::string& programName) {
  return "Usage: " + programName +
         " [options]\n"
         "GLASS ORCHARD, a real-time presentation with music. Escape ends it.\n"
         "\n"
         "  -h, --help      print this help and exit\n"
         "  -V, --version   print the version and exit\n"
         "  --fullscreen    desktop full screen, scaled to fit at 4:3 (default)\n"
         "  --window        a window instead: the largest whole multiple of\n"
         "                  640 x 480 that fits the desktop (resizable)\n"
         "  --scale N       a window of N x 640 x 480 (1 to 16; less if it does\n"
         "                  not fit). Of --window/--scale and --fullscreen the\n"
         "                  last one given counts\n"
         "  --display N     the monitor for the window and full screen (0 = first)\n"
         "  --vsync         hold frames to the display's retrace (default)\n"
         "  --no-vsync      do not wait for the retrace (frames held to 60 per second)\n"
         "  --data DIR      read the content (track.xm, data/, ref/) from DIR only\n"
         "  --trace FILE    write every Direct3D call to FILE\n"
         "  --verbose       report the content folder, video driver, renderer and\n"
         "                  sound device, and at the end how regularly frames\n"
         "                  were presented\n"
         "  --volume N      loudness of the music, 0 to 100 (default 100)\n"
         "  --audio-device NAME  play on this device (see --list-audio-devices)\n"
         "  --list-audio-devices  print the sound devices' names and exit\n"
         "  --list-displays  print each monitor's number, name and usable size, and\n"
         "                  exit (the numbers --display takes)\n"
         "  --no-config     do not read the settings file (see below)\n"
         "  --loop          start again from the beginning at the end of the music\n"
         "  --threads N     threads that draw, 1 to 64 (default: one per processor)\n"
         "  --render-scale N  draw the picture at N x 640 x 480, 1 to 4, for a\n"
         "                  sharper picture (default 1, the original); auto: the\n"
         "                  largest that fits the window, or the --size frame\n"
         "  --antialias     smooth edges: four samples a pixel (draws at twice the\n"
         "                  render scale each way and averages)\n"
         "  --headless      play even where no display can show it (for tests)\n"
         "\n"
         "Without --data the content is taken from the first of these folders that\n"
         "holds track.xm: the working folder, content/ or ../content/ beside the\n"
         "program, ../share/glass-orchard/ beside it, the installed data folder.\n"
         "\n"
         "Settings that stay are read from glass-orchard.conf in\n"
         "$XDG_CONFIG_HOME/glass-orchard/ (without XDG_CONFIG_HOME:\n"
         "~/.config/glass-orchard/): one option a line without its dashes, such as\n"
         "window, render-scale=auto or volume=60, and # comments. Every option above\n"
         "but --help, --version, --trace, --no-config and the --list ones may stand\n"
         "there; the command line overrides them, and --verbose names the file.\n"
         "\n"
         "Offline (no window; the whole presentation on a virtual clock):\n"
         "  --capture OUT         video OUT.mp4 or OUT.mkv (through ffmpeg), or PNG\n"
         "                        frames and audio.wav in the folder OUT\n"
         "  --contact-sheet OUT.png  a grid of labelled frames from every scene\n"
         "  --bench               frames per second overall and per scene (of\n"
         "                        wall-clock and of processor time), the thread\n"
         "                        count, and the shares of rasterising, decoding\n"
         "                        and audio\n"
         "  --frame-hash          print \"N frames at F fps: HASH\", one md5 over every\n"
         "                        frame's BGRA pixels (per frame the md5 that ffmpeg's\n"
         "                        framemd5 gives), and \"sound S samples: HASH\", the md5\n"
         "                        of the samples a capture's audio.wav holds, to prove\n"
         "                        two builds draw and play alike\n"
         "  --fps N               frames per second, 1 to 1000 (default 60;\n"
         "                        30 for a contact sheet)\n"
         "  --max-seconds S       stop after S seconds of presentation time (up to 86400)\n"
         "  --size WxH            capture frames of W x H (even, 64x64 to 7680x4320),\n"
         "                        the picture fitted at 4:3 with black bars, e.g.\n"
         "                        1920x1080 gives 1440 x 1080 in a 16:9 frame\n"
         "  --scale-filter F      nearest, bilinear or lanczos for --size (default:\n"
         "                        nearest for whole multiples, lanczos otherwise)\n"
         "  --quality N           video quality factor, 0 (best) to 51 (default 18;\n"
         "                        x264's constant rate factor)\n"
         "  --lossless            lossless video (FFV1 in RGB) for editing; OUT must\n"
         "                        end in .mkv\n"
         "\n"
         "Keys while playing:\n"
         "  Space           pause and resume (the music and the picture together)\n"
         "  M               mute and unmute the music\n"
         "  F11, Alt+Enter  switch between the window and full screen\n"
         "  F12             save the picture as glass-orchard-DATE-TIME.png in the\n"
         "                  folder the program was started from\n"
         "  Escape          end (exit status 27)\n"
         "\n"
         "Exit status:\n"
         "  0   the end of the music; also a failed start-up, which shows its\n"
         "      message box (on standard error where no box can be shown)\n"
         "  27  Escape\n"
         "  1   no display and no offline option, the display going away in\n"
         "      live play, a --data folder or --trace file that cannot be used,\n"
         "      an offline run that could not write anything usable, or the\n"
         "      decoder's \"Out of memory!\"\n"
         "  2   a bad command line\n"
         "  130, 143, 129  Ctrl-C, SIGTERM or SIGHUP (128 + the signal): live\n"
         "      play ends as if its window were closed; a capture, contact sheet,\n"
         "      benchmark or frame hash keeps what was captured so far, whole\n";
}
