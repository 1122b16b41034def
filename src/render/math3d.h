// Vector and matrix helpers for world, view and projection matrices and
// light directions. Row vectors multiply matrices from the left (p · M),
// translations sit in the fourth row, and coordinates are left-handed, as
// in Direct3D. Pure functions: each writes its result through its first
// argument and returns that pointer. The output may be the same object as
// any input; the result is then what the unchanged inputs would give.
// Any thread (no shared state).
#pragma once

#include "platform/d3d8/d3d8.h"

// Vec3 and Mat4 are the platform's own vector and matrix records, so a
// Mat4 goes to SetTransform unchanged.
using Vec3 = D3DVECTOR;
using Mat4 = D3DMATRIX;

// out = a · b (a applies first).
Mat4* mat4Multiply(Mat4* out, const Mat4* a, const Mat4* b);
Mat4* mat4Scaling(Mat4* out, float sx, float sy, float sz);
Mat4* mat4Translation(Mat4* out, float x, float y, float z);
// Rotation about the y axis: (x, y, z) -> (x·c + z·s, y, z·c − x·s).
Mat4* mat4RotationY(Mat4* out, float angle);
// Left-handed perspective projection: view depth zn -> 0, zf -> 1.
Mat4* mat4PerspectiveLH(Mat4* out, float fovy, float aspect, float zn, float zf);
Vec3* vec3Cross(Vec3* out, const Vec3* a, const Vec3* b);
// v scaled to length 1. A vector whose squared length is within 1e-5 of 1
// is taken as unit length and copied unchanged; one whose squared length is
// at most 1e-10, or not a number, becomes the zero vector.
Vec3* vec3Normalize(Vec3* out, const Vec3* v);
// Left-handed view matrix looking from eye towards at. An up vector
// parallel to the gaze gives zero first and second columns, not an error.
Mat4* mat4LookAtLH(Mat4* out, const Vec3* eye, const Vec3* at, const Vec3* up);
