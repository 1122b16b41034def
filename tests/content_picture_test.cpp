// The generated content set as the presentation loads it: every file in
// place, every container sound and decodable by the presentation's own
// decoder, and the pictures doing their jobs (a darkening that reaches
// black, a title with its alpha, an animation that loops without a jump).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "assets/file_loading.h"
#include "codec/colour_table.h"
#include "codec/container_check.h"
#include "content/content_pictures.h"
#include "content/content_set.h"
#include "support/shown_picture.h"

namespace {

using Files = std::map<std::string, std::vector<std::uint8_t>>;

// Generating the set takes seconds, so one test generates it once, checks
// what the presentation needs of it, then generates it again with previews
// and compares the bytes.
Files generated(const ContentOptions& options = {}) {
  std::vector<ContentFile> list;
  std::string error;
  EXPECT_TRUE(generateContentSet(options, &list, &error)) << error;
  Files files;
  for (ContentFile& f : list) files[f.path] = std::move(f.bytes);
  return files;
}

double meanDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += std::abs(int(a[i]) - int(b[i]));
  return sum / double(a.size());
}

TEST(ContentSet, PicturesDoTheirJobsAndTheSetIsTheSameOnEveryRun) {
  ASSERT_EQ(initImageCodec(), 1);
  const Files files = generated();
  ASSERT_FALSE(files.empty());
  auto shown = [&files](const char* path, int index) { return codec_test::shownPicture(files.at(path), index); };

  // Every file the presentation reads, and nothing else.
  std::set<std::string> expected = {"track.xm"};
  for (const FileLoad& load : kFileLoads) expected.insert(platformPath(load.path));
  EXPECT_EQ(files.size(), expected.size());
  for (const std::string& path : expected) EXPECT_TRUE(files.count(path)) << path;

  // Sound containers with the right images.
  for (const char* path : {"data/tex.dat", "data/alpha.dat", "data/paimen1.dat", "data/valpha.dat"}) {
    std::string problem;
    EXPECT_TRUE(checkContainer(files.at(path).data(), files.at(path).size(), &problem)) << path << ": " << problem;
  }
  EXPECT_EQ(imageCount(files.at("data/tex.dat").data()), 11);
  const int frames = imageCount(files.at("data/paimen1.dat").data());
  EXPECT_GE(frames, 8);
  for (int i = 0; i < 11; ++i) EXPECT_EQ(shown("data/tex.dat", i).channels, 3) << "tex " << i;
  // The title's alpha matches its colour image in size.
  const Picture title = shown("data/tex.dat", 7), alpha = shown("data/alpha.dat", 1);
  EXPECT_EQ(alpha.channels, 1);
  EXPECT_EQ(alpha.width, title.width);
  EXPECT_EQ(alpha.height, title.height);
  // Every frame and the mask share one width of a streaming pair.
  const Picture mask = shown("data/valpha.dat", 0);
  EXPECT_EQ(mask.channels, 1);
  EXPECT_TRUE(mask.width == 128 || mask.width == 256 || mask.width == 512);
  std::vector<std::vector<std::uint8_t>> decoded;
  for (int f = 0; f < frames; ++f) {
    const Picture frame = shown("data/paimen1.dat", f);
    EXPECT_EQ(frame.width, mask.width) << "frame " << f;
    decoded.push_back(frame.pixels);
  }

  // The darkening overlay, subtracted at full strength, leaves at most a
  // trace of any pixel.
  const std::vector<std::uint8_t> darken = shown("data/tex.dat", 6).pixels;
  EXPECT_GE(*std::min_element(darken.begin(), darken.end()), 250);

  // The title's alpha: corners and top rows clear, so the island shows round
  // the band; the band across the middle mostly opaque, the letters fully.
  const int aw = alpha.width, ah = alpha.height;
  auto at = [&](int x, int y) { return alpha.pixels[std::size_t(y) * aw + x]; };
  EXPECT_LE(at(2, 2), 8);
  EXPECT_LE(at(aw - 3, ah - 3), 8);
  EXPECT_LE(at(aw / 2, ah / 10), 8);
  int opaque = 0, band = 0;
  for (int x = 0; x < aw; ++x) {
    opaque += at(x, ah / 2) > 240;
    band += at(x, ah / 2) > 120;
  }
  EXPECT_GT(opaque, aw / 10);
  EXPECT_GT(band, aw * 8 / 10);

  // The animation moves on every frame and loops without a jump.
  double largestStep = 0, smallestStep = 1e9;
  for (int f = 0; f + 1 < frames; ++f) {
    const double step = meanDifference(decoded[std::size_t(f)], decoded[std::size_t(f) + 1]);
    largestStep = std::max(largestStep, step);
    smallestStep = std::min(smallestStep, step);
  }
  EXPECT_GT(smallestStep, 0.2) << "a frame repeats: the picture stalls";
  const double wrap = meanDifference(decoded.back(), decoded.front());
  EXPECT_LT(wrap, 1.5 * largestStep) << "the loop jumps from the last frame to the first";
  EXPECT_GT(wrap, 0.2) << "the last frame repeats the first: the loop stalls";
  // Dark corners: the picture is added onto dark scenes.
  const std::vector<std::uint8_t>& first = decoded.front();
  EXPECT_LT(first[0] + first[1] + first[2], 3 * 24);

  // The same bytes again, and a preview of every picture on request.
  const std::filesystem::path previews =
      std::filesystem::path(GLASS_BINARY_DIR) / "content_picture_test_previews";
  std::filesystem::remove_all(previews);
  ContentOptions options;
  options.previewDir = previews.string();
  const Files again = generated(options);
  EXPECT_TRUE(again == files) << "the set differs between runs";
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(previews)) names.push_back(entry.path().filename());
  EXPECT_EQ(names.size(), 11u + 2u + std::size_t(kAnimationFrames) + 1u);
  // Sorted by name, each container's previews come in its order: what a
  // shell's "tex-*.png" hands to glass-tool pack.
  std::sort(names.begin(), names.end());
  const auto nameAt = [&](std::size_t i) { return i < names.size() ? names[i] : std::string(); };
  EXPECT_EQ(nameAt(2), "paimen1-00-blossom-frame.png");
  EXPECT_EQ(nameAt(2 + kAnimationFrames - 1), "paimen1-23-blossom-frame.png");
  EXPECT_EQ(nameAt(2 + kAnimationFrames), "tex-00-room-glass.png");
  EXPECT_EQ(nameAt(2 + kAnimationFrames + 2), "tex-02-stone-wall.png");
  EXPECT_EQ(nameAt(2 + kAnimationFrames + 10), "tex-10-ripples.png");
  EXPECT_EQ(names.front(), "alpha-00-soft-spot.png");
  EXPECT_EQ(names.back(), "valpha-00-panel-mask.png");
  std::filesystem::remove_all(previews);
}

}  // namespace
