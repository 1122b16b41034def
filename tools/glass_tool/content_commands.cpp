// glass-tool unpack, replace and check: working on a content folder the way
// someone making their own version does.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "codec/image_layout.h"
#include "common/picture.h"
#include "common/png_chunks.h"
#include "common/png_io.h"
#include "encoder/image_encoder.h"
#include "glass_tool/commands.h"

namespace fs = std::filesystem;

namespace {

int fail(const std::string& message) {
  std::fprintf(stderr, "glass-tool: %s\n", message.c_str());
  return 1;
}

std::string twoDigits(std::size_t index) {
  char number[24];
  std::snprintf(number, sizeof number, "%02zu", index);
  return number;
}

std::string sizeText(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

bool parseIndex(const char* text, long* index) {
  char* end = nullptr;
  *index = std::strtol(text, &end, 10);
  return *text != '\0' && *end == '\0';
}

}  // namespace

int runUnpack(int argc, char** argv) {
  if (argc != 3) return refuseUsage("unpack needs a container and a folder (usage: glass-tool unpack FILE.dat DIR)");
  const std::string path = argv[1];
  const fs::path folder = argv[2];
  std::vector<std::uint8_t> container;
  std::string error;
  if (!loadContainer(path, &container, &error)) return fail(error);
  std::error_code made;
  fs::create_directories(folder, made);
  if (made || !fs::is_directory(folder)) {
    return fail(folder.string() + ": cannot make the folder" + (made ? ": " + made.message() : ""));
  }
  const std::string stem = fs::path(path).stem().string();
  const std::vector<std::vector<std::uint8_t>> blocks = containerBlocks(container);
  std::string list = "# " + stem + ".dat as glass-tool unpack wrote it, one picture a line in the\n"
                     "# container's order; pack it again with\n"
                     "#   glass-tool pack OUT.dat --list " + stem + ".list\n";
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    Picture picture;
    if (!decodeToPicture(container, static_cast<int>(i), &picture)) {
      return fail(path + ": image " + std::to_string(i) + " does not decode");
    }
    std::vector<std::uint8_t> png;
    if (!writePngToMemory(picture, &png, &error) || !insertPngChunk(&png, kEncodedBlockChunk, blocks[i])) {
      return fail(path + ": image " + std::to_string(i) + ": cannot make its PNG: " + error);
    }
    const std::string name = stem + "-" + twoDigits(i) + ".png";
    const std::string out = (folder / name).string();
    if (!writeWholeFile(out, png, &error)) return fail(error);
    const bool grey = picture.channels == 1;
    list += std::string(grey ? "grey " : "colour ") + name + "\n";
    std::printf("%s: image %zu, %s %s\n", out.c_str(), i, sizeText(picture.width, picture.height).c_str(),
                grey ? "grey" : "colour");
  }
  const std::string listPath = (folder / (stem + ".list")).string();
  if (!writeWholeFile(listPath, std::vector<std::uint8_t>(list.begin(), list.end()), &error)) return fail(error);
  std::printf("%s: the list of the %zu pictures; after editing some, pack them again with\n"
              "  glass-tool pack %s --list %s\n",
              listPath.c_str(), blocks.size(), path.c_str(), listPath.c_str());
  return 0;
}

int runReplace(int argc, char** argv) {
  const char* kForm = " (usage: glass-tool replace FILE.dat INDEX IN.png)";
  if (argc != 4) return refuseUsage(std::string("replace needs a container, an image number and a picture") + kForm);
  long index = 0;
  if (!parseIndex(argv[2], &index)) return refuseUsage(std::string("replace: INDEX '") + argv[2] + "' is not a number" + kForm);
  const std::string path = argv[1];
  std::vector<std::uint8_t> container;
  std::string error;
  if (!loadContainer(path, &container, &error)) return fail(error);
  std::vector<std::vector<std::uint8_t>> blocks = containerBlocks(container);
  if (index < 0 || index >= static_cast<long>(blocks.size())) {
    return fail(path + ": no image " + argv[2] + " (the container holds " + std::to_string(blocks.size()) +
                ", numbered from 0)");
  }
  Picture old;
  if (!decodeToPicture(container, static_cast<int>(index), &old)) return fail(path + ": image " + argv[2] + " does not decode");
  // The replacement keeps the kind of the image it replaces: a grey mask
  // stays one channel.
  const bool grey = old.channels == 1;
  std::vector<std::uint8_t> block;
  std::string note;
  if (!blockForPicture(argv[3], grey, &block, &note, &error)) return fail(error);
  std::printf("%s\n", note.c_str());
  Picture replacement;
  if (readPng(argv[3], &replacement, nullptr) && (replacement.width != old.width || replacement.height != old.height)) {
    std::fprintf(stderr, "glass-tool: note: %s is %s, the image it replaces was %s (glass-tool check says how it is shown)\n",
                 argv[3], sizeText(replacement.width, replacement.height).c_str(), sizeText(old.width, old.height).c_str());
  }
  blocks[static_cast<std::size_t>(index)] = std::move(block);
  if (!writeWholeFile(path, packContainer(blocks), &error)) return fail(error);
  std::printf("%s: image %ld replaced (%zu images)\n", path.c_str(), index, blocks.size());
  return 0;
}
