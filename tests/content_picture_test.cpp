// The generated content set as the presentation loads it: every file in
// place, every container sound and decodable by the presentation's own
// decoder, and the pictures doing their jobs (a darkening that reaches
// black, a title with its alpha, an animation that loops without a jump).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "assets/file_loading.h"
#include "codec/colour_table.h"
#include "codec/container_check.h"
#include "codec/image_decoder.h"
#include "content/content_pictures.h"
#include "content/content_set.h"

namespace {

using Files = std::map<std::string, std::vector<std::uint8_t>>;

// Generating the set takes seconds and ctest runs every test in a process of
// its own, so the first process keeps the set beside the test program for the
// others. The cache is keyed by this program's size and modification time:
// any rebuild of the program or the generator regenerates it.
std::string cacheKey() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return std::to_string(std::filesystem::file_size(self, ec)) + " " +
         std::to_string(std::filesystem::last_write_time(self, ec).time_since_epoch().count());
}

const std::filesystem::path kCache = std::filesystem::path(GLASS_BINARY_DIR) / "content_picture_test_set.cache";

bool readCache(Files* files) {
  std::ifstream in(kCache, std::ios::binary);
  std::string line, path;
  std::size_t size = 0;
  if (!std::getline(in, line) || line != cacheKey()) return false;
  while (in >> path >> size && in.get() == '\n') {
    if (path == "end") return !files->empty();
    std::vector<std::uint8_t> bytes(size);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size))) break;
    (*files)[path] = std::move(bytes);
  }
  files->clear();
  return false;
}

void writeCache(const Files& files) {
  const std::string temporary = kCache.string() + "." + std::to_string(::getpid());
  std::ofstream out(temporary, std::ios::binary);
  out << cacheKey() << '\n';
  for (const auto& [path, bytes] : files) {
    out << path << ' ' << bytes.size() << '\n';
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  out << "end 0\n";
  out.close();
  std::error_code ec;
  if (out) {
    std::filesystem::rename(temporary, kCache, ec);  // atomic: a concurrent reader sees all or nothing
  } else {
    std::filesystem::remove(temporary, ec);
  }
}

class ContentSet : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    files_ = new Files();
    ASSERT_EQ(initImageCodec(), 1);
    if (readCache(files_)) return;
    std::vector<ContentFile> generated;
    std::string error;
    ASSERT_TRUE(generateContentSet({}, &generated, &error)) << error;
    for (ContentFile& f : generated) (*files_)[f.path] = std::move(f.bytes);
    writeCache(*files_);
  }
  static void TearDownTestSuite() { delete files_; }

  static const std::vector<std::uint8_t>& file(const std::string& path) { return files_->at(path); }

  // Decodes image `index` of a container to RGB (colour) or grey bytes.
  static std::vector<std::uint8_t> decode(const std::string& path, int index, int* width, int* height) {
    const std::vector<std::uint8_t>& c = file(path);
    EXPECT_EQ(decodeContainerImageSized(c.data(), c.size(), index), index);
    *width = decodedWidth;
    *height = decodedHeight;
    const std::size_t pixels = std::size_t(decodedWidth) * decodedHeight;
    std::vector<std::uint8_t> out;
    if (decodedChannels == 1) return std::vector<std::uint8_t>(imageScratch, imageScratch + pixels);
    for (std::size_t i = 0; i < pixels; ++i) {
      const std::uint32_t texel = colourTableEntry(imageScratch[4 * i], imageScratch[4 * i + 1], imageScratch[4 * i + 2]);
      out.insert(out.end(), {std::uint8_t(texel >> 16), std::uint8_t(texel >> 8), std::uint8_t(texel)});
    }
    return out;
  }

  static Files* files_;
};

Files* ContentSet::files_ = nullptr;

double meanDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += std::abs(int(a[i]) - int(b[i]));
  return sum / double(a.size());
}

TEST_F(ContentSet, HoldsEveryFileThePresentationReads) {
  std::set<std::string> expected = {"track.xm"};
  for (const FileLoad& load : kFileLoads) expected.insert(platformPath(load.path));
  EXPECT_EQ(files_->size(), expected.size());
  for (const std::string& path : expected) EXPECT_TRUE(files_->count(path)) << path;
}

TEST_F(ContentSet, ContainersAreSoundWithTheRightImages) {
  for (const char* path : {"data/tex.dat", "data/alpha.dat", "data/paimen1.dat", "data/valpha.dat"}) {
    std::string problem;
    EXPECT_TRUE(checkContainer(file(path).data(), file(path).size(), &problem)) << path << ": " << problem;
  }
  EXPECT_EQ(imageCount(file("data/tex.dat").data()), 11);
  EXPECT_EQ(imageCount(file("data/alpha.dat").data()), 2);
  EXPECT_EQ(imageCount(file("data/valpha.dat").data()), 1);
  const int frames = imageCount(file("data/paimen1.dat").data());
  EXPECT_GE(frames, 8);
  int w = 0, h = 0;
  for (int i = 0; i < 11; ++i) {
    decode("data/tex.dat", i, &w, &h);
    EXPECT_TRUE(w >= 1 && w <= 512 && h >= 1 && h <= 512) << "tex " << i;
    EXPECT_EQ(decodedChannels, 3) << "tex " << i;
  }
  // The title's alpha matches its colour image in size.
  decode("data/tex.dat", 7, &w, &h);
  int aw = 0, ah = 0;
  decode("data/alpha.dat", 1, &aw, &ah);
  EXPECT_EQ(decodedChannels, 1);
  EXPECT_EQ(aw, w);
  EXPECT_EQ(ah, h);
  // Every frame and the mask share one width of a streaming pair.
  decode("data/valpha.dat", 0, &w, &h);
  EXPECT_EQ(decodedChannels, 1);
  EXPECT_TRUE(w == 128 || w == 256 || w == 512);
  for (int f = 0; f < frames; ++f) {
    int fw = 0, fh = 0;
    decode("data/paimen1.dat", f, &fw, &fh);
    EXPECT_EQ(fw, w) << "frame " << f;
  }
}

TEST_F(ContentSet, DarkeningOverlayTakesTheFrameToBlack) {
  int w = 0, h = 0;
  const std::vector<std::uint8_t> rgb = decode("data/tex.dat", 6, &w, &h);
  // Subtracting at full strength leaves at most a trace of any pixel.
  EXPECT_GE(*std::min_element(rgb.begin(), rgb.end()), 250);
}

TEST_F(ContentSet, TitleAlphaShowsTheLettersAndClearsTheEdges) {
  int w = 0, h = 0;
  const std::vector<std::uint8_t> alpha = decode("data/alpha.dat", 1, &w, &h);
  auto at = [&](int x, int y) { return alpha[std::size_t(y) * w + x]; };
  // Corners and top rows are clear, so the island shows round the band.
  EXPECT_LE(at(2, 2), 8);
  EXPECT_LE(at(w - 3, h - 3), 8);
  EXPECT_LE(at(w / 2, h / 10), 8);
  // The band across the middle is mostly opaque, the letters fully so.
  int opaque = 0;
  for (int x = 0; x < w; ++x) opaque += at(x, h / 2) > 240;
  EXPECT_GT(opaque, w / 10);
  int band = 0;
  for (int x = 0; x < w; ++x) band += at(x, h / 2) > 120;
  EXPECT_GT(band, w * 8 / 10);
}

TEST_F(ContentSet, AnimationIsBrightOnBlackAndLoopsWithoutAJump) {
  const int frames = imageCount(file("data/paimen1.dat").data());
  std::vector<std::vector<std::uint8_t>> decoded;
  int w = 0, h = 0;
  for (int f = 0; f < frames; ++f) decoded.push_back(decode("data/paimen1.dat", f, &w, &h));
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
}

TEST_F(ContentSet, SameBytesOnEveryRunAndPreviewsOnRequest) {
  const std::filesystem::path previews =
      std::filesystem::path(GLASS_BINARY_DIR) / "content_picture_test_previews";
  std::filesystem::remove_all(previews);
  ContentOptions options;
  options.previewDir = previews.string();
  std::vector<ContentFile> again;
  std::string error;
  ASSERT_TRUE(generateContentSet(options, &again, &error)) << error;
  EXPECT_EQ(again.size(), files_->size());
  for (const ContentFile& f : again) EXPECT_TRUE(f.bytes == file(f.path)) << f.path << " differs between runs";
  std::size_t pngs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(previews)) pngs += entry.path().extension() == ".png";
  EXPECT_EQ(pngs, 11u + 2u + std::size_t(kAnimationFrames) + 1u);
  std::filesystem::remove_all(previews);
}

}  // namespace
