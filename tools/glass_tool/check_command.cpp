// glass-tool check DIR: reads a content folder as the presentation will and
// says, file by file, what would go wrong (errors: exit 1) or surprise
// (warnings: exit 0), measured against the stock content's layout.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "assets/mesh_file.h"
#include "common/content_layout.h"
#include "common/picture.h"
#include "assets/file_size_rules.h"
#include "glass_tool/commands.h"
#include "platform/sound/song_facts.h"
#include "platform/sound/xm_completeness.h"

namespace fs = std::filesystem;

namespace {

struct Report {
  int errors = 0;
  int warnings = 0;
  void error(const std::string& file, const std::string& text) {
    std::printf("%s: error: %s\n", file.c_str(), text.c_str());
    ++errors;
  }
  void warning(const std::string& file, const std::string& text) {
    std::printf("%s: warning: %s\n", file.c_str(), text.c_str());
    ++warnings;
  }
  void fine(const std::string& file, const std::string& text) { std::printf("%s: ok: %s\n", file.c_str(), text.c_str()); }
};

// A reader's error without the path it starts with: the report's line
// names the file already.
std::string withoutPath(const std::string& error, const std::string& file) {
  if (error.rfind(file + ": ", 0) == 0) return error.substr(file.size() + 2);
  if (error.rfind(file + " ", 0) == 0) return error.substr(file.size() + 1);
  return error;
}

std::string size(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

std::string fixed(double value, int decimals = 1) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string position(int order, int row) { return "order " + std::to_string(order) + " row " + std::to_string(row); }

void checkSong(const fs::path& folder, Report& report) {
  const std::string file = (folder / "track.xm").string();
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (!readWholeFile(file, &bytes, &error, fixedSizeLimit(kMaxSongFileBytes, "a module may be"))) {
    report.error(file, "the song cannot be read (" + withoutPath(error, file) +
                           "); the presentation shows its \"FMOD error\" box");
    return;
  }
  const SongFacts song = describeSong(bytes.data(), bytes.size(), kLastOrder, kLastRow);
  if (!song.ok) {
    report.error(file, "not a song the presentation can play: " + song.error);
    return;
  }
  const std::string missing = describeMissingXmParts(bytes.data(), bytes.size());
  if (!missing.empty()) report.warning(file, "cut off: " + missing + "; what is missing plays as silence");
  const std::string summary = std::to_string(song.orders) + " orders, " + fixed(song.seconds) + " s";
  if (song.secondsPastEnd < 0) {
    // The scenes that the song's orders never reach are never shown (the
    // timeline only moves forward, whatever the song does).
    std::string unseen;
    for (const TimelineRange& range : timelineRanges()) {
      const bool reached = range.fromOrder < song.orders &&
                           range.fromRow < song.rows[static_cast<std::size_t>(range.fromOrder)];
      if (!reached) unseen += (unseen.empty() ? "" : ", ") + std::to_string(range.entry) + " (" + range.scene + ")";
    }
    report.warning(file, summary + ": it ends before " + position(kLastOrder, kLastRow) +
                             ", where the presentation ends: played, the song starts again and the presentation "
                             "never ends by itself (a capture stops with the music)" +
                             (unseen.empty() ? "" : ", and never shows timeline entries " + unseen) +
                             ". A song needs at least 6 orders, the sixth with 17 rows or more");
    return;
  }
  const double after = song.seconds - song.secondsPastEnd;
  if (after > 30 && after > 0.25 * song.secondsPastEnd) {
    report.warning(file, summary + ": the presentation ends at " + fixed(song.secondsPastEnd) + " s (after " +
                             position(kLastOrder, kLastRow) + "), so the last " + fixed(after) +
                             " s of the song are never heard");
    return;
  }
  report.fine(file, summary + "; the presentation ends at " + fixed(song.secondsPastEnd) + " s, after " +
                        position(kLastOrder, kLastRow));
}

void checkContainer(const fs::path& folder, const StockContainer& stock, Report& report) {
  const std::string file = (folder / stock.path).string();
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (!loadContainer(file, &bytes, &error)) {
    report.error(file, withoutPath(error, file));
    return;
  }
  const std::size_t count = containerBlocks(bytes).size();
  std::vector<const StockPicture*> expected;
  for (const StockPicture& p : stockPictures()) {
    if (p.container == stock.path) expected.push_back(&p);
  }
  const int before = report.errors + report.warnings;
  if (stock.countFlexible) {
    if (count != expected.size()) {
      report.warning(file, std::to_string(count) + " frames; the stock animation has " +
                               std::to_string(expected.size()) + " (it plays them all at 7.5 frames a second: " +
                               fixed(count / 7.5) + " s a loop)");
    }
  } else if (count < expected.size()) {
    for (std::size_t i = count; i < expected.size(); ++i) {
      report.error(file, "no image " + std::to_string(i) + " (" + expected[i]->role + "): the container holds " +
                             std::to_string(count) + " of " + std::to_string(expected.size()));
    }
  } else if (count > expected.size()) {
    report.warning(file, std::to_string(count) + " images; the presentation uses the first " +
                             std::to_string(expected.size()) + " and never shows the others");
  }
  int firstWidth = 0;
  for (std::size_t i = 0; i < count; ++i) {
    Picture picture;
    if (!decodeToPicture(bytes, static_cast<int>(i), &picture)) {
      report.error(file, "image " + std::to_string(i) + " does not decode");
      continue;
    }
    const StockPicture* stockPicture = i < expected.size() ? expected[i] : (stock.countFlexible ? expected.back() : nullptr);
    if (stockPicture == nullptr) continue;
    const std::string name = "image " + std::to_string(i) + " (" + stockPicture->role + ")";
    if (stock.countFlexible) {
      if (i == 0) firstWidth = picture.width;
      if (picture.width != firstWidth) {
        report.warning(file, name + " is " + std::to_string(picture.width) + " wide, frame 0 is " +
                                 std::to_string(firstWidth) + ": every frame shares the first one's texture size");
      }
    }
    if (picture.width != stockPicture->width || picture.height != stockPicture->height) {
      const bool square = picture.width == picture.height;
      report.warning(file, name + " is " + size(picture.width, picture.height) + ", the stock picture " +
                               size(stockPicture->width, stockPicture->height) +
                               ": it is stretched over the same surfaces" +
                               (square ? "" : ", so it will look squashed"));
    }
    if ((picture.channels == 1) != stockPicture->grey) {
      report.warning(file, name + " is " + (picture.channels == 1 ? "grey" : "colour") + ", the presentation takes " +
                               (stockPicture->grey ? "one grey channel (pack --grey)" : "a colour picture"));
    }
  }
  if (report.errors + report.warnings == before) {
    report.fine(file, std::to_string(count) + (count == 1 ? " image" : " images") + " as expected");
  }
}

struct Bounds {
  float low[3] = {0, 0, 0};
  float high[3] = {0, 0, 0};
};

std::string boundsText(const float low[3], const float high[3]) {
  return "x " + fixed(low[0]) + ".." + fixed(high[0]) + ", y " + fixed(low[1]) + ".." + fixed(high[1]) + ", z " +
         fixed(low[2]) + ".." + fixed(high[2]);
}

void checkMesh(const fs::path& folder, const StockMesh& stock, Report& report) {
  const std::string file = (folder / stock.file).string();
  std::vector<std::uint8_t> bytes;
  std::string error;
  const SizeRule rule = meshFileSizeRule();
  if (!readWholeFile(file, &bytes, &error, rule)) {
    report.error(file, "the mesh cannot be read (" + withoutPath(error, file) + "): " + stock.role + " is missing");
    return;
  }
  std::string problem;
  if (!checkMeshFile(bytes.data(), bytes.size(), &problem)) {
    report.error(file, "not a sound mesh file: " + problem);
    return;
  }
  const std::int32_t vertices = readMeshInt32(bytes.data());
  Bounds b;
  for (std::int32_t v = 0; v < vertices; ++v) {
    for (int axis = 0; axis < 3; ++axis) {
      const float value = readMeshFloat(bytes.data() + kMeshHeaderSize + 12 * std::size_t(v) + 4 * axis);
      if (v == 0 || value < b.low[axis]) b.low[axis] = value;
      if (v == 0 || value > b.high[axis]) b.high[axis] = value;
    }
  }
  // Far from the stock mesh: apart from its bounds, or its centre further
  // from the stock centre than the stock mesh is large; or a size far off.
  double distance = 0;
  double stockSize = 0;
  double sizeRatio = 1;
  for (int axis = 0; axis < 3; ++axis) {
    const double centre = (b.low[axis] + b.high[axis]) / 2;
    const double stockCentre = (stock.low[axis] + stock.high[axis]) / 2;
    distance += (centre - stockCentre) * (centre - stockCentre);
    stockSize = std::max(stockSize, double(stock.high[axis] - stock.low[axis]));
  }
  double largest = 0;
  for (int axis = 0; axis < 3; ++axis) largest = std::max(largest, double(b.high[axis] - b.low[axis]));
  if (stockSize > 0) sizeRatio = largest / stockSize;
  distance = std::sqrt(distance);
  const std::string where = boundsText(b.low, b.high);
  const std::string stockWhere = boundsText(stock.low, stock.high);
  // Apart: the two boxes do not meet, even with a fiftieth of the stock size to spare.
  bool apart = false;
  for (int axis = 0; axis < 3; ++axis) {
    const double margin = 0.02 * stockSize;
    if (b.high[axis] < stock.low[axis] - margin || b.low[axis] > stock.high[axis] + margin) apart = true;
  }
  if (apart || distance > std::max(20.0, stockSize)) {
    report.warning(file, "spans " + where + ", far from the stock " + stock.role + " (" + stockWhere +
                             "): the cameras will not see it where they look. Model units; the world moves it by "
                             "(0, -35, 0), then scales it (" + stock.scene + ")");
  } else if (sizeRatio > 4 || sizeRatio < 0.25) {
    report.warning(file, "spans " + where + ", " + fixed(sizeRatio, 2) + " times the size of the stock " + stock.role +
                             " (" + stockWhere + ")");
  } else {
    report.fine(file, std::to_string(vertices) + " vertices, " + where);
  }
}

void checkExtraFiles(const fs::path& folder, Report& report) {
  std::set<std::string> known = {"track.xm"};
  for (const StockContainer& c : stockContainers()) known.insert(c.path);
  for (const StockMesh& m : stockMeshes()) known.insert(m.file);
  for (const char* sub : {"data", "ref"}) {
    std::error_code ignored;
    if (!fs::is_directory(folder / sub, ignored)) continue;
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder / sub, ignored)) {
      names.push_back(std::string(sub) + "/" + entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      if (!known.count(name)) report.warning((folder / name).string(), "not read by the presentation");
    }
  }
}

}  // namespace

int runCheck(int argc, char** argv) {
  if (argc != 2) return refuseUsage("check takes one content folder (usage: glass-tool check DIR)");
  const fs::path folder = argv[1];
  std::error_code ignored;
  if (!fs::is_directory(folder, ignored)) {
    std::fprintf(stderr, "glass-tool: %s: not a folder\n", argv[1]);
    return 1;
  }
  Report report;
  checkSong(folder, report);
  for (const StockContainer& c : stockContainers()) checkContainer(folder, c, report);
  for (const StockMesh& m : stockMeshes()) checkMesh(folder, m, report);
  checkExtraFiles(folder, report);
  std::printf("%s: %d error%s, %d warning%s\n", argv[1], report.errors, report.errors == 1 ? "" : "s",
              report.warnings, report.warnings == 1 ? "" : "s");
  return report.errors > 0 ? 1 : 0;
}
