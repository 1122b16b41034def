// The one Direct3D device: creation, the starting render states, the frame
// bracket and the release at the end of the run.

#include "render/device.h"

IDirect3D8* direct3D = nullptr;
IDirect3DDevice8* device = nullptr;

HRESULT setUpDevice(HWND window) {
  direct3D = Direct3DCreate8(120);
  // Without a Direct3D object nothing can follow; report it like any other
  // failed set-up step.
  if (direct3D == nullptr) return D3DERR_NOTAVAILABLE;

  D3DDISPLAYMODE mode{};
  HRESULT result = direct3D->GetAdapterDisplayMode(0, &mode);
  if (FAILED(result)) return result;

  D3DPRESENT_PARAMETERS parameters{};
  parameters.BackBufferWidth = 640;
  parameters.BackBufferHeight = 480;
  parameters.BackBufferFormat = D3DFMT_A8R8G8B8;
  parameters.BackBufferCount = 0;
  parameters.MultiSampleType = D3DMULTISAMPLE_NONE;
  parameters.SwapEffect = D3DSWAPEFFECT_FLIP;
  parameters.hDeviceWindow = nullptr;
  parameters.Windowed = FALSE;
  parameters.EnableAutoDepthStencil = TRUE;
  parameters.AutoDepthStencilFormat = D3DFMT_D16;
  parameters.Flags = 0;
  parameters.FullScreen_RefreshRateInHz = 0;
  parameters.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_ONE;

  result = direct3D->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters,
                                  &device);
  if (FAILED(result)) {
    result = direct3D->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters,
                                    &device);
    if (FAILED(result)) return result;
  }

  result = device->SetRenderState(D3DRS_LIGHTING, FALSE);
  if (FAILED(result)) return result;
  result = device->SetRenderState(D3DRS_ZENABLE, TRUE);
  if (FAILED(result)) return result;
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
  device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
  device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
  return result;
}

HRESULT beginFrame() {
  if (device == nullptr) return D3DERR_INVALIDCALL;  // no device: nothing to clear
  const HRESULT result = device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x0000FF00, 1.0f, 0);
  if (FAILED(result)) return result;
  return device->BeginScene();
}

HRESULT endFrame() {
  if (device == nullptr) return D3DERR_INVALIDCALL;
  const HRESULT result = device->EndScene();
  if (FAILED(result)) return result;
  return device->Present(nullptr, nullptr, nullptr, nullptr);
}

void releaseDevice() {
  if (device != nullptr) {
    device->Release();
    device = nullptr;
  }
  if (direct3D != nullptr) {
    direct3D->Release();
    direct3D = nullptr;
  }
}
