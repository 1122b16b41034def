#include "common/content_layout.h"

const std::vector<StockContainer>& stockContainers() {
  static const std::vector<StockContainer> containers = {
      {"data/tex.dat", 11, false},
      {"data/alpha.dat", 2, false},
      {"data/paimen1.dat", 24, true},
      {"data/valpha.dat", 1, false},
  };
  return containers;
}

const std::vector<StockPicture>& stockPictures() {
  static const std::vector<StockPicture> pictures = [] {
    std::vector<StockPicture> p = {
        {"data/tex.dat", 0, 256, 256, false, "the three sculptures in the room"},
        {"data/tex.dat", 1, 256, 256, false, "built, not shown"},
        {"data/tex.dat", 2, 256, 256, false, "the walls of the room and of the house"},
        {"data/tex.dat", 3, 256, 256, false, "glow added over the room; the island and the water"},
        {"data/tex.dat", 4, 256, 256, false, "glow added over the room; the sky"},
        {"data/tex.dat", 5, 256, 256, false, "the sculptures on the island"},
        {"data/tex.dat", 6, 128, 128, false, "darkening overlay, subtracted from the frame (white: black frame)"},
        {"data/tex.dat", 7, 512, 512, false, "the title card's colour, sliding up over the island"},
        {"data/tex.dat", 8, 256, 256, false, "built, not shown"},
        {"data/tex.dat", 9, 256, 256, false, "the chamfered boxes in the house"},
        {"data/tex.dat", 10, 256, 256, false, "built, not shown"},
        {"data/alpha.dat", 0, 256, 256, true, "loaded, not shown"},
        {"data/alpha.dat", 1, 512, 512, true, "the title card's alpha (black: transparent)"},
        {"data/valpha.dat", 0, 256, 256, true, "mask of the animated picture's panel in the room"},
    };
    for (int frame = 0; frame < 24; ++frame) {
      p.push_back({"data/paimen1.dat", frame, 256, 256, false,
                   "animation frame " + std::to_string(frame) + ": the room's panel, the screens, added to the sky"});
    }
    return p;
  }();
  return pictures;
}

const std::vector<StockMesh>& stockMeshes() {
  static const std::vector<StockMesh> meshes = {
      {"ref/isomies.obu", "sculpture (texture 0 in the room, 5 on the island)", {-126.875f, 3.75f, 43.125f},
       {-73.125f, 126.875f, 76.875f}, "room x0.02 and island x0.02"},
      {"ref/piru.obu", "sculpture (texture 0 / 5)", {-138.355f, 5, -35.681f}, {-84.25f, 125, 5.68096f},
       "room x0.02 and island x0.02"},
      {"ref/huone.obu", "the room, seen from inside (texture 2)", {-205, 5, -250}, {205, 185, 250}, "room x0.02"},
      {"ref/rectangle0.obu", "panel, built, not drawn", {-60, 40, 248.5f}, {40, 115, 248.5f}, "room x0.02"},
      {"ref/rectangle1.obu", "panel, built, not drawn", {-40, 40, -248.5f}, {60, 115, -248.5f}, "room x0.02"},
      {"ref/rectangle2.obu", "panel on a room wall showing the animated picture", {-198.5f, 40, -50},
       {-198.5f, 115, 50}, "room x0.02"},
      {"ref/imkeha.obu", "sculpture (texture 0 / 5)", {-90.9996f, 5, -119.75f}, {-29.0003f, 105.5f, -60.25f},
       "room x0.02 and island x0.02"},
      {"ref/AK.obu", "sculpture on the island (texture 5)", {-65.2169f, 5, -9.17823f}, {9.26585f, 125.5f, 36.9714f},
       "island x0.02"},
      {"ref/vapaus.obu", "sculpture on the island, planar texture coordinates", {-26, 5, -56}, {16, 162, -14},
       "island x0.02"},
      {"ref/taivas.obu", "sky dome (texture 4 plus the animation)", {-799.707f, -91.5505f, -799.707f},
       {799.707f, 828, 799.707f}, "island x0.1"},
      {"ref/saari.obu", "the island (texture 3)", {-59, 23.8173f, -43}, {33, 53.3306f, 49}, "island x0.1"},
      {"ref/vesi.obu", "the water (texture 3)", {-760, 28, -760}, {760, 28, 760}, "island x0.1"},
      {"ref/talo.obu", "the house around the last camera (texture 2)", {-167.5f, -15, -167.5f}, {167.5f, 175, 167.5f},
       "house x0.02"},
      {"ref/ChamferBo0.obu", "chamfered box (texture 9)", {60, -15, 25}, {95, 20, 60}, "house x0.02"},
      {"ref/ChamferBo1.obu", "chamfered box (texture 9)", {50, -15, -80}, {75, 10, -55}, "house x0.02"},
      {"ref/ChamferBo2.obu", "chamfered box (texture 9)", {-110, -15, 50}, {-70, 25, 90}, "house x0.02"},
      {"ref/ChamferBox.obu", "chamfered box (texture 9)", {-95, -15, -100}, {-65, 45, -70}, "house x0.02"},
      {"ref/screen00.obu", "screen showing the animation", {-40, 2.5f, 155}, {40, 62.5f, 155}, "house x0.02"},
      {"ref/screen01.obu", "screen showing the animation", {-40, 2.5f, -155}, {40, 62.5f, -155}, "house x0.02"},
      {"ref/screen02.obu", "screen showing the animation", {155, -2.5f, -40}, {155, 57.5f, 40}, "house x0.02"},
      {"ref/screen03.obu", "screen showing the animation", {-155, 35, -40}, {-140, 95, 40}, "house x0.02"},
  };
  return meshes;
}

const std::vector<TimelineRange>& timelineRanges() {
  static const std::vector<TimelineRange> ranges = {
      {0, "room, darkening in", 0, 0, 0, 0},          {1, "room, gaze", 0, 1, 0, 36},
      {2, "room, dolly", 0, 37, 1, 0},                {3, "room, fly", 1, 1, 2, 0},
      {4, "room, sway", 2, 1, 2, 48},                 {5, "room, darkening", 2, 49, 3, 4},
      {6, "island, unveiled", 3, 5, 3, 32},           {7, "island, the title card slides up", 3, 33, 4, 0},
      {8, "house", 4, 1, kLastOrder, kLastRow},
  };
  return ranges;
}
