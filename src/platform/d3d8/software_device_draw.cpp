// The software device's draw calls: checks every count, offset and index
// against the bound buffers before reading them, runs the vertex stage over
// the vertices the draw uses, assembles triangles and hands them on.

#include <algorithm>
#include <cstring>

#include "platform/d3d8/software_device.h"
#include "platform/d3d8/software_device_impl.h"

namespace {

// Vertices a primitive stream of this type and count reads; 0 for types
// this device does not draw (points and lines).
std::uint64_t verticesFor(D3DPRIMITIVETYPE type, UINT primitiveCount) {
  switch (type) {
    case D3DPT_TRIANGLELIST: return 3ull * primitiveCount;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return static_cast<std::uint64_t>(primitiveCount) + 2;
    default: return 0;
  }
}

bool isTriangleType(D3DPRIMITIVETYPE type) {
  return type == D3DPT_TRIANGLELIST || type == D3DPT_TRIANGLESTRIP || type == D3DPT_TRIANGLEFAN;
}

}  // namespace

PixelState SoftwareDevice::pixelState(bool pretransformed) {
  const auto& rs = renderStates_;
  const auto& stage = stageStates_[0];
  PixelState s;
  s.colour = colour_.data();
  s.depth = depth_.data();
  s.pitch = static_cast<int>(bufferPitch_);
  s.scale = scale_;
  s.left = static_cast<int>(viewport_.X) * scale_;
  s.top = static_cast<int>(viewport_.Y) * scale_;
  s.right = static_cast<int>(viewport_.X + viewport_.Width) * scale_;
  s.bottom = static_cast<int>(viewport_.Y + viewport_.Height) * scale_;
  s.cullMode = rs[D3DRS_CULLMODE];
  s.depthEnable = rs[D3DRS_ZENABLE] != D3DZB_FALSE && parameters_.EnableAutoDepthStencil;
  s.depthWrite = rs[D3DRS_ZWRITEENABLE] != FALSE;
  s.depthFunc = rs[D3DRS_ZFUNC];
  s.depthBias = static_cast<int>(std::min<DWORD>(rs[D3DRS_ZBIAS], 16));
  s.dropOutsideDepthRange = pretransformed;

  const SoftwareTexture* texture = textures_[0];
  if (texture != nullptr && (texture->format() == D3DFMT_A8R8G8B8 || texture->format() == D3DFMT_X8R8G8B8)) {
    const auto& level = texture->level(0);
    s.texture.texels = reinterpret_cast<const std::uint32_t*>(level.bytes.data());
    s.texture.width = static_cast<int>(level.width);
    s.texture.height = static_cast<int>(level.height);
    s.texture.pitchTexels = static_cast<int>(level.pitch / 4);
    s.texture.alphaOr = texture->format() == D3DFMT_X8R8G8B8 ? 0xFF000000u : 0;
  }
  s.minLinear = stage[D3DTSS_MINFILTER] >= D3DTEXF_LINEAR;
  s.magLinear = stage[D3DTSS_MAGFILTER] >= D3DTEXF_LINEAR;
  s.clampU = stage[D3DTSS_ADDRESSU] == D3DTADDRESS_CLAMP || stage[D3DTSS_ADDRESSU] == D3DTADDRESS_BORDER;
  s.clampV = stage[D3DTSS_ADDRESSV] == D3DTADDRESS_CLAMP || stage[D3DTSS_ADDRESSV] == D3DTADDRESS_BORDER;
  s.colourOp = stage[D3DTSS_COLOROP];
  s.colourArg1 = stage[D3DTSS_COLORARG1];
  s.colourArg2 = stage[D3DTSS_COLORARG2];
  s.alphaOp = stage[D3DTSS_ALPHAOP];
  s.alphaArg1 = stage[D3DTSS_ALPHAARG1];
  s.alphaArg2 = stage[D3DTSS_ALPHAARG2];
  s.textureFactor = rs[D3DRS_TEXTUREFACTOR];
  s.alphaTest = rs[D3DRS_ALPHATESTENABLE] != FALSE;
  s.alphaFunc = rs[D3DRS_ALPHAFUNC];
  s.alphaRef = rs[D3DRS_ALPHAREF] & 255;
  s.blend = rs[D3DRS_ALPHABLENDENABLE] != FALSE;
  s.sourceBlend = rs[D3DRS_SRCBLEND];
  s.destinationBlend = rs[D3DRS_DESTBLEND];
  s.blendOp = rs[D3DRS_BLENDOP];
  s.colourWriteMask = rs[D3DRS_COLORWRITEENABLE];
  return s;
}

VertexStageState SoftwareDevice::vertexStageState() const {
  const auto& rs = renderStates_;
  VertexStageState s;
  s.world = world_;
  s.view = view_;
  s.projection = projection_;
  s.viewport = viewport_;
  s.lighting = rs[D3DRS_LIGHTING] != FALSE;
  s.normalizeNormals = rs[D3DRS_NORMALIZENORMALS] != FALSE;
  s.colourVertex = rs[D3DRS_COLORVERTEX] != FALSE;
  s.diffuseSource = rs[D3DRS_DIFFUSEMATERIALSOURCE];
  s.ambientSource = rs[D3DRS_AMBIENTMATERIALSOURCE];
  s.emissiveSource = rs[D3DRS_EMISSIVEMATERIALSOURCE];
  s.ambient = rs[D3DRS_AMBIENT];
  s.material = material_;
  for (const LightSlot& slot : lights_) {
    if (slot.enabled) s.lights.push_back(slot.light);
  }
  return s;
}

HRESULT SoftwareDevice::prepareDraw(VertexFormat* format, PixelState* pixels) {
  if (!inScene_) return D3DERR_INVALIDCALL;
  if (!decodeVertexFormat(vertexShader_, format)) return D3DERR_INVALIDCALL;
  if (stream_ == nullptr || streamStride_ < format->size) return D3DERR_INVALIDCALL;
  *pixels = pixelState(format->pretransformed);
  if (!format->pretransformed) vertexStage_.prepare(vertexStageState());
  return D3D_OK;
}

template <typename IndexOf>
void SoftwareDevice::assemble(D3DPRIMITIVETYPE type, UINT primitiveCount, const VertexFormat& format,
                              const PixelState& pixels, IndexOf indexOf) {
  queue_->beginDraw(pixels);
  for (UINT k = 0; k < primitiveCount; ++k) {
    UINT i0, i1, i2;
    if (type == D3DPT_TRIANGLELIST) {
      i0 = indexOf(3 * k);
      i1 = indexOf(3 * k + 1);
      i2 = indexOf(3 * k + 2);
    } else if (type == D3DPT_TRIANGLESTRIP) {
      // Every odd triangle of a strip is flipped back to the strip's winding.
      i0 = indexOf(k + (k & 1));
      i1 = indexOf(k + 1 - (k & 1));
      i2 = indexOf(k + 2);
    } else {
      i0 = indexOf(0);
      i1 = indexOf(k + 1);
      i2 = indexOf(k + 2);
    }
    if (format.pretransformed) {
      queue_->addTriangle(screenVertices_[i0], screenVertices_[i1], screenVertices_[i2]);
    } else {
      vertexStage_.drawTriangle(transformed_[i0], transformed_[i1], transformed_[i2], *queue_);
    }
  }
  const std::uint64_t batch = queue_->submitDraw();
  if (textures_[0] != nullptr) textures_[0]->markDrawn(batch);
}

HRESULT SoftwareDevice::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) {
  VertexFormat format;
  PixelState pixels;
  if (HRESULT result = prepareDraw(&format, &pixels); FAILED(result)) return result;
  if (!isTriangleType(PrimitiveType)) return PrimitiveType >= D3DPT_POINTLIST && PrimitiveType <= D3DPT_LINESTRIP
                                                 ? D3D_OK
                                                 : D3DERR_INVALIDCALL;
  if (PrimitiveCount == 0) return D3DERR_INVALIDCALL;
  const std::uint64_t count = verticesFor(PrimitiveType, PrimitiveCount);
  const std::uint64_t available = stream_->bytes().size() / streamStride_;
  if (static_cast<std::uint64_t>(StartVertex) + count > available) return D3DERR_INVALIDCALL;

  const BYTE* base = stream_->bytes().data() + static_cast<std::size_t>(StartVertex) * streamStride_;
  if (format.pretransformed) {
    screenVertices_.resize(count);
    for (std::size_t i = 0; i < count; ++i) screenVertices_[i] = VertexStage::pretransformed(base + i * streamStride_, format);
  } else {
    transformed_.resize(count);
    for (std::size_t i = 0; i < count; ++i) transformed_[i] = vertexStage_.process(base + i * streamStride_, format);
  }
  assemble(PrimitiveType, PrimitiveCount, format, pixels, [](UINT i) { return i; });
  return D3D_OK;
}

HRESULT SoftwareDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT /*minIndex*/,
                                             UINT /*NumVertices*/, UINT startIndex, UINT primCount) {
  VertexFormat format;
  PixelState pixels;
  if (HRESULT result = prepareDraw(&format, &pixels); FAILED(result)) return result;
  if (indices_ == nullptr) return D3DERR_INVALIDCALL;
  if (!isTriangleType(PrimitiveType)) return PrimitiveType >= D3DPT_POINTLIST && PrimitiveType <= D3DPT_LINESTRIP
                                                 ? D3D_OK
                                                 : D3DERR_INVALIDCALL;
  if (primCount == 0) return D3DERR_INVALIDCALL;

  const std::uint64_t count = verticesFor(PrimitiveType, primCount);
  const bool wide = indices_->format() == D3DFMT_INDEX32;
  const std::uint64_t indexSize = wide ? 4 : 2;
  const auto& indexBytes = indices_->bytes();
  if ((static_cast<std::uint64_t>(startIndex) + count) * indexSize > indexBytes.size()) return D3DERR_INVALIDCALL;
  const BYTE* indexBase = indexBytes.data() + static_cast<std::size_t>(startIndex) * indexSize;
  auto readIndex = [&](std::size_t i) -> std::uint64_t {
    if (wide) {
      std::uint32_t value;
      std::memcpy(&value, indexBase + 4 * i, 4);
      return value;
    }
    std::uint16_t value;
    std::memcpy(&value, indexBase + 2 * i, 2);
    return value;
  };

  // The vertices actually referenced decide what is read; the minIndex and
  // NumVertices hints are not trusted.
  std::uint64_t lowest = ~0ull, highest = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint64_t index = readIndex(i);
    lowest = std::min(lowest, index);
    highest = std::max(highest, index);
  }
  const std::uint64_t available = stream_->bytes().size() / streamStride_;
  if (highest + baseVertexIndex_ >= available) return D3DERR_INVALIDCALL;

  const std::size_t first = static_cast<std::size_t>(lowest + baseVertexIndex_);
  const std::size_t used = static_cast<std::size_t>(highest - lowest + 1);
  const BYTE* base = stream_->bytes().data() + first * streamStride_;
  if (format.pretransformed) {
    screenVertices_.resize(used);
    for (std::size_t i = 0; i < used; ++i) screenVertices_[i] = VertexStage::pretransformed(base + i * streamStride_, format);
  } else {
    transformed_.resize(used);
    for (std::size_t i = 0; i < used; ++i) transformed_[i] = vertexStage_.process(base + i * streamStride_, format);
  }
  assemble(PrimitiveType, primCount, format, pixels,
           [&](UINT i) { return static_cast<UINT>(readIndex(i) - lowest); });
  return D3D_OK;
}
