// A device that records every call it forwards: one line per call with the
// arguments, enumerations by name, results when they fail, for example
//   SetRenderState(D3DRS_CULLMODE, D3DCULL_CW)
//   SetTexture(0, tex#3)
//   DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 24, 0, 12)
//   Clear(0, NULL, D3DCLEAR_TARGET|D3DCLEAR_ZBUFFER, 0x0000FF00, 1, 0) -> D3DERR_INVALIDCALL
// Textures and buffers are named by creation order through this device
// (tex#1, vb#1, ib#1 ...), so a trace reads the same on every run.
// `glass-orchard --trace FILE` turns it on for the one device of the run.
// Main thread only.
#pragma once

#include <cstdio>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/d3d8/d3d8.h"

// Receives one finished line (without line break) per call.
using TraceOutput = std::function<void(const std::string& line)>;

TraceOutput traceToFile(std::FILE* file);  // the file is not closed
TraceOutput traceToStream(std::ostream& stream);
TraceOutput traceToLines(std::vector<std::string>* lines);

// Wraps a device. The wrapper takes a reference of its own on `inner` (the
// caller keeps and later releases its own) and starts with one reference.
IDirect3DDevice8* wrapWithTrace(IDirect3DDevice8* inner, TraceOutput output);

// Process-wide switch: while enabled, the software IDirect3D8 logs its own
// calls to the output and CreateDevice returns a traced device. A file's
// write errors stay in its error flag for its owner to report.
void enableDeviceTrace(TraceOutput output);
void disableDeviceTrace();
bool deviceTraceEnabled();
// Writes a line to the process-wide trace, if enabled.
void writeDeviceTrace(const std::string& line);

// Names used in trace lines; numbers when the value has no name.
std::string renderStateName(DWORD state);
std::string renderStateValueName(DWORD state, DWORD value);
std::string textureStageStateName(DWORD type);
std::string textureStageValueName(DWORD type, DWORD value);
std::string formatName(DWORD format);
std::string resultName(HRESULT result);
std::string fvfName(DWORD fvf);
