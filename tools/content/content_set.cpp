// Generates the content set, checks every file with the presentation's own
// soundness checks, and writes it out.
#include "content/content_set.h"

#include <cstdio>
#include <filesystem>
#include <string>

#include "assets/mesh_file.h"
#include "codec/container_check.h"
#include "common/png_io.h"
#include "content/content_meshes.h"
#include "content/content_pictures.h"
#include "content/song_composer.h"
#include "content/xm_writer.h"
#include "encoder/image_encoder.h"
#include "platform/os/output_file.h"

namespace {

bool addSong(std::vector<ContentFile>* files, std::string* error) {
  ContentFile file{"track.xm", {}};
  std::string problem;
  if (!encodeXmModule(composeSong(), &file.bytes, &problem)) {
    *error = "track.xm: " + problem;
    return false;
  }
  files->push_back(std::move(file));
  return true;
}

bool addMeshes(std::vector<ContentFile>* files, std::string* error) {
  std::vector<NamedMesh> meshes = buildRoomMeshes();
  for (auto* build : {buildSculptureMeshes, buildIslandMeshes, buildHouseMeshes})
    for (NamedMesh& m : build()) meshes.push_back(std::move(m));
  for (const NamedMesh& m : meshes) {
    ContentFile file{"ref/" + m.name + ".obu", encodeMeshFile(m.mesh)};
    std::string problem;
    if (file.bytes.empty() || !checkMeshFile(file.bytes.data(), file.bytes.size(), &problem)) {
      *error = file.path + ": " + (problem.empty() ? "mesh refused by the writer" : problem);
      return false;
    }
    files->push_back(std::move(file));
  }
  return true;
}

// CONTAINER-INDEX-NAME.png with a two-digit index, so that a shell's
// sorted "tex-*.png" lists the pictures in the container's order.
std::string previewName(const std::string& container, std::size_t index, const std::string& name) {
  char number[24];
  std::snprintf(number, sizeof number, "%02zu", index);
  return container + "-" + number + "-" + name + ".png";
}

bool addContainer(const std::string& path, const std::vector<NamedPicture>& pictures,
                  const ContentOptions& options, std::vector<ContentFile>* files, std::string* error) {
  if (pictures.empty()) {
    if (error->empty()) *error = path + ": no pictures";
    return false;
  }
  std::vector<std::vector<std::uint8_t>> blocks;
  const std::string stem = std::filesystem::path(path).stem().string();
  for (const NamedPicture& p : pictures) {
    std::vector<std::uint8_t> block;
    std::string problem;
    if (!encodeImage(p.picture, &block, &problem)) {
      *error = path + ", " + p.name + ": " + problem;
      return false;
    }
    blocks.push_back(std::move(block));
    if (!options.previewDir.empty() &&
        !writePng((std::filesystem::path(options.previewDir) / previewName(stem, blocks.size() - 1, p.name)).string(),
                  p.picture, &problem)) {
      *error = problem;
      return false;
    }
  }
  ContentFile file{path, packContainer(blocks)};
  std::string problem;
  if (!checkContainer(file.bytes.data(), file.bytes.size(), &problem)) {
    *error = path + ": " + problem;
    return false;
  }
  files->push_back(std::move(file));
  return true;
}

}  // namespace

bool generateContentSet(const ContentOptions& options, std::vector<ContentFile>* files,
                        std::string* error) {
  files->clear();
  error->clear();
  if (!options.previewDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(options.previewDir, ec);
  }
  return addSong(files, error) && addMeshes(files, error) &&
         addContainer("data/tex.dat", buildTexturePictures(error), options, files, error) &&
         addContainer("data/alpha.dat", buildAlphaPictures(error), options, files, error) &&
         addContainer("data/paimen1.dat", buildAnimationFrames(), options, files, error) &&
         addContainer("data/valpha.dat", buildPanelMask(), options, files, error);
}

bool writeContentSet(const std::string& outDir, const ContentOptions& options, std::string* error,
                     ContentWritten* written) {
  std::vector<ContentFile> files;
  if (!generateContentSet(options, &files, error)) return false;
  for (const ContentFile& file : files) {
    const std::filesystem::path path = std::filesystem::path(outDir) / file.path;
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (ec) {
      *error = "cannot create " + path.parent_path().string() + ": " + ec.message();
      return false;
    }
    if (!writeOutputFile(path.string(), file.bytes, error)) return false;
    if (written) {
      ++written->files;
      written->bytes += file.bytes.size();
    }
  }
  return true;
}
