// The tracing device: forwards every call to the wrapped device and writes
// one line describing it (see device_trace.h).

#include "platform/d3d8/device_trace.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <utility>

namespace {

std::string hex(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

std::string number(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
  return text;
}

std::string vector3(const D3DVECTOR& v) { return "(" + number(v.x) + ", " + number(v.y) + ", " + number(v.z) + ")"; }

std::string colourValue(const D3DCOLORVALUE& c) {
  return "(" + number(c.r) + ", " + number(c.g) + ", " + number(c.b) + ", " + number(c.a) + ")";
}

std::string matrix(const D3DMATRIX* m) {
  if (m == nullptr) return "NULL";
  std::string text = "[";
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      if (i != 0 || j != 0) text += (j == 0) ? "; " : " ";
      text += number(m->m[i][j]);
    }
  }
  return text + "]";
}

std::string transformName(DWORD state) {
  switch (state) {
    case D3DTS_VIEW: return "D3DTS_VIEW";
    case D3DTS_PROJECTION: return "D3DTS_PROJECTION";
    case D3DTS_WORLD: return "D3DTS_WORLD";
    default: return std::to_string(state);
  }
}

std::string primitiveName(DWORD type) {
  switch (type) {
    case D3DPT_POINTLIST: return "D3DPT_POINTLIST";
    case D3DPT_LINELIST: return "D3DPT_LINELIST";
    case D3DPT_LINESTRIP: return "D3DPT_LINESTRIP";
    case D3DPT_TRIANGLELIST: return "D3DPT_TRIANGLELIST";
    case D3DPT_TRIANGLESTRIP: return "D3DPT_TRIANGLESTRIP";
    case D3DPT_TRIANGLEFAN: return "D3DPT_TRIANGLEFAN";
    default: return std::to_string(type);
  }
}

std::string poolName(DWORD pool) {
  switch (pool) {
    case D3DPOOL_DEFAULT: return "D3DPOOL_DEFAULT";
    case D3DPOOL_MANAGED: return "D3DPOOL_MANAGED";
    case D3DPOOL_SYSTEMMEM: return "D3DPOOL_SYSTEMMEM";
    default: return std::to_string(pool);
  }
}

std::string usageName(DWORD usage) {
  if (usage == 0) return "0";
  std::string name;
  const std::pair<DWORD, const char*> flags[] = {
      {D3DUSAGE_RENDERTARGET, "D3DUSAGE_RENDERTARGET"}, {D3DUSAGE_DEPTHSTENCIL, "D3DUSAGE_DEPTHSTENCIL"},
      {D3DUSAGE_WRITEONLY, "D3DUSAGE_WRITEONLY"},       {D3DUSAGE_SOFTWAREPROCESSING, "D3DUSAGE_SOFTWAREPROCESSING"},
      {D3DUSAGE_DONOTCLIP, "D3DUSAGE_DONOTCLIP"},       {D3DUSAGE_DYNAMIC, "D3DUSAGE_DYNAMIC"}};
  DWORD rest = usage;
  for (const auto& [bit, text] : flags) {
    if (usage & bit) {
      if (!name.empty()) name += '|';
      name += text;
      rest &= ~bit;
    }
  }
  if (rest != 0) name += (name.empty() ? "" : "|") + hex(rest);
  return name;
}

std::string clearFlagsName(DWORD flags) {
  std::string name;
  const std::pair<DWORD, const char*> bits[] = {
      {D3DCLEAR_TARGET, "D3DCLEAR_TARGET"}, {D3DCLEAR_ZBUFFER, "D3DCLEAR_ZBUFFER"}, {D3DCLEAR_STENCIL, "D3DCLEAR_STENCIL"}};
  DWORD rest = flags;
  for (const auto& [bit, text] : bits) {
    if (flags & bit) {
      if (!name.empty()) name += '|';
      name += text;
      rest &= ~bit;
    }
  }
  if (rest != 0 || name.empty()) name += (name.empty() ? "" : "|") + hex(rest);
  return name;
}

std::string lightTypeName(DWORD type) {
  switch (type) {
    case D3DLIGHT_POINT: return "D3DLIGHT_POINT";
    case D3DLIGHT_SPOT: return "D3DLIGHT_SPOT";
    case D3DLIGHT_DIRECTIONAL: return "D3DLIGHT_DIRECTIONAL";
    default: return std::to_string(type);
  }
}

std::string boolName(BOOL value) { return value == FALSE ? "FALSE" : value == TRUE ? "TRUE" : std::to_string(value); }

class TracingDevice final : public IDirect3DDevice8 {
 public:
  TracingDevice(IDirect3DDevice8* inner, TraceOutput output) : inner_(inner), output_(std::move(output)) {
    inner_->AddRef();
  }
  ~TracingDevice() override { inner_->Release(); }

  ULONG AddRef() override { return ++refCount_; }
  ULONG Release() override {
    if (refCount_ == 0) return 0;
    const ULONG count = --refCount_;
    if (count == 0) {
      emit("Release() -> 0");
      delete this;
    }
    return count;
  }

  HRESULT GetDirect3D(IDirect3D8** ppD3D8) override { return log("GetDirect3D()", inner_->GetDirect3D(ppD3D8)); }
  HRESULT GetDeviceCaps(D3DCAPS8* pCaps) override { return log("GetDeviceCaps()", inner_->GetDeviceCaps(pCaps)); }
  HRESULT GetDisplayMode(D3DDISPLAYMODE* pMode) override {
    return log("GetDisplayMode()", inner_->GetDisplayMode(pMode));
  }

  HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                        IDirect3DTexture8** ppTexture) override {
    const HRESULT result = inner_->CreateTexture(Width, Height, Levels, Usage, Format, Pool, ppTexture);
    std::string name = "NULL";
    if (SUCCEEDED(result) && ppTexture != nullptr && *ppTexture != nullptr) {
      name = "tex#" + std::to_string(++textureCount_);
      names_[static_cast<IDirect3DResource8*>(*ppTexture)] = name;
    }
    return log("CreateTexture(" + std::to_string(Width) + ", " + std::to_string(Height) + ", " +
                   std::to_string(Levels) + ", " + usageName(Usage) + ", " + formatName(Format) + ", " +
                   poolName(Pool) + ") = " + name,
               result);
  }

  HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                             IDirect3DVertexBuffer8** ppVertexBuffer) override {
    const HRESULT result = inner_->CreateVertexBuffer(Length, Usage, FVF, Pool, ppVertexBuffer);
    std::string name = "NULL";
    if (SUCCEEDED(result) && ppVertexBuffer != nullptr && *ppVertexBuffer != nullptr) {
      name = "vb#" + std::to_string(++vertexBufferCount_);
      names_[static_cast<IDirect3DResource8*>(*ppVertexBuffer)] = name;
    }
    return log("CreateVertexBuffer(" + std::to_string(Length) + ", " + usageName(Usage) + ", " + fvfName(FVF) +
                   ", " + poolName(Pool) + ") = " + name,
               result);
  }

  HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                            IDirect3DIndexBuffer8** ppIndexBuffer) override {
    const HRESULT result = inner_->CreateIndexBuffer(Length, Usage, Format, Pool, ppIndexBuffer);
    std::string name = "NULL";
    if (SUCCEEDED(result) && ppIndexBuffer != nullptr && *ppIndexBuffer != nullptr) {
      name = "ib#" + std::to_string(++indexBufferCount_);
      names_[static_cast<IDirect3DResource8*>(*ppIndexBuffer)] = name;
    }
    return log("CreateIndexBuffer(" + std::to_string(Length) + ", " + usageName(Usage) + ", " + formatName(Format) +
                   ", " + poolName(Pool) + ") = " + name,
               result);
  }

  HRESULT UpdateTexture(IDirect3DBaseTexture8* pSourceTexture, IDirect3DBaseTexture8* pDestinationTexture) override {
    return log("UpdateTexture(" + nameOf(pSourceTexture) + ", " + nameOf(pDestinationTexture) + ")",
               inner_->UpdateTexture(pSourceTexture, pDestinationTexture));
  }

  HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) override {
    return log("Clear(" + std::to_string(Count) + ", " + (pRects == nullptr ? "NULL" : "rects") + ", " +
                   clearFlagsName(Flags) + ", " + hex(Color) + ", " + number(Z) + ", " + std::to_string(Stencil) +
                   ")",
               inner_->Clear(Count, pRects, Flags, Color, Z, Stencil));
  }
  HRESULT BeginScene() override { return log("BeginScene()", inner_->BeginScene()); }
  HRESULT EndScene() override { return log("EndScene()", inner_->EndScene()); }
  HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                  const RGNDATA* pDirtyRegion) override {
    return log(std::string("Present(") + (pSourceRect ? "rect" : "NULL") + ", " + (pDestRect ? "rect" : "NULL") +
                   ", " + (hDestWindowOverride ? "window" : "NULL") + ", " + (pDirtyRegion ? "region" : "NULL") + ")",
               inner_->Present(pSourceRect, pDestRect, hDestWindowOverride, pDirtyRegion));
  }

  HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override {
    return log("SetTransform(" + transformName(State) + ", " + matrix(pMatrix) + ")",
               inner_->SetTransform(State, pMatrix));
  }
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override {
    return log("GetTransform(" + transformName(State) + ")", inner_->GetTransform(State, pMatrix));
  }
  HRESULT SetViewport(const D3DVIEWPORT8* pViewport) override {
    std::string text = "NULL";
    if (pViewport != nullptr) {
      text = "{" + std::to_string(pViewport->X) + ", " + std::to_string(pViewport->Y) + ", " +
             std::to_string(pViewport->Width) + ", " + std::to_string(pViewport->Height) + ", " +
             number(pViewport->MinZ) + ", " + number(pViewport->MaxZ) + "}";
    }
    return log("SetViewport(" + text + ")", inner_->SetViewport(pViewport));
  }
  HRESULT GetViewport(D3DVIEWPORT8* pViewport) override { return log("GetViewport()", inner_->GetViewport(pViewport)); }
  HRESULT SetMaterial(const D3DMATERIAL8* pMaterial) override {
    std::string text = "NULL";
    if (pMaterial != nullptr) {
      text = "{Diffuse " + colourValue(pMaterial->Diffuse) + ", Ambient " + colourValue(pMaterial->Ambient) +
             ", Specular " + colourValue(pMaterial->Specular) + ", Emissive " + colourValue(pMaterial->Emissive) +
             ", Power " + number(pMaterial->Power) + "}";
    }
    return log("SetMaterial(" + text + ")", inner_->SetMaterial(pMaterial));
  }
  HRESULT GetMaterial(D3DMATERIAL8* pMaterial) override { return log("GetMaterial()", inner_->GetMaterial(pMaterial)); }
  HRESULT SetLight(DWORD Index, const D3DLIGHT8* pLight) override {
    std::string text = "NULL";
    if (pLight != nullptr) {
      text = "{" + lightTypeName(pLight->Type) + ", Diffuse " + colourValue(pLight->Diffuse) + ", Direction " +
             vector3(pLight->Direction) + ", Position " + vector3(pLight->Position) + ", Range " +
             number(pLight->Range) + "}";
    }
    return log("SetLight(" + std::to_string(Index) + ", " + text + ")", inner_->SetLight(Index, pLight));
  }
  HRESULT GetLight(DWORD Index, D3DLIGHT8* pLight) override {
    return log("GetLight(" + std::to_string(Index) + ")", inner_->GetLight(Index, pLight));
  }
  HRESULT LightEnable(DWORD Index, BOOL Enable) override {
    return log("LightEnable(" + std::to_string(Index) + ", " + boolName(Enable) + ")",
               inner_->LightEnable(Index, Enable));
  }
  HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) override {
    return log("GetLightEnable(" + std::to_string(Index) + ")", inner_->GetLightEnable(Index, pEnable));
  }
  HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override {
    return log("SetRenderState(" + renderStateName(State) + ", " + renderStateValueName(State, Value) + ")",
               inner_->SetRenderState(State, Value));
  }
  HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override {
    return log("GetRenderState(" + renderStateName(State) + ")", inner_->GetRenderState(State, pValue));
  }
  HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) override {
    return log("SetTexture(" + std::to_string(Stage) + ", " + nameOf(pTexture) + ")",
               inner_->SetTexture(Stage, pTexture));
  }
  HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) override {
    return log("GetTexture(" + std::to_string(Stage) + ")", inner_->GetTexture(Stage, ppTexture));
  }
  HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override {
    return log("SetTextureStageState(" + std::to_string(Stage) + ", " + textureStageStateName(Type) + ", " +
                   textureStageValueName(Type, Value) + ")",
               inner_->SetTextureStageState(Stage, Type, Value));
  }
  HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) override {
    return log("GetTextureStageState(" + std::to_string(Stage) + ", " + textureStageStateName(Type) + ")",
               inner_->GetTextureStageState(Stage, Type, pValue));
  }
  HRESULT SetVertexShader(DWORD Handle) override {
    return log("SetVertexShader(" + fvfName(Handle) + ")", inner_->SetVertexShader(Handle));
  }
  HRESULT GetVertexShader(DWORD* pHandle) override { return log("GetVertexShader()", inner_->GetVertexShader(pHandle)); }
  HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData, UINT Stride) override {
    return log("SetStreamSource(" + std::to_string(StreamNumber) + ", " + nameOf(pStreamData) + ", " +
                   std::to_string(Stride) + ")",
               inner_->SetStreamSource(StreamNumber, pStreamData, Stride));
  }
  HRESULT SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) override {
    return log("SetIndices(" + nameOf(pIndexData) + ", " + std::to_string(BaseVertexIndex) + ")",
               inner_->SetIndices(pIndexData, BaseVertexIndex));
  }
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) override {
    return log("DrawPrimitive(" + primitiveName(PrimitiveType) + ", " + std::to_string(StartVertex) + ", " +
                   std::to_string(PrimitiveCount) + ")",
               inner_->DrawPrimitive(PrimitiveType, StartVertex, PrimitiveCount));
  }
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT minIndex, UINT NumVertices, UINT startIndex,
                               UINT primCount) override {
    return log("DrawIndexedPrimitive(" + primitiveName(PrimitiveType) + ", " + std::to_string(minIndex) + ", " +
                   std::to_string(NumVertices) + ", " + std::to_string(startIndex) + ", " +
                   std::to_string(primCount) + ")",
               inner_->DrawIndexedPrimitive(PrimitiveType, minIndex, NumVertices, startIndex, primCount));
  }

 private:
  void emit(const std::string& line) {
    if (output_) output_(line);
  }
  HRESULT log(const std::string& call, HRESULT result) {
    emit(FAILED(result) ? call + " -> " + resultName(result) : call);
    return result;
  }
  std::string nameOf(IDirect3DResource8* resource) const {
    if (resource == nullptr) return "NULL";
    auto it = names_.find(resource);
    return it != names_.end() ? it->second : "unknown";
  }

  ULONG refCount_ = 1;
  IDirect3DDevice8* inner_;
  TraceOutput output_;
  // Names by address; an address reused by a later creation takes the new name.
  std::map<IDirect3DResource8*, std::string> names_;
  UINT textureCount_ = 0;
  UINT vertexBufferCount_ = 0;
  UINT indexBufferCount_ = 0;
};

TraceOutput gTrace;

}  // namespace

TraceOutput traceToFile(std::FILE* file) {
  return [file](const std::string& line) {
    std::fputs(line.c_str(), file);
    std::fputc('\n', file);
  };
}

TraceOutput traceToStream(std::ostream& stream) {
  return [&stream](const std::string& line) { stream << line << '\n'; };
}

TraceOutput traceToLines(std::vector<std::string>* lines) {
  return [lines](const std::string& line) { lines->push_back(line); };
}

IDirect3DDevice8* wrapWithTrace(IDirect3DDevice8* inner, TraceOutput output) {
  if (inner == nullptr) return nullptr;
  return new TracingDevice(inner, std::move(output));
}

void enableDeviceTrace(TraceOutput output) { gTrace = std::move(output); }

void disableDeviceTrace() { gTrace = nullptr; }

bool deviceTraceEnabled() { return static_cast<bool>(gTrace); }

void writeDeviceTrace(const std::string& line) {
  if (gTrace) gTrace(line);
}
