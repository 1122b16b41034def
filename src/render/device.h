// The one Direct3D device: created full screen at 640 x 480 for the
// presentation's window, cleared and presented once per frame, released at
// the end of the run. Main thread only.
#pragma once

#include "platform/d3d8/d3d8.h"

extern IDirect3D8* direct3D;   // null before setUpDevice and after releaseDevice
extern IDirect3DDevice8* device;  // the device every drawing routine uses

// Creates the device (hardware vertex processing first, then software) and
// sets the starting render states. Returns the failing call's result.
HRESULT setUpDevice(HWND window);
// Clears to green (0x0000FF00) and depth 1.0, then begins the scene.
HRESULT beginFrame();
// Ends the scene and presents the back buffer.
HRESULT endFrame();
// Releases the device, then the Direct3D object; a second call does nothing.
void releaseDevice();
