// The meshes of the three sets, as named files of the content set.
//
// World layout (the coordinates the presentation's cameras see):
//  - Room (scale 0.02): the room spans x -4..4, y -0.6..3, z -5..5; the picture
//    panel hangs on the x = -4 wall. The three sculptures share their files
//    with the island, where they stand unturned; the room turns them by
//    1.7 radians about y, which puts them along the room's +z side.
//  - Island (scale 0.1 for sky, island and water; 0.02 for the sculptures):
//    the camera circles radius 1.5 at height -0.3 looking up at (-1, 1.5, 0.4);
//    the sculptures stand round that point, inside or well outside the
//    camera's circle; water at y -0.7, sky dome of radius 80.
//  - House (scale 0.02): the camera stays on the y axis between heights -0.6
//    and 0.4; walls at ±3.2, floor at -1, gable roof up to 2.8.
#pragma once

#include <string>
#include <vector>

#include "common/mesh_writer.h"

struct NamedMesh {
  std::string name;  // file name without folder and extension, e.g. "huone"
  MeshData mesh;
};

constexpr float kRoomScale = 0.02f;
constexpr float kOutdoorScale = 0.1f;
constexpr float kFloorHeight = -0.6f;  // room floor and the sculptures' base

// huone, rectangle0..2.
std::vector<NamedMesh> buildRoomMeshes();
// isomies, imkeha, piru, AK, vapaus.
std::vector<NamedMesh> buildSculptureMeshes();
// taivas, saari, vesi.
std::vector<NamedMesh> buildIslandMeshes();
// talo, ChamferBo0..2, ChamferBox, screen00..03.
std::vector<NamedMesh> buildHouseMeshes();
