// The offline modes with the real loader, device and scenes over the small
// generated data set: the contact sheet of the whole presentation against
// its golden, and how a capture fails. (That two runs draw the same frames,
// the whole-run tests show with any number of drawing threads.)
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "capture/capture_mode.h"
#include "platform/d3d8/software_device.h"
#include "support/presentation_run.h"
#include "support/png_compare.h"
#include "support/small_data_set.h"
#include "support/xm_writer.h"

namespace fs = std::filesystem;

namespace {

class CapturePresentationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(writeBytes("track.xm", makeTestXm()));
    std::string error;
    ASSERT_TRUE(writeSmallDataSet(directory_.path(), &error)) << error;
    resetPresentationProcess();
  }
  void TearDown() override { resetPresentationProcess(); }

  static int capture(OfflineMode mode, const std::string& output, int fps, double maxSeconds) {
    resetPresentationProcess();
    OfflineRequest request;
    request.mode = mode;
    request.output = output;
    request.fps = fps;
    request.maxSeconds = maxSeconds;
    return runOfflineMode(request);
  }

  ScopedWorkingDirectory directory_;
};

}  // namespace

TEST_F(CapturePresentationTest, ContactSheetHoldsFramesOfEveryEntryAtItsOwnSizeForAnyRenderScale) {
  // The test song reaches the presentation's end after 3.4 s. Drawn at
  // render scale 2, the sheet keeps its size; its thumbnails average the
  // finer frames (the golden).
  setRenderResolution({2, false});
  const int exit = capture(OfflineMode::kContactSheet, "sheet.png", 10, 0);
  setRenderResolution({});
  ASSERT_EQ(exit, 0);
  std::vector<std::uint32_t> pixels;
  int width = 0, height = 0;
  ASSERT_TRUE(readRgbPng("sheet.png", &pixels, &width, &height));
  EXPECT_EQ(width, 6 * 164 + 4);
  // At least two frames from each of the nine entries: three rows or more.
  EXPECT_GE(height, 3 * 135 + 4);
  EXPECT_TRUE(matchesGolden("contact_sheet_scale2", pixels, width, height));
}

TEST_F(CapturePresentationTest, EachFailureIsReportedOnceWithItsCause) {
  // An ffmpeg that dies at once: the output failed, the presentation did start.
  std::filesystem::create_directory("bin");
  std::ofstream("bin/ffmpeg") << "#!/bin/sh\nexit 1\n";
  fs::permissions("bin/ffmpeg", fs::perms::owner_all);
  const std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "/usr/bin:/bin";
  ::setenv("PATH", (fs::current_path() / "bin").string().append(":").append(path).c_str(), 1);
  testing::internal::CaptureStderr();
  const int videoExit = capture(OfflineMode::kCapture, (fs::current_path() / "x.mp4").string(), 20, 0.3);
  const std::string video = testing::internal::GetCapturedStderr();
  ::setenv("PATH", path.c_str(), 1);

  // A contact sheet into a missing folder fails before anything is drawn,
  // so the missing song never comes into it.
  fs::remove("track.xm");
  testing::internal::CaptureStderr();
  const int sheetExit = capture(OfflineMode::kContactSheet, (fs::current_path() / "no/sheet.png").string(), 10, 0);
  const std::string sheet = testing::internal::GetCapturedStderr();
  // A capture without its song captures nothing.
  testing::internal::CaptureStderr();
  const int songExit = capture(OfflineMode::kCapture, "frames", 20, 0.3);
  const std::string song = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(fs::exists("frames/frame_000000.png"));

  const struct {
    int exit;
    const std::string& said;
    const char* cause;
  } cases[] = {{videoExit, video, "the capture failed: ffmpeg"},
               {sheetExit, sheet, "/no does not exist"},
               {songExit, song, "nothing was captured"}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.exit, 1) << c.said;
    EXPECT_NE(c.said.find(c.cause), std::string::npos) << c.said;
    EXPECT_EQ(c.said.find("glass-orchard:", c.said.find("glass-orchard:") + 1), std::string::npos) << c.said;
  }
}
