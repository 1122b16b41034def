// A complete, small set of the presentation's data files for tests, written
// into a fresh temporary working directory: the four image containers
// (data/*.dat) and the 21 mesh files (ref/*.obu); not the music.
#pragma once

#include <string>

#include "common/mesh_writer.h"

// The mesh written for the `number`th distinct mesh file name (0..20): a
// quad of two triangles whose first vertex sits at (200 + number, -50, 3)
// with texture coordinate (0.25, 0.75) and normal (0, 0, 1).
MeshData smallMesh(int number);

// Writes the set into `directory` (created if needed). False with `error`.
bool writeSmallDataSet(const std::string& directory, std::string* error);

// Makes a new empty temporary directory the working directory for its
// lifetime; restores the previous one and removes the directory afterwards.
class ScopedWorkingDirectory {
 public:
  ScopedWorkingDirectory();
  ~ScopedWorkingDirectory();
  ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
  ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string previous_;
};
