// Wavefront OBJ text to mesh data, for the converter.
//
// Read: `v x y z` (a fourth w is ignored), `vt u v` (a third w is ignored),
// `vn x y z`, and `f` with three or more corners each written `v`, `v/vt`,
// `v//vn` or `v/vt/vn` (1-based; negative numbers count back from the latest
// entry). Faces of more than three corners are split as a fan from the first
// corner. Every other statement (o, g, s, usemtl, mtllib, comments) is
// skipped.
//
// Each distinct (v, vt, vn) corner becomes one mesh vertex, in order of first
// use; values are copied unchanged (no handedness or v-flip conversion: the
// presentation applies its own texture-coordinate factors). A corner without
// a normal gets the area-weighted mean normal of the faces around its
// position; one without a texture coordinate gets planar coordinates (the
// position over the mesh's two widest axes, 0..1 across its bounds).
//
// Refused, naming the line: values that are not finite numbers (nan, inf),
// faces whose triangles have no area (repeated or collinear corners), and a
// mesh of more than 65536 distinct corners (16-bit indices).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/mesh_writer.h"

// The largest OBJ file the converter reads: the text of a mesh at the
// format's limits (65536 vertices, a million triangles) with room for
// comments and long numbers.
constexpr std::uint64_t kMaxObjFileBytes = 256u << 20;

// False with a reason naming the line in `error` (may be null).
bool importObj(std::string_view text, MeshData* mesh, std::string* error);
