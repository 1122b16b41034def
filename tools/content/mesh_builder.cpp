// Procedural modelling primitives; see mesh_builder.h.
#include "content/mesh_builder.h"

#include <cmath>

namespace {

constexpr float kTwoPi = 6.28318530718f;
constexpr float kModelLift = 35.0f;  // the presentation lowers every model by 35 units

float length(Vec3f a) { return std::sqrt(dot(a, a)); }

// Two unit vectors perpendicular to `axis` and to each other.
void frame(Vec3f axis, Vec3f* e1, Vec3f* e2) {
  const Vec3f helper = std::fabs(axis.y) < 0.9f ? Vec3f{0, 1, 0} : Vec3f{1, 0, 0};
  *e1 = normalised(cross(helper, axis));
  *e2 = normalised(cross(axis, *e1));
}

}  // namespace

Vec3f operator+(Vec3f a, Vec3f b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3f operator-(Vec3f a, Vec3f b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3f operator*(Vec3f a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float dot(Vec3f a, Vec3f b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3f cross(Vec3f a, Vec3f b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3f normalised(Vec3f a) {
  const float l = length(a);
  if (l < 1e-12f) return {0, 1, 0};
  return a * (1.0f / l);
}

std::uint16_t MeshBuilder::vertex(Vec3f position, Vec3f normal, float u, float v) {
  if (positions_.size() >= 65535) {
    overflow_ = true;
    return 0;
  }
  positions_.push_back(position);
  normals_.push_back(normalised(normal));
  texcoords_.push_back(u);
  texcoords_.push_back(v);
  return static_cast<std::uint16_t>(positions_.size() - 1);
}

void MeshBuilder::triangle(std::uint16_t a, std::uint16_t b, std::uint16_t c) {
  const Vec3f pa = positions_[a], pb = positions_[b], pc = positions_[c];
  const Vec3f facing = cross(pb - pa, pc - pa);
  // Degenerate (or so thin that rounding could flip it): nothing to see.
  const float spread = dot(pb - pa, pb - pa) + dot(pc - pa, pc - pa);
  if (length(facing) <= 1e-5f * spread) return;
  const Vec3f seenFrom = normals_[a] + normals_[b] + normals_[c];
  if (dot(facing, seenFrom) > 0) std::swap(b, c);
  indices_.push_back(a);
  indices_.push_back(b);
  indices_.push_back(c);
}

void MeshBuilder::quad(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d) {
  triangle(a, b, c);
  triangle(a, c, d);
}

void MeshBuilder::lathe(Vec3f base, const std::vector<ProfilePoint>& profile, int segments,
                        float uTurns, float vPerUnit, bool inward) {
  const std::size_t n = profile.size();
  if (n < 2) return;
  std::vector<std::uint16_t> previousRing;
  float travelled = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const ProfilePoint p = profile[i];
    if (i > 0) {
      travelled += std::hypot(p.radius - profile[i - 1].radius, p.height - profile[i - 1].height);
    }
    // The profile normal from the neighbouring segments; a repeated point
    // makes a crease, as each copy then sees one side only.
    float tr = 0, th = 0;
    auto addSegment = [&](ProfilePoint from, ProfilePoint to) {
      const float dr = to.radius - from.radius, dh = to.height - from.height;
      const float l = std::hypot(dr, dh);
      if (l > 1e-6f) tr += dr / l, th += dh / l;
    };
    if (i > 0) addSegment(profile[i - 1], p);
    if (i + 1 < n) addSegment(p, profile[i + 1]);
    float nr = th, ny = -tr;
    if (inward) nr = -nr, ny = -ny;
    std::vector<std::uint16_t> ring;
    for (int s = 0; s <= segments; ++s) {
      const float angle = kTwoPi * float(s) / float(segments);
      const float c = std::cos(angle), sn = std::sin(angle);
      ring.push_back(vertex(base + Vec3f{p.radius * c, p.height, p.radius * sn},
                            Vec3f{nr * c, ny, nr * sn}, uTurns * float(s) / float(segments),
                            travelled * vPerUnit));
    }
    if (!previousRing.empty()) {
      for (int s = 0; s < segments; ++s) {
        quad(previousRing[s], previousRing[s + 1], ring[s + 1], ring[s]);
      }
    }
    previousRing = std::move(ring);
  }
}

void MeshBuilder::tube(Vec3f a, Vec3f b, float ra, float rb, int segments, float uvScale) {
  const Vec3f axis = b - a;
  const float len = length(axis);
  if (len < 1e-6f) return;
  const Vec3f d = axis * (1.0f / len);
  Vec3f e1, e2;
  frame(d, &e1, &e2);
  const float slope = (ra - rb) / len;
  std::vector<std::uint16_t> low, high;
  const std::uint16_t capLow = vertex(a, d * -1.0f, 0.5f * uvScale, 0);
  const std::uint16_t capHigh = vertex(b, d, 0.5f * uvScale, len * uvScale);
  std::vector<std::uint16_t> capRingLow, capRingHigh;
  for (int s = 0; s <= segments; ++s) {
    const float angle = kTwoPi * float(s) / float(segments);
    const Vec3f radial = e1 * std::cos(angle) + e2 * std::sin(angle);
    const Vec3f n = radial + d * slope;
    const float u = float(s) / float(segments) * uvScale;
    low.push_back(vertex(a + radial * ra, n, u, 0));
    high.push_back(vertex(b + radial * rb, n, u, len * uvScale));
    capRingLow.push_back(vertex(a + radial * ra, d * -1.0f, u, 0));
    capRingHigh.push_back(vertex(b + radial * rb, d, u, len * uvScale));
  }
  for (int s = 0; s < segments; ++s) {
    quad(low[s], low[s + 1], high[s + 1], high[s]);
    triangle(capLow, capRingLow[s], capRingLow[s + 1]);
    triangle(capHigh, capRingHigh[s], capRingHigh[s + 1]);
  }
}

void MeshBuilder::sphere(Vec3f centre, Vec3f radii, int rings, int segments, float uvScale) {
  std::vector<std::uint16_t> previous;
  for (int r = 0; r <= rings; ++r) {
    const float phi = -1.5707963f + 3.1415927f * float(r) / float(rings);
    // Exact poles, so that their ring collapses to one point.
    const bool pole = r == 0 || r == rings;
    const float cp = pole ? 0.0f : std::cos(phi), sp = pole ? (r == 0 ? -1.0f : 1.0f) : std::sin(phi);
    std::vector<std::uint16_t> ring;
    for (int s = 0; s <= segments; ++s) {
      const float theta = kTwoPi * float(s) / float(segments);
      const float ct = std::cos(theta), st = std::sin(theta);
      const Vec3f unit{cp * ct, sp, cp * st};
      const Vec3f n{unit.x / radii.x, unit.y / radii.y, unit.z / radii.z};
      ring.push_back(vertex(centre + Vec3f{unit.x * radii.x, unit.y * radii.y, unit.z * radii.z}, n,
                            float(s) / float(segments) * uvScale, float(r) / float(rings) * uvScale));
    }
    if (!previous.empty())
      for (int s = 0; s < segments; ++s) quad(previous[s], previous[s + 1], ring[s + 1], ring[s]);
    previous = std::move(ring);
  }
}

void MeshBuilder::torus(Vec3f centre, Vec3f axis, float majorRadius, float minorRadius,
                        int majorSegments, int minorSegments, float uvScale) {
  Vec3f e1, e2;
  const Vec3f d = normalised(axis);
  frame(d, &e1, &e2);
  std::vector<std::uint16_t> previous;
  for (int i = 0; i <= majorSegments; ++i) {
    const float u = kTwoPi * float(i) / float(majorSegments);
    const Vec3f radial = e1 * std::cos(u) + e2 * std::sin(u);
    std::vector<std::uint16_t> ring;
    for (int j = 0; j <= minorSegments; ++j) {
      const float v = kTwoPi * float(j) / float(minorSegments);
      const Vec3f n = radial * std::cos(v) + d * std::sin(v);
      ring.push_back(vertex(centre + radial * majorRadius + n * minorRadius, n,
                            float(i) / float(majorSegments) * uvScale * 4.0f,
                            float(j) / float(minorSegments) * uvScale));
    }
    if (!previous.empty())
      for (int j = 0; j < minorSegments; ++j) quad(previous[j], previous[j + 1], ring[j + 1], ring[j]);
    previous = std::move(ring);
  }
}

void MeshBuilder::panel(Vec3f corner, Vec3f edgeU, Vec3f edgeV, float uMax, float vMax,
                        int divisions) {
  const Vec3f n = normalised(cross(edgeV, edgeU));
  std::vector<std::uint16_t> grid;
  for (int j = 0; j <= divisions; ++j)
    for (int i = 0; i <= divisions; ++i) {
      const float fu = float(i) / float(divisions), fv = float(j) / float(divisions);
      grid.push_back(vertex(corner + edgeU * fu + edgeV * fv, n, fu * uMax, fv * vMax));
    }
  const int w = divisions + 1;
  for (int j = 0; j < divisions; ++j)
    for (int i = 0; i < divisions; ++i)
      quad(grid[j * w + i], grid[j * w + i + 1], grid[(j + 1) * w + i + 1], grid[(j + 1) * w + i]);
}

void MeshBuilder::box(Vec3f low, Vec3f high, float uvPerUnit, bool inward) {
  const Vec3f size = high - low;
  const float flip = inward ? -1.0f : 1.0f;
  // Each face: a corner, two edges, and the outward normal.
  struct Face {
    Vec3f corner, eu, ev, outward;
  };
  const Face faces[] = {
      {{high.x, low.y, low.z}, {0, 0, size.z}, {0, size.y, 0}, {1, 0, 0}},
      {{low.x, low.y, high.z}, {0, 0, -size.z}, {0, size.y, 0}, {-1, 0, 0}},
      {{low.x, high.y, low.z}, {size.x, 0, 0}, {0, 0, size.z}, {0, 1, 0}},
      {{low.x, low.y, high.z}, {size.x, 0, 0}, {0, 0, -size.z}, {0, -1, 0}},
      {{high.x, low.y, high.z}, {-size.x, 0, 0}, {0, size.y, 0}, {0, 0, 1}},
      {{low.x, low.y, low.z}, {size.x, 0, 0}, {0, size.y, 0}, {0, 0, -1}},
  };
  for (const Face& f : faces) {
    const Vec3f n = f.outward * flip;
    const std::uint16_t a = vertex(f.corner, n, 0, 0);
    const std::uint16_t b = vertex(f.corner + f.eu, n, length(f.eu) * uvPerUnit, 0);
    const std::uint16_t c = vertex(f.corner + f.eu + f.ev, n, length(f.eu) * uvPerUnit, length(f.ev) * uvPerUnit);
    const std::uint16_t d = vertex(f.corner + f.ev, n, 0, length(f.ev) * uvPerUnit);
    quad(a, b, c, d);
  }
}

void MeshBuilder::chamferedBox(Vec3f low, Vec3f high, float chamfer, float uvPerUnit) {
  const Vec3f centre = (low + high) * 0.5f;
  const Vec3f half = (high - low) * 0.5f;
  // Corner (sx, sy, sz), on the face of axis k: full extent along k,
  // pulled in by the chamfer along the other two.
  auto point = [&](int sx, int sy, int sz, int k) {
    const float s[3] = {float(sx), float(sy), float(sz)};
    const float h[3] = {half.x, half.y, half.z};
    float p[3];
    for (int a = 0; a < 3; ++a) p[a] = s[a] * (a == k ? h[a] : h[a] - chamfer);
    return centre + Vec3f{p[0], p[1], p[2]};
  };
  // Planar texture coordinates from the two axes across the normal's
  // strongest one.
  auto add = [&](Vec3f p, Vec3f n) {
    const Vec3f an{std::fabs(n.x), std::fabs(n.y), std::fabs(n.z)};
    float u, v;
    if (an.x >= an.y && an.x >= an.z) u = p.z, v = p.y;
    else if (an.y >= an.z) u = p.x, v = p.z;
    else u = p.x, v = p.y;
    return vertex(p, n, u * uvPerUnit, v * uvPerUnit);
  };
  const int signs[2] = {-1, 1};
  // Faces.
  for (int k = 0; k < 3; ++k)
    for (int s : signs) {
      Vec3f n{k == 0 ? float(s) : 0, k == 1 ? float(s) : 0, k == 2 ? float(s) : 0};
      std::uint16_t q[4];
      const int order[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
      for (int c = 0; c < 4; ++c) {
        int sv[3];
        sv[k] = s;
        sv[(k + 1) % 3] = order[c][0];
        sv[(k + 2) % 3] = order[c][1];
        q[c] = add(point(sv[0], sv[1], sv[2], k), n);
      }
      quad(q[0], q[1], q[2], q[3]);
    }
  // Edges: between the faces of axes k and m, along the third axis.
  for (int k = 0; k < 3; ++k)
    for (int m = k + 1; m < 3; ++m) {
      const int along = 3 - k - m;
      for (int sk : signs)
        for (int sm : signs) {
          float nv[3] = {0, 0, 0};
          nv[k] = float(sk);
          nv[m] = float(sm);
          const Vec3f n = normalised({nv[0], nv[1], nv[2]});
          std::uint16_t q[4];
          int c = 0;
          for (int sa : signs)
            for (int face : {k, m}) {
              int sv[3];
              sv[k] = sk, sv[m] = sm, sv[along] = sa;
              q[c++] = add(point(sv[0], sv[1], sv[2], face), n);
            }
          // q: (a-, face k), (a-, face m), (a+, face k), (a+, face m)
          quad(q[0], q[1], q[3], q[2]);
        }
    }
  // Corners.
  for (int sx : signs)
    for (int sy : signs)
      for (int sz : signs) {
        const Vec3f n = normalised({float(sx), float(sy), float(sz)});
        triangle(add(point(sx, sy, sz, 0), n), add(point(sx, sy, sz, 1), n),
                 add(point(sx, sy, sz, 2), n));
      }
}

void MeshBuilder::heightField(Vec3f centre, float halfSize, int cells,
                              const std::function<float(float, float)>& height, float uvPerUnit) {
  const float step = 2.0f * halfSize / float(cells);
  const float e = step * 0.5f;
  std::vector<std::uint16_t> grid;
  for (int j = 0; j <= cells; ++j)
    for (int i = 0; i <= cells; ++i) {
      const float x = centre.x - halfSize + step * float(i);
      const float z = centre.z - halfSize + step * float(j);
      const float y = centre.y + height(x, z);
      const float dx = (height(x + e, z) - height(x - e, z)) / (2 * e);
      const float dz = (height(x, z + e) - height(x, z - e)) / (2 * e);
      grid.push_back(vertex({x, y, z}, {-dx, 1, -dz}, x * uvPerUnit, z * uvPerUnit));
    }
  const int w = cells + 1;
  for (int j = 0; j < cells; ++j)
    for (int i = 0; i < cells; ++i)
      quad(grid[j * w + i], grid[j * w + i + 1], grid[(j + 1) * w + i + 1], grid[(j + 1) * w + i]);
}

void MeshBuilder::mapPlanarXZ(std::size_t firstVertex, float uvPerUnit) {
  for (std::size_t i = firstVertex; i < positions_.size(); ++i) {
    texcoords_[2 * i] = positions_[i].x * uvPerUnit;
    texcoords_[2 * i + 1] = positions_[i].z * uvPerUnit;
  }
}

MeshData MeshBuilder::take() const {
  MeshData mesh;
  const float inverse = 1.0f / scale_;
  for (std::size_t i = 0; i < positions_.size(); ++i) {
    const Vec3f p = positions_[i];
    mesh.positions.insert(mesh.positions.end(), {p.x * inverse, p.y * inverse + kModelLift, p.z * inverse});
    const Vec3f n = normals_[i];
    mesh.normals.insert(mesh.normals.end(), {n.x, n.y, n.z});
  }
  mesh.texcoords = texcoords_;
  mesh.indices = indices_;
  return mesh;
}
