#include "render/render_states.h"

#include "render/device.h"

namespace {

// The one material record setGreyMaterial fills and hands to the device.
D3DMATERIAL8 material;

void setState(D3DRENDERSTATETYPE state, DWORD value) { device->SetRenderState(state, value); }

}  // namespace

void cullClockwise() { setState(D3DRS_CULLMODE, D3DCULL_CW); }

void cullNone() { setState(D3DRS_CULLMODE, D3DCULL_NONE); }

void blendAdditive() {
  setState(D3DRS_ALPHABLENDENABLE, TRUE);
  setState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  setState(D3DRS_DESTBLEND, D3DBLEND_ONE);
}

void blendAlpha() {
  setState(D3DRS_ALPHABLENDENABLE, TRUE);
  setState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  setState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

void blendOff() { setState(D3DRS_ALPHABLENDENABLE, FALSE); }

void depthOn() { setState(D3DRS_ZENABLE, TRUE); }

void depthOff() { setState(D3DRS_ZENABLE, FALSE); }

// The bias travels as the bits of a 32-bit integer in the state's DWORD.
void setDepthBias(INT bias) { setState(D3DRS_ZBIAS, static_cast<DWORD>(bias)); }

void setGreyMaterial(float diffuse, float ambient, float power, float scale) {
  material = D3DMATERIAL8{};
  const float diffuseLevel = diffuse * scale;
  const float ambientLevel = ambient * scale;
  material.Diffuse = D3DCOLORVALUE{diffuseLevel, diffuseLevel, diffuseLevel, 1.0f};
  material.Ambient = D3DCOLORVALUE{ambientLevel, ambientLevel, ambientLevel, 1.0f};
  material.Power = power * scale;
  device->SetMaterial(&material);
}
