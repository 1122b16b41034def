#include "platform/d3d8/software_resources.h"

#include <algorithm>
#include <cstring>

#include "platform/d3d8/software_device.h"
#include "platform/d3d8/software_device_impl.h"

namespace {

bool isBlockCompressed(D3DFORMAT format) {
  return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4 ||
         format == D3DFMT_DXT5;
}

SoftwareTexture::Level makeLevel(UINT width, UINT height, D3DFORMAT format) {
  SoftwareTexture::Level level;
  level.width = width;
  level.height = height;
  std::size_t rows = height;
  if (isBlockCompressed(format)) {
    const UINT blockBytes = format == D3DFMT_DXT1 ? 8 : 16;
    level.pitch = std::max(1u, (width + 3) / 4) * blockBytes;
    rows = std::max(1u, (height + 3) / 4);
  } else {
    level.pitch = width * (textureFormatBits(format) / 8);
  }
  level.bytes.assign(rows * level.pitch, 0);
  return level;
}

}  // namespace

ResourceCore::ResourceCore(SoftwareDevice* device, D3DRESOURCETYPE type, UINT serial)
    : device_(device), type_(type), serial_(serial) {}

HRESULT ResourceCore::getDevice(IDirect3DDevice8** device) const {
  if (device == nullptr) return D3DERR_INVALIDCALL;
  *device = device_;
  if (device_ == nullptr) return D3DERR_INVALIDCALL;
  device_->AddRef();
  return D3D_OK;
}

// ---------------------------------------------------------------------------
// Textures
// ---------------------------------------------------------------------------

SoftwareTexture::SoftwareTexture(SoftwareDevice* device, UINT serial, UINT width, UINT height, UINT levels,
                                 DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : core_(device, D3DRTYPE_TEXTURE, serial), format_(format), pool_(pool), usage_(usage) {
  levels_.reserve(levels);
  for (UINT i = 0; i < levels; ++i) {
    levels_.push_back(makeLevel(width, height, format));
    width = std::max(1u, width / 2);
    height = std::max(1u, height / 2);
  }
  locked_.assign(levels, false);
  if (device != nullptr) device->registerResource(&core_);
}

SoftwareTexture::~SoftwareTexture() {
  waitUntilUnused();
  if (core_.device() != nullptr) core_.device()->forgetResource(&core_);
}

void SoftwareTexture::waitUntilUnused() {
  // Without a device (it is gone) no draw can be pending.
  if (core_.device() != nullptr && lastDraw_ != 0) core_.device()->waitForDraws(lastDraw_);
}

ULONG SoftwareTexture::Release() {
  const ULONG count = core_.release();
  if (count == 0) delete this;
  return count;
}

HRESULT SoftwareTexture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) {
  if (pDesc == nullptr || Level >= levels_.size()) return D3DERR_INVALIDCALL;
  const auto& level = levels_[Level];
  *pDesc = {};
  pDesc->Format = format_;
  pDesc->Type = D3DRTYPE_SURFACE;
  pDesc->Usage = usage_;
  pDesc->Pool = pool_;
  pDesc->Size = static_cast<UINT>(level.bytes.size());
  pDesc->MultiSampleType = D3DMULTISAMPLE_NONE;
  pDesc->Width = level.width;
  pDesc->Height = level.height;
  return D3D_OK;
}

HRESULT SoftwareTexture::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD /*Flags*/) {
  if (pLockedRect == nullptr || Level >= levels_.size()) return D3DERR_INVALIDCALL;
  // Default-pool textures live in video memory on real hardware: only dynamic
  // ones can be locked; the others are filled through UpdateTexture.
  if (pool_ == D3DPOOL_DEFAULT && (usage_ & D3DUSAGE_DYNAMIC) == 0) return D3DERR_INVALIDCALL;
  if (locked_[Level]) return D3DERR_INVALIDCALL;
  waitUntilUnused();
  auto& level = levels_[Level];
  std::size_t offset = 0;
  if (pRect != nullptr) {
    if (pRect->left < 0 || pRect->top < 0 || pRect->left >= pRect->right || pRect->top >= pRect->bottom ||
        static_cast<UINT>(pRect->right) > level.width || static_cast<UINT>(pRect->bottom) > level.height) {
      return D3DERR_INVALIDCALL;
    }
    if (isBlockCompressed(format_)) {
      offset = static_cast<std::size_t>(pRect->top / 4) * level.pitch +
               static_cast<std::size_t>(pRect->left / 4) * (format_ == D3DFMT_DXT1 ? 8 : 16);
    } else {
      offset = static_cast<std::size_t>(pRect->top) * level.pitch +
               static_cast<std::size_t>(pRect->left) * (textureFormatBits(format_) / 8);
    }
  }
  locked_[Level] = true;
  pLockedRect->Pitch = static_cast<INT>(level.pitch);
  pLockedRect->pBits = level.bytes.data() + offset;
  return D3D_OK;
}

HRESULT SoftwareTexture::UnlockRect(UINT Level) {
  if (Level >= levels_.size() || !locked_[Level]) return D3DERR_INVALIDCALL;
  locked_[Level] = false;
  return D3D_OK;
}

HRESULT updateSoftwareTexture(SoftwareTexture* source, SoftwareTexture* destination) {
  if (source == nullptr || destination == nullptr || source == destination) return D3DERR_INVALIDCALL;
  if (source->pool() != D3DPOOL_SYSTEMMEM || destination->pool() != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
  if (source->format() != destination->format()) return D3DERR_INVALIDCALL;
  const UINT sourceLevels = source->levelCount();
  const UINT destinationLevels = destination->levelCount();
  if (destinationLevels > sourceLevels) return D3DERR_INVALIDCALL;
  // The destination's chain matches the source's counted from the smallest level.
  const UINT skip = sourceLevels - destinationLevels;
  for (UINT i = 0; i < destinationLevels; ++i) {
    const auto& from = source->level(i + skip);
    const auto& to = destination->level(i);
    if (from.width != to.width || from.height != to.height) return D3DERR_INVALIDCALL;
  }
  destination->waitUntilUnused();
  for (UINT i = 0; i < destinationLevels; ++i) {
    const auto& from = source->level(i + skip);
    auto& to = destination->level(i);
    std::memcpy(to.bytes.data(), from.bytes.data(), to.bytes.size());
  }
  return D3D_OK;
}

// ---------------------------------------------------------------------------
// Buffers
// ---------------------------------------------------------------------------

namespace {

// Whole-buffer or ranged lock; a size of 0 means "to the end".
HRESULT lockRange(std::vector<BYTE>& bytes, bool& locked, UINT offset, UINT size, BYTE** data) {
  if (data == nullptr) return D3DERR_INVALIDCALL;
  if (locked) return D3DERR_INVALIDCALL;
  if (offset > bytes.size() || (size != 0 && size > bytes.size() - offset)) return D3DERR_INVALIDCALL;
  locked = true;
  *data = bytes.data() + offset;
  return D3D_OK;
}

}  // namespace

SoftwareVertexBuffer::SoftwareVertexBuffer(SoftwareDevice* device, UINT serial, UINT length, DWORD usage,
                                           DWORD fvf, D3DPOOL pool)
    : core_(device, D3DRTYPE_VERTEXBUFFER, serial), bytes_(length, 0), usage_(usage), fvf_(fvf), pool_(pool) {
  if (device != nullptr) device->registerResource(&core_);
}

SoftwareVertexBuffer::~SoftwareVertexBuffer() {
  if (core_.device() != nullptr) core_.device()->forgetResource(&core_);
}

ULONG SoftwareVertexBuffer::Release() {
  const ULONG count = core_.release();
  if (count == 0) delete this;
  return count;
}

HRESULT SoftwareVertexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD /*Flags*/) {
  return lockRange(bytes_, locked_, OffsetToLock, SizeToLock, ppbData);
}

HRESULT SoftwareVertexBuffer::Unlock() {
  if (!locked_) return D3DERR_INVALIDCALL;
  locked_ = false;
  return D3D_OK;
}

HRESULT SoftwareVertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* pDesc) {
  if (pDesc == nullptr) return D3DERR_INVALIDCALL;
  *pDesc = {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage_, pool_, static_cast<UINT>(bytes_.size()), fvf_};
  return D3D_OK;
}

SoftwareIndexBuffer::SoftwareIndexBuffer(SoftwareDevice* device, UINT serial, UINT length, DWORD usage,
                                         D3DFORMAT format, D3DPOOL pool)
    : core_(device, D3DRTYPE_INDEXBUFFER, serial), bytes_(length, 0), usage_(usage), format_(format), pool_(pool) {
  if (device != nullptr) device->registerResource(&core_);
}

SoftwareIndexBuffer::~SoftwareIndexBuffer() {
  if (core_.device() != nullptr) core_.device()->forgetResource(&core_);
}

ULONG SoftwareIndexBuffer::Release() {
  const ULONG count = core_.release();
  if (count == 0) delete this;
  return count;
}

HRESULT SoftwareIndexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD /*Flags*/) {
  return lockRange(bytes_, locked_, OffsetToLock, SizeToLock, ppbData);
}

HRESULT SoftwareIndexBuffer::Unlock() {
  if (!locked_) return D3DERR_INVALIDCALL;
  locked_ = false;
  return D3D_OK;
}

HRESULT SoftwareIndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* pDesc) {
  if (pDesc == nullptr) return D3DERR_INVALIDCALL;
  *pDesc = {format_, D3DRTYPE_INDEXBUFFER, usage_, pool_, static_cast<UINT>(bytes_.size())};
  return D3D_OK;
}
