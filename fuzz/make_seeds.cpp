// Writes the small seed corpora of the fuzz targets into fuzz/corpus/NAME/:
// a few valid inputs each, made by the same writers the content kit uses,
// so the fuzzer starts from files that reach deep into each reader.
//   glass-fuzz-seeds CORPUS_DIR
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/mesh_writer.h"
#include "image_encoder.h"
#include "support/xm_writer.h"

namespace fs = std::filesystem;

namespace {

bool save(const fs::path& folder, const std::string& name, const std::vector<std::uint8_t>& bytes) {
  fs::create_directories(folder);
  std::ofstream out(folder / name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

// A smooth gradient with a bright square: cells of every kind get used.
Picture testPicture(int width, int height, int channels) {
  Picture picture{width, height, channels, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool square = x > width / 4 && x < width / 2 && y > height / 4 && y < height / 2;
      for (int c = 0; c < channels; ++c) {
        picture.pixels.push_back(static_cast<std::uint8_t>(square ? 250 : (x * 7 + y * 3 + c * 60) & 0xFF));
      }
    }
  }
  return picture;
}

std::vector<std::uint8_t> encoded(const Picture& picture) {
  std::vector<std::uint8_t> block;
  std::string error;
  if (!encodeImage(picture, &block, &error)) std::fprintf(stderr, "glass-fuzz-seeds: %s\n", error.c_str());
  return block;
}

MeshData triangle() {
  MeshData mesh;
  mesh.positions = {-1, -1, 0, 1, -1, 0, 0, 1, 0};
  mesh.normals = {0, 0, -1, 0, 0, -1, 0, 0, -1};
  mesh.texcoords = {0, 1, 1, 1, 0.5f, 0};
  mesh.indices = {0, 2, 1};
  return mesh;
}

MeshData quad() {
  MeshData mesh;
  mesh.positions = {-2, -1, 1, 2, -1, 1, 2, 1, 3, -2, 1, 3};
  mesh.normals = {0, 0.7f, -0.7f, 0, 0.7f, -0.7f, 0, 0.7f, -0.7f, 0, 0.7f, -0.7f};
  mesh.texcoords = {0, 0, 1, 0, 1, 1, 0, 1};
  mesh.indices = {0, 3, 2, 0, 2, 1};
  return mesh;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: glass-fuzz-seeds CORPUS_DIR\n");
    return 2;
  }
  const fs::path root = argv[1];
  const auto colour = encoded(testPicture(16, 16, 3));
  const auto grey = encoded(testPicture(32, 8, 1));
  bool ok = save(root / "image_block", "colour_16x16", colour) && save(root / "image_block", "grey_32x8", grey);
  ok = ok && save(root / "container", "two_images", packContainer({colour, grey}));
  ok = ok && save(root / "container", "one_image", packContainer({grey}));

  ok = ok && save(root / "mesh", "triangle", encodeMeshFile(triangle())) &&
       save(root / "mesh", "quad", encodeMeshFile(quad()));

  ok = ok && save(root / "obj_import", "triangle",
                  bytesOf("# one triangle\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\nvn 0 0 1\n"
                          "f 1/1/1 2/2/1 3/3/1\n"));
  ok = ok && save(root / "obj_import", "quad_negative",
                  bytesOf("o quad\nv -1 -1 0 1\nv 1 -1 0\nv 1 1 0\nv -1 1 0\nvt 0 0 0\nvt 1 1\nvn 0 0 -1\n"
                          "usemtl none\ns off\nf -4/-2/-1 -3/-1/-1 -2/-1/-1 -1/-2/-1\n"));

  const std::vector<std::vector<std::string>> commandLines = {
      {"--capture", "out.mp4", "--fps", "50", "--max-seconds", "2.5"},
      {"--window", "--scale=3", "--no-vsync", "--verbose"},
      {"--bench", "--max-seconds=1e3", "--data", "content"},
      {"--contact-sheet", "sheet.png", "--fps=8", "--trace", "t.txt"},
  };
  int n = 0;
  for (const auto& line : commandLines) {
    std::vector<std::uint8_t> bytes;  // arguments separated by NUL bytes
    for (const std::string& argument : line) {
      if (!bytes.empty()) bytes.push_back(0);
      bytes.insert(bytes.end(), argument.begin(), argument.end());
    }
    ok = ok && save(root / "options", "line" + std::to_string(++n), bytes);
  }

  TestXmLayout small;
  small.orders = 2;
  small.rowsPerPattern = 8;
  ok = ok && save(root / "xm", "two_orders", makeTestXm(small));
  small.orders = 3;
  small.speed = 6;
  small.bpm = 125;
  small.restartPosition = 1;
  ok = ok && save(root / "xm", "restart", makeTestXm(small));
  if (!ok) {
    std::fprintf(stderr, "glass-fuzz-seeds: cannot write the corpora under %s\n", root.c_str());
    return 1;
  }
  return 0;
}
