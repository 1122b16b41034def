#include "codec/container_check.h"

#include <cstdint>
#include <memory>
#include <new>

#include "codec/image_decoder.h"
#include "codec/image_layout.h"

namespace {

std::uint32_t readU32(const unsigned char* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

bool fail(std::string* problem, std::string text) {
  if (problem != nullptr) *problem = std::move(text);
  return false;
}

std::string imageProblem(std::uint32_t index, const std::string& text) {
  return "image " + std::to_string(index) + ": " + text;
}

// One block: header, code lengths, decoded size, and the decoded stream's
// header and sections against the bytes it really decodes to.
bool checkBlock(HuffmanDecoder& decoder, unsigned char* stream, const unsigned char* block, std::uint32_t size,
                std::uint32_t index, std::string* problem) {
  if (size < kHuffmanHeaderBytes) {
    return fail(problem, imageProblem(index, "block shorter than its 1284-byte header"));
  }
  decoder.attachBlock(block, size);
  if (decoder.outputCount() < 0) return fail(problem, imageProblem(index, "negative decoded size"));
  if (decoder.outputCount() > kDecodedStreamBytes) {
    return fail(problem, imageProblem(index, "decoded size " + std::to_string(decoder.outputCount()) +
                                                 " above 200000 bytes"));
  }
  for (int s = 0; s < 256; ++s) {
    if (decoder.lengths()[s] > 32) return fail(problem, imageProblem(index, "code length above 32"));
  }
  const int written = decoder.decodeInto(stream, kDecodedStreamBytes);
  ImageLayout layout;
  const LayoutProblem layoutProblem = readImageLayout(stream, written, &layout);
  if (layoutProblem != LayoutProblem::kNone) {
    return fail(problem, imageProblem(index, layoutProblemText(layoutProblem)));
  }
  // Decoded once here already: the presentation's first frames need not
  // decode it again.
  keepDecodedStream(block, size, stream, written);
  return true;
}

}  // namespace

bool checkContainer(const unsigned char* data, std::size_t size, std::string* problem) {
  if (data == nullptr || size < 4) return fail(problem, "container shorter than its 4-byte entry count");
  const std::uint32_t entries = readU32(data);
  if (entries < 2) return fail(problem, "container holds no image (entry count " + std::to_string(entries) + ")");
  const std::uint64_t tableEnd = 4 + 4 * std::uint64_t{entries};
  if (tableEnd > size) {
    return fail(problem, "offset table of " + std::to_string(entries) + " entries longer than the container");
  }
  if (entries > kMaxContainerEntries) {
    return fail(problem, "entry count " + std::to_string(entries) + " above " +
                             std::to_string(kMaxContainerEntries) + " (4096 images)");
  }
  const std::uint64_t dataSize = size - tableEnd;
  for (std::uint32_t i = 0; i < entries; ++i) {
    const std::uint32_t offset = readU32(data + 4 + 4 * std::uint64_t{i});
    if (offset > dataSize) return fail(problem, "offset " + std::to_string(i) + " past the end of the container");
    if (i > 0 && offset < readU32(data + 4 * std::uint64_t{i})) {
      return fail(problem, "offset " + std::to_string(i) + " lower than the one before it");
    }
  }

  const std::uint32_t last = readU32(data + 4 * std::uint64_t{entries});
  if (last < dataSize) {
    return fail(problem, std::to_string(dataSize - last) + " bytes past the end of the last image");
  }

  std::unique_ptr<unsigned char[]> stream(new (std::nothrow) unsigned char[kDecodedStreamBytes]);
  std::unique_ptr<HuffmanDecoder> decoder(new (std::nothrow) HuffmanDecoder);
  if (!stream || !decoder) return fail(problem, "out of memory while checking the container");
  for (std::uint32_t i = 0; i + 1 < entries; ++i) {
    const std::uint32_t start = readU32(data + 4 + 4 * std::uint64_t{i});
    const std::uint32_t end = readU32(data + 8 + 4 * std::uint64_t{i});
    if (end - start > kMaxContainerBlockBytes) {
      return fail(problem, imageProblem(i, "block of " + std::to_string(end - start) + " bytes longer than the " +
                                               std::to_string(kMaxContainerBlockBytes) + " a block can need"));
    }
    if (!checkBlock(*decoder, stream.get(), data + tableEnd + start, end - start, i, problem)) return false;
  }
  return true;
}

std::uint64_t containerSizeLimit(const unsigned char* head, std::size_t headBytes, std::string* what) {
  auto limit = [what](std::uint64_t bytes, std::string text) {
    if (what != nullptr) *what = std::move(text);
    return bytes;
  };
  if (head == nullptr || headBytes < 4) return limit(UINT64_MAX, "");
  const std::uint32_t entries = readU32(head);
  if (entries < 2) {
    return limit(4 + 4 * std::uint64_t{entries},
                 "a container with an entry count of " + std::to_string(entries) + " can hold");
  }
  if (entries > kMaxContainerEntries) return limit(kMaxContainerBytes, "the largest image container can be");
  const std::uint64_t tableEnd = 4 + 4 * std::uint64_t{entries};
  const std::uint64_t blocksAtMost = tableEnd + (entries - 1) * kMaxContainerBlockBytes;
  if (headBytes < tableEnd) return limit(UINT64_MAX, "");
  const std::uint64_t last = readU32(head + 4 * std::uint64_t{entries});
  if (tableEnd + last > blocksAtMost) {
    return limit(blocksAtMost, "a container of " + std::to_string(entries - 1) + " images can be");
  }
  return limit(tableEnd + last, "its offset table describes");
}
