// Wavefront OBJ reader; what it accepts is described in obj_import.h.
#include "common/obj_import.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

namespace {

constexpr std::size_t kMaxVertices = 65536;
// A corner written without a texture coordinate or a normal.
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

using Corner = std::tuple<std::size_t, std::size_t, std::size_t>;  // position, texcoord, normal

struct ObjState {
  std::vector<std::array<float, 3>> positions;
  std::vector<std::array<float, 2>> texcoords;
  std::vector<std::array<float, 3>> normals;
  std::map<Corner, std::uint16_t> corners;
  std::vector<Corner> vertices;  // mesh vertex k is made from vertices[k]
};

std::array<double, 3> faceCross(const std::array<float, 3>& a, const std::array<float, 3>& b,
                                const std::array<float, 3>& c) {
  const double u[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
  const double v[3] = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
  return {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
}

std::string_view nextToken(std::string_view& rest) {
  std::size_t start = rest.find_first_not_of(" \t\r");
  if (start == std::string_view::npos) {
    rest = {};
    return {};
  }
  rest.remove_prefix(start);
  std::size_t end = rest.find_first_of(" \t\r");
  std::string_view token = rest.substr(0, end);
  rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
  return token;
}

bool parseFloat(std::string_view token, float* out) {
  if (token.empty()) return false;
  if (token.front() == '+') token.remove_prefix(1);
  const char* end = token.data() + token.size();
  auto [ptr, ec] = std::from_chars(token.data(), end, *out);
  return ec == std::errc() && ptr == end;
}

// False when a value is missing or unreadable; `finite` tells whether every
// value read is a finite number (NaN and infinities parse but are refused).
template <std::size_t N>
bool parseFloats(std::string_view rest, std::array<float, N>* out, bool* finite) {
  *finite = true;
  for (std::size_t i = 0; i < N; ++i) {
    if (!parseFloat(nextToken(rest), &(*out)[i])) return false;
    *finite = *finite && std::isfinite((*out)[i]);
  }
  return true;
}

// One 1-based or negative OBJ reference to a 0-based index below `count`.
bool resolveIndex(std::string_view token, std::size_t count, std::size_t* out) {
  long long value = 0;
  const char* end = token.data() + token.size();
  auto [ptr, ec] = std::from_chars(token.data(), end, value);
  if (token.empty() || ec != std::errc() || ptr != end || value == 0) return false;
  const long long resolved = value > 0 ? value - 1 : static_cast<long long>(count) + value;
  if (resolved < 0 || resolved >= static_cast<long long>(count)) return false;
  *out = static_cast<std::size_t>(resolved);
  return true;
}

// Resolves one `v`, `v/vt`, `v//vn` or `v/vt/vn` corner to a mesh vertex,
// adding it on first use. A missing part is filled in once every face is read.
bool addCorner(std::string_view corner, ObjState& state, std::uint16_t* index, std::string* problem) {
  const std::size_t slash1 = corner.find('/');
  const std::size_t slash2 = slash1 == std::string_view::npos ? slash1 : corner.find('/', slash1 + 1);
  const std::string_view positionPart = corner.substr(0, slash1);
  const std::string_view texcoordPart =
      slash1 == std::string_view::npos ? std::string_view() : corner.substr(slash1 + 1, slash2 - slash1 - 1);
  const std::string_view normalPart = slash2 == std::string_view::npos ? std::string_view() : corner.substr(slash2 + 1);
  std::size_t p = kNone, t = kNone, n = kNone;
  if (!resolveIndex(positionPart, state.positions.size(), &p) ||
      (!texcoordPart.empty() && !resolveIndex(texcoordPart, state.texcoords.size(), &t)) ||
      (!normalPart.empty() && !resolveIndex(normalPart, state.normals.size(), &n)) ||
      (slash2 != std::string_view::npos && normalPart.empty()) ||
      (slash1 != std::string_view::npos && slash2 == std::string_view::npos && texcoordPart.empty())) {
    *problem = "face corner '" + std::string(corner) + "' refers to a missing entry";
    return false;
  }
  const Corner key{p, t, n};
  auto found = state.corners.find(key);
  if (found != state.corners.end()) {
    *index = found->second;
    return true;
  }
  if (state.corners.size() >= kMaxVertices) {
    *problem = "more than 65536 distinct vertices";
    return false;
  }
  *index = static_cast<std::uint16_t>(state.corners.size());
  state.corners.emplace(key, *index);
  state.vertices.push_back(key);
  return true;
}

bool addFace(std::string_view rest, ObjState& state, MeshData* mesh, std::string* problem) {
  std::vector<std::uint16_t> polygon;
  for (std::string_view corner = nextToken(rest); !corner.empty(); corner = nextToken(rest)) {
    std::uint16_t index;
    if (!addCorner(corner, state, &index, problem)) return false;
    polygon.push_back(index);
  }
  if (polygon.size() < 3) {
    *problem = "face with fewer than three corners";
    return false;
  }
  const auto position = [&state](std::uint16_t vertex) { return state.positions[std::get<0>(state.vertices[vertex])]; };
  for (std::size_t i = 1; i + 1 < polygon.size(); ++i) {
    // A triangle without area draws nothing and has no normal of its own.
    const std::array<double, 3> cross = faceCross(position(polygon[0]), position(polygon[i]), position(polygon[i + 1]));
    if (cross[0] == 0 && cross[1] == 0 && cross[2] == 0) {
      *problem = "degenerate face: its corners lie on one point or one line";
      return false;
    }
    mesh->indices.insert(mesh->indices.end(), {polygon[0], polygon[i], polygon[i + 1]});
  }
  return true;
}

// Fills the mesh's vertex arrays. A corner without a normal gets the
// area-weighted mean of the faces around its position; one without a texture
// coordinate gets its position projected onto the plane of the mesh's two
// widest axes, scaled to 0..1 over the mesh's bounds.
void buildVertices(const ObjState& state, MeshData* mesh) {
  std::vector<std::array<double, 3>> faceNormals(state.positions.size(), {0, 0, 0});
  for (std::size_t i = 0; i + 2 < mesh->indices.size(); i += 3) {
    const std::size_t p[3] = {std::get<0>(state.vertices[mesh->indices[i]]),
                              std::get<0>(state.vertices[mesh->indices[i + 1]]),
                              std::get<0>(state.vertices[mesh->indices[i + 2]])};
    // The cross product's length is twice the area: the weighting is built in.
    const std::array<double, 3> cross = faceCross(state.positions[p[0]], state.positions[p[1]], state.positions[p[2]]);
    for (std::size_t corner : p) {
      for (int axis = 0; axis < 3; ++axis) faceNormals[corner][axis] += cross[axis];
    }
  }
  std::array<float, 3> low{}, high{};
  for (std::size_t k = 0; k < state.vertices.size(); ++k) {
    const std::array<float, 3>& position = state.positions[std::get<0>(state.vertices[k])];
    for (int axis = 0; axis < 3; ++axis) {
      low[axis] = k == 0 ? position[axis] : std::min(low[axis], position[axis]);
      high[axis] = k == 0 ? position[axis] : std::max(high[axis], position[axis]);
    }
  }
  // The two widest axes span the plane, in x, y, z order.
  int narrowest = 0;
  for (int axis = 1; axis < 3; ++axis) {
    if (high[axis] - low[axis] < high[narrowest] - low[narrowest]) narrowest = axis;
  }
  const int uAxis = narrowest == 0 ? 1 : 0;
  const int vAxis = narrowest == 2 ? 1 : 2;
  const auto planar = [&](float value, int axis) {
    const double extent = double(high[axis]) - low[axis];
    return extent > 0 ? static_cast<float>((double(value) - low[axis]) / extent) : 0.0f;
  };

  for (const auto& [p, t, n] : state.vertices) {
    const std::array<float, 3>& position = state.positions[p];
    mesh->positions.insert(mesh->positions.end(), position.begin(), position.end());
    if (t != kNone) {
      mesh->texcoords.insert(mesh->texcoords.end(), state.texcoords[t].begin(), state.texcoords[t].end());
    } else {
      mesh->texcoords.insert(mesh->texcoords.end(), {planar(position[uAxis], uAxis), planar(position[vAxis], vAxis)});
    }
    if (n != kNone) {
      mesh->normals.insert(mesh->normals.end(), state.normals[n].begin(), state.normals[n].end());
      continue;
    }
    const std::array<double, 3>& sum = faceNormals[p];
    const double length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
    // Faces around one point that cancel out (a sheet folded flat) leave no
    // direction; such a vertex points along +z rather than being left at 0.
    if (length > 0) {
      mesh->normals.insert(mesh->normals.end(), {static_cast<float>(sum[0] / length), static_cast<float>(sum[1] / length),
                                                 static_cast<float>(sum[2] / length)});
    } else {
      mesh->normals.insert(mesh->normals.end(), {0.0f, 0.0f, 1.0f});
    }
  }
}

}  // namespace

bool importObj(std::string_view text, MeshData* mesh, std::string* error) {
  ObjState state;
  MeshData result;
  std::size_t lineNumber = 0;
  while (!text.empty()) {
    const std::size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    ++lineNumber;
    if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) {
      line = line.substr(0, hash);
    }
    std::string_view rest = line;
    const std::string_view keyword = nextToken(rest);
    std::string problem;
    bool ok = true;
    bool finite = true;
    if (keyword == "v") {
      ok = parseFloats(rest, &state.positions.emplace_back(), &finite);
      if (!ok) problem = "bad vertex position";
      if (ok && !finite) problem = "vertex position is not a finite number";
    } else if (keyword == "vt") {
      ok = parseFloats(rest, &state.texcoords.emplace_back(), &finite);
      if (!ok) problem = "bad texture coordinate";
      if (ok && !finite) problem = "texture coordinate is not a finite number";
    } else if (keyword == "vn") {
      ok = parseFloats(rest, &state.normals.emplace_back(), &finite);
      if (!ok) problem = "bad normal";
      if (ok && !finite) problem = "normal is not a finite number";
    } else if (keyword == "f") {
      ok = addFace(rest, state, &result, &problem);
    }
    ok = ok && finite;
    if (!ok) {
      if (error) *error = "line " + std::to_string(lineNumber) + ": " + problem;
      return false;
    }
  }
  if (result.indices.empty()) {
    if (error) *error = "no faces";
    return false;
  }
  buildVertices(state, &result);
  *mesh = std::move(result);
  return true;
}
