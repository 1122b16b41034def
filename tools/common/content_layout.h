// What the presentation expects of a content folder, as the stock content
// set has it: every picture of every container with its size and where it
// appears, and every mesh file with what it is and its bounds in model
// units. glass-tool check compares a folder with it; the content tests keep
// it equal to what glass-content makes.
#pragma once

#include <string>
#include <vector>

struct StockPicture {
  std::string container;  // "data/tex.dat"
  int index = 0;
  int width = 0;
  int height = 0;
  bool grey = false;
  std::string role;  // where it appears
};

struct StockContainer {
  std::string path;  // "data/tex.dat"
  int count = 0;     // images the presentation uses
  bool countFlexible = false;  // the animation plays however many frames there are
};

struct StockMesh {
  std::string file;  // "ref/isomies.obu"
  std::string role;
  float low[3] = {0, 0, 0};   // bounds in model units (x, y, z)
  float high[3] = {0, 0, 0};
  std::string scene;  // the set it stands in, and its scale there
};

const std::vector<StockContainer>& stockContainers();
const std::vector<StockPicture>& stockPictures();
const std::vector<StockMesh>& stockMeshes();

// The music: the presentation follows the song's order and row; entry N
// stays current up to its end position (order * 256 + row).
struct TimelineRange {
  int entry = 0;
  std::string scene;
  int fromOrder = 0, fromRow = 0;  // where it takes over
  int toOrder = 0, toRow = 0;      // the last position it is current at (the next one takes over after)
};
const std::vector<TimelineRange>& timelineRanges();
// The presentation ends once the song has passed this position.
constexpr int kLastOrder = 5;
constexpr int kLastRow = 16;
