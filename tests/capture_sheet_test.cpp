// The contact sheet: bitmap labels, thumbnails and the choice of frames.
#include <gtest/gtest.h>

#include <algorithm>

#include "capture/bitmap_font.h"
#include "capture/contact_sheet.h"

namespace {

BgraView viewOf(const std::vector<std::uint32_t>& pixels, int width, int height) {
  return {reinterpret_cast<const std::uint8_t*>(pixels.data()), width, height, width * 4};
}

}  // namespace

// The golden contact sheet pins glyphs, thumbnails and the grid; these are
// the edges it never reaches: text past the canvas and a frame smaller than
// its thumbnail.
TEST(ContactSheet, LabelsAndThumbnailsStayInsideTheirPixels) {
  // Unknown characters advance like blanks; text past the edges is cut off.
  Canvas small(8, 4, 0);
  drawText(small, -3, -2, "8?8:8", 0xFF00FF00);
  drawText(small, 6, 3, "888", 0xFF00FF00, 2);
  EXPECT_GT(std::count(small.pixels.begin(), small.pixels.end(), 0xFF00FF00u), 0);

  // Enlarging repeats pixels instead of reading past the source.
  const std::vector<std::uint32_t> pixels = {0xFF000000, 0xFFFFFFFF, 0xFFFF0000, 0xFFFF0000};
  const Canvas large = scaleDown(viewOf(pixels, 2, 2), 8, 4);
  EXPECT_EQ(large.at(0, 0), 0xFF000000u);
  EXPECT_EQ(large.at(7, 3), 0xFFFF0000u);
}

// Fades to black give one tile per dark stretch, whatever entries it spans,
// labelled with the stretch's span; the legend explains the labels.
TEST(ContactSheetOutput, ShowsEachDarkStretchOnce) {
  ContactSheetOutput output("/nonexistent-folder/sheet.png", 1000, 6, 4, 3);
  std::vector<std::uint32_t> lit(8 * 6, 0xFF808080), black(8 * 6, 0xFF000000), nearlyBlack(8 * 6, 0xFF101418);
  const struct {
    const std::vector<std::uint32_t>* pixels;
    std::uint32_t timeMs;
    int entry;
  } frames[] = {
      {&black, 0, 0},       {&black, 100, 0},     {&lit, 200, 1},       {&lit, 1500, 1},
      {&nearlyBlack, 2600, 1}, {&black, 3700, 1}, {&black, 3800, 2},    {&black, 4900, 2},
      {&lit, 5000, 3},      {&black, 6100, 3},    {&black, 7200, 3},
  };
  FrameInfo info;
  for (const auto& frame : frames) {
    info.timeMs = frame.timeMs;
    info.timelineEntry = frame.entry;
    output.writeFrame(viewOf(*frame.pixels, 8, 6), info);
    ++info.index;
  }
  output.finish();
  std::vector<std::string> labels;
  for (std::size_t i = 0; i < output.sheet().size(); ++i) labels.push_back(output.sheet().label(i));
  EXPECT_EQ(labels, (std::vector<std::string>{"#0 0:00 0.0-0.1s", "#1 0:00 0.2s", "#1 0:00 1.5s", "#1 0:00 2.6-4.9s",
                                              "#3 0:00 5.0s", "#3 0:00 6.1-7.2s"}));
}

// The legend explains the labels with ones on the sheet, never with fixed
// examples.
TEST(ContactSheetOutput, LegendQuotesTheSheetsOwnLabels) {
  const std::vector<std::string> legend =
      contactSheetLegend({"#0 0:00 0.0-0.1s", "#1 0:12 1.5s", "#4 2:48 36.5s", "#5 2:82 40.6-46.7s", "#8 4:02 62.1s"});
  ASSERT_EQ(legend.size(), 2u);
  EXPECT_NE(legend[0].find("#4 2:48 36.5s = ENTRY 4, ORDER 2 ROW 48, 36.5 s IN."), std::string::npos) << legend[0];
  EXPECT_NE(legend[1].find("WITH ITS SPAN (40.6-46.7s)."), std::string::npos) << legend[1];

  // A sheet of the first entry alone: what the labels say, without an example.
  const std::vector<std::string> bare = contactSheetLegend({"#0 0:00 0.0s"});
  EXPECT_EQ(bare[0], "LABELS: #TIMELINE ENTRY, MUSIC ORDER:ROW, PRESENTATION TIME.");
  EXPECT_EQ(bare[1].back(), '.');
  EXPECT_EQ(bare[1].find('('), std::string::npos);
}
