// Reads every data file whole into memory, in a fixed order, into fixed
// slots, then checks each one before anything parses it. Main thread only,
// at start-up.
#pragma once

#include <cstddef>
#include <string>

constexpr int kDataFileCount = 4;
constexpr int kMeshFileCount = 29;
constexpr int kFileLoadCount = 28;

// Image containers: 0 "data\tex.dat", 1 "data\alpha.dat",
// 2 "data\paimen1.dat", 3 "data\valpha.dat".
extern unsigned char* dataFiles[kDataFileCount];
// Mesh files by mesh slot (slots 7, 8, 9, 18 and 19 stay empty).
extern unsigned char* meshFiles[kMeshFileCount];
// Byte sizes of the loaded buffers (0 for an empty slot), for the readers
// that must stay inside them.
extern std::size_t dataFileSizes[kDataFileCount];
extern std::size_t meshFileSizes[kMeshFileCount];

// One row of the load order: the path as the system names it and the slot
// of dataFiles (isMesh false) or meshFiles (isMesh true) it fills.
struct FileLoad {
  const char* path;
  bool isMesh;
  int slot;
};
extern const FileLoad kFileLoads[kFileLoadCount];

// The path as this platform opens it: backslashes become '/'.
std::string platformPath(const char* path);

// Reads the file at `path` (backslashes are directory separators) into a new
// buffer of exactly its size, stored in `*out` with its size in `*size` (may
// be null). On failure shows a message box captioned with the path ("File
// not found!" when it can't be opened or isn't a regular file; the
// Windows-1252 "APUA P" + 7 × 0xC4 + "!!" when it is empty, can't be
// allocated or can't be read whole) and returns false, leaving `out` and
// `size` untouched.
bool loadWholeFile(const char* path, unsigned char** out, std::size_t* size = nullptr);

// initImageCodec, then the 28 loads in order, stopping at the first failure
// (a file larger than its format allows is refused from its size and first
// bytes, with a box naming the file, its size and the limit);
// then every container and mesh file is checked, and the first malformed one
// is refused with a message box captioned with its path that names the
// problem. 1 when everything is loaded and sound, else 0. Runs once per
// process (or after releaseLoadedFiles): a filled slot is not freed again.
int loadAllFiles();

// Frees every loaded buffer and empties the slots (tests; the presentation
// keeps its files to the end of the run).
void releaseLoadedFiles();
