#include "capture/timing_device.h"

namespace {

using Clock = std::chrono::steady_clock;

class TimingDevice final : public IDirect3DDevice8 {
 public:
  TimingDevice(IDirect3DDevice8* inner, DeviceTimes* times) : inner_(inner), times_(times) {}

  ULONG AddRef() override { return inner_->AddRef(); }
  ULONG Release() override {
    const ULONG remaining = inner_->Release();
    if (remaining == 0) delete this;
    return remaining;
  }

  HRESULT GetDirect3D(IDirect3D8** ppD3D8) override { return timed(times_->other, [&] { return inner_->GetDirect3D(ppD3D8); }); }
  HRESULT GetDeviceCaps(D3DCAPS8* pCaps) override { return timed(times_->other, [&] { return inner_->GetDeviceCaps(pCaps); }); }
  HRESULT GetDisplayMode(D3DDISPLAYMODE* pMode) override {
    return timed(times_->other, [&] { return inner_->GetDisplayMode(pMode); });
  }
  HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                        IDirect3DTexture8** ppTexture) override {
    return timed(times_->other, [&] { return inner_->CreateTexture(Width, Height, Levels, Usage, Format, Pool, ppTexture); });
  }
  HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                             IDirect3DVertexBuffer8** ppVertexBuffer) override {
    return timed(times_->other, [&] { return inner_->CreateVertexBuffer(Length, Usage, FVF, Pool, ppVertexBuffer); });
  }
  HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                            IDirect3DIndexBuffer8** ppIndexBuffer) override {
    return timed(times_->other, [&] { return inner_->CreateIndexBuffer(Length, Usage, Format, Pool, ppIndexBuffer); });
  }
  HRESULT UpdateTexture(IDirect3DBaseTexture8* pSourceTexture, IDirect3DBaseTexture8* pDestinationTexture) override {
    return timed(times_->upload, [&] { return inner_->UpdateTexture(pSourceTexture, pDestinationTexture); });
  }

  HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) override {
    return timed(times_->raster, [&] { return inner_->Clear(Count, pRects, Flags, Color, Z, Stencil); });
  }
  HRESULT BeginScene() override { return timed(times_->other, [&] { return inner_->BeginScene(); }); }
  HRESULT EndScene() override { return timed(times_->other, [&] { return inner_->EndScene(); }); }
  HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                  const RGNDATA* pDirtyRegion) override {
    return timed(times_->present, [&] { return inner_->Present(pSourceRect, pDestRect, hDestWindowOverride, pDirtyRegion); });
  }

  HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override {
    return timed(times_->other, [&] { return inner_->SetTransform(State, pMatrix); });
  }
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override {
    return timed(times_->other, [&] { return inner_->GetTransform(State, pMatrix); });
  }
  HRESULT SetViewport(const D3DVIEWPORT8* pViewport) override {
    return timed(times_->other, [&] { return inner_->SetViewport(pViewport); });
  }
  HRESULT GetViewport(D3DVIEWPORT8* pViewport) override {
    return timed(times_->other, [&] { return inner_->GetViewport(pViewport); });
  }
  HRESULT SetMaterial(const D3DMATERIAL8* pMaterial) override {
    return timed(times_->other, [&] { return inner_->SetMaterial(pMaterial); });
  }
  HRESULT GetMaterial(D3DMATERIAL8* pMaterial) override {
    return timed(times_->other, [&] { return inner_->GetMaterial(pMaterial); });
  }
  HRESULT SetLight(DWORD Index, const D3DLIGHT8* pLight) override {
    return timed(times_->other, [&] { return inner_->SetLight(Index, pLight); });
  }
  HRESULT GetLight(DWORD Index, D3DLIGHT8* pLight) override {
    return timed(times_->other, [&] { return inner_->GetLight(Index, pLight); });
  }
  HRESULT LightEnable(DWORD Index, BOOL Enable) override {
    return timed(times_->other, [&] { return inner_->LightEnable(Index, Enable); });
  }
  HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) override {
    return timed(times_->other, [&] { return inner_->GetLightEnable(Index, pEnable); });
  }
  HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override {
    return timed(times_->other, [&] { return inner_->SetRenderState(State, Value); });
  }
  HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override {
    return timed(times_->other, [&] { return inner_->GetRenderState(State, pValue); });
  }
  HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) override {
    return timed(times_->other, [&] { return inner_->SetTexture(Stage, pTexture); });
  }
  HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) override {
    return timed(times_->other, [&] { return inner_->GetTexture(Stage, ppTexture); });
  }
  HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override {
    return timed(times_->other, [&] { return inner_->SetTextureStageState(Stage, Type, Value); });
  }
  HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) override {
    return timed(times_->other, [&] { return inner_->GetTextureStageState(Stage, Type, pValue); });
  }
  HRESULT SetVertexShader(DWORD Handle) override { return timed(times_->other, [&] { return inner_->SetVertexShader(Handle); }); }
  HRESULT GetVertexShader(DWORD* pHandle) override {
    return timed(times_->other, [&] { return inner_->GetVertexShader(pHandle); });
  }

  HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData, UINT Stride) override {
    return timed(times_->other, [&] { return inner_->SetStreamSource(StreamNumber, pStreamData, Stride); });
  }
  HRESULT SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) override {
    return timed(times_->other, [&] { return inner_->SetIndices(pIndexData, BaseVertexIndex); });
  }
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) override {
    return timed(times_->raster, [&] { return inner_->DrawPrimitive(PrimitiveType, StartVertex, PrimitiveCount); });
  }
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT minIndex, UINT NumVertices, UINT startIndex,
                               UINT primCount) override {
    return timed(times_->raster,
                 [&] { return inner_->DrawIndexedPrimitive(PrimitiveType, minIndex, NumVertices, startIndex, primCount); });
  }

 private:
  template <typename Call>
  static HRESULT timed(std::chrono::nanoseconds& total, Call call) {
    const auto start = Clock::now();
    const HRESULT result = call();
    total += Clock::now() - start;
    return result;
  }

  IDirect3DDevice8* inner_;
  DeviceTimes* times_;
};

}  // namespace

IDirect3DDevice8* wrapWithTiming(IDirect3DDevice8* inner, DeviceTimes* times) {
  if (inner == nullptr || times == nullptr) return inner;
  return new TimingDevice(inner, times);
}
