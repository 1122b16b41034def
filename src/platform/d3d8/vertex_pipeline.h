// Fixed-function vertex stage of the software device: flexible vertex
// formats, world-view-projection transform, per-vertex lighting with
// directional lights, homogeneous clipping and the viewport transform.
//
// Lighting (camera space, per enabled directional light i):
//   N = n * inverse-transpose(World * View), renormalised only with
//       NORMALIZENORMALS, so short normals light less;
//   L_i = -normalize(Direction_i * View);
//   rgb = sat(Me + Ma * (Ga + sum La_i) + Md * sum Ld_i * sat(N . L_i));
//   alpha = Md.a.
// Clipping: against the near (z >= 0) and far (z <= w) planes and a guard
// band around the viewport, so every clipped vertex has w > 0 and a screen
// position the rasterizer can hold exactly. Main thread only.
#pragma once

#include <vector>

#include "platform/d3d8/d3d8.h"
#include "platform/d3d8/rasterizer.h"
#include "platform/d3d8/render_queue.h"

// Byte layout of one vertex of a flexible vertex format.
struct VertexFormat {
  UINT size = 0;
  bool pretransformed = false;  // XYZRHW: screen position, no transform or lighting
  bool hasNormal = false;
  bool hasDiffuse = false;
  UINT textureSets = 0;
  UINT normalOffset = 0;
  UINT diffuseOffset = 0;
  UINT texOffset = 0;
};

// False for codes this device cannot draw (no position, blend weights, ...).
bool decodeVertexFormat(DWORD fvf, VertexFormat* format);

// A vertex after transform and lighting, before clipping.
struct ClipVertex {
  float x, y, z, w;
  float r, g, b, a;  // 0..255
  float u, v;
  // Set by VertexStage::process, once per vertex rather than once per
  // triangle that shares it: the clip planes it lies outside (one bit
  // each), and its screen position when it lies inside all of them.
  unsigned outside = 0;
  RasterVertex screen{};
};

struct VertexStageState {
  D3DMATRIX world;
  D3DMATRIX view;
  D3DMATRIX projection;
  D3DVIEWPORT8 viewport;
  bool lighting = false;
  bool normalizeNormals = false;
  bool colourVertex = true;
  DWORD diffuseSource = D3DMCS_COLOR1;
  DWORD ambientSource = D3DMCS_MATERIAL;
  DWORD emissiveSource = D3DMCS_MATERIAL;
  DWORD ambient = 0;
  D3DMATERIAL8 material{};
  std::vector<D3DLIGHT8> lights;  // the enabled lights
};

class VertexStage {
 public:
  // Derives the per-draw constants (combined matrix, normal matrix, lights in
  // camera space). Call before process/drawTriangle whenever state changed.
  void prepare(const VertexStageState& state);

  // Transforms and lights one vertex of a non-pretransformed format.
  ClipVertex process(const BYTE* vertex, const VertexFormat& format) const;

  // Clips one triangle and hands what remains to the queue's open draw.
  void drawTriangle(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c, RenderQueue& out) const;

  // Reads a pretransformed vertex (screen x, y, z, rhw, diffuse, uv).
  static RasterVertex pretransformed(const BYTE* vertex, const VertexFormat& format);

 private:
  RasterVertex toScreen(const ClipVertex& v) const;

  float combined_[4][4] = {};
  float normalMatrix_[3][3] = {};
  float viewX_ = 0, viewY_ = 0, halfWidth_ = 0, halfHeight_ = 0, minZ_ = 0, depthRange_ = 1;
  bool lighting_ = false;
  bool normalize_ = false;
  bool colourVertex_ = true;
  DWORD diffuseSource_ = D3DMCS_COLOR1;
  DWORD ambientSource_ = D3DMCS_MATERIAL;
  DWORD emissiveSource_ = D3DMCS_MATERIAL;
  float globalAmbient_[3] = {};
  D3DMATERIAL8 material_{};

  struct CameraLight {
    float direction[3];  // towards the light, unit length
    float diffuse[3];
    float ambient[3];
  };
  std::vector<CameraLight> lights_;
  float lightAmbientSum_[3] = {};
};
