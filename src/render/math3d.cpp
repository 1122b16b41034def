#include "render/math3d.h"

#include <cmath>
#include <cstring>

#include "render/portable_trig.h"

namespace {

// The matrices are handled as plain arrays of 16 floats, row-major, so the
// routines can index them; a copy in and out keeps aliasing harmless.
using Elements = float[16];

static_assert(sizeof(Mat4) == sizeof(Elements), "Mat4 must be 16 packed floats");
static_assert(sizeof(Vec3) == 3 * sizeof(float), "Vec3 must be 3 packed floats");

void load(Elements& e, const Mat4* m) { std::memcpy(e, m, sizeof(Elements)); }
void store(Mat4* m, const Elements& e) { std::memcpy(m, e, sizeof(Elements)); }

Mat4* storeIdentityWith(Mat4* out, float e11, float e22, float e33) {
  Elements e{};
  e[0] = e11;
  e[5] = e22;
  e[10] = e33;
  e[15] = 1.0f;
  store(out, e);
  return out;
}

float dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Squared lengths this close to 1 count as unit length.
constexpr float kUnitTolerance = 1e-5f;  // 9.9999997e-6 as a single
// Squared lengths at or below this are too short to normalise. The value is
// the single just below 1e-10 (bit pattern 0x2EDBE6FE), not 1e-10f itself.
constexpr float kShortestSquared = 0x1.b7cdfcp-34f;

}  // namespace

Mat4* mat4Multiply(Mat4* out, const Mat4* a, const Mat4* b) {
  Elements ea, eb, result;
  load(ea, a);
  load(eb, b);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      result[i * 4 + j] = ea[i * 4 + 0] * eb[0 * 4 + j] + ea[i * 4 + 1] * eb[1 * 4 + j] +
                          ea[i * 4 + 2] * eb[2 * 4 + j] + ea[i * 4 + 3] * eb[3 * 4 + j];
    }
  }
  store(out, result);
  return out;
}

Mat4* mat4Scaling(Mat4* out, float sx, float sy, float sz) {
  return storeIdentityWith(out, sx, sy, sz);
}

Mat4* mat4Translation(Mat4* out, float x, float y, float z) {
  Elements e{};
  e[0] = e[5] = e[10] = e[15] = 1.0f;
  e[12] = x;
  e[13] = y;
  e[14] = z;
  store(out, e);
  return out;
}

Mat4* mat4RotationY(Mat4* out, float angle) {
  const float c = portableCos(angle);
  const float s = portableSin(angle);
  Elements e{};
  e[0] = c;
  e[2] = -s;
  e[5] = 1.0f;
  e[8] = s;
  e[10] = c;
  e[15] = 1.0f;
  store(out, e);
  return out;
}

Mat4* mat4PerspectiveLH(Mat4* out, float fovy, float aspect, float zn, float zf) {
  const float half = fovy / 2.0f;
  const float h = portableCos(half) / portableSin(half);
  Elements e{};
  e[0] = h / aspect;
  e[5] = h;
  e[10] = zf / (zf - zn);
  e[11] = 1.0f;
  e[14] = -zn * zf / (zf - zn);
  store(out, e);
  return out;
}

Vec3* vec3Cross(Vec3* out, const Vec3* a, const Vec3* b) {
  Vec3 r;
  r.x = a->y * b->z - a->z * b->y;
  r.y = a->z * b->x - a->x * b->z;
  r.z = a->x * b->y - a->y * b->x;
  *out = r;
  return out;
}

Vec3* vec3Normalize(Vec3* out, const Vec3* v) {
  const Vec3 in = *v;
  const float d = dot(in, in);
  const float offUnit = d - 1.0f;
  if (offUnit >= -kUnitTolerance && offUnit <= kUnitTolerance) {
    *out = in;
    return out;
  }
  // Written as "not greater" so a squared length that is not a number also
  // gives the zero vector.
  if (!(d > kShortestSquared)) {
    *out = Vec3{0.0f, 0.0f, 0.0f};
    return out;
  }
  const float r = 1.0f / std::sqrt(d);
  *out = Vec3{in.x * r, in.y * r, in.z * r};
  return out;
}

Mat4* mat4LookAtLH(Mat4* out, const Vec3* eye, const Vec3* at, const Vec3* up) {
  const Vec3 e = *eye;
  Vec3 zaxis{at->x - e.x, at->y - e.y, at->z - e.z};
  vec3Normalize(&zaxis, &zaxis);
  Vec3 xaxis;
  vec3Cross(&xaxis, up, &zaxis);
  vec3Normalize(&xaxis, &xaxis);
  Vec3 yaxis;
  vec3Cross(&yaxis, &zaxis, &xaxis);

  Elements m{};
  m[0] = xaxis.x;
  m[4] = xaxis.y;
  m[8] = xaxis.z;
  m[1] = yaxis.x;
  m[5] = yaxis.y;
  m[9] = yaxis.z;
  m[2] = zaxis.x;
  m[6] = zaxis.y;
  m[10] = zaxis.z;
  m[12] = -dot(xaxis, e);
  m[13] = -dot(yaxis, e);
  m[14] = -dot(zaxis, e);
  m[15] = 1.0f;
  store(out, m);
  return out;
}
