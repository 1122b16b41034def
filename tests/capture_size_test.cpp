// Capture frame sizes: fitting the picture into the frame, the resampler
// for PNG frames, and real captures at another size.

#include <cstdio>
#include <filesystem>
#include <tuple>

#include <gtest/gtest.h>

#include "capture/child_process.h"
#include "capture/frame_fit.h"
#include "capture/scaled_output.h"
#include "support/memory_capture_output.h"
#include "support/small_data_set.h"

namespace fs = std::filesystem;

TEST(FrameFit, PictureFitsAt4To3CentredOnEvenOffsets) {
  const struct {
    int width, height;
    PictureRect picture;
  } cases[] = {
      {640, 480, {0, 0, 640, 480}},       {1280, 960, {0, 0, 1280, 960}},    {320, 240, {0, 0, 320, 240}},
      {1920, 1080, {240, 0, 1440, 1080}}, {3840, 2160, {480, 0, 2880, 2160}}, {1280, 720, {160, 0, 960, 720}},
      {1080, 1920, {0, 554, 1080, 810}},  {64, 64, {0, 8, 64, 48}},           {100, 64, {8, 0, 84, 62}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(fitPicture(640, 480, c.width, c.height), c.picture) << c.width << "x" << c.height;
  }
  EXPECT_EQ(resolveFilter(ScaleFilter::kAuto, 640, 480, fitPicture(640, 480, 3840, 2880)), ScaleFilter::kNearest);
  EXPECT_EQ(resolveFilter(ScaleFilter::kAuto, 640, 480, fitPicture(640, 480, 1920, 1080)), ScaleFilter::kLanczos);
  EXPECT_EQ(resolveFilter(ScaleFilter::kAuto, 640, 480, fitPicture(640, 480, 320, 240)), ScaleFilter::kLanczos);
  EXPECT_EQ(resolveFilter(ScaleFilter::kBilinear, 640, 480, fitPicture(640, 480, 1280, 960)), ScaleFilter::kBilinear);

  // --render-scale auto for a capture: the largest picture the frame holds unshrunk.
  EXPECT_EQ(largestScaleInside(640, 480, 1920, 1080, 4), 2);
  EXPECT_EQ(largestScaleInside(640, 480, 7680, 4320, 4), 4);
  EXPECT_EQ(largestScaleInside(640, 480, 320, 240, 4), 1);
}

TEST(FrameFit, ScaledFramesHaveBarsAndExactWholeMultiples) {
  // 4 x 3 doubled into a 12 x 6 frame: bars of 2 at the sides.
  const std::uint32_t source[12] = {0xFF102030, 0xFF405060, 0xFF708090, 0xFFA0B0C0, 0xFF010203, 0xFF040506,
                                    0xFF070809, 0xFF0A0B0C, 0xFFFFFFFF, 0xFF000000, 0xFF808080, 0xFF123456};
  auto kept = std::make_unique<MemoryOutput>();
  MemoryOutput& frame = *kept;
  ScaledOutput scaled(std::move(kept), 4, 3, 12, 6, ScaleFilter::kAuto);
  ASSERT_TRUE(scaled.writeFrame({reinterpret_cast<const std::uint8_t*>(source), 4, 3, 16}, {}));
  ASSERT_EQ(frame.width * frame.height, 72);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 12; ++x) {
      const bool bar = x < 2 || x >= 10;
      EXPECT_EQ(frame.pixels[y * 12 + x], bar ? 0xFF000000u : source[(y / 2) * 4 + (x - 2) / 2]) << x << "," << y;
    }
  }
  // A flat picture stays flat through Lanczos' lobes (the weights sum to
  // one), magnified and shrunk.
  const std::vector<std::uint32_t> grey(64 * 48, 0xFF7F7F7F);
  for (const auto& [filter, width, height] : {std::tuple{ScaleFilter::kLanczos, 96, 72}, {ScaleFilter::kLanczos, 28, 20},
                                              {ScaleFilter::kBilinear, 100, 74}}) {
    auto keptSmooth = std::make_unique<MemoryOutput>();
    const MemoryOutput& smoothFrame = *keptSmooth;
    ScaledOutput smooth(std::move(keptSmooth), 64, 48, width, height, filter);
    ASSERT_TRUE(smooth.writeFrame({reinterpret_cast<const std::uint8_t*>(grey.data()), 64, 48, 64 * 4}, {}));
    const PictureRect picture = fitPicture(64, 48, width, height);
    for (int y = picture.y; y < picture.y + picture.height; ++y) {
      for (int x = picture.x; x < picture.x + picture.width; ++x) {
        ASSERT_EQ(smoothFrame.pixels[y * width + x], grey[0]) << width << ": " << x << "," << y;
      }
    }
    EXPECT_FALSE(smooth.writeFrame({reinterpret_cast<const std::uint8_t*>(grey.data()), 32, 48, 64 * 4}, {}));
  }
}

// The program's own captures: the chosen size, a video players take
// (4:2:0 for H.264) and the sound beside it.
TEST(FrameFit, RealCapturesHaveTheChosenSizeAndTheirSound) {
  const fs::path program = fs::path(GLASS_BINARY_DIR) / "bin" / "glass-orchard";
  const fs::path content = fs::path(GLASS_BINARY_DIR) / "content";
  if (findProgram("ffmpeg").empty() || findProgram("ffprobe").empty() || !fs::exists(content / "track.xm")) {
    GTEST_SKIP() << "needs ffmpeg, ffprobe and the generated content";
  }
  ScopedWorkingDirectory directory;
  const fs::path folder = directory.path();
  const struct {
    const char* out;
    const char* options;
    const char* expected;  // ffprobe's codec_name,width,height,pix_fmt of each stream
  } cases[] = {
      {"small.mp4", "--size 320x240 --quality 30", "h264,320,240,yuv420p\naac\n"},
      {"wide.mkv", "--size 1280x720 --lossless", "ffv1,1280,720,bgr0\nflac\n"},
      {"frames", "--size 1280x720", "png,1280,720,rgb24\n"},
      {"fine", "--render-scale 2", "png,1280,960,rgb24\n"},
      {"sharp.mp4", "--render-scale 3 --antialias --size 1920x1080", "h264,1920,1080,yuv420p\naac\n"},
  };
  for (const auto& c : cases) {
    const fs::path out = folder / c.out;
    const std::string run = "SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy '" + program.string() + "' --data '" +
                            content.string() + "' --capture '" + out.string() + "' --fps 10 --max-seconds 0.2 " +
                            c.options + " 2>/dev/null";
    ASSERT_EQ(std::system(run.c_str()), 0) << run;
    const fs::path probed = fs::is_directory(out) ? out / "frame_000001.png" : out;
    std::string streams;
    std::string error;
    runProgram({"ffprobe", "-v", "error", "-show_entries", "stream=codec_name,width,height,pix_fmt", "-of", "csv=p=0",
                probed.string()},
               error, &streams);
    EXPECT_EQ(streams, c.expected) << c.out;
  }
}
