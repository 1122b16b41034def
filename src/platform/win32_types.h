// Basic Windows types shared by the platform layers (d3d8, os, sound).
// Sizes are those of the 32-bit Windows API the presentation was written
// for: DWORD and UINT are 32-bit unsigned, BOOL and HRESULT 32-bit signed.
#pragma once

#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using INT = std::int32_t;
using BOOL = std::int32_t;
using LONG = std::int32_t;
using HRESULT = std::int32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// The one window of the presentation is identified by an opaque handle,
// owned by platform/os.
struct HWND__;
using HWND = HWND__*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
