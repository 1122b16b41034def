// The software device wrapped in a call trace, installed as the process-wide
// `device` for one test and taken out again. Every device call made through
// it is kept as one trace line.
#pragma once

#include <string>
#include <vector>

#include "platform/d3d8/d3d8.h"

class ScopedTracedDevice {
 public:
  ScopedTracedDevice();  // resets the software device's settings first
  ~ScopedTracedDevice();
  ScopedTracedDevice(const ScopedTracedDevice&) = delete;
  ScopedTracedDevice& operator=(const ScopedTracedDevice&) = delete;

  bool ok() const { return traced_ != nullptr; }
  IDirect3DDevice8* get() const { return traced_; }
  std::vector<std::string> lines;  // one per call, oldest first

 private:
  IDirect3D8* direct3D_ = nullptr;
  IDirect3DDevice8* inner_ = nullptr;
  IDirect3DDevice8* traced_ = nullptr;
  IDirect3DDevice8* previous_ = nullptr;
};
