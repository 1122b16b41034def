// The offline modes with the real loader, device and scenes over the small
// generated data set: the frames that reach the files are the device's,
// and two captures of the same content are the same bytes.
#include <png.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "app/shell.h"
#include "app/timeline_state.h"
#include "assets/file_loading.h"
#include "assets/mesh_table.h"
#include "capture/capture_mode.h"
#include "codec/texture_building.h"
#include "platform/d3d8/software_device.h"
#include "platform/os/window_system.h"
#include "platform/sound/sound_control.h"
#include "render/screen_quad.h"
#include "scenes/scene_state.h"
#include "support/small_data_set.h"
#include "support/xm_writer.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Width, height and RGB pixels of a PNG file.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

Picture readPng(const fs::path& path) {
  const std::vector<std::uint8_t> bytes = readBytes(path);
  Picture picture;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return picture;
  image.format = PNG_FORMAT_RGB;
  picture.rgb.resize(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) {
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
  }
  return picture;
}

class CapturePresentationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(writeBytes("track.xm", makeTestXm()));
    std::string error;
    ASSERT_TRUE(writeSmallDataSet(directory_.path(), &error)) << error;
    resetEverything();
  }
  void TearDown() override { resetEverything(); }

  // A fresh process, as far as the presentation can tell.
  static void resetEverything() {
    releaseMeshTable();
    releaseBuiltTextures();
    releaseScreenQuad();
    releaseLoadedFiles();
    resetShell();
    resetTimeline();
    resetSoundSystem();
    resetWindowSystem();
    resetSoftwareDeviceConfig();
    sceneState = SceneState{};
  }

  static int capture(OfflineMode mode, const std::string& output, int fps, double maxSeconds) {
    resetEverything();
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

TEST_F(CapturePresentationTest, TwoCapturesOfTheSameContentAreTheSameBytes) {
  ASSERT_EQ(capture(OfflineMode::kCapture, "first", 20, 0.3), 0);
  ASSERT_EQ(capture(OfflineMode::kCapture, "second", 20, 0.3), 0);
  int frames = 0;
  for (const auto& entry : fs::directory_iterator("first")) {
    if (entry.path().extension() != ".png") continue;
    ASSERT_EQ(readBytes(entry.path()), readBytes(fs::path("second") / entry.path().filename())) << entry.path();
    ++frames;
  }
  EXPECT_EQ(frames, 6);
  EXPECT_EQ(readBytes("first/audio.wav"), readBytes("second/audio.wav"));
  EXPECT_EQ(fs::file_size("first/audio.wav"), 44u + 4u * 44100u * 3u / 10u);

  // The device's own frames: full size, and the scene is drawn (not just
  // the clear colour) once the room has faded in a little.
  const Picture last = readPng("first/frame_000005.png");
  ASSERT_EQ(last.width, 640);
  ASSERT_EQ(last.height, 480);
  EXPECT_TRUE(std::any_of(last.rgb.begin(), last.rgb.end(), [](std::uint8_t value) { return value != 0; }));
}

TEST_F(CapturePresentationTest, ContactSheetHoldsFramesOfEveryEntry) {
  // The test song reaches the presentation's end after 3.4 s.
  ASSERT_EQ(capture(OfflineMode::kContactSheet, "sheet.png", 10, 0), 0);
  const Picture sheet = readPng("sheet.png");
  EXPECT_EQ(sheet.width, 6 * 164 + 4);
  // At least two frames from each of the nine entries: three rows or more.
  EXPECT_GE(sheet.height, 3 * 135 + 4);
}

TEST_F(CapturePresentationTest, MissingContentCapturesNothingAndFails) {
  fs::remove("track.xm");
  EXPECT_EQ(capture(OfflineMode::kCapture, "frames", 20, 0.3), 1);
  EXPECT_FALSE(fs::exists("frames/frame_000000.png"));
}
