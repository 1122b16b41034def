// A complete, small set of the presentation's data files for tests, written
// into a fresh temporary working directory: the four image containers
// (data/*.dat) and the 21 mesh files (ref/*.obu); not the music.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/mesh_writer.h"
#include "common/picture.h"

// A smooth deterministic picture: a gradient offset by `seed`.
Picture gradientPicture(int width, int height, int channels, int seed);

// The image container of `pictures`, each encoded as the data files hold them.
std::vector<std::uint8_t> containerOf(const std::vector<Picture>& pictures);

// The mesh written for the `number`th distinct mesh file name (0..20): a
// quad of two triangles whose first vertex sits at (200 + number, -50, 3)
// with texture coordinate (0.25, 0.75) and normal (0, 0, 1).
MeshData smallMesh(int number);

// One triangle (an odd triangle count: the packed layout) over three
// vertices; vertex 0 as smallMesh(0)'s, vertex 2's normal (0.6, 0.8, 0),
// indices 2, 0, 1.
MeshData triangleMesh();

// Writes the set into `directory` (created if needed). False with `error`.
bool writeSmallDataSet(const std::string& directory, std::string* error);

// The bytes of a file (empty when it cannot be read).
std::vector<std::uint8_t> readBytes(const std::string& path);

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
