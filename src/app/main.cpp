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
#include "app/shell.h"
#include "capture/capture_mode.h"
#include "platform/d3d8/device_trace.h"
#include "platform/d3d8/software_device.h"
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
  // A live run with nothing to show it on is refused at once rather than
  // played invisibly to the end.
  if (!options.offline() && !options.headless) {
    const DisplayEnvironment display = currentDisplayEnvironment();
    if (!displayVisible(display)) {
      std::fputs(noDisplayMessage(kProgramName, display).c_str(), stderr);
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

  if (!traceFile.empty() && !enableDeviceTrace(traceFile)) {
    std::fprintf(stderr, "%s: cannot write the trace to %s\n", kProgramName, traceFile.c_str());
    return kCannotStartExitCode;
  }

  if (options.offline()) {
    setSoundVerbose(options.verbose);
    const int offlineExit = runOfflineMode(offlineRequest);
    resetSoundSystem();
    resetWindowSystem();
    disableDeviceTrace();
    return offlineExit;
  }

  WindowOptions window;
  window.fullscreen = options.fullscreen;
  window.scale = options.scale;
  window.vsync = options.vsync;
  window.verbose = options.verbose;
  setWindowOptions(window);
  setSoundVerbose(options.verbose);
  setFrameSink(windowFrameSink());

  const int exitCode = runPresentation(GetModuleHandleA(nullptr), SW_SHOWDEFAULT);

  // Leave the display and the sound device as they were found.
  resetSoundSystem();
  resetWindowSystem();
  disableDeviceTrace();
  return exitCode;
}
