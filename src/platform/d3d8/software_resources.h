// Textures, vertex buffers and index buffers of the software device: plain
// memory with the Direct3D 8 locking rules and COM reference counting.
//
// A resource does not hold its device alive (the device binds resources with
// references of its own, and a cycle would keep both forever). Instead the
// device registers every resource it creates and detaches the survivors when
// it is destroyed; GetDevice then fails. Main thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d8/d3d8.h"

class SoftwareDevice;

// The part every resource shares: reference count, owning device and the
// creation number that names it in traces ("tex#3").
class ResourceCore {
 public:
  ResourceCore(SoftwareDevice* device, D3DRESOURCETYPE type, UINT serial);
  ULONG addRef() { return ++refCount_; }
  // Returns the new count; the caller deletes itself at zero.
  ULONG release() { return refCount_ == 0 ? 0 : --refCount_; }
  HRESULT getDevice(IDirect3DDevice8** device) const;
  SoftwareDevice* device() const { return device_; }
  void detachFromDevice() { device_ = nullptr; }
  UINT serial() const { return serial_; }
  D3DRESOURCETYPE type() const { return type_; }

 private:
  ULONG refCount_ = 1;
  SoftwareDevice* device_;
  D3DRESOURCETYPE type_;
  UINT serial_;
};

class SoftwareTexture final : public IDirect3DTexture8 {
 public:
  struct Level {
    UINT width = 0;
    UINT height = 0;
    UINT pitch = 0;  // bytes per row (per row of 4 x 4 blocks for DXT formats)
    std::vector<BYTE> bytes;
  };

  // Levels must already be resolved (1 or more, at most the full chain).
  SoftwareTexture(SoftwareDevice* device, UINT serial, UINT width, UINT height, UINT levels, DWORD usage,
                  D3DFORMAT format, D3DPOOL pool);
  ~SoftwareTexture() override;

  ULONG AddRef() override { return core_.addRef(); }
  ULONG Release() override;
  HRESULT GetDevice(IDirect3DDevice8** ppDevice) override { return core_.getDevice(ppDevice); }
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
  DWORD GetLevelCount() override { return static_cast<DWORD>(levels_.size()); }
  HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
  HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
  HRESULT UnlockRect(UINT Level) override;

  ResourceCore& core() { return core_; }
  const Level& level(UINT index) const { return levels_[index]; }
  Level& level(UINT index) { return levels_[index]; }
  UINT levelCount() const { return static_cast<UINT>(levels_.size()); }
  D3DFORMAT format() const { return format_; }
  D3DPOOL pool() const { return pool_; }
  DWORD usage() const { return usage_; }
  // The last queued draw that reads this texture; changing or freeing its
  // texels waits until that draw is rasterised.
  void markDrawn(std::uint64_t batch) { lastDraw_ = batch; }
  void waitUntilUnused();

 private:
  ResourceCore core_;
  std::uint64_t lastDraw_ = 0;
  D3DFORMAT format_;
  D3DPOOL pool_;
  DWORD usage_;
  std::vector<Level> levels_;
  std::vector<bool> locked_;
};

class SoftwareVertexBuffer final : public IDirect3DVertexBuffer8 {
 public:
  SoftwareVertexBuffer(SoftwareDevice* device, UINT serial, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);
  ~SoftwareVertexBuffer() override;

  ULONG AddRef() override { return core_.addRef(); }
  ULONG Release() override;
  HRESULT GetDevice(IDirect3DDevice8** ppDevice) override { return core_.getDevice(ppDevice); }
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
  HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) override;
  HRESULT Unlock() override;
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;

  ResourceCore& core() { return core_; }
  const std::vector<BYTE>& bytes() const { return bytes_; }

 private:
  ResourceCore core_;
  std::vector<BYTE> bytes_;
  DWORD usage_;
  DWORD fvf_;
  D3DPOOL pool_;
  bool locked_ = false;
};

class SoftwareIndexBuffer final : public IDirect3DIndexBuffer8 {
 public:
  SoftwareIndexBuffer(SoftwareDevice* device, UINT serial, UINT length, DWORD usage, D3DFORMAT format,
                      D3DPOOL pool);
  ~SoftwareIndexBuffer() override;

  ULONG AddRef() override { return core_.addRef(); }
  ULONG Release() override;
  HRESULT GetDevice(IDirect3DDevice8** ppDevice) override { return core_.getDevice(ppDevice); }
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
  HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) override;
  HRESULT Unlock() override;
  HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;

  ResourceCore& core() { return core_; }
  const std::vector<BYTE>& bytes() const { return bytes_; }
  D3DFORMAT format() const { return format_; }

 private:
  ResourceCore core_;
  std::vector<BYTE> bytes_;
  DWORD usage_;
  D3DFORMAT format_;
  D3DPOOL pool_;
  bool locked_ = false;
};

// Copies every level of a system-memory texture into a default-pool texture
// with the same format, matching levels from the smallest.
HRESULT updateSoftwareTexture(SoftwareTexture* source, SoftwareTexture* destination);
