// The content layout that glass-tool check and the making-content guide
// rely on is the stock content set: the same containers, picture sizes and
// kinds, mesh files and bounds as glass-content makes.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "app/timeline_state.h"
#include "common/content_layout.h"
#include "content/content_meshes.h"
#include "content/content_pictures.h"
#include "content/picture_map.h"

namespace {

TEST(ContentLayout, PicturesAreTheGeneratedOnes) {
  std::string error;
  const std::map<std::string, std::vector<NamedPicture>> made = {
      {"data/tex.dat", buildTexturePictures(&error)},
      {"data/alpha.dat", buildAlphaPictures(&error)},
      {"data/paimen1.dat", buildAnimationFrames()},
      {"data/valpha.dat", buildPanelMask()},
  };
  ASSERT_TRUE(error.empty()) << error;
  for (const StockContainer& container : stockContainers()) {
    ASSERT_TRUE(made.count(container.path)) << container.path;
    EXPECT_EQ(made.at(container.path).size(), std::size_t(container.count)) << container.path;
  }
  std::size_t listed = 0;
  for (const StockPicture& p : stockPictures()) {
    const std::vector<NamedPicture>& pictures = made.at(p.container);
    ASSERT_LT(std::size_t(p.index), pictures.size()) << p.container << " " << p.index;
    const Picture& picture = pictures[std::size_t(p.index)].picture;
    EXPECT_EQ(picture.width, p.width) << p.container << " " << p.index;
    EXPECT_EQ(picture.height, p.height) << p.container << " " << p.index;
    EXPECT_EQ(picture.channels == 1, p.grey) << p.container << " " << p.index;
    EXPECT_FALSE(p.role.empty());
    ++listed;
  }
  std::size_t total = 0;
  for (const auto& [path, pictures] : made) total += pictures.size();
  EXPECT_EQ(listed, total) << "every picture has its line";
}

TEST(ContentLayout, PictureMapShowsEveryPicture) {
  Picture map;
  std::string error;
  ASSERT_TRUE(buildPictureMap(&map, &error)) << error;
  EXPECT_EQ(map.channels, 3);
  EXPECT_GE(map.width, 1000);
  EXPECT_EQ(map.pixels.size(), std::size_t(map.width) * map.height * 3);
  // Labelled thumbnails: far more than the background's one grey.
  std::size_t lit = 0;
  for (std::size_t i = 0; i < map.pixels.size(); i += 3) lit += map.pixels[i] > 40;
  EXPECT_GT(lit, map.pixels.size() / 3 / 5);
}

TEST(ContentLayout, MeshBoundsAreTheGeneratedOnes) {
  std::map<std::string, MeshData> made;
  for (auto* build : {buildRoomMeshes, buildSculptureMeshes, buildIslandMeshes, buildHouseMeshes}) {
    for (NamedMesh& m : build()) made["ref/" + m.name + ".obu"] = std::move(m.mesh);
  }
  EXPECT_EQ(made.size(), stockMeshes().size());
  for (const StockMesh& stock : stockMeshes()) {
    ASSERT_TRUE(made.count(stock.file)) << stock.file;
    const std::vector<float>& positions = made.at(stock.file).positions;
    for (int axis = 0; axis < 3; ++axis) {
      float low = positions[std::size_t(axis)], high = low;
      for (std::size_t i = std::size_t(axis); i < positions.size(); i += 3) {
        low = std::min(low, positions[i]);
        high = std::max(high, positions[i]);
      }
      EXPECT_NEAR(low, stock.low[axis], 0.01) << stock.file << " axis " << axis;
      EXPECT_NEAR(high, stock.high[axis], 0.01) << stock.file << " axis " << axis;
    }
  }
}

TEST(ContentLayout, TimelineRangesFollowEachOther) {
  const std::vector<TimelineRange>& ranges = timelineRanges();
  ASSERT_EQ(ranges.size(), 9u);
  for (std::size_t i = 1; i < ranges.size(); ++i) {
    const int previousEnd = ranges[i - 1].toOrder * 256 + ranges[i - 1].toRow;
    const int start = ranges[i].fromOrder * 256 + ranges[i].fromRow;
    EXPECT_GT(start, previousEnd) << ranges[i].scene;
  }
  EXPECT_EQ(ranges.back().toOrder * 256 + ranges.back().toRow, kLastOrder * 256 + kLastRow);
  // The presentation's own timeline: each entry's end position.
  for (int i = 0; i + 1 < kTimelineLength; ++i) {
    EXPECT_EQ(float(ranges[std::size_t(i)].toOrder * 256 + ranges[std::size_t(i)].toRow), kTimeline[i].endPosition)
        << "entry " << i;
  }
}

}  // namespace
