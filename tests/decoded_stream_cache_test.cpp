#include "codec/decoded_stream_cache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "codec/container_check.h"
#include "support/codec_streams.h"

namespace {

using codec_test::Bytes;

Bytes bytesFrom(std::uint8_t seed, std::size_t count) {
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
  return bytes;
}

// The decoded stream of a grey image of width x height stored pixel by
// pixel, with `pixels` of its bytes (fewer than it needs cuts it short).
Bytes greyStream(int width, int height, std::uint8_t seed, std::size_t pixels) {
  codec_test::StreamHeader header;
  header.width = width;
  header.height = height;
  header.lumaCellWidth = 0;
  header.channelMode = 0xFF;
  Bytes stream = codec_test::headerBytes(header);
  codec_test::append(&stream, bytesFrom(seed, pixels));
  return stream;
}

}  // namespace

TEST(DecodedStreamCache, FindsABlockOnlyByAllItsBytesWithinItsBudget) {
  DecodedStreamCache cache(800);
  Bytes a = bytesFrom(1, 100), b = bytesFrom(2, 100);
  const Bytes decodedA = bytesFrom(10, 200), decodedB = bytesFrom(20, 200);
  cache.add(a.data(), a.size(), decodedA.data(), decodedA.size());
  cache.add(b.data(), b.size(), decodedB.data(), decodedB.size());
  ASSERT_NE(cache.find(a.data(), a.size()), nullptr);
  EXPECT_EQ(*cache.find(a.data(), a.size()), decodedA);
  // A copy elsewhere in memory is the same block; a changed byte is not.
  const Bytes copyOfB = b;
  ASSERT_NE(cache.find(copyOfB.data(), copyOfB.size()), nullptr);
  EXPECT_EQ(*cache.find(copyOfB.data(), copyOfB.size()), decodedB);
  b[99] ^= 1;
  EXPECT_EQ(cache.find(b.data(), b.size()), nullptr);
  EXPECT_EQ(cache.find(a.data(), 99), nullptr);
  // A third block would make 900 of 800 bytes: the block used least
  // recently (b's, as a was just found) makes room.
  cache.find(a.data(), a.size());
  const Bytes c = bytesFrom(3, 100), decodedC = bytesFrom(30, 200);
  cache.add(c.data(), c.size(), decodedC.data(), decodedC.size());
  EXPECT_LE(cache.bytesKept(), 800u);
  EXPECT_EQ(cache.find(copyOfB.data(), copyOfB.size()), nullptr);
  EXPECT_NE(cache.find(a.data(), a.size()), nullptr);
  EXPECT_NE(cache.find(c.data(), c.size()), nullptr);
  // Larger than the whole budget: not kept, and nothing else is dropped.
  const Bytes huge = bytesFrom(4, 1200);
  cache.add(huge.data(), huge.size(), decodedC.data(), 0);
  EXPECT_EQ(cache.find(huge.data(), huge.size()), nullptr);
  EXPECT_EQ(cache.entries(), 2u);
}

TEST(DecodedStreamCache, DecodingFromItGivesWhatDecodingAfreshGives) {
  ASSERT_TRUE(codec_test::codecReady());
  // A whole 64 x 64 grey image, and a block whose stream ends before its
  // pixels do: it decodes with what the buffer held from the one before.
  const Bytes blocks[] = {codec_test::blockFor(greyStream(64, 64, 5, 64 * 64)),
                          codec_test::blockFor(greyStream(64, 64, 200, 300))};

  // Each step's image and the whole decoded-stream buffer, over a sequence
  // that decodes both blocks twice.
  auto run = [&](bool caching) {
    setDecodedStreamCaching(caching);
    std::memset(decodedStream, 0x5A, kDecodedStreamBytes);
    std::vector<Bytes> seen;
    for (int block : {1, 0, 1, 0, 1, 1}) {
      Bytes destination(kImageScratchBytes, 0xEE);
      EXPECT_EQ(decodeImage(blocks[block].data(), static_cast<std::int64_t>(blocks[block].size()), destination.data()), 1);
      seen.push_back(destination);
      seen.emplace_back(decodedStream, decodedStream + kDecodedStreamBytes);
    }
    return seen;
  };
  const std::vector<Bytes> fresh = run(false);
  const std::vector<Bytes> kept = run(true);
  setDecodedStreamCaching(true);
  ASSERT_EQ(fresh.size(), kept.size());
  for (std::size_t i = 0; i < fresh.size(); ++i) EXPECT_TRUE(fresh[i] == kept[i]) << "step " << i / 2;
  // The cut block really depends on what came before it.
  EXPECT_FALSE(fresh[0] == fresh[4]);
}

TEST(DecodedStreamCache, ACheckedContainerDecodesAlikeFromWhatTheCheckKept) {
  ASSERT_TRUE(codec_test::codecReady());
  const Bytes container = packContainer({codec_test::blockFor(greyStream(32, 16, 9, 32 * 16))});
  setDecodedStreamCaching(false);
  std::memset(imageScratch, 0xEE, kImageScratchBytes);
  ASSERT_EQ(decodeContainerImageSized(container.data(), container.size(), 0), 0);
  const Bytes fresh(imageScratch, imageScratch + kImageScratchBytes);
  // Checking the loaded file decodes each block; the decode that follows
  // takes the kept stream and gives the same picture.
  setDecodedStreamCaching(true);
  std::string problem;
  ASSERT_TRUE(checkContainer(container.data(), container.size(), &problem)) << problem;
  std::memset(imageScratch, 0xEE, kImageScratchBytes);
  ASSERT_EQ(decodeContainerImageSized(container.data(), container.size(), 0), 0);
  EXPECT_TRUE(std::equal(fresh.begin(), fresh.end(), imageScratch));
}
