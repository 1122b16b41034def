#include "support/presentation_run.h"

#include "app/run_reset.h"
#include "app/shell.h"
#include "platform/d3d8/software_device.h"
#include "platform/os/message_box.h"
#include "platform/os/window_system.h"
#include "platform/sound/sound_control.h"
#include "support/xm_writer.h"

void resetPresentationProcess() {
  releasePresentationRun();
  resetSoundSystem();
  resetWindowSystem();
  resetSoftwareDeviceConfig();
}

void PresentationRunTest::SetUp() {
  resetPresentationProcess();
  ASSERT_TRUE(writeBytes("track.xm", makeTestXm()));
  WindowOptions headless;
  headless.headless = true;
  setWindowOptions(headless);
  setSoundOutput(SoundOutput::Offline);
  setMessageBoxObserver([this](const std::string& caption, const std::string& text) {
    boxes.emplace_back(caption, text);
  });
  boxes.clear();
  passes = 0;
  clock.set(1000);
  clock.install();
  setPassHook([this] {
    ++passes;
    clock.advance(passMilliseconds);
    if (onPass) onPass(passes);
  });
}

void PresentationRunTest::TearDown() {
  resetPresentationProcess();
  setRenderThreads(0);
  setFrameSink(nullptr);
  setWindowOptions(WindowOptions{});
  setMessageBoxObserver({});
  setClockSource({});
}

int PresentationRunTest::run() { return runPresentation(nullptr, SW_SHOWDEFAULT); }
