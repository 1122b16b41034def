#include "capture/run_deflate.h"

#include <gtest/gtest.h>
#include <libdeflate.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

// Inflates with libdeflate, an independent decoder that checks the stream's
// codes, lengths and Adler-32.
std::vector<std::uint8_t> inflate(const std::vector<std::uint8_t>& stream, std::size_t expected) {
  libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
  std::vector<std::uint8_t> back(expected + 1);
  std::size_t got = 0;
  const libdeflate_result result =
      libdeflate_zlib_decompress(decompressor, stream.data(), stream.size(), back.data(), back.size(), &got);
  libdeflate_free_decompressor(decompressor);
  EXPECT_EQ(result, LIBDEFLATE_SUCCESS);
  back.resize(result == LIBDEFLATE_SUCCESS ? got : 0);
  return back;
}

void expectRoundTrip(const std::vector<std::uint8_t>& data, const char* what) {
  std::vector<std::uint8_t> stream = {0xAA, 0xBB};  // appended after what is there
  const std::size_t length = compressRuns(data.data(), data.size(), stream);
  ASSERT_EQ(length, stream.size() - 2) << what;
  EXPECT_EQ(stream[0], 0xAA);
  const std::vector<std::uint8_t> zlib(stream.begin() + 2, stream.end());
  EXPECT_EQ(inflate(zlib, data.size()), data) << what;
}

// The Kraft sum of a code in units of 2^-limit: exactly 2^limit when the
// code is complete.
std::uint64_t kraftSlots(const std::vector<std::uint8_t>& lengths, int limit) {
  std::uint64_t slots = 0;
  for (std::uint8_t length : lengths) {
    if (length != 0) slots += std::uint64_t{1} << (limit - length);
  }
  return slots;
}

}  // namespace

TEST(RunDeflate, EveryShapeOfDataInflatesBackExactly) {
  expectRoundTrip({}, "nothing");
  expectRoundTrip({42}, "one byte");
  expectRoundTrip(std::vector<std::uint8_t>(100000, 7), "one long run: many 258-byte matches");

  // Runs of every length from 1 to 600 (remainders of 1 and 2 after full
  // matches included), each of a byte other than its neighbours.
  std::vector<std::uint8_t> runs;
  for (int length = 1; length <= 600; ++length) runs.insert(runs.end(), static_cast<std::size_t>(length), length & 1 ? 3 : 9);
  expectRoundTrip(runs, "runs of every length");

  std::mt19937 random(5);
  std::vector<std::uint8_t> noise(70000);
  for (auto& byte : noise) byte = static_cast<std::uint8_t>(random());
  expectRoundTrip(noise, "noise: every literal, no runs");

  // Noise and runs mixed, with sizes around the 16-byte scan's edges, so
  // runs start and end near the end of the data.
  for (std::size_t size = 1; size <= 40; ++size) {
    std::vector<std::uint8_t> mixed(size);
    for (std::size_t i = 0; i < size; ++i) mixed[i] = (i / 5) % 2 ? 0 : static_cast<std::uint8_t>(random() % 4);
    expectRoundTrip(mixed, "short mixed data");
  }
}

TEST(RunDeflate, FlatDataShrinksToAFewBytesAndTheOutputIsTheSameEachTime) {
  const std::vector<std::uint8_t> flat(921601, 0);  // a black 640 x 480 frame's filtered rows
  std::vector<std::uint8_t> first, second;
  compressRuns(flat.data(), flat.size(), first);
  compressRuns(flat.data(), flat.size(), second);
  EXPECT_LT(first.size(), 1000u);
  EXPECT_EQ(first, second);
}

TEST(HuffmanCodeLengths, SkewedFrequenciesStayWithinTheLimitAndTheCodeStaysComplete) {
  // Fibonacci frequencies give Huffman depths one more per symbol: far past
  // 15 (and 7) without the limit.
  for (const int limit : {15, 7}) {
    const int count = limit == 15 ? 40 : 19;
    std::vector<std::uint32_t> frequencies(static_cast<std::size_t>(count));
    std::uint32_t a = 1, b = 1;
    for (auto& frequency : frequencies) {
      frequency = a;
      const std::uint32_t next = a + b;  // the 40th is about 10^8
      a = b;
      b = next;
    }
    std::vector<std::uint8_t> lengths(frequencies.size());
    huffmanCodeLengths(frequencies.data(), count, limit, lengths.data());
    for (int i = 0; i < count; ++i) {
      EXPECT_GE(lengths[i], 1) << i;
      EXPECT_LE(lengths[i], limit) << i;
      // A commoner symbol never has a longer code.
      if (i > 0) {
        EXPECT_LE(lengths[i], lengths[i - 1]) << i;
      }
    }
    EXPECT_EQ(kraftSlots(lengths, limit), std::uint64_t{1} << limit) << "limit " << limit;
  }
}

TEST(HuffmanCodeLengths, FewerThanTwoSymbolsStillMakeACompleteCode) {
  std::vector<std::uint32_t> frequencies(10, 0);
  std::vector<std::uint8_t> lengths(10);
  huffmanCodeLengths(frequencies.data(), 10, 15, lengths.data());
  EXPECT_EQ(lengths, (std::vector<std::uint8_t>{1, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
  frequencies[6] = 9;
  huffmanCodeLengths(frequencies.data(), 10, 15, lengths.data());
  EXPECT_EQ(lengths, (std::vector<std::uint8_t>{1, 0, 0, 0, 0, 0, 1, 0, 0, 0}));
}
