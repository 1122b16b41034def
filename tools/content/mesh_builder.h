// Procedural modelling for the content kit: a vertex/triangle collector and
// the primitives the sets are made of (lathes, tubes, boxes, chamfered boxes,
// tori, height fields, discs, domes).
//
// Geometry is given in world units of the set it belongs to and turned into
// model units on output (the presentation draws a model point m at
// (m + (0, -35, 0)) × scale). Normals point to the side that is seen; every
// triangle is wound so that it appears counter-clockwise from that side, as
// the presentation culls clockwise triangles. In a left-handed frame that
// means (b - a) × (c - a) points away from the viewer, against the normal.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "common/mesh_writer.h"

struct Vec3f {
  float x = 0, y = 0, z = 0;
};

Vec3f operator+(Vec3f a, Vec3f b);
Vec3f operator-(Vec3f a, Vec3f b);
Vec3f operator*(Vec3f a, float s);
float dot(Vec3f a, Vec3f b);
Vec3f cross(Vec3f a, Vec3f b);
Vec3f normalised(Vec3f a);  // (0, 1, 0) for a zero vector

// A point of a lathe profile: radius and height.
struct ProfilePoint {
  float radius = 0;
  float height = 0;
};

class MeshBuilder {
 public:
  // `scale` is the presentation's scale factor for this mesh (0.02 or 0.1).
  explicit MeshBuilder(float scale) : scale_(scale) {}

  // Adds a vertex (world position, unit normal towards the seen side,
  // texture coordinate) and returns its index.
  std::uint16_t vertex(Vec3f position, Vec3f normal, float u, float v);
  // Adds a triangle, wound counter-clockwise as seen from the side its
  // vertices' normals point to.
  void triangle(std::uint16_t a, std::uint16_t b, std::uint16_t c);
  // Two triangles a-b-c and a-c-d.
  void quad(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d);

  // Surface of revolution about the vertical line through `base`: the
  // profile runs bottom to top; u goes round `uTurns` times, v follows the
  // profile's length times `vPerUnit`. `inward` shows the inner side.
  void lathe(Vec3f base, const std::vector<ProfilePoint>& profile, int segments, float uTurns,
             float vPerUnit, bool inward = false);
  // A closed tube (with caps) from a to b with radii ra and rb.
  void tube(Vec3f a, Vec3f b, float ra, float rb, int segments, float uvScale);
  void sphere(Vec3f centre, Vec3f radii, int rings, int segments, float uvScale);
  // Ring about the axis `axis` (unit): major radius R, tube radius r.
  void torus(Vec3f centre, Vec3f axis, float majorRadius, float minorRadius, int majorSegments,
             int minorSegments, float uvScale);
  // An axis-aligned box with flat faces; `inward` shows the inside (a room).
  // Texture coordinates are planar, `uvPerUnit` per world unit.
  void box(Vec3f low, Vec3f high, float uvPerUnit, bool inward = false);
  // An axis-aligned box whose edges are cut off by `chamfer`.
  void chamferedBox(Vec3f low, Vec3f high, float chamfer, float uvPerUnit);
  // A flat rectangle: corner, two edge vectors; seen from the side of
  // normal = edgeV × edgeU (left-handed), texture (0,0) at the corner's
  // bottom-left with v growing along edgeV.
  void panel(Vec3f corner, Vec3f edgeU, Vec3f edgeV, float uMax, float vMax, int divisions = 1);
  // A height field y = height(x, z) over a square grid, seen from above.
  void heightField(Vec3f centre, float halfSize, int cells,
                   const std::function<float(float, float)>& height, float uvPerUnit);

  // Replaces the texture coordinates of the vertices from `firstVertex` on by
  // a planar mapping of their world x and z.
  void mapPlanarXZ(std::size_t firstVertex, float uvPerUnit);

  std::size_t vertexCount() const { return positions_.size(); }
  std::size_t triangleCount() const { return indices_.size() / 3; }
  // True while the mesh still fits 16-bit indices.
  bool fits() const { return !overflow_; }

  // The mesh in model units, ready for the mesh writer.
  MeshData take() const;

 private:
  float scale_;
  bool overflow_ = false;
  std::vector<Vec3f> positions_;
  std::vector<Vec3f> normals_;
  std::vector<float> texcoords_;
  std::vector<std::uint16_t> indices_;
};
