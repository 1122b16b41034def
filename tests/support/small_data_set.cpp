#include "support/small_data_set.h"

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

#include "assets/file_loading.h"
#include "common/picture.h"
#include "encoder/image_encoder.h"
#include "support/xm_writer.h"

Picture gradientPicture(int width, int height, int channels, int seed) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.channels = channels;
  picture.pixels.resize(std::size_t(width) * height * channels);
  std::size_t at = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < channels; ++c) {
        picture.pixels[at++] = std::uint8_t((x * 255 / width + y * 64 / height + 40 * c + 17 * seed) & 0xFF);
      }
    }
  }
  return picture;
}

std::vector<std::uint8_t> containerOf(const std::vector<Picture>& pictures) {
  std::vector<std::vector<std::uint8_t>> blocks;
  for (const Picture& picture : pictures) {
    std::string error;
    blocks.emplace_back();
    encodeImage(picture, &blocks.back(), &error);
  }
  return packContainer(blocks);
}

MeshData smallMesh(int number) {
  MeshData mesh;
  const float x = 200.0f + float(number);
  mesh.positions = {x, -50, 3, x + 10, -50, 3, x + 10, -40, 3, x, -40, 3};
  mesh.normals = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
  mesh.texcoords = {0.25f, 0.75f, 1, 0.75f, 1, 1, 0.25f, 1};
  mesh.indices = {0, 1, 2, 0, 2, 3};
  return mesh;
}

MeshData triangleMesh() {
  MeshData mesh;
  mesh.positions = {200, -50, 3, 1, 2, 3, 4, 5, 6};
  mesh.normals = {0, 0, 1, 0, 1, 0, 0.6f, 0.8f, 0};
  mesh.texcoords = {0.25f, 0.75f, 0.5f, 0.125f, 1, 1};
  mesh.indices = {2, 0, 1};
  return mesh;
}

bool writeSmallDataSet(const std::string& directory, std::string* error) {
  namespace fs = std::filesystem;
  const fs::path root(directory);
  std::error_code ec;
  fs::create_directories(root / "data", ec);
  fs::create_directories(root / "ref", ec);

  std::vector<Picture> stills;
  for (int i = 0; i < 11; ++i) stills.push_back(gradientPicture(32, 32, 3, i));
  const std::vector<Picture> alphas = {gradientPicture(32, 32, 1, 0), gradientPicture(32, 32, 1, 1)};
  const std::vector<Picture> frames = {gradientPicture(128, 128, 3, 0), gradientPicture(128, 128, 3, 5)};
  const std::vector<Picture> mask = {gradientPicture(128, 128, 1, 2)};
  using Named = std::pair<const char*, const std::vector<Picture>*>;
  for (const auto& [name, pictures] : {Named{"data/tex.dat", &stills}, Named{"data/alpha.dat", &alphas},
                                       Named{"data/paimen1.dat", &frames}, Named{"data/valpha.dat", &mask}}) {
    if (!writeBytes((root / name).string(), containerOf(*pictures))) {
      *error = "can't write " + (root / name).string();
      return false;
    }
  }

  std::set<std::string> written;
  int number = 0;
  for (const FileLoad& load : kFileLoads) {
    if (!load.isMesh || !written.insert(load.path).second) continue;
    const std::string path = (root / platformPath(load.path)).string();
    if (!writeMeshFile(path, smallMesh(number++), error)) return false;
  }
  return true;
}

std::vector<std::uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

ScopedWorkingDirectory::ScopedWorkingDirectory() {
  std::error_code ec;
  previous_ = std::filesystem::current_path(ec).string();
  std::string pattern = (std::filesystem::temp_directory_path(ec) / "glass-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) != nullptr) {
    path_ = pattern;
    std::filesystem::current_path(path_, ec);
  }
}

ScopedWorkingDirectory::~ScopedWorkingDirectory() {
  std::error_code ec;
  std::filesystem::current_path(previous_, ec);
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}
