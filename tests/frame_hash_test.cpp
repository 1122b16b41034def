// The md5 of --frame-hash and the per-frame lines it hashes.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "capture/child_process.h"
#include "capture/frame_hash_output.h"
#include "capture/md5.h"

namespace {

std::string md5Of(const std::string& text) {
  Md5 md5;
  md5.update(text);
  return md5.hexDigest();
}

}  // namespace

TEST(Md5, MatchesTheReferenceDigestsInWholeAndInPieces) {
  EXPECT_EQ(md5Of(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(md5Of("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(md5Of("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(md5Of("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
  // Padding on both sides of a block boundary (55, 56 and 64 bytes).
  EXPECT_EQ(md5Of(std::string(55, 'a')), "ef1772b6dff9a122358552954ad0df65");
  EXPECT_EQ(md5Of(std::string(56, 'a')), "3b0c8ac703f828b04c6c197006d17218");
  EXPECT_EQ(md5Of(std::string(64, 'a')), "014842d480b571495a4a0363793f7367");
  // Fed in uneven pieces, the digest is the same.
  const std::string text(1000, 'q');
  Md5 pieces;
  for (std::size_t at = 0, step = 1; at < text.size(); at += step, step = step % 97 + 13) {
    pieces.update(text.data() + at, std::min(step, text.size() - at));
  }
  EXPECT_EQ(pieces.hexDigest(), md5Of(text));
}

TEST(FrameHash, LinesHaveTheFramemd5Columns) {
  EXPECT_EQ(FrameHashOutput::frameLine(0, 1228800, "0dcb89ed5b42e6d7b1c0215c914fe1d5"),
            "0,          0,          0,        1,  1228800, 0dcb89ed5b42e6d7b1c0215c914fe1d5\n");
  EXPECT_EQ(FrameHashOutput::frameLine(4731, 4915200, "x"), "0,       4731,       4731,        1,  4915200, x\n");
}

// Frames with junk in the alpha byte and padded rows hash as ffmpeg hashes
// the same pixels read back opaque.
TEST(FrameHash, AgreesWithFfmpegOverFramesWithAlphaAndPadding) {
  if (findProgram("ffmpeg").empty()) GTEST_SKIP() << "ffmpeg is not installed";
  constexpr int kWidth = 8, kHeight = 6, kPitch = kWidth * 4 + 12, kFrames = 3;
  const std::filesystem::path raw = std::filesystem::temp_directory_path() / "glass-frame-hash.bgra";
  std::ofstream opaque(raw, std::ios::binary);
  FrameHashOutput output(8);
  for (int k = 0; k < kFrames; ++k) {
    std::vector<std::uint8_t> frame(kPitch * kHeight, 0xCD);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth * 4; ++x) {
        std::uint8_t& byte = frame[y * kPitch + x];
        byte = static_cast<std::uint8_t>(x % 4 == 3 ? k * 40 + y : (x * 7 + y * 13 + k * 29) & 0xFF);
        opaque.put(static_cast<char>(x % 4 == 3 ? 0xFF : byte));
      }
    }
    FrameInfo info;
    info.index = k;
    ASSERT_TRUE(output.writeFrame({frame.data(), kWidth, kHeight, kPitch}, info));
  }
  opaque.close();
  ASSERT_TRUE(output.finish());

  const std::string command = "ffmpeg -v error -f rawvideo -pix_fmt bgra -s 8x6 -framerate 8 -i '" + raw.string() +
                              "' -f framemd5 -pix_fmt bgra - | grep -v '^#'";
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string lines;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) lines += buffer;
  ASSERT_EQ(::pclose(pipe), 0);
  std::filesystem::remove(raw);
  EXPECT_EQ(output.resultLine(), "3 frames at 8 fps: " + md5Of(lines)) << lines;
}

TEST(FrameHash, SoundLineCountsStereoFramesAndHashesLittleEndianSamples) {
  FrameHashOutput output(8);
  const std::int16_t samples[] = {1, -2, 0x1234, -32768};
  ASSERT_TRUE(output.writeAudio(samples, 1));
  ASSERT_TRUE(output.writeAudio(samples + 2, 1));
  ASSERT_TRUE(output.finish());
  EXPECT_EQ(output.soundLine(), "sound 2 samples: " + md5Of(std::string("\x01\x00\xFE\xFF\x34\x12\x00\x80", 8)));
  EXPECT_EQ(output.resultLine(), "0 frames at 8 fps: " + md5Of(""));
}
