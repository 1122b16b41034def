// Whole runs of the shell inside one test process. Each test starts from a
// fresh process as far as the presentation can tell, in a temporary working
// folder holding the silent test module as track.xm, with a headless window,
// offline sound, message boxes collected instead of shown, and a virtual
// clock that moves on `passMilliseconds` at every pass of the main loop.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/os/clock.h"
#include "support/small_data_set.h"

// Gives back everything a run built or changed: meshes, textures, loaded
// files, shell, timeline and scene state, sound, windows and the software
// device's settings.
void resetPresentationProcess();

class PresentationRunTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  int run();  // the presentation's entry point

  std::vector<std::pair<std::string, std::string>> boxes;  // caption, text
  std::function<void(int pass)> onPass;  // after the clock moved on
  std::uint32_t passMilliseconds = 16;
  int passes = 0;
  VirtualClock clock{1000};
  ScopedWorkingDirectory directory;
};
