// glass-orchard: the presentation's executable. Parses the command line
// (app/options.h), prepares the window, sound and device layers for this
// machine, then runs the presentation exactly as its Windows entry point did.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/content_location.h"
#include "app/display_check.h"
#include "app/options.h"
#include "app/run_reset.h"
#include "app/shell.h"
#include "app/timeline.h"
#include "app/timeline_state.h"
#include "app/trace_file.h"
#include "capture/capture_mode.h"
#include "capture/png_writer.h"
#include "platform/d3d8/software_device.h"
#include "platform/os/termination_signals.h"
#include "platform/os/window_system.h"
#include "platform/sound/sound_control.h"

namespace {

constexpr const char* kProgramName = "glass-orchard";
constexpr const char* kVersionText = "glass-orchard 1.0.0 (GLASS ORCHARD for Linux)\n";
constexpr int kUsageExitCode = 2;
constexpr int kCannotStartExitCode = 1;

#ifndef GLASS_INSTALLED_DATA_DIR
#define GLASS_INSTALLED_DATA_DIR ""
#endif

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

// The player's keys: the music pauses and mutes with the window's clock,
// and F12 writes the frame as a PNG.
PlayerHooks livePlayerHooks(bool verbose) {
  PlayerHooks hooks;
  hooks.pause = [](bool paused) { setSoundPaused(paused); };
  hooks.toggleMute = [verbose] {
    setSoundMuted(!soundMuted());
    if (verbose) std::fprintf(stderr, "%s: %s\n", kProgramName, soundMuted() ? "muted (M again for sound)" : "sound on");
  };
  hooks.writePicture = [](const std::string& path, const std::uint32_t* pixels, int width, int height,
                          std::string& error) {
    const BgraView view{reinterpret_cast<const std::uint8_t*>(pixels), width, height, width * 4};
    const PngResult written = writePng(path, view);
    error = written.error;
    return written.ok;
  };
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
  const OptionsResult parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.ok) {
    std::fprintf(stderr, "%s: %s\n\n%s", kProgramName, parsed.error.c_str(), helpText(kProgramName).c_str());
    return kUsageExitCode;
  }
  const Options& options = parsed.options;
  if (options.help) {
    std::fputs(helpText(kProgramName).c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::fputs(kVersionText, stdout);
    return 0;
  }
  if (options.listAudioDevices) return listAudioDevices();
  // Screenshots go where the program was started, not to the data folder.
  const std::string startFolder = startingFolder();
  // A live run with nothing to show it on is refused at once rather than
  // played invisibly to the end.
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

  // Output names are taken relative to where the program was started, not
  // to the content folder it changes to.
  std::error_code ignored;
  OfflineRequest offlineRequest;
  if (options.offline()) {
    offlineRequest.mode = options.bench                  ? OfflineMode::kBench
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

  std::string traceError;
  if (!traceFile.empty() && !startTraceFile(traceFile, &traceError)) {
    std::fprintf(stderr, "%s: cannot write the trace: %s\n", kProgramName, traceError.c_str());
    return kCannotStartExitCode;
  }

  if (options.threads > 0) setRenderThreads(options.threads);
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
  return finishTrace(options, exitCode);
}
