// glass-tool's image commands: pack, info, decode, and the helpers unpack,
// replace and check share with them.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "codec/colour_table.h"
#include "codec/container_check.h"
#include "codec/huffman_decoder.h"
#include "codec/image_decoder.h"
#include "codec/image_layout.h"
#include "codec/texel_conversion.h"
#include "common/png_io.h"
#include "encoder/image_encoder.h"
#include "assets/file_size_rules.h"
#include "glass_tool/commands.h"
#include "common/png_chunks.h"

namespace {

int fail(const std::string& message) {
  std::fprintf(stderr, "glass-tool: %s\n", message.c_str());
  return 1;
}

// A wrong use of a command: the problem and the command's form on one line.
int usage(const std::string& problem, const char* form) {
  return refuseUsage(problem + " (usage: glass-tool " + form + ")");
}

}  // namespace

// A picture as the encoder should see it: RGB for colour images, one grey
// channel (BT.601 luminance of colour input) for one-channel images.
Picture forEncoding(const Picture& in, bool grey) {
  Picture out;
  out.width = in.width;
  out.height = in.height;
  out.channels = grey ? 1 : 3;
  const std::size_t count = static_cast<std::size_t>(in.width) * in.height;
  out.pixels.reserve(count * out.channels);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* p = &in.pixels[i * in.channels];
    if (grey) {
      out.pixels.push_back(in.channels == 1
                               ? p[0]
                               : static_cast<std::uint8_t>(std::lround(0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2])));
    } else if (in.channels == 1) {
      out.pixels.insert(out.pixels.end(), {p[0], p[0], p[0]});
    } else {
      out.pixels.insert(out.pixels.end(), {p[0], p[1], p[2]});
    }
  }
  return out;
}

std::uint32_t readU32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

bool loadContainer(const std::string& path, std::vector<std::uint8_t>* bytes, std::string* error) {
  const SizeRule rule = containerFileSizeRule();
  if (!readWholeFile(path, bytes, error, rule)) return false;
  std::string problem;
  if (!checkContainer(bytes->data(), bytes->size(), &problem)) {
    // A problem before the first image means the file's table is no
    // container's table: most likely some other kind of file.
    const bool inAnImage = problem.rfind("image ", 0) == 0;
    *error = path + (inAnImage ? ": " + problem : ": not an image container (" + problem + ")");
    return false;
  }
  return true;
}

std::vector<std::vector<std::uint8_t>> containerBlocks(const std::vector<std::uint8_t>& container) {
  const std::uint32_t entries = readU32(container.data());
  const std::size_t dataStart = 4 + 4 * std::size_t{entries};
  std::vector<std::vector<std::uint8_t>> blocks;
  for (std::uint32_t i = 0; i + 1 < entries; ++i) {
    const std::uint32_t start = readU32(&container[4 + 4 * i]);
    const std::uint32_t end = readU32(&container[8 + 4 * i]);
    blocks.emplace_back(container.begin() + static_cast<std::ptrdiff_t>(dataStart + start),
                        container.begin() + static_cast<std::ptrdiff_t>(dataStart + end));
  }
  return blocks;
}

bool decodeToPicture(const std::vector<std::uint8_t>& container, int index, Picture* out) {
  if (initImageCodec() != 1) return false;
  if (decodeContainerImageSized(container.data(), container.size(), index) != index || indexOutOfRange) return false;
  const int width = decodedWidth, height = decodedHeight, channels = decodedChannels;
  const std::size_t pixels = static_cast<std::size_t>(width) * height;
  out->width = width;
  out->height = height;
  out->channels = channels == 3 ? 3 : 1;
  out->pixels.clear();
  if (channels == 3) {
    // As the texture holds it: the texels' B, G, R back in R, G, B order.
    std::vector<std::uint8_t> texels(pixels * 4);
    convertToTexels(imageScratch, texels.data(), width * 4, width, height);
    out->pixels.reserve(pixels * 3);
    for (std::size_t i = 0; i < pixels; ++i) {
      out->pixels.insert(out->pixels.end(), {texels[i * 4 + 2], texels[i * 4 + 1], texels[i * 4]});
    }
  } else {
    out->pixels.assign(imageScratch, imageScratch + pixels);
  }
  return true;
}

bool blockForPicture(const std::string& path, bool grey, std::vector<std::uint8_t>* block, std::string* note,
                     std::string* error) {
  std::vector<std::uint8_t> bytes;
  if (!readWholeFile(path, &bytes, error, fixedSizeLimit(kMaxPngFileBytes, "a PNG file may be"))) return false;
  Picture picture;
  if (!readPngFromMemory(bytes, &picture, error, kMaxImageSide, path)) return false;
  const Picture wanted = forEncoding(picture, grey);
  // A picture glass-tool unpack wrote carries the block it came from: when
  // its pixels are still what that block decodes to, the block is taken as
  // it is, and the container comes out byte for byte as it was.
  std::vector<std::uint8_t> kept;
  if (findPngChunk(bytes, kEncodedBlockChunk, &kept)) {
    const std::vector<std::uint8_t> single = packContainer({kept});
    std::string problem;
    Picture decoded;
    if (checkContainer(single.data(), single.size(), &problem) && decodeToPicture(single, 0, &decoded) &&
        decoded.width == wanted.width && decoded.height == wanted.height && decoded.channels == wanted.channels &&
        decoded.pixels == wanted.pixels) {
      *block = std::move(kept);
      *note = path + ": " + std::to_string(wanted.width) + "x" + std::to_string(wanted.height) + " " +
              (grey ? "grey" : "colour") + ", unchanged since unpack: its block is kept as it was";
      return true;
    }
  }
  EncodeStats stats;
  if (!encodeImage(wanted, block, error, &stats)) {
    *error = path + ": " + *error;
    return false;
  }
  char line[512];
  std::snprintf(line, sizeof line, "%s: %dx%d %s, luma %s%dx%d, chroma %dx%d, shift %d, details %d/%d, stream %d, block %d",
                path.c_str(), stats.width, stats.height, grey ? "grey" : "colour",
                stats.lumaCellWidth == 0 ? "raw " : "cell ", stats.lumaCellWidth, stats.lumaCellHeight,
                stats.chromaCellWidth, stats.chromaCellHeight, stats.residualShift, stats.detailCells,
                stats.lumaCells, stats.decodedBytes, stats.blockBytes);
  *note = line;
  return true;
}

namespace {

// A list written by unpack: "# comments", then one "colour FILE.png" or
// "grey FILE.png" a line, the paths relative to the list's folder.
bool readPictureList(const std::string& listPath, std::vector<std::pair<std::string, bool>>* entries,
                     std::string* error) {
  std::vector<std::uint8_t> bytes;
  if (!readWholeFile(listPath, &bytes, error, fixedSizeLimit(1u << 20, "a picture list may be"))) return false;
  const std::filesystem::path folder = std::filesystem::path(listPath).parent_path();
  std::istringstream in(std::string(bytes.begin(), bytes.end()));
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const std::size_t space = line.find(' ');
    const std::string kind = line.substr(0, space);
    if (space == std::string::npos || (kind != "colour" && kind != "grey") || space + 1 >= line.size()) {
      *error = listPath + ":" + std::to_string(number) + ": wants \"colour FILE.png\" or \"grey FILE.png\", not '" +
               line + "'";
      return false;
    }
    const std::filesystem::path picture = line.substr(space + 1);
    entries->emplace_back((picture.is_absolute() ? picture : folder / picture).string(), kind == "grey");
  }
  if (entries->empty()) {
    *error = listPath + ": lists no pictures";
    return false;
  }
  return true;
}

}  // namespace

int runPack(int argc, char** argv) {
  const char* kUsage = "pack OUT.dat [--grey] IN.png... | pack OUT.dat --list FILE.list";
  bool grey = false;
  std::string listPath;
  std::vector<std::string> paths;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--grey") == 0) {
      grey = true;
    } else if (std::strcmp(argv[i], "--list") == 0) {
      if (i + 1 >= argc) return usage("pack: --list needs a list file", kUsage);
      listPath = argv[++i];
    } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
      return usage(std::string("pack: unknown option '") + argv[i] + "'", kUsage);
    } else {
      paths.push_back(argv[i]);
    }
  }
  if (paths.empty()) return usage("pack needs OUT.dat and its pictures", kUsage);
  if (!listPath.empty() && (paths.size() > 1 || grey)) {
    return usage("pack: --list names the pictures and their kinds; give no others and no --grey", kUsage);
  }
  if (listPath.empty() && paths.size() < 2) return usage("pack needs OUT.dat and at least one picture", kUsage);
  std::vector<std::pair<std::string, bool>> entries;
  std::string error;
  if (!listPath.empty()) {
    if (!readPictureList(listPath, &entries, &error)) return fail(error);
  } else {
    for (std::size_t i = 1; i < paths.size(); ++i) entries.emplace_back(paths[i], grey);
  }
  std::vector<std::vector<std::uint8_t>> blocks;
  for (const auto& [path, entryGrey] : entries) {
    std::vector<std::uint8_t> block;
    std::string note;
    if (!blockForPicture(path, entryGrey, &block, &note, &error)) return fail(error);
    std::printf("%s\n", note.c_str());
    blocks.push_back(std::move(block));
  }
  if (!writeWholeFile(paths[0], packContainer(blocks), &error)) return fail(error);
  std::printf("%s: %zu images\n", paths[0].c_str(), blocks.size());
  return 0;
}

int runInfo(int argc, char** argv) {
  if (argc != 2) return usage("info takes one container", "info FILE.dat");
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (!loadContainer(argv[1], &bytes, &error)) return fail(error);
  const std::uint32_t entries = readU32(bytes.data());
  const std::size_t dataStart = 4 + 4 * std::size_t{entries};
  std::printf("%s: %u images, %zu bytes\n", argv[1], entries - 1, bytes.size());
  HuffmanDecoder decoder;
  std::vector<unsigned char> stream(kDecodedStreamBytes);
  for (std::uint32_t i = 0; i + 1 < entries; ++i) {
    const std::uint32_t start = readU32(&bytes[4 + 4 * i]);
    const std::uint32_t end = readU32(&bytes[8 + 4 * i]);
    decoder.attachBlock(bytes.data() + dataStart + start, end - start);
    const int written = decoder.decodeInto(stream.data(), kDecodedStreamBytes);
    ImageLayout l;
    readImageLayout(stream.data(), written, &l);  // sound: checked above
    std::printf("  %u: %dx%d %s, luma ", i, l.width, l.height, l.oneChannel ? "grey" : "colour");
    if (l.lumaCellWidth == 0) {
      std::printf("raw");
    } else {
      std::printf("cell %dx%d, details %d/%d, shift %d", l.lumaCellWidth, l.lumaCellHeight, l.detailCells,
                  (l.width / l.lumaCellWidth) * (l.height / l.lumaCellHeight), l.residualShift);
    }
    if (!l.oneChannel) std::printf(", chroma cell %dx%d", l.chromaCellWidth, l.chromaCellHeight);
    if (!l.verticalInterpolation) std::printf(", no vertical interpolation");
    std::printf(", block %u, stream %d bytes\n", end - start, written);
  }
  return 0;
}

int runDecode(int argc, char** argv) {
  const char* kUsage = "decode FILE.dat INDEX [--raw OUT] [--texels OUT] [--png OUT]";
  if (argc < 3) return usage("decode needs a container and an image number", kUsage);
  std::string rawPath, texelPath, pngPath;
  for (int i = 3; i < argc; ++i) {
    std::string* target = nullptr;
    if (std::strcmp(argv[i], "--raw") == 0) target = &rawPath;
    if (std::strcmp(argv[i], "--texels") == 0) target = &texelPath;
    if (std::strcmp(argv[i], "--png") == 0) target = &pngPath;
    if (target == nullptr || i + 1 >= argc) {
      return usage(std::string("decode: unknown or incomplete option '") + argv[i] + "'", kUsage);
    }
    *target = argv[++i];
  }
  char* end = nullptr;
  const long index = std::strtol(argv[2], &end, 10);
  if (*argv[2] == '\0' || *end != '\0') {
    return usage(std::string("decode: INDEX '") + argv[2] + "' is not a number", kUsage);
  }
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (!loadContainer(argv[1], &bytes, &error)) return fail(error);
  const int count = imageCount(bytes.data());
  if (index < 0 || index >= count) {
    return fail(std::string(argv[1]) + ": no image " + argv[2] + " (the container holds " +
                std::to_string(count) + ")");
  }
  if (initImageCodec() != 1) return fail("out of memory");
  decodeContainerImageSized(bytes.data(), bytes.size(), static_cast<int>(index));
  const int width = decodedWidth, height = decodedHeight, channels = decodedChannels;
  const std::size_t pixels = static_cast<std::size_t>(width) * height;
  std::printf("%d %d %d\n", width, height, channels);

  if (!rawPath.empty()) {
    // As the scratch buffer holds it, with the never-written byte 3 as 0.
    std::vector<std::uint8_t> raw(imageScratch, imageScratch + pixels * (channels == 3 ? 4 : 1));
    if (channels == 3) {
      for (std::size_t i = 0; i < pixels; ++i) raw[i * 4 + 3] = 0;
    }
    if (!writeWholeFile(rawPath, raw, &error)) return fail(error);
  }
  std::vector<std::uint8_t> texels;
  if (channels == 3) {
    texels.resize(pixels * 4);
    convertToTexels(imageScratch, texels.data(), width * 4, width, height);
  }
  if (!texelPath.empty()) {
    if (channels != 3) return fail(std::string(argv[1]) + ": image " + argv[2] + " has one channel, no texels");
    if (!writeWholeFile(texelPath, texels, &error)) return fail(error);
  }
  if (!pngPath.empty()) {
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.channels = channels == 3 ? 3 : 1;
    if (channels == 3) {
      for (std::size_t i = 0; i < pixels; ++i) {
        picture.pixels.insert(picture.pixels.end(), {texels[i * 4 + 2], texels[i * 4 + 1], texels[i * 4]});
      }
    } else {
      picture.pixels.assign(imageScratch, imageScratch + pixels);
    }
    if (!writePng(pngPath, picture, &error)) return fail(error);
  }
  return 0;
}
