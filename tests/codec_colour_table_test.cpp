// The colour table: the finished entries the presentation's colours depend
// on and the fades at both ends of luma, in the table and computed directly.
#include <gtest/gtest.h>

#include <cstdint>

#include "codec/colour_table.h"
#include "support/codec_streams.h"

namespace {

std::uint32_t entry(int y, int a, int b) { return colourTable[y * 4096 + a * 64 + b]; }

class ColourTable : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(codec_test::codecReady()); }
};

TEST_F(ColourTable, KnownEntries) {
  struct Row {
    int y, a, b;
    std::uint32_t expected;
  };
  const Row rows[] = {
      {16, 32, 32, 0xFF000000}, {235, 32, 32, 0xFFFEFEFE}, {255, 32, 32, 0xFFFFFFFF},
      {128, 63, 32, 0xFFFF1D82}, {128, 32, 63, 0xFF8251FF}, {128, 0, 0, 0xFF00FF00},
      {100, 40, 24, 0xFF945421}, {81, 63, 0, 0xFFFF1800},   {0, 0, 0, 0xFF000000},
      {8, 40, 20, 0xFF000000},   {249, 32, 0, 0xFFFFFFFF},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(entry(r.y, r.a, r.b), r.expected) << "Y " << r.y << " A " << r.a << " B " << r.b;
    EXPECT_EQ(colourTableEntry(r.y, r.a, r.b), r.expected);
  }
  // Y 249 with the least blue is white only through the fade near white
  // (without it blue would be 12); just below the knee the chroma still acts.
  EXPECT_LT(entry(248, 32, 0) & 0xFF, 0x40u);
}

// The table is built from shared per-chroma terms; each entry must still be
// what the direct computation gives, and opaque.
TEST_F(ColourTable, EveryEntryIsTheDirectComputationAndOpaque) {
  for (std::size_t i = 0; i < kColourTableEntries; ++i) {
    const int y = static_cast<int>(i >> 12), a = static_cast<int>(i >> 6) & 63, b = static_cast<int>(i) & 63;
    ASSERT_EQ(colourTable[i], colourTableEntry(y, a, b)) << y << " " << a << " " << b;
    ASSERT_EQ(colourTable[i] >> 24, 0xFFu) << i;
  }
}

}  // namespace
