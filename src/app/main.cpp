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
  // Output names are taken relative to where the program was started, not
  // to the data folder it changes to.
  OfflineRequest offlineRequest;
  if (options.offline()) {
    offlineRequest.mode = options.bench                  ? OfflineMode::kBench
                          : options.contactSheet.empty() ? OfflineMode::kCapture
                                                         : OfflineMode::kContactSheet;
    const std::string& output = options.contactSheet.empty() ? options.captureOutput : options.contactSheet;
    std::error_code ignored;
    if (!output.empty()) offlineRequest.output = std::filesystem::absolute(output, ignored).string();
    offlineRequest.fps = options.fps;
    offlineRequest.maxSeconds = options.maxSeconds;
  }
  if (!options.dataDirectory.empty() && chdir(options.dataDirectory.c_str()) != 0) {
    std::fprintf(stderr, "%s: cannot change to %s: %s\n", kProgramName, options.dataDirectory.c_str(),
                 std::strerror(errno));
    return 1;
  }

  if (!options.traceFile.empty() && !enableDeviceTrace(options.traceFile)) {
    std::fprintf(stderr, "%s: cannot write the trace to %s\n", kProgramName, options.traceFile.c_str());
    return 1;
  }

  if (options.threads > 0) setRenderThreads(options.threads);

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
