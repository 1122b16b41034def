// glass-orchard: the presentation's executable. Parses the command line
// (app/options.h), prepares the window, sound and device layers for this
// machine, then runs the presentation exactly as its Windows entry point did.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/command_line_error.h"
#include "app/config_file.h"
#include "app/content_location.h"
#include "app/display_check.h"
#include "app/options.h"
#include "app/run_reset.h"
#include "app/shell.h"
#include "app/timeline.h"
#include "app/timeline_state.h"
#include "app/trace_file.h"
#include "assets/file_loading.h"
#include "assets/mesh_file.h"
#include "capture/capture_mode.h"
#ifndef __EMSCRIPTEN__
#include "capture/png_writer.h"
#endif
#include "codec/container_check.h"
#include "codec/image_decoder.h"
#include "codec/texture_building.h"
#include "platform/d3d8/software_device.h"
#include "platform/os/display_loss.h"
#include "platform/os/termination_signals.h"
#include "platform/os/window_system.h"
#include "platform/os/regular_file.h"
#include "platform/sound/song_facts.h"
#include "platform/sound/sound_control.h"

namespace {

constexpr const char* kProgramName = "glass-orchard";
constexpr const char* kVersionText = "glass-orchard 1.0.0 (GLASS ORCHARD for Linux)\n";
constexpr int kCannotStartExitCode = 1;
#ifdef __EMSCRIPTEN__
constexpr double kBrowserBenchWarmUpSeconds = 1.0;
#endif

#ifndef GLASS_INSTALLED_DATA_DIR
#ifdef __EMSCRIPTEN__
// The content packed beside the page.
#define GLASS_INSTALLED_DATA_DIR "/content"
#else
#define GLASS_INSTALLED_DATA_DIR ""
#endif
#endif

// The drawing threads: --threads, or by default one per processor. The
// browser build draws on at most eight workers by default, and on the
// page's one thread where the page is not cross-origin isolated (no
// workers can share the picture there).
int chooseRenderThreads(int asked, bool verbose) {
#ifdef __EMSCRIPTEN__
#ifdef __EMSCRIPTEN_PTHREADS__
  const int threads = asked > 0 ? asked : std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 8);
  if (verbose) std::fprintf(stderr, "%s: drawing on %d threads (the page is cross-origin isolated)\n", kProgramName, threads);
  return threads;
#else
  (void)asked;
  if (verbose) std::fprintf(stderr, "%s: drawing on one thread (the page is not cross-origin isolated)\n", kProgramName);
  return 1;
#endif
#else
  (void)verbose;
  return asked;  // 0: the device's own choice
#endif
}

// The folder of the running executable; empty when the system cannot say.
std::string programFolder() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : program.parent_path().string();
}

std::string startingFolder() {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::current_path(error);
  return error ? std::string(".") : folder.string();
}

// --list-audio-devices: one name a line on standard output.
int listAudioDevices() {
  std::string driver;
  std::string error;
  const std::vector<std::string> names = playbackDeviceNames(driver, error);
  if (!error.empty()) {
    std::fprintf(stderr, "%s: no audio system: %s\n", kProgramName, error.c_str());
    return 1;
  }
  if (names.empty()) {
    std::fprintf(stderr, "%s: the %s audio driver lists no playback devices\n", kProgramName, driver.c_str());
    return 0;
  }
  for (const std::string& name : names) std::printf("%s\n", name.c_str());
  return 0;
}

// --list-displays: one monitor a line, "NUMBER: NAME, WxH (usable WxH) at X,Y, RATE Hz".
int listDisplays(bool verbose) {
  std::string driver;
  std::string error;
  const std::vector<DisplayDescription> displays = describeDisplays(verbose, driver, error);
  if (displays.empty()) {
    std::fprintf(stderr, "%s: no displays to list: %s\n", kProgramName,
                 error.empty() ? "the video system reports none" : error.c_str());
    return kCannotStartExitCode;
  }
  for (const DisplayDescription& d : displays) {
    std::printf("%d: %s, %d x %d (usable %d x %d) at %d,%d", d.number, d.name.empty() ? "(unnamed)" : d.name.c_str(),
                d.width, d.height, d.usableWidth, d.usableHeight, d.x, d.y);
    if (d.refreshRate > 0) std::printf(", %d Hz", d.refreshRate);
    std::printf("\n");
  }
  if (driver == "dummy" || driver == "offscreen") {
    std::fprintf(stderr, "%s: the %s video driver shows no real monitor\n", kProgramName, driver.c_str());
  }
  return 0;
}

// One line when the song in the content folder does not fit the timeline:
// it cannot be played, it ends before the last scene, or it plays on long
// after the presentation ends.
void noteSongFit(const std::string& folder) {
  const std::string path = (std::filesystem::path(folder) / "track.xm").string();
  std::vector<unsigned char> bytes;
  if (!readRegularFile(path, bytes).ok()) return;  // the start-up's own box says so
  const SongFacts song = describeSong(bytes.data(), bytes.size(), kTimelineEndOrder, kTimelineEndRow);
  if (!song.ok) {
    std::fprintf(stderr, "%s: %s: not a song the sound library can play: %s\n", kProgramName, path.c_str(),
                 song.error.c_str());
  } else if (song.secondsPastEnd < 0) {
    std::fprintf(stderr,
                 "%s: %s ends (%d orders, %.1f s) before order %d row %d, where the presentation ends: played, "
                 "the song starts again and the presentation never ends by itself; a capture stops with it\n",
                 kProgramName, path.c_str(), song.orders, song.seconds, kTimelineEndOrder, kTimelineEndRow);
  } else if (song.seconds - song.secondsPastEnd > 30 && song.seconds > 1.25 * song.secondsPastEnd) {
    std::fprintf(stderr, "%s: %s plays %.1f s; the presentation ends after %.1f s (order %d row %d)\n", kProgramName,
                 path.c_str(), song.seconds, song.secondsPastEnd, kTimelineEndOrder, kTimelineEndRow);
  }
}

// One line, naming the file by its whole path, for each content file the
// start-up will refuse (its message box names it as the design does, by
// its relative Windows path).
void noteContentFiles(const std::string& folder) {
  std::vector<std::string> seen;
  for (const FileLoad& load : kFileLoads) {
    const std::string relative = platformPath(load.path);
    if (std::find(seen.begin(), seen.end(), relative) != seen.end()) continue;
    seen.push_back(relative);
    const std::string path = (std::filesystem::path(folder) / relative).string();
    std::vector<unsigned char> bytes;
    const FileReadResult read = readRegularFile(path, bytes);
    std::string problem;
    if (!read.ok()) {
      problem = read.status == FileReadStatus::kNotRegular ? read.reason : "cannot be read: " + read.reason;
    } else if (bytes.empty()) {
      problem = "empty";
    } else if (load.isMesh ? !checkMeshFile(bytes.data(), bytes.size(), &problem)
                           : !checkContainer(bytes.data(), bytes.size(), &problem)) {
      problem = (load.isMesh ? "not a sound mesh file: " : "not a sound image container: ") + problem;
    }
    // The still textures are the main container's first images: fewer leave
    // some surfaces without theirs.
    if (problem.empty() && !load.isMesh && load.slot == 0 && imageCount(bytes.data()) < kTextureSlotCount) {
      problem = std::to_string(imageCount(bytes.data())) + " images; the presentation takes " +
                std::to_string(kTextureSlotCount) + ", and the surfaces of the missing ones stay untextured";
    }
    if (!problem.empty()) std::fprintf(stderr, "%s: %s: %s\n", kProgramName, path.c_str(), problem.c_str());
  }
}

// The player's keys: the music pauses and mutes with the window's clock,
// and F12 writes the frame as a PNG.
PlayerHooks livePlayerHooks(bool verbose) {
  PlayerHooks hooks;
  hooks.pause = [](bool paused) { setSoundPaused(paused); };
  hooks.toggleMute = [verbose] {
    setSoundMuted(!soundMuted());
    if (verbose) std::fprintf(stderr, "%s: %s\n", kProgramName, soundMuted() ? "muted (M again for sound)" : "sound on");
  };
#ifndef __EMSCRIPTEN__  // a page saves its own screenshots
  hooks.writePicture = [](const std::string& path, const std::uint32_t* pixels, int width, int height,
                          std::string& error) {
    const BgraView view{reinterpret_cast<const std::uint8_t*>(pixels), width, height, width * 4};
    const PngResult written = writePng(path, view);
    error = written.error;
    return written.ok;
  };
#endif
  return hooks;
}

// True when the run just finished ended at the end of the music: the
// timeline's quit message to a window that is still open (not Escape, not
// the window closed, not a start-up failure).
bool endedWithTheMusic() {
  const MSG& last = shellState.lastMessage;
  return !shellState.escapePressed && last.message == WM_QUIT && last.hwnd != nullptr &&
         IsWindow(shellState.window);
}

// Everything a run leaves behind, so that the next one starts exactly like
// the first; the display window stays open in between.
void prepareAnotherRun() {
  releasePresentationRun();
  restartWindowSystem();
}

// The live presentation, once or (--loop) until it ends other than with the music.
int playLive(bool loop, bool verbose) {
  for (;;) {
    // The present statistics are kept per timeline entry.
    setPassHook([] { noteTimelineEntry(timelineState.currentIndex); });
    const int exitCode = runPresentation(GetModuleHandleA(nullptr), SW_SHOWDEFAULT);
    if (!loop || !endedWithTheMusic()) return exitCode;
    if (verbose) std::fprintf(stderr, "%s: the music ended; starting again (--loop)\n", kProgramName);
    prepareAnotherRun();
  }
}

// Closes the trace; a trace cut short by a full disk turns a run that
// ended well into a failure, with the reason.
int finishTrace(const Options& options, int exitCode) {
  std::string error;
  if (finishTraceFile(&error)) return exitCode;
  std::fprintf(stderr, "%s: the trace %s is incomplete: %s\n", kProgramName, options.traceFile.c_str(), error.c_str());
  return exitCode == 0 ? 1 : exitCode;
}

}  // namespace

int main(int argc, char** argv) {
  const ConfiguredOptions configured = parseOptionsWithConfig(
      std::vector<std::string>(argv + 1, argv + argc), configFilePath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")));
  const OptionsResult& parsed = configured.result;
  if (!parsed.ok) return refuseCommandLine(kProgramName, parsed.error);
  const Options& options = parsed.options;
  if (options.help) {
    std::fputs(helpText(kProgramName).c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::fputs(kVersionText, stdout);
    return 0;
  }
  if (options.verbose && !configured.configPath.empty()) {
    std::fprintf(stderr, "settings: %s%s\n", configured.configPath.c_str(),
                 configured.configRead ? "" : " (none there; the defaults)");
  }
  if (options.listAudioDevices) return listAudioDevices();
  if (options.listDisplays) return listDisplays(options.verbose);
  // Screenshots go where the program was started, not to the data folder.
  const std::string startFolder = startingFolder();
  // A live run with nothing to show it on is refused at once rather than
  // played invisibly to the end.
#ifndef __EMSCRIPTEN__  // in a browser the page is the display
  if (!options.offline() && !options.headless) {
    const DisplayEnvironment display = currentDisplayEnvironment();
    if (!displayVisible(display)) {
      std::fputs(noDisplayMessage(kProgramName, display).c_str(), stderr);
      return kCannotStartExitCode;
    }
    // A display that is named but cannot be reached makes the video system
    // fall back to drawing into memory.
    if (!videoShowsWindows()) {
      DisplayEnvironment reached = display;
      reached.videoDriver = videoDriverName().empty() ? "none" : videoDriverName();
      std::fprintf(stderr, "%s: the display %s cannot be opened\n", kProgramName,
                   display.x11Display.empty() ? display.waylandDisplay.c_str() : display.x11Display.c_str());
      std::fputs(noDisplayMessage(kProgramName, reached).c_str(), stderr);
      resetWindowSystem();
      return kCannotStartExitCode;
    }
  }
#endif

  // Output names are taken relative to where the program was started, not
  // to the content folder it changes to.
  std::error_code ignored;
  OfflineRequest offlineRequest;
  if (options.offline()) {
    offlineRequest.mode = options.bench                  ? OfflineMode::kBench
                          : options.frameHash            ? OfflineMode::kFrameHash
                          : options.contactSheet.empty() ? OfflineMode::kCapture
                                                         : OfflineMode::kContactSheet;
    const std::string& output = options.contactSheet.empty() ? options.captureOutput : options.contactSheet;
    if (!output.empty()) offlineRequest.output = std::filesystem::absolute(output, ignored).string();
    offlineRequest.fps = options.fps;
    offlineRequest.maxSeconds = options.maxSeconds;
    offlineRequest.frameWidth = options.captureWidth;
    offlineRequest.frameHeight = options.captureHeight;
    parseScaleFilter(options.scaleFilter, offlineRequest.scaleFilter);  // empty: stays automatic
    offlineRequest.quality = options.videoQuality;
    offlineRequest.lossless = options.lossless;
#ifdef __EMSCRIPTEN__
    // The browser compiles the program's hot code while it first runs it;
    // the benchmark times the presentation, not that.
    offlineRequest.warmUpSeconds = kBrowserBenchWarmUpSeconds;
    offlineRequest.prepareAnotherRun = prepareAnotherRun;
#endif
  }
  std::string traceFile;
  if (!options.traceFile.empty()) traceFile = std::filesystem::absolute(options.traceFile, ignored).string();

  const ContentLocation content =
      locateContent({options.dataDirectory, startingFolder(), programFolder(), GLASS_INSTALLED_DATA_DIR});
  if (!content.usable) {
    std::fprintf(stderr, "%s: %s\n", kProgramName, content.problem.c_str());
    return kCannotStartExitCode;
  }
  if (!content.found) std::fputs(describeMissingContent(content, kProgramName).c_str(), stderr);
  if (chdir(content.folder.c_str()) != 0) {
    std::fprintf(stderr, "%s: cannot change to %s: %s\n", kProgramName, content.folder.c_str(),
                 std::strerror(errno));
    return kCannotStartExitCode;
  }
  if (options.verbose && content.found) std::fprintf(stderr, "content: %s\n", content.folder.c_str());
  if (content.found) {
    noteSongFit(content.folder);
    noteContentFiles(content.folder);
  }

  std::string traceError;
  if (!traceFile.empty() && !startTraceFile(traceFile, &traceError)) {
    std::fprintf(stderr, "%s: cannot write the trace: %s\n", kProgramName, traceError.c_str());
    return kCannotStartExitCode;
  }

  setRenderThreads(chooseRenderThreads(options.threads, options.verbose));
  setRenderResolution({options.renderScale, options.antialias});

  if (options.offline()) {
    setSoundVerbose(options.verbose);
    const int offlineExit = runOfflineMode(offlineRequest);
    resetSoundSystem();
    resetWindowSystem();
    return finishTrace(options, offlineExit);
  }

  WindowOptions window;
  window.fullscreen = options.fullscreen;
  window.scale = options.scale;
  window.display = options.display;
  window.screenshotFolder = startFolder;
  window.vsync = options.vsync;
  window.verbose = options.verbose;
  setWindowOptions(window);
  setPlayerHooks(livePlayerHooks(options.verbose));
  setSoundVerbose(options.verbose);
  setSoundVolume(options.volume);
  setSoundDeviceName(options.audioDevice);
  setFrameSink(windowFrameSink());

  // Ctrl-C, kill or a closed terminal end the run as closing its window
  // does, and the status says which signal it was (128 + the signal).
  watchTerminationSignals();
  int exitCode = playLive(options.loop, options.verbose);

  // Leave the display and the sound device as they were found.
  resetSoundSystem();
  resetWindowSystem();
  stopWatchingTerminationSignals();
  if (terminationSignal() != 0) exitCode = 128 + terminationSignal();
  if (displayLost()) {
    std::fputs(displayLossMessage(kProgramName).c_str(), stderr);
    exitAfterDisplayLoss(finishTrace(options, 1));
  }
  return finishTrace(options, exitCode);
}
