#include "platform/d3d8/vertex_pipeline.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr float kGuardBand = 16.0f;     // clip-space multiple of w kept around the viewport
constexpr float kMinimumW = 1.0e-6f;    // guards the divide by w
constexpr int kMaxClipVertices = 16;    // 3 + one per clip plane, with room to spare

float readFloat(const BYTE* p) {
  float value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

DWORD readDword(const BYTE* p) {
  DWORD value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

float saturate(float value) { return std::clamp(value, 0.0f, 1.0f); }

void colourToFloats(DWORD colour, float* rgba) {  // 0..1
  rgba[0] = static_cast<float>((colour >> 16) & 255) / 255.0f;
  rgba[1] = static_cast<float>((colour >> 8) & 255) / 255.0f;
  rgba[2] = static_cast<float>(colour & 255) / 255.0f;
  rgba[3] = static_cast<float>(colour >> 24) / 255.0f;
}

// The seven planes a clipped vertex must lie on the positive side of.
float planeDistance(int plane, const ClipVertex& v) {
  switch (plane) {
    case 0: return v.z;                         // near
    case 1: return v.w - v.z;                   // far
    case 2: return v.x + kGuardBand * v.w;      // left
    case 3: return kGuardBand * v.w - v.x;      // right
    case 4: return v.y + kGuardBand * v.w;      // bottom
    case 5: return kGuardBand * v.w - v.y;      // top
    default: return v.w - kMinimumW;            // in front of the eye
  }
}
constexpr int kPlaneCount = 7;

ClipVertex lerpVertex(const ClipVertex& p, const ClipVertex& q, float t) {
  auto mix = [t](float a, float b) { return a + (b - a) * t; };
  return {mix(p.x, q.x), mix(p.y, q.y), mix(p.z, q.z), mix(p.w, q.w), mix(p.r, q.r),
          mix(p.g, q.g), mix(p.b, q.b), mix(p.a, q.a), mix(p.u, q.u), mix(p.v, q.v)};
}

}  // namespace

bool decodeVertexFormat(DWORD fvf, VertexFormat* format) {
  VertexFormat f;
  const DWORD position = fvf & D3DFVF_POSITION_MASK;
  if (position == D3DFVF_XYZ) {
    f.size = 12;
  } else if (position == D3DFVF_XYZRHW) {
    f.size = 16;
    f.pretransformed = true;
  } else {
    return false;
  }
  if (fvf & D3DFVF_NORMAL) {
    if (f.pretransformed) return false;
    f.hasNormal = true;
    f.normalOffset = f.size;
    f.size += 12;
  }
  if (fvf & D3DFVF_PSIZE) f.size += 4;
  if (fvf & D3DFVF_DIFFUSE) {
    f.hasDiffuse = true;
    f.diffuseOffset = f.size;
    f.size += 4;
  }
  if (fvf & D3DFVF_SPECULAR) f.size += 4;
  f.textureSets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
  if (f.textureSets > 8) return false;
  f.texOffset = f.size;
  for (UINT i = 0; i < f.textureSets; ++i) {
    // Two bits per set above bit 16: 0 two floats, 1 three, 2 four, 3 one.
    static constexpr UINT kFloats[4] = {2, 3, 4, 1};
    f.size += 4 * kFloats[(fvf >> (16 + 2 * i)) & 3];
  }
  *format = f;
  return true;
}

void VertexStage::prepare(const VertexStageState& state) {
  // Combined World * View * Projection, and World * View for the normals.
  float worldView[4][4];
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      float sum = 0;
      for (int k = 0; k < 4; ++k) sum += state.world.m[i][k] * state.view.m[k][j];
      worldView[i][j] = sum;
    }
  }
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      float sum = 0;
      for (int k = 0; k < 4; ++k) sum += worldView[i][k] * state.projection.m[k][j];
      combined_[i][j] = sum;
    }
  }

  // Inverse transpose of the upper 3x3 of World * View: cofactors / determinant.
  const auto& m = worldView;
  float cofactor[3][3];
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      const int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
      cofactor[i][j] = m[i1][j1] * m[i2][j2] - m[i1][j2] * m[i2][j1];
    }
  }
  const float determinant = m[0][0] * cofactor[0][0] + m[0][1] * cofactor[0][1] + m[0][2] * cofactor[0][2];
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      normalMatrix_[i][j] = determinant != 0.0f ? cofactor[i][j] / determinant : 0.0f;
    }
  }

  const D3DVIEWPORT8& vp = state.viewport;
  viewX_ = static_cast<float>(vp.X);
  viewY_ = static_cast<float>(vp.Y);
  halfWidth_ = static_cast<float>(vp.Width) * 0.5f;
  halfHeight_ = static_cast<float>(vp.Height) * 0.5f;
  minZ_ = vp.MinZ;
  depthRange_ = vp.MaxZ - vp.MinZ;

  lighting_ = state.lighting;
  normalize_ = state.normalizeNormals;
  colourVertex_ = state.colourVertex;
  diffuseSource_ = state.diffuseSource;
  ambientSource_ = state.ambientSource;
  emissiveSource_ = state.emissiveSource;
  material_ = state.material;
  float ambient[4];
  colourToFloats(state.ambient, ambient);
  std::copy(ambient, ambient + 3, globalAmbient_);

  lights_.clear();
  std::fill(lightAmbientSum_, lightAmbientSum_ + 3, 0.0f);
  for (const D3DLIGHT8& light : state.lights) {
    // Only directional lights are drawn by this device; they act in camera
    // space, so only the view turns their direction.
    if (light.Type != D3DLIGHT_DIRECTIONAL) continue;
    const float d[3] = {light.Direction.x, light.Direction.y, light.Direction.z};
    float c[3];
    for (int j = 0; j < 3; ++j) c[j] = d[0] * state.view.m[0][j] + d[1] * state.view.m[1][j] + d[2] * state.view.m[2][j];
    const float length = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    lightAmbientSum_[0] += light.Ambient.r;
    lightAmbientSum_[1] += light.Ambient.g;
    lightAmbientSum_[2] += light.Ambient.b;
    // A zero direction has no meaning; such a light adds only its ambient.
    if (!(length > 0.0f) || !std::isfinite(length)) continue;
    CameraLight cl;
    for (int j = 0; j < 3; ++j) cl.direction[j] = -c[j] / length;
    cl.diffuse[0] = light.Diffuse.r;
    cl.diffuse[1] = light.Diffuse.g;
    cl.diffuse[2] = light.Diffuse.b;
    cl.ambient[0] = light.Ambient.r;
    cl.ambient[1] = light.Ambient.g;
    cl.ambient[2] = light.Ambient.b;
    lights_.push_back(cl);
  }
}

ClipVertex VertexStage::process(const BYTE* vertex, const VertexFormat& format) const {
  ClipVertex out{};
  const float p[3] = {readFloat(vertex), readFloat(vertex + 4), readFloat(vertex + 8)};
  float clip[4];
  for (int j = 0; j < 4; ++j) {
    clip[j] = p[0] * combined_[0][j] + p[1] * combined_[1][j] + p[2] * combined_[2][j] + combined_[3][j];
  }
  out.x = clip[0];
  out.y = clip[1];
  out.z = clip[2];
  out.w = clip[3];

  float vertexDiffuse[4] = {1, 1, 1, 1};
  if (format.hasDiffuse) colourToFloats(readDword(vertex + format.diffuseOffset), vertexDiffuse);

  float colour[4];
  if (lighting_) {
    float n[3] = {0, 0, 0};
    if (format.hasNormal) {
      const float raw[3] = {readFloat(vertex + format.normalOffset), readFloat(vertex + format.normalOffset + 4),
                            readFloat(vertex + format.normalOffset + 8)};
      for (int j = 0; j < 3; ++j) {
        n[j] = raw[0] * normalMatrix_[0][j] + raw[1] * normalMatrix_[1][j] + raw[2] * normalMatrix_[2][j];
      }
      if (normalize_) {
        const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        if (length > 0.0f) {
          for (float& c : n) c /= length;
        }
      }
    }
    // Material colours, taken from the vertex colour where the sources say so.
    const bool useVertex = colourVertex_ && format.hasDiffuse;
    const D3DCOLORVALUE& md = material_.Diffuse;
    const D3DCOLORVALUE& ma = material_.Ambient;
    const D3DCOLORVALUE& me = material_.Emissive;
    const float diffuse[4] = {md.r, md.g, md.b, md.a};
    const float ambient[4] = {ma.r, ma.g, ma.b, ma.a};
    const float emissive[4] = {me.r, me.g, me.b, me.a};
    const float* mdv = useVertex && diffuseSource_ == D3DMCS_COLOR1 ? vertexDiffuse : diffuse;
    const float* mav = useVertex && ambientSource_ == D3DMCS_COLOR1 ? vertexDiffuse : ambient;
    const float* mev = useVertex && emissiveSource_ == D3DMCS_COLOR1 ? vertexDiffuse : emissive;

    float lit[3] = {0, 0, 0};
    for (const CameraLight& light : lights_) {
      const float dot = saturate(n[0] * light.direction[0] + n[1] * light.direction[1] + n[2] * light.direction[2]);
      for (int j = 0; j < 3; ++j) lit[j] += light.diffuse[j] * dot;
    }
    for (int j = 0; j < 3; ++j) {
      colour[j] = saturate(mev[j] + mav[j] * (globalAmbient_[j] + lightAmbientSum_[j]) + mdv[j] * lit[j]);
    }
    colour[3] = saturate(mdv[3]);
  } else {
    std::copy(vertexDiffuse, vertexDiffuse + 4, colour);
  }
  out.r = colour[0] * 255.0f;
  out.g = colour[1] * 255.0f;
  out.b = colour[2] * 255.0f;
  out.a = colour[3] * 255.0f;

  if (format.textureSets > 0) {
    out.u = readFloat(vertex + format.texOffset);
    out.v = readFloat(vertex + format.texOffset + 4);
  }
  for (int plane = 0; plane < kPlaneCount; ++plane) {
    if (!(planeDistance(plane, out) >= 0.0f)) out.outside |= 1u << plane;  // NaN counts as outside
  }
  if (out.outside == 0) out.screen = toScreen(out);
  return out;
}

RasterVertex VertexStage::toScreen(const ClipVertex& v) const {
  const float rhw = 1.0f / v.w;
  RasterVertex out;
  out.x = viewX_ + (1.0f + v.x * rhw) * halfWidth_;
  out.y = viewY_ + (1.0f - v.y * rhw) * halfHeight_;
  out.z = minZ_ + v.z * rhw * depthRange_;
  out.rhw = rhw;
  out.r = v.r;
  out.g = v.g;
  out.b = v.b;
  out.a = v.a;
  out.u = v.u;
  out.v = v.v;
  return out;
}

void VertexStage::drawTriangle(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c,
                               RenderQueue& out) const {
  // Every vertex outside one plane: nothing to draw; all inside: no clipping.
  if ((a.outside & b.outside & c.outside) != 0) return;
  if ((a.outside | b.outside | c.outside) == 0) {
    out.addTriangle(a.screen, b.screen, c.screen);
    return;
  }

  // Sutherland-Hodgman against each plane in turn.
  ClipVertex buffers[2][kMaxClipVertices];
  int count = 3;
  buffers[0][0] = a;
  buffers[0][1] = b;
  buffers[0][2] = c;
  int current = 0;
  for (int plane = 0; plane < kPlaneCount && count >= 3; ++plane) {
    const ClipVertex* in = buffers[current];
    ClipVertex* out = buffers[1 - current];
    int outCount = 0;
    for (int i = 0; i < count; ++i) {
      const ClipVertex& p = in[i];
      const ClipVertex& q = in[(i + 1) % count];
      const float dp = planeDistance(plane, p);
      const float dq = planeDistance(plane, q);
      const bool pInside = dp >= 0.0f;
      const bool qInside = dq >= 0.0f;
      if (pInside && outCount < kMaxClipVertices) out[outCount++] = p;
      if (pInside != qInside && outCount < kMaxClipVertices) {
        // Always interpolate from the inside vertex so both triangles
        // sharing an edge produce the same new vertex.
        const ClipVertex& from = pInside ? p : q;
        const ClipVertex& to = pInside ? q : p;
        const float df = pInside ? dp : dq;
        const float dt = pInside ? dq : dp;
        out[outCount++] = lerpVertex(from, to, df / (df - dt));
      }
    }
    count = outCount;
    current = 1 - current;
  }
  if (count < 3) return;
  RasterVertex screen[kMaxClipVertices];
  for (int i = 0; i < count; ++i) screen[i] = toScreen(buffers[current][i]);
  for (int i = 1; i + 1 < count; ++i) out.addTriangle(screen[0], screen[i], screen[i + 1]);
}

RasterVertex VertexStage::pretransformed(const BYTE* vertex, const VertexFormat& format) {
  RasterVertex out{};
  out.x = readFloat(vertex);
  out.y = readFloat(vertex + 4);
  out.z = readFloat(vertex + 8);
  out.rhw = readFloat(vertex + 12);
  const DWORD colour = format.hasDiffuse ? readDword(vertex + format.diffuseOffset) : 0xFFFFFFFFu;
  out.r = static_cast<float>((colour >> 16) & 255);
  out.g = static_cast<float>((colour >> 8) & 255);
  out.b = static_cast<float>(colour & 255);
  out.a = static_cast<float>(colour >> 24);
  if (format.textureSets > 0) {
    out.u = readFloat(vertex + format.texOffset);
    out.v = readFloat(vertex + format.texOffset + 4);
  }
  return out;
}
