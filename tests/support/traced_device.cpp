#include "support/traced_device.h"

#include "platform/d3d8/device_trace.h"
#include "platform/d3d8/software_device.h"
#include "render/device.h"
#include "support/d3d8_test_device.h"

ScopedTracedDevice::ScopedTracedDevice() {
  resetSoftwareDeviceConfig();
  previous_ = device;
  direct3D_ = Direct3DCreate8(D3D_SDK_VERSION);
  if (direct3D_ == nullptr) return;
  D3DPRESENT_PARAMETERS parameters = fullScreenParameters();
  if (FAILED(direct3D_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                     &parameters, &inner_))) {
    return;
  }
  traced_ = wrapWithTrace(inner_, traceToLines(&lines));
  device = traced_;
}

ScopedTracedDevice::~ScopedTracedDevice() {
  device = previous_;
  if (traced_) traced_->Release();
  if (inner_) inner_->Release();
  if (direct3D_) direct3D_->Release();
}
