#include "capture/capture_run.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstring>

#include "app/shell.h"
#include "app/timeline_state.h"
#include "capture/frame_timing.h"
#include "platform/d3d8/software_device.h"
#include "platform/os/clock.h"
#include "platform/os/window_system.h"
#include "platform/sound/sound_control.h"
#include "render/device.h"

namespace {

// What the callout stand-ins below need; set for the length of one run.
struct ActiveRun {
  CaptureSession* session = nullptr;
  DeviceTimes* deviceTimes = nullptr;
  HRESULT (*setUpDevice)(HWND) = nullptr;
};
ActiveRun activeRun;

volatile std::sig_atomic_t interruptRequested = 0;

// The first signal's number, for the exit status 128 + signal.
void onInterrupt(int signal) {
  if (interruptRequested == 0) interruptRequested = signal;
}

// Set-up as usual, then the capture takes the device's frames (and, for the
// benchmark, times the device's calls).
HRESULT setUpDeviceForCapture(HWND window) {
  const HRESULT result = activeRun.setUpDevice(window);
  if (result >= 0) {
    setFrameSink(activeRun.session);
    if (activeRun.deviceTimes != nullptr && device != nullptr) device = wrapWithTiming(device, activeRun.deviceTimes);
  }
  return result;
}

int songOrder() { return FMUSIC_GetOrder(shellState.song); }
int songRow() { return FMUSIC_GetRow(shellState.song); }
int currentTimelineEntry() { return timelineState.currentIndex; }
bool interrupted() { return interruptRequested != 0; }

constexpr int kInterruptSignals[] = {SIGINT, SIGTERM, SIGHUP};
int guardDepth = 0;

}  // namespace

int interruptSignal() { return interruptRequested; }

InterruptGuard::InterruptGuard() {
  if (guardDepth++ > 0) return;
  interruptRequested = 0;
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < std::size(kInterruptSignals); ++i) ::sigaction(kInterruptSignals[i], &action, &previous_[i]);
}

InterruptGuard::~InterruptGuard() {
  if (--guardDepth > 0) return;
  for (std::size_t i = 0; i < std::size(kInterruptSignals); ++i) ::sigaction(kInterruptSignals[i], &previous_[i], nullptr);
}

std::int64_t frameLimitFor(double maxSeconds, int fps) {
  if (!(maxSeconds > 0)) return 0;
  // A limit beyond any run (up to infinity) saturates instead of
  // overflowing the conversion.
  constexpr double kLongest = 1e18;
  const double frames = std::ceil(maxSeconds * fps);
  return static_cast<std::int64_t>(std::min(frames, kLongest));
}

CaptureRunResult runCapture(CaptureOutput& output, const CaptureRunSettings& settings) {
  CaptureRunResult result;

  WindowOptions window = windowOptions();
  const WindowOptions previousWindow = window;
  window.headless = true;
  setWindowOptions(window);
  setSoundOutput(SoundOutput::Offline);
  setSongLooping(false);

  VirtualClock clock(0);
  clock.install();

  CaptureProbes probes;
  probes.order = songOrder;
  probes.row = songRow;
  probes.timelineEntry = currentTimelineEntry;
  probes.renderSound = renderOfflineFrames;
  probes.interrupted = interrupted;
  CaptureSettings sessionSettings;
  sessionSettings.fps = settings.fps;
  sessionSettings.frameLimit = frameLimitFor(settings.maxSeconds, settings.fps);
#ifdef __EMSCRIPTEN__
  // A page shows standard error line by line: no redrawing in place.
  const bool terminal = false;
#else
  const bool terminal = ::isatty(STDERR_FILENO) != 0;
#endif
  ProgressBar progress(stderr, settings.showProgress, terminal);
  CaptureSession session(output, clock, probes, sessionSettings, &progress);

  ShellCallouts& callouts = shellCallouts();
  const ShellCallouts previousCallouts = callouts;
  activeRun = {&session, settings.timeDevice ? &result.deviceTimes : nullptr, callouts.setUpDevice};
  callouts.setUpDevice = setUpDeviceForCapture;
  bool firstPass = true;
  setPassHook([&session, &firstPass] {
    if (firstPass) session.markRunStart();
    firstPass = false;
  });

  {
    InterruptGuard guard;
    result.presentationExit = runPresentation(GetModuleHandleA(nullptr), SW_SHOWDEFAULT);
  }
  session.finishSound();

  progress.close();
  setPassHook({});
  callouts = previousCallouts;
  activeRun = {};
  setFrameSink(nullptr);
  setClockSource({});
  setSoundOutput(SoundOutput::Device);
  setSongLooping(true);
  setWindowOptions(previousWindow);

  result.frames = session.framesCaptured();
  result.samples = session.samplesWritten();
  result.stop = session.stopReason();
  result.note = session.note();
  result.soundTime = session.soundTime();
  result.outputTime = session.outputTime();
  result.frameRecords = session.frameRecords();
  return result;
}
