#include "render/screen_quad.h"

#include <cstdint>
#include <cstring>

#include "render/device.h"

namespace {

// Just in front of the far end of the depth range: 1 − 17 · 2^−24.
const float kQuadDepth = [] {
  const std::uint32_t bits = 0x3F7FFFEFu;
  float depth;
  std::memcpy(&depth, &bits, sizeof depth);
  return depth;
}();
// The last hundredth of a texture on each axis is never shown.
constexpr float kLastTexcoord = 0.99f;
constexpr DWORD kTemplateColour = 0x00FFFFFF;
constexpr DWORD kOpaqueWhite = 0xFFFFFFFF;

ScreenVertex staging[4];

void drawQuad(DWORD colour, float dx, float dy, float dz) {
  // Without a buffer (its creation failed) there is nothing to draw from.
  if (screenQuadBuffer == nullptr) return;
  for (int i = 0; i < 4; ++i) {
    const ScreenVertex& from = kScreenQuadTemplate[i];
    staging[i] = ScreenVertex{from.x + dx, from.y + dy, from.z + dz, from.rhw, colour, from.u, from.v};
  }
  BYTE* data = nullptr;
  if (FAILED(screenQuadBuffer->Lock(0, 0, &data, 0)) || data == nullptr) return;
  std::memcpy(data, staging, kScreenQuadBytes);
  screenQuadBuffer->Unlock();
  device->SetStreamSource(0, screenQuadBuffer, sizeof(ScreenVertex));
  device->SetVertexShader(kScreenVertexFvf);
  device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
}

}  // namespace

const ScreenVertex kScreenQuadTemplate[4] = {
    {0.0f, 0.0f, kQuadDepth, 1.0f, kTemplateColour, 0.0f, 0.0f},
    {640.0f, 0.0f, kQuadDepth, 1.0f, kTemplateColour, kLastTexcoord, 0.0f},
    {0.0f, 480.0f, kQuadDepth, 1.0f, kTemplateColour, 0.0f, kLastTexcoord},
    {640.0f, 480.0f, kQuadDepth, 1.0f, kTemplateColour, kLastTexcoord, kLastTexcoord},
};

IDirect3DVertexBuffer8* screenQuadBuffer = nullptr;

HRESULT createScreenQuad() {
  releaseScreenQuad();
  IDirect3DVertexBuffer8* buffer = nullptr;
  HRESULT result = device->CreateVertexBuffer(kScreenQuadBytes, D3DUSAGE_WRITEONLY, kScreenVertexFvf,
                                              D3DPOOL_DEFAULT, &buffer);
  if (FAILED(result) || buffer == nullptr) return FAILED(result) ? result : D3DERR_INVALIDCALL;
  screenQuadBuffer = buffer;
  BYTE* data = nullptr;
  result = buffer->Lock(0, 0, &data, 0);
  if (FAILED(result) || data == nullptr) return FAILED(result) ? result : D3DERR_INVALIDCALL;
  std::memcpy(data, kScreenQuadTemplate, kScreenQuadBytes);
  return buffer->Unlock();
}

void drawScreenQuadLevel(UINT level) { drawQuad((level & 0xFFu) * 0x01010101u, 0.0f, 0.0f, 0.0f); }

void drawScreenQuadShifted(float dy) { drawQuad(kOpaqueWhite, 0.0f, dy, 0.0f); }

void releaseScreenQuad() {
  if (screenQuadBuffer != nullptr) screenQuadBuffer->Release();
  screenQuadBuffer = nullptr;
}
