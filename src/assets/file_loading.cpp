// Reading the data files whole into their slots, and checking them before the
// decoders and the mesh builder trust their counts.
#include "assets/file_loading.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "assets/file_size_rules.h"
#include "assets/mesh_file.h"
#include "codec/colour_table.h"
#include "codec/container_check.h"
#include "platform/os/regular_file.h"
#include "platform/os/win32.h"

unsigned char* dataFiles[kDataFileCount] = {};
unsigned char* meshFiles[kMeshFileCount] = {};
std::size_t dataFileSizes[kDataFileCount] = {};
std::size_t meshFileSizes[kMeshFileCount] = {};

const FileLoad kFileLoads[kFileLoadCount] = {
    {"data\\tex.dat", false, 0},        {"data\\alpha.dat", false, 1},
    {"data\\paimen1.dat", false, 2},    {"data\\valpha.dat", false, 3},
    {"ref\\isomies.obu", true, 0},      {"ref\\piru.obu", true, 1},
    {"ref\\huone.obu", true, 2},        {"ref\\rectangle0.obu", true, 3},
    {"ref\\rectangle1.obu", true, 4},   {"ref\\rectangle2.obu", true, 5},
    {"ref\\imkeha.obu", true, 6},       {"ref\\AK.obu", true, 10},
    {"ref\\vapaus.obu", true, 11},      {"ref\\isomies.obu", true, 12},
    {"ref\\imkeha.obu", true, 13},      {"ref\\piru.obu", true, 14},
    {"ref\\taivas.obu", true, 15},      {"ref\\saari.obu", true, 16},
    {"ref\\vesi.obu", true, 17},        {"ref\\talo.obu", true, 20},
    {"ref\\ChamferBo0.obu", true, 21},  {"ref\\ChamferBo1.obu", true, 22},
    {"ref\\ChamferBo2.obu", true, 23},  {"ref\\ChamferBox.obu", true, 24},
    {"ref\\screen00.obu", true, 25},    {"ref\\screen01.obu", true, 26},
    {"ref\\screen02.obu", true, 27},    {"ref\\screen03.obu", true, 28},
};

namespace {

constexpr const char* kFileNotFound = "File not found!";
// "APUA PÄÄÄÄÄÄÄ!!" in Windows-1252: seven bytes 0xC4.
constexpr const char* kCannotLoad = "APUA P\xC4\xC4\xC4\xC4\xC4\xC4\xC4!!";

bool refuse(const char* path, const char* text) {
  MessageBoxA(nullptr, text, path, MB_OK);
  return false;
}

unsigned char*& slotBuffer(const FileLoad& load) {
  return load.isMesh ? meshFiles[load.slot] : dataFiles[load.slot];
}

std::size_t& slotSize(const FileLoad& load) {
  return load.isMesh ? meshFileSizes[load.slot] : dataFileSizes[load.slot];
}

// Checks one loaded file; on a malformed one shows the box and returns false.
bool checkLoadedFile(const FileLoad& load) {
  const unsigned char* data = slotBuffer(load);
  const std::size_t size = slotSize(load);
  std::string problem;
  const bool sound = load.isMesh ? checkMeshFile(data, size, &problem)
                                 : checkContainer(data, size, &problem);
  if (sound) return true;
  const std::string text = std::string(load.isMesh ? "Malformed mesh file " : "Malformed image container ") +
                           load.path + ": " + problem;
  return refuse(load.path, text.c_str());
}

// Files larger than their format allows are refused from their size and
// head before anything is read.
SizeRule sizeRuleFor(const FileLoad& load) { return load.isMesh ? meshFileSizeRule() : containerFileSizeRule(); }

bool loadFile(const char* path, const SizeRule& rule, const char* kind, unsigned char** out, std::size_t* size) {
  // Only regular files: a directory has no bytes to give, and a FIFO or a
  // device would block start-up or never end.
  std::vector<unsigned char> bytes;
  const FileReadResult read = readRegularFile(platformPath(path), bytes, rule);
  if (read.status == FileReadStatus::kMissing || read.status == FileReadStatus::kNotRegular) {
    return refuse(path, kFileNotFound);
  }
  if (read.status == FileReadStatus::kTooLarge) {
    return refuse(path, (std::string(kind) + path + ": " + read.reason).c_str());
  }
  if (!read.ok() || bytes.empty()) return refuse(path, kCannotLoad);
  auto* buffer = static_cast<unsigned char*>(std::malloc(bytes.size()));
  if (!buffer) return refuse(path, kCannotLoad);
  std::memcpy(buffer, bytes.data(), bytes.size());
  *out = buffer;
  if (size) *size = bytes.size();
  return true;
}

}  // namespace

std::string platformPath(const char* path) {
  std::string mapped(path);
  for (char& c : mapped) {
    if (c == '\\') c = '/';
  }
  return mapped;
}

bool loadWholeFile(const char* path, unsigned char** out, std::size_t* size) {
  return loadFile(path, {}, "", out, size);
}

int loadAllFiles() {
  if (initImageCodec() != 1) return 0;
  for (const FileLoad& load : kFileLoads) {
    const char* kind = load.isMesh ? "Mesh file too large " : "Image container too large ";
    if (!loadFile(load.path, sizeRuleFor(load), kind, &slotBuffer(load), &slotSize(load))) return 0;
  }
  for (const FileLoad& load : kFileLoads) {
    if (!checkLoadedFile(load)) return 0;
  }
  return 1;
}

void releaseLoadedFiles() {
  for (int i = 0; i < kDataFileCount; ++i) {
    std::free(dataFiles[i]);
    dataFiles[i] = nullptr;
    dataFileSizes[i] = 0;
  }
  for (int i = 0; i < kMeshFileCount; ++i) {
    std::free(meshFiles[i]);
    meshFiles[i] = nullptr;
    meshFileSizes[i] = 0;
  }
}
