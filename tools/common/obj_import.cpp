// Wavefront OBJ reader; what it accepts is described in obj_import.h.
#include "common/obj_import.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

namespace {

constexpr std::size_t kMaxVertices = 65536;

struct ObjState {
  std::vector<std::array<float, 3>> positions;
  std::vector<std::array<float, 2>> texcoords;
  std::vector<std::array<float, 3>> normals;
  std::map<std::tuple<std::size_t, std::size_t, std::size_t>, std::uint16_t> corners;
};

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

template <std::size_t N>
bool parseFloats(std::string_view rest, std::array<float, N>* out) {
  for (std::size_t i = 0; i < N; ++i) {
    if (!parseFloat(nextToken(rest), &(*out)[i])) return false;
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

// Resolves one `v/vt/vn` corner to a mesh vertex, adding it on first use.
bool addCorner(std::string_view corner, ObjState& state, MeshData* mesh, std::uint16_t* index,
               std::string* problem) {
  const std::size_t slash1 = corner.find('/');
  const std::size_t slash2 = slash1 == std::string_view::npos ? slash1 : corner.find('/', slash1 + 1);
  if (slash2 == std::string_view::npos) {
    *problem = "face corner '" + std::string(corner) + "' lacks a texture coordinate or normal";
    return false;
  }
  std::size_t p, t, n;
  if (!resolveIndex(corner.substr(0, slash1), state.positions.size(), &p) ||
      !resolveIndex(corner.substr(slash1 + 1, slash2 - slash1 - 1), state.texcoords.size(), &t) ||
      !resolveIndex(corner.substr(slash2 + 1), state.normals.size(), &n)) {
    *problem = "face corner '" + std::string(corner) + "' refers to a missing entry";
    return false;
  }
  const auto key = std::make_tuple(p, t, n);
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
  mesh->positions.insert(mesh->positions.end(), state.positions[p].begin(), state.positions[p].end());
  mesh->texcoords.insert(mesh->texcoords.end(), state.texcoords[t].begin(), state.texcoords[t].end());
  mesh->normals.insert(mesh->normals.end(), state.normals[n].begin(), state.normals[n].end());
  return true;
}

bool addFace(std::string_view rest, ObjState& state, MeshData* mesh, std::string* problem) {
  std::vector<std::uint16_t> polygon;
  for (std::string_view corner = nextToken(rest); !corner.empty(); corner = nextToken(rest)) {
    std::uint16_t index;
    if (!addCorner(corner, state, mesh, &index, problem)) return false;
    polygon.push_back(index);
  }
  if (polygon.size() < 3) {
    *problem = "face with fewer than three corners";
    return false;
  }
  for (std::size_t i = 1; i + 1 < polygon.size(); ++i) {
    mesh->indices.insert(mesh->indices.end(), {polygon[0], polygon[i], polygon[i + 1]});
  }
  return true;
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
    if (keyword == "v") {
      ok = parseFloats(rest, &state.positions.emplace_back());
      if (!ok) problem = "bad vertex position";
    } else if (keyword == "vt") {
      ok = parseFloats(rest, &state.texcoords.emplace_back());
      if (!ok) problem = "bad texture coordinate";
    } else if (keyword == "vn") {
      ok = parseFloats(rest, &state.normals.emplace_back());
      if (!ok) problem = "bad normal";
    } else if (keyword == "f") {
      ok = addFace(rest, state, &result, &problem);
    }
    if (!ok) {
      if (error) *error = "line " + std::to_string(lineNumber) + ": " + problem;
      return false;
    }
  }
  if (result.indices.empty()) {
    if (error) *error = "no faces";
    return false;
  }
  *mesh = std::move(result);
  return true;
}
