// Reads every data file whole into memory, in a fixed order, into fixed
// slots. Main thread only, at start-up.
#pragma once

#include <cstddef>

constexpr int kDataFileCount = 4;
constexpr int kMeshFileCount = 29;

// Image containers: 0 "data\tex.dat", 1 "data\alpha.dat",
// 2 "data\paimen1.dat", 3 "data\valpha.dat".
extern unsigned char* dataFiles[kDataFileCount];
// Mesh files by mesh slot (slots 7, 8, 9, 18 and 19 stay empty).
extern unsigned char* meshFiles[kMeshFileCount];

// Reads the file at `path` (backslashes are directory separators) into a new
// buffer of exactly its size. On failure shows a message box captioned with
// the path and returns false, leaving `out` untouched.
bool loadWholeFile(const char* path, unsigned char** out);

// initImageCodec, then the 28 loads in order; 1 when all succeed, else 0.
int loadAllFiles();
