// Malformed containers, blocks and streams: each is refused with a clear
// problem by checkContainer, and the decoder never reads or writes outside
// its buffers whatever the bytes say (run in the sanitizer build too).
// Ends with a deterministic mutation run over a valid container (blocks of
// arbitrary bytes are the image-block fuzz target's work).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "codec/container_check.h"
#include "codec/image_decoder.h"
#include "support/codec_streams.h"

namespace {

using namespace codec_test;

class Malformed : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(codecReady()); }
};

// A small valid one-channel 8 x 4 image stream.
Bytes validGreyStream() {
  StreamHeader h;
  h.width = 8;
  h.channelMode = 0xFF;
  Bytes s = headerBytes(h);
  append(&s, {10, 20, 30, 10, 20, 30});
  append(&s, {1, 0});
  append(&s, Bytes(8, 0x9A));
  return s;
}

Bytes validColourStream() {
  StreamHeader h;
  h.width = 8;
  h.chromaCellWidth = 8;
  Bytes s = headerBytes(h);
  append(&s, {10, 20, 30, 10, 20, 30, 1, 1});
  append(&s, {40, 50, 40, 50});
  append(&s, {20, 10, 20, 10});
  return s;
}

void putU32(Bytes* b, std::size_t at, std::uint32_t v) { std::memcpy(b->data() + at, &v, 4); }

std::string problemOf(const Bytes& container) {
  std::string problem;
  if (checkContainer(container.data(), container.size(), &problem)) return "sound";
  return problem;
}

// After a refused check the sized decoder must still be safe for every
// index: either it decodes inside the buffer or it refuses.
void decodeEveryIndexSized(const Bytes& container) {
  for (int index = -1; index <= 3; ++index) decodeContainerImageSized(container.data(), container.size(), index);
}

TEST_F(Malformed, ContainerStructureProblemsAreNamed) {
  const Bytes good = packContainer({blockFor(validGreyStream()), blockFor(validColourStream())});
  ASSERT_EQ(problemOf(good), "sound");

  EXPECT_EQ(problemOf(Bytes{2, 0}), "container shorter than its 4-byte entry count");
  Bytes noImages = good;
  putU32(&noImages, 0, 1);
  EXPECT_EQ(problemOf(noImages), "container holds no image (entry count 1)");
  Bytes hugeTable = good;
  putU32(&hugeTable, 0, 0x40000000);
  EXPECT_EQ(problemOf(hugeTable), "offset table of 1073741824 entries longer than the container");
  Bytes pastEnd = good;
  putU32(&pastEnd, 12, 0x7FFFFFF0);
  EXPECT_EQ(problemOf(pastEnd), "offset 2 past the end of the container");
  Bytes backwards = good;
  putU32(&backwards, 8, 5000);
  putU32(&backwards, 12, 4000);
  Bytes backwardsSized = backwards;
  backwardsSized.resize(4 + 12 + 5000, 0);
  EXPECT_EQ(problemOf(backwardsSized), "offset 2 lower than the one before it");
  Bytes truncated(good.begin(), good.end() - 1);
  EXPECT_EQ(problemOf(truncated), "offset 2 past the end of the container");
  Bytes shortBlock = packContainer({Bytes(1000, 0)});
  EXPECT_EQ(problemOf(shortBlock), "image 0: block shorter than its 1284-byte header");

  for (const Bytes* c : {&noImages, &hugeTable, &pastEnd, &backwardsSized, &truncated, &shortBlock}) {
    decodeEveryIndexSized(*c);
  }
  // A block out of the sized buffer is refused as a whole.
  EXPECT_EQ(decodeContainerImageSized(truncated.data(), truncated.size(), 1), -1);
  EXPECT_EQ(decodedWidth, 0);
  // Unsized, offsets that run backwards are still caught.
  EXPECT_EQ(decodeContainerImage(backwardsSized.data(), 1), -1);
}

// A container is no longer than its table says, its table no longer than
// 4097 entries and a block no longer than a block can need; the size limit
// of a file comes from the same table, read from its first bytes alone.
TEST_F(Malformed, ContainerSizeHasHardLimits) {
  const Bytes good = packContainer({blockFor(validGreyStream()), blockFor(validColourStream())});
  Bytes trailing = good;
  trailing.push_back(0);
  EXPECT_EQ(problemOf(trailing), "1 bytes past the end of the last image");
  Bytes manyEntries(4 + 4 * 4098, 0);
  putU32(&manyEntries, 0, 4098);
  EXPECT_EQ(problemOf(manyEntries), "entry count 4098 above 4097 (4096 images)");
  const Bytes block = blockFor(validGreyStream());
  Bytes longBlock = block;
  longBlock.resize(kMaxContainerBlockBytes + 1, 0);
  EXPECT_EQ(problemOf(packContainer({longBlock})), "image 0: block of 801285 bytes longer than the 801284 a block can need");
  Bytes longestBlock = block;
  longestBlock.resize(kMaxContainerBlockBytes, 0);
  EXPECT_EQ(problemOf(packContainer({longestBlock})), "sound");

  std::string what;
  EXPECT_EQ(containerSizeLimit(good.data(), good.size(), &what), good.size());
  EXPECT_EQ(what, "its offset table describes");
  EXPECT_EQ(containerSizeLimit(good.data(), 16, nullptr), good.size());  // the table is enough
  EXPECT_EQ(containerSizeLimit(good.data(), 15, nullptr), UINT64_MAX);  // a short file
  EXPECT_EQ(containerSizeLimit(good.data(), 3, nullptr), UINT64_MAX);
  const Bytes zeros(64, 0);
  EXPECT_EQ(containerSizeLimit(zeros.data(), zeros.size(), &what), 4u);
  EXPECT_EQ(what, "a container with an entry count of 0 can hold");
  EXPECT_EQ(containerSizeLimit(manyEntries.data(), manyEntries.size(), &what), kMaxContainerBytes);
  EXPECT_EQ(what, "the largest image container can be");
  Bytes farEnd = good;
  putU32(&farEnd, 12, 0xFFFFFFF0);
  EXPECT_EQ(containerSizeLimit(farEnd.data(), farEnd.size(), &what), 16 + 2 * kMaxContainerBlockBytes);
  EXPECT_EQ(what, "a container of 2 images can be");
}

TEST_F(Malformed, BlockHeaderProblemsAreNamed) {
  Bytes tooLong = blockFor(validGreyStream());
  putU32(&tooLong, 0, 200001);
  EXPECT_EQ(problemOf(packContainer({tooLong})), "image 0: decoded size 200001 above 200000 bytes");
  Bytes negative = blockFor(validGreyStream());
  putU32(&negative, 0, 0xFFFFFFFF);
  EXPECT_EQ(problemOf(packContainer({negative})), "image 0: negative decoded size");
  Bytes longCode = blockFor(validGreyStream());
  longCode[1028 + 77] = 40;
  EXPECT_EQ(problemOf(packContainer({longCode})), "image 0: code length above 32");
  // The decoder itself copes with all three.
  for (const Bytes* b : {&tooLong, &negative, &longCode}) {
    decodeImage(b->data(), static_cast<std::int64_t>(b->size()), imageScratch);
  }
}

TEST_F(Malformed, StreamHeaderProblemsAreNamedAndRefused) {
  struct Case {
    const char* name;
    int offset;
    std::vector<std::uint8_t> bytes;
    const char* problem;
    bool inBuffer = false;  // sections past the stream but inside the buffer: the decoder reads on
  };
  const Case cases[] = {
      {"zero width", 0, {0, 0}, "width or height outside 1..512"},
      {"negative height", 2, {0xFC, 0xFF}, "width or height outside 1..512"},
      {"width 520", 0, {0x08, 0x02}, "width or height outside 1..512"},
      {"luma cell 3", 4, {3}, "luma cell size not allowed (width 0, 2, 4, 8, 16; height 1..16, a power of two)"},
      {"luma cell 1", 4, {1}, "luma cell size not allowed (width 0, 2, 4, 8, 16; height 1..16, a power of two)"},
      {"luma cell 32", 4, {32, 32}, "luma cell size not allowed (width 0, 2, 4, 8, 16; height 1..16, a power of two)"},
      {"luma cell -4", 5, {0xFC}, "luma cell size not allowed (width 0, 2, 4, 8, 16; height 1..16, a power of two)"},
      {"chroma cell 0", 6, {0}, "chroma cell size not allowed (1, 2, 4, 8 or 16)"},
      {"width 12 with 8-wide chroma cells", 0, {12}, "width or height not a multiple of its cell size"},
      {"width 6 with 4-wide luma cells", 0, {6}, "width or height not a multiple of its cell size"},
      {"width 16: sections past the stream", 0, {16}, "stream shorter than its sections", true},
      // 512 x 512 raw luma needs 262,144 bytes: more than the whole buffer.
      {"sections past the decoded buffer", 0, {0, 2, 0, 2, 0}, "stream shorter than its sections"},
  };
  for (const Case& c : cases) {
    Bytes stream = validColourStream();
    std::memcpy(stream.data() + c.offset, c.bytes.data(), c.bytes.size());
    const Bytes block = blockFor(stream);
    EXPECT_EQ(problemOf(packContainer({block})), std::string("image 0: ") + c.problem) << c.name;
    decodedWidth = 99;
    const int result = decodeImage(block.data(), static_cast<std::int64_t>(block.size()), imageScratch);
    if (!c.inBuffer) {
      EXPECT_EQ(result, 0) << c.name;
      EXPECT_EQ(decodedWidth, 0) << c.name;
    }
  }
  // A stream shorter than its 12-byte header.
  EXPECT_EQ(problemOf(packContainer({blockFor(Bytes{8, 0, 4})})), "image 0: stream shorter than its 12-byte header");
}

TEST_F(Malformed, TallestRowBuffersStillFit) {
  // 512 x 512 with 1-pixel-high luma and chroma cells: the horizontal passes
  // fill 513 rows of 512 bytes, far above 65,536, and must decode whole.
  StreamHeader h;
  h.width = 512;
  h.height = 512;
  h.lumaCellWidth = 16;
  h.lumaCellHeight = 1;
  h.chromaCellWidth = 16;
  h.chromaCellHeight = 1;
  Bytes stream = headerBytes(h);
  Bytes grid;
  for (int r = 0; r <= 512; ++r) append(&grid, Bytes(33, static_cast<std::uint8_t>(r % 64)));
  append(&stream, grid);
  append(&stream, Bytes(32 * 512, 1));
  append(&stream, grid);
  append(&stream, grid);
  const Bytes out = decodeStream(stream);
  EXPECT_EQ(decodedWidth, 512);
  const std::size_t last = (511u * 512 + 511) * 4;
  EXPECT_EQ(out[last], 4 * (511 % 64));
  EXPECT_EQ(out[last + 1], 511 % 64);
  EXPECT_EQ(out[last + 2], 511 % 64);
}

TEST_F(Malformed, MutatedContainersNeverLeaveTheirBuffers) {
  // Flip bytes of a sound container: headers, offsets, code tables and
  // streams. Whatever the check says, the sized decoder must stay inside;
  // where the check passes, the unsized decoder must be safe for every
  // index.
  const Bytes good = packContainer({blockFor(validGreyStream()), blockFor(validColourStream()),
                                    blockFor(validGreyStream())});
  unsigned seed = 777;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  int passed = 0;
  for (int round = 0; round < 1500; ++round) {
    Bytes mutated = good;
    const int flips = 1 + static_cast<int>(next() % 4);
    for (int i = 0; i < flips; ++i) {
      // Half the flips land in the container's first 64 bytes or the
      // block headers' first bytes, where they matter most.
      std::size_t at = next() % mutated.size();
      if (i % 2 == 0) at = next() % 64;
      mutated[at] = static_cast<std::uint8_t>(next());
    }
    if (round % 10 == 0) mutated.resize(next() % mutated.size());
    std::string problem;
    const bool sound = checkContainer(mutated.data(), mutated.size(), &problem);
    if (!sound) {
      EXPECT_FALSE(problem.empty());
      decodeEveryIndexSized(mutated);
      continue;
    }
    ++passed;
    for (int index = -1; index <= 3; ++index) {
      decodeContainerImage(mutated.data(), index);
      ASSERT_GE(decodedWidth, 1);
      ASSERT_LE(decodedWidth, 512);
    }
  }
  EXPECT_GT(passed, 0) << "some mutations (in stream bytes) keep the container sound";
}

}  // namespace
