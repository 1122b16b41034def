// glass-tool mesh-info FILE.obu        counts, ranges and soundness of a mesh
//                                      file (exit 1 when malformed)
// glass-tool obj2obu IN.obj OUT.obu    Wavefront OBJ with texture coordinates
//                                      and normals to a mesh file
#include <cstdio>
#include <string>
#include <vector>

#include "assets/mesh_file.h"
#include "common/mesh_report.h"
#include "common/mesh_writer.h"
#include "common/obj_import.h"
#include "assets/file_size_rules.h"
#include "glass_tool/commands.h"

int runMeshInfo(int argc, char** argv) {
  if (argc != 2) return refuseUsage("mesh-info takes one mesh file (usage: glass-tool mesh-info FILE.obu)");
  std::vector<std::uint8_t> bytes;
  std::string error;
  const SizeRule rule = meshFileSizeRule();
  if (!readWholeFile(argv[1], &bytes, &error, rule)) {
    std::fprintf(stderr, "glass-tool: %s\n", error.c_str());
    return 1;
  }
  bool sound = false;
  const std::string report = describeMeshFile(bytes.data(), bytes.size(), &sound);
  std::printf("%s\n%s", argv[1], report.c_str());
  return sound ? 0 : 1;
}

int runObj2Obu(int argc, char** argv) {
  if (argc != 3) return refuseUsage("obj2obu needs IN.obj and OUT.obu (usage: glass-tool obj2obu IN.obj OUT.obu)");
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (!readWholeFile(argv[1], &bytes, &error, fixedSizeLimit(kMaxObjFileBytes, "an OBJ file may be"))) {
    std::fprintf(stderr, "glass-tool: %s\n", error.c_str());
    return 1;
  }
  MeshData mesh;
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (!importObj(text, &mesh, &error)) {
    std::fprintf(stderr, "glass-tool: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  if (!writeMeshFile(argv[2], mesh, &error)) {
    std::fprintf(stderr, "glass-tool: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s: %zu vertices, %zu triangles\n", argv[2], mesh.positions.size() / 3,
              mesh.indices.size() / 3);
  // Where it stands, in the model units of the slot it replaces: a mesh
  // must span about what the stock mesh spans to be where the cameras look.
  float low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
  for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
    const float value = mesh.positions[i];
    const std::size_t axis = i % 3;
    if (i < 3 || value < low[axis]) low[axis] = value;
    if (i < 3 || value > high[axis]) high[axis] = value;
  }
  std::printf("%s: spans x %.1f..%.1f, y %.1f..%.1f, z %.1f..%.1f (glass-tool check compares it with its slot)\n",
              argv[2], low[0], high[0], low[1], high[1], low[2], high[2]);
  return 0;
}
