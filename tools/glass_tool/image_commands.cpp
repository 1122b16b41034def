// glass-tool's image commands: pack, info, decode.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
#include "glass_tool/commands.h"

namespace {

int fail(const std::string& message) {
  std::fprintf(stderr, "glass-tool: %s\n", message.c_str());
  return 1;
}

int usage(const char* text) {
  std::fprintf(stderr, "usage: glass-tool %s\n", text);
  return 2;
}

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
  const SizeRule rule = [](const unsigned char* head, std::size_t headBytes) {
    SizeLimit limit;
    limit.bytes = containerSizeLimit(head, headBytes, &limit.what);
    return limit;
  };
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

}  // namespace

int runPack(int argc, char** argv) {
  const char* kUsage = "pack OUT.dat [--grey] IN.png...";
  bool grey = false;
  std::vector<std::string> paths;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--grey") == 0) {
      grey = true;
    } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
      std::fprintf(stderr, "glass-tool pack: unknown option '%s'\n", argv[i]);
      return usage(kUsage);
    } else {
      paths.push_back(argv[i]);
    }
  }
  if (paths.size() < 2) return usage(kUsage);
  std::vector<std::vector<std::uint8_t>> blocks;
  for (std::size_t i = 1; i < paths.size(); ++i) {
    Picture picture;
    std::string error;
    if (!readPng(paths[i], &picture, &error, kMaxImageSide)) return fail(error);
    std::vector<std::uint8_t> block;
    EncodeStats stats;
    if (!encodeImage(forEncoding(picture, grey), &block, &error, &stats)) return fail(paths[i] + ": " + error);
    std::printf("%s: %dx%d %s, luma %s%dx%d, chroma %dx%d, shift %d, details %d/%d, stream %d, block %d\n",
                paths[i].c_str(), stats.width, stats.height, grey ? "grey" : "colour",
                stats.lumaCellWidth == 0 ? "raw " : "cell ", stats.lumaCellWidth, stats.lumaCellHeight,
                stats.chromaCellWidth, stats.chromaCellHeight, stats.residualShift, stats.detailCells,
                stats.lumaCells, stats.decodedBytes, stats.blockBytes);
    blocks.push_back(std::move(block));
  }
  std::string error;
  if (!writeWholeFile(paths[0], packContainer(blocks), &error)) return fail(error);
  return 0;
}

int runInfo(int argc, char** argv) {
  if (argc != 2) return usage("info FILE.dat");
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
  if (argc < 3) return usage(kUsage);
  std::string rawPath, texelPath, pngPath;
  for (int i = 3; i < argc; ++i) {
    std::string* target = nullptr;
    if (std::strcmp(argv[i], "--raw") == 0) target = &rawPath;
    if (std::strcmp(argv[i], "--texels") == 0) target = &texelPath;
    if (std::strcmp(argv[i], "--png") == 0) target = &pngPath;
    if (target == nullptr || i + 1 >= argc) {
      std::fprintf(stderr, "glass-tool decode: unknown or incomplete option '%s'\n", argv[i]);
      return usage(kUsage);
    }
    *target = argv[++i];
  }
  char* end = nullptr;
  const long index = std::strtol(argv[2], &end, 10);
  if (*argv[2] == '\0' || *end != '\0') {
    std::fprintf(stderr, "glass-tool decode: INDEX '%s' is not a number\n", argv[2]);
    return usage(kUsage);
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
