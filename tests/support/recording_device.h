// A Direct3D 8 device double for tests of the render and texture helpers:
// it records every state call as a line of text, keeps the state it was
// given (render states, material, transforms, bound texture, stream), and
// creates textures and vertex buffers in plain memory. Capabilities, the
// texture formats it accepts (for an X8R8G8B8 display), the row pitch of its
// textures and failing creations are all settable, so code can be checked
// against devices unlike the software one. The device owns every object it
// created; Release only counts references, so a test can look at an object
// after the code under test let go of it.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/d3d8/d3d8.h"
#include "render/device.h"

class RecordingDevice;

class RecordingTexture final : public IDirect3DTexture8 {
 public:
  RecordingTexture(RecordingDevice* owner, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                   D3DPOOL pool, UINT pitch);

  ULONG AddRef() override { return ++references; }
  ULONG Release() override { return --references; }
  HRESULT GetDevice(IDirect3DDevice8** ppDevice) override { return ownerOf(ppDevice); }
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
  DWORD GetLevelCount() override { return levels; }
  HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
  HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
  HRESULT UnlockRect(UINT Level) override;

  // The 32-bit texel at (x, y) of level 0 (0xDEADBEEF outside the level or
  // for a format that is not 32-bit).
  DWORD texel(UINT x, UINT y) const;

  RecordingDevice* owner;
  UINT width, height, levels;
  DWORD usage;
  D3DFORMAT format;
  D3DPOOL pool;
  UINT pitch;
  std::vector<BYTE> bits;  // level 0, pitch · height bytes
  ULONG references = 1;
  bool locked = false;

 private:
  HRESULT ownerOf(IDirect3DDevice8** ppDevice);
};

class RecordingVertexBuffer final : public IDirect3DVertexBuffer8 {
 public:
  RecordingVertexBuffer(RecordingDevice* owner, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);

  ULONG AddRef() override { return ++references; }
  ULONG Release() override { return --references; }
  HRESULT GetDevice(IDirect3DDevice8** ppDevice) override { return ownerOf(ppDevice); }
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
  HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) override;
  HRESULT Unlock() override;
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;

  RecordingDevice* owner;
  DWORD usage, fvf;
  D3DPOOL pool;
  std::vector<BYTE> data;
  ULONG references = 1;
  bool failLock = false;
  bool locked = false;

 private:
  HRESULT ownerOf(IDirect3DDevice8** ppDevice);
};

class RecordingDirect3D final : public IDirect3D8 {
 public:
  explicit RecordingDirect3D(RecordingDevice* owner) : owner(owner) {}

  ULONG AddRef() override { return ++references; }
  ULONG Release() override { return --references; }
  UINT GetAdapterCount() override { return 1; }
  HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
  HRESULT CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat, DWORD Usage,
                            D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) override;
  HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS8* pCaps) override;
  HRESULT CreateDevice(UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*, IDirect3DDevice8**) override {
    return D3DERR_NOTAVAILABLE;
  }

  RecordingDevice* owner;
  ULONG references = 1;
};

class RecordingDevice final : public IDirect3DDevice8 {
 public:
  RecordingDevice();
  ~RecordingDevice() override = default;

  ULONG AddRef() override { return ++references; }
  ULONG Release() override { return --references; }

  HRESULT GetDirect3D(IDirect3D8** ppD3D8) override;
  HRESULT GetDeviceCaps(D3DCAPS8* pCaps) override;
  HRESULT GetDisplayMode(D3DDISPLAYMODE* pMode) override;
  HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                        IDirect3DTexture8** ppTexture) override;
  HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                             IDirect3DVertexBuffer8** ppVertexBuffer) override;
  HRESULT CreateIndexBuffer(UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DIndexBuffer8**) override {
    return D3DERR_NOTAVAILABLE;
  }
  HRESULT UpdateTexture(IDirect3DBaseTexture8* pSourceTexture, IDirect3DBaseTexture8* pDestinationTexture) override;

  HRESULT Clear(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override { return D3D_OK; }
  HRESULT BeginScene() override { return D3D_OK; }
  HRESULT EndScene() override { return D3D_OK; }
  HRESULT Present(const RECT*, const RECT*, HWND, const RGNDATA*) override { return D3D_OK; }

  HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* m) override { *m = transforms[State]; return D3D_OK; }
  HRESULT SetViewport(const D3DVIEWPORT8*) override { return D3D_OK; }
  HRESULT GetViewport(D3DVIEWPORT8*) override { return D3D_OK; }
  HRESULT SetMaterial(const D3DMATERIAL8* pMaterial) override;
  HRESULT GetMaterial(D3DMATERIAL8* pMaterial) override { *pMaterial = material; return D3D_OK; }
  HRESULT SetLight(DWORD, const D3DLIGHT8*) override { return D3D_OK; }
  HRESULT GetLight(DWORD, D3DLIGHT8*) override { return D3D_OK; }
  HRESULT LightEnable(DWORD, BOOL) override { return D3D_OK; }
  HRESULT GetLightEnable(DWORD, BOOL*) override { return D3D_OK; }
  HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* v) override { *v = renderStates[State]; return D3D_OK; }
  HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) override;
  HRESULT GetTexture(DWORD, IDirect3DBaseTexture8** t) override { *t = boundTexture; return D3D_OK; }
  HRESULT SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { return D3D_OK; }
  HRESULT GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD*) override { return D3D_OK; }
  HRESULT SetVertexShader(DWORD Handle) override;
  HRESULT GetVertexShader(DWORD* pHandle) override { *pHandle = vertexShader; return D3D_OK; }

  HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData, UINT Stride) override;
  HRESULT SetIndices(IDirect3DIndexBuffer8*, UINT) override { return D3D_OK; }
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE, UINT, UINT, UINT, UINT) override { return D3D_OK; }

  // Settings.
  D3DCAPS8 caps{};  // as reported by GetDeviceCaps
  std::set<D3DFORMAT> acceptedFormats{D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8};
  UINT extraPitch = 0;         // bytes added to 4 · width in texture rows
  int failTextureNumber = -1;  // the nth CreateTexture (from 0) fails
  bool failVertexBuffer = false;

  // What happened.
  std::vector<std::string> calls;  // one line per state or drawing call
  std::map<DWORD, DWORD> renderStates;
  D3DMATERIAL8 material{};
  std::map<DWORD, D3DMATRIX> transforms;
  IDirect3DBaseTexture8* boundTexture = nullptr;
  IDirect3DVertexBuffer8* streamSource = nullptr;
  DWORD vertexShader = 0;
  std::vector<std::vector<BYTE>> drawnVertexData;  // the stream buffer at each draw
  std::vector<std::unique_ptr<RecordingTexture>> textures;
  std::vector<std::unique_ptr<RecordingVertexBuffer>> vertexBuffers;
  int textureCreations = 0;
  std::vector<D3DFORMAT> checkedFormats;  // CheckDeviceFormat queries in order
  std::vector<DWORD> checkedUsages;
  RecordingDirect3D direct3D{this};
  ULONG references = 1;
};

// Puts a recording device in the process-wide `device` for one test and
// takes it out again.
class ScopedRecordingDevice {
 public:
  ScopedRecordingDevice() : previous(device) { device = &fake; }
  ~ScopedRecordingDevice() { device = previous; }
  ScopedRecordingDevice(const ScopedRecordingDevice&) = delete;
  ScopedRecordingDevice& operator=(const ScopedRecordingDevice&) = delete;
  RecordingDevice* operator->() { return &fake; }
  RecordingDevice& get() { return fake; }

 private:
  RecordingDevice fake;
  IDirect3DDevice8* previous;
};
