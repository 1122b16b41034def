// Summary of a mesh file; the layout is read through assets/mesh_file.h.
#include "common/mesh_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "assets/mesh_file.h"

namespace {

struct Range {
  float low = std::numeric_limits<float>::infinity();
  float high = -std::numeric_limits<float>::infinity();
  void add(float value) {
    low = std::min(low, value);
    high = std::max(high, value);
  }
};

std::string formatRange(const char* name, const Range& range) {
  char line[128];
  std::snprintf(line, sizeof line, "  %s %g .. %g\n", name, double(range.low), double(range.high));
  return line;
}

// True when the triangle's corners lie on one point or one line.
bool zeroArea(const unsigned char* positions, std::uint16_t a, std::uint16_t b, std::uint16_t c) {
  double p[3][3];
  const std::uint16_t corners[3] = {a, b, c};
  for (int k = 0; k < 3; ++k) {
    for (int axis = 0; axis < 3; ++axis) p[k][axis] = readMeshFloat(positions + 12 * std::size_t(corners[k]) + 4 * axis);
  }
  const double u[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
  const double v[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
  return u[1] * v[2] - u[2] * v[1] == 0 && u[2] * v[0] - u[0] * v[2] == 0 && u[0] * v[1] - u[1] * v[0] == 0;
}

}  // namespace

std::string describeMeshFile(const unsigned char* data, std::size_t size, bool* sound) {
  std::string report = "file size: " + std::to_string(size) + " bytes\n";
  if (size >= kMeshHeaderSize) {
    report += "vertices: " + std::to_string(readMeshInt32(data)) +
              "\ntriangles: " + std::to_string(readMeshInt32(data + 4)) +
              "\ntexture coordinates: " + std::to_string(readMeshInt32(data + 8)) + "\n";
  }
  std::string problem;
  const bool ok = checkMeshFile(data, size, &problem);
  if (sound) *sound = ok;
  if (!ok) return report + "malformed: " + problem + "\n";

  MeshFileLayout layout;
  meshFileLayout(readMeshInt32(data), readMeshInt32(data + 4), readMeshInt32(data + 8), &layout,
                 nullptr);
  report += "complete size: " + std::to_string(layout.size) + " bytes\n";

  Range axes[3], u, v, normalLength;
  for (std::int32_t k = 0; k < layout.vertexCount; ++k) {
    const unsigned char* position = data + layout.positions + 12 * std::size_t(k);
    const unsigned char* normal = data + layout.normals + 12 * std::size_t(k);
    const unsigned char* texcoord = data + layout.texcoords + 8 * std::size_t(k);
    float lengthSquared = 0;
    for (int axis = 0; axis < 3; ++axis) {
      axes[axis].add(readMeshFloat(position + 4 * axis));
      const float n = readMeshFloat(normal + 4 * axis);
      lengthSquared += n * n;
    }
    normalLength.add(std::sqrt(lengthSquared));
    u.add(readMeshFloat(texcoord));
    v.add(readMeshFloat(texcoord + 4));
  }
  std::size_t degenerate = 0;
  for (std::int32_t t = 0; t < layout.triangleCount; ++t) {
    const unsigned char* triangle = data + layout.indices + 6 * std::size_t(t);
    const std::uint16_t a = readMeshUint16(triangle);
    const std::uint16_t b = readMeshUint16(triangle + 2);
    const std::uint16_t c = readMeshUint16(triangle + 4);
    if (a == b || b == c || a == c || zeroArea(data + layout.positions, a, b, c)) ++degenerate;
  }
  if (layout.vertexCount > 0) {
    report += "ranges:\n";
    report += formatRange("x", axes[0]);
    report += formatRange("y", axes[1]);
    report += formatRange("z", axes[2]);
    report += formatRange("u", u);
    report += formatRange("v", v);
    report += formatRange("normal length", normalLength);
  }
  report += "degenerate triangles: " + std::to_string(degenerate) + "\n";
  // They load, but draw nothing; a converted or generated mesh never has any.
  if (degenerate > 0) {
    if (sound) *sound = false;
    report += "not sound: triangles without area (repeated or collinear corners)\n";
  }
  return report;
}
