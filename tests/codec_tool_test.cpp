// glass-tool's image commands end to end: pack PNGs, list them, decode one
// back as raw pixels, texels and PNG; exit codes 0, 1 and 2.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/png_io.h"
#include "support/small_data_set.h"
#include "support/test_pictures.h"

namespace {

namespace fs = std::filesystem;

struct Result {
  int status = -1;
  std::string out;
};

class GlassTool : public ::testing::Test {
 protected:
  void SetUp() override {
    tool_ = fs::path(GLASS_BINARY_DIR) / "bin" / "glass-tool";
    if (!fs::exists(tool_)) GTEST_SKIP() << "glass-tool not built";
  }
  // With `withErrors` the output holds standard error too.
  Result run(const std::string& args, bool withErrors = false) {
    Result r;
    const std::string command = tool_.string() + " " + args + (withErrors ? " 2>&1" : " 2>/dev/null");
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[256];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) r.out += buffer;
    const int status = pipe != nullptr ? pclose(pipe) : -1;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
  }
  std::string path(const std::string& name) const { return dir_.path() + "/" + name; }
  static std::size_t fileSize(const std::string& p) { return static_cast<std::size_t>(fs::file_size(p)); }

  fs::path tool_;
  ScopedWorkingDirectory dir_;
};

TEST_F(GlassTool, PackInfoAndDecodeRoundTrip) {
  std::string error;
  ASSERT_TRUE(writePng(path("colour.png"), codec_test::makeTestPicture(64, 32, 3), &error)) << error;
  ASSERT_TRUE(writePng(path("mask.png"), codec_test::makeTestPicture(16, 16, 1), &error)) << error;

  EXPECT_EQ(run("pack " + path("c.dat") + " " + path("colour.png") + " " + path("colour.png")).status, 0);
  EXPECT_EQ(run("pack " + path("g.dat") + " --grey " + path("mask.png")).status, 0);

  const Result info = run("info " + path("c.dat"));
  EXPECT_EQ(info.status, 0);
  EXPECT_NE(info.out.find("2 images"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("64x32 colour"), std::string::npos) << info.out;

  const Result colour = run("decode " + path("c.dat") + " 1 --raw " + path("c.raw") + " --texels " + path("c.tex") +
                            " --png " + path("c.png"));
  EXPECT_EQ(colour.status, 0);
  EXPECT_EQ(colour.out, "64 32 3\n");
  EXPECT_EQ(fileSize(path("c.raw")), 64u * 32 * 4);
  EXPECT_EQ(fileSize(path("c.tex")), 64u * 32 * 4);
  Picture shown;
  ASSERT_TRUE(readPng(path("c.png"), &shown, &error)) << error;
  EXPECT_EQ(shown.width, 64);

  const Result grey = run("decode " + path("g.dat") + " 0 --raw " + path("g.raw"));
  EXPECT_EQ(grey.out, "16 16 1\n");
  EXPECT_EQ(fileSize(path("g.raw")), 256u);
}

TEST_F(GlassTool, ExitCodesTellUsageFromFileProblems) {
  std::string error;
  ASSERT_TRUE(writePng(path("colour.png"), codec_test::makeTestPicture(8, 8, 3), &error)) << error;
  ASSERT_EQ(run("pack " + path("c.dat") + " " + path("colour.png")).status, 0);
  EXPECT_EQ(run("--help").status, 0);
  EXPECT_EQ(run("").status, 2);
  EXPECT_EQ(run("frobnicate").status, 2);
  EXPECT_EQ(run("decode " + path("c.dat")).status, 2);
  EXPECT_EQ(run("decode " + path("c.dat") + " x").status, 2);
  EXPECT_EQ(run("pack " + path("out.dat") + " --colourful " + path("colour.png")).status, 2);
  std::ofstream(path("bad.dat"), std::ios::binary) << "\x05\x00\x00\x00short";
  fs::create_directory(path("folder"));

  // File problems exit with 1 (and say what, where a message is given).
  const struct {
    std::string args;
    std::string message;
  } cases[] = {
      {"decode " + path("c.dat") + " 1", ""},  // one image only
      {"info " + path("missing.dat"), ""},
      {"pack " + path("out.dat") + " " + path("missing.png"), ""},
      {"info " + path("bad.dat"), ""},
      {"info " + path("folder"), path("folder") + " is a folder, not a file"},
      {"mesh-info " + path("folder"), path("folder") + " is a folder, not a file"},
      {"pack " + path("out.dat") + " " + path("folder"), path("folder") + " is a folder, not a file"},
      {"info " + path("colour.png"), path("colour.png") + ": not an image container ("},
  };
  for (const auto& c : cases) {
    const Result result = run(c.args, true);
    EXPECT_EQ(result.status, 1) << c.args;
    EXPECT_NE(result.out.find(c.message), std::string::npos) << c.args << ": " << result.out;
  }
}

// The PNG chunk checksum (CRC-32, as zlib computes it).
std::uint32_t pngCrc(const std::uint8_t* data, std::size_t size) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc ^ 0xFFFFFFFFu;
}

void putBigEndian(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = std::uint8_t(value >> (24 - 8 * i));
}

// Inputs far larger than their formats allow (sparse files: no disk is
// used) are refused from their size or header at once, the message naming
// the file, its size and the limit; a read would take gigabytes of memory.
TEST_F(GlassTool, SizesAreCheckedBeforeReading) {
  std::string error;
  ASSERT_TRUE(writePng(path("small.png"), codec_test::makeTestPicture(8, 8, 3), &error)) << error;
  ASSERT_EQ(run("pack " + path("c.dat") + " " + path("small.png")).status, 0);
  // A picture whose header says 20000 x 20000 (its pixel data is the small
  // picture's: it is never decoded).
  std::vector<std::uint8_t> huge = readBytes(path("small.png"));
  ASSERT_GT(huge.size(), 33u);
  putBigEndian(huge, 16, 20000);
  putBigEndian(huge, 20, 20000);
  putBigEndian(huge, 29, pngCrc(huge.data() + 12, 17));
  std::ofstream(path("huge.png"), std::ios::binary).write(reinterpret_cast<const char*>(huge.data()),
                                                           std::streamsize(huge.size()));
  const off_t gb = off_t{1} << 30;
  const std::uint64_t container = fileSize(path("c.dat"));
  ASSERT_EQ(::truncate(path("c.dat").c_str(), 3 * gb), 0);
  for (const char* name : {"zeros.dat", "zeros.obu", "sparse.png", "sparse.obj"}) {
    std::ofstream(path(name), std::ios::binary);
    ASSERT_EQ(::truncate(path(name).c_str(), 2 * gb), 0);
  }
  std::ofstream(path("empty.obu"), std::ios::binary).write(std::string(12, '\0').data(), 12);

  const std::string twoGb = "2147483648 bytes (2.0 GB), more than the ";
  const struct {
    std::string args;
    std::string message;
  } cases[] = {
      {"info " + path("c.dat"), path("c.dat") + ": 3221225472 bytes (3.0 GB), more than the " +
                                    std::to_string(container) + " bytes its offset table describes"},
      {"decode " + path("c.dat") + " 0", path("c.dat") + ": 3221225472 bytes (3.0 GB)"},
      {"info " + path("zeros.dat"),
       path("zeros.dat") + ": " + twoGb + "4 bytes a container with an entry count of 0 can hold"},
      {"mesh-info " + path("zeros.obu"), path("zeros.obu") + ": " + twoGb +
                                             "12 bytes its counts (vertices 0, triangles 0, texture "
                                             "coordinates 0) describe"},
      // Twelve zero bytes are a mesh of nothing: no sound file.
      {"mesh-info " + path("empty.obu"), "malformed: holds no triangle"},
      {"pack " + path("out.dat") + " " + path("huge.png"),
       path("huge.png") + ": picture size 20000 x 20000 above the largest 512 x 512"},
      {"pack " + path("out.dat") + " " + path("sparse.png"),
       path("sparse.png") + ": " + twoGb + "67108864 bytes (64.0 MB) a PNG file may be"},
      {"obj2obu " + path("sparse.obj") + " " + path("out.obu"),
       path("sparse.obj") + ": " + twoGb + "268435456 bytes (256.0 MB) an OBJ file may be"},
  };
  for (const auto& c : cases) {
    const Result result = run(c.args, true);
    EXPECT_EQ(result.status, 1) << c.args;
    EXPECT_NE(result.out.find(c.message), std::string::npos) << c.args << ": " << result.out;
  }
  EXPECT_FALSE(fs::exists(path("out.dat")));
  EXPECT_FALSE(fs::exists(path("out.obu")));
}

}  // namespace

namespace {

std::vector<std::uint8_t> fileBytes(const std::string& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

// unpack writes pictures that pack takes back without a second lossy
// encoding; an edited picture is encoded anew; replace swaps one image.
TEST_F(GlassTool, UnpackPackAndReplaceRoundTrip) {
  std::string error;
  for (int i = 0; i < 11; ++i) {
    ASSERT_TRUE(writePng(path("c" + std::to_string(i) + ".png"), codec_test::makeTestPicture(16 + 8 * (i % 3), 16, 3),
                         &error)) << error;
  }
  ASSERT_TRUE(writePng(path("grey.png"), codec_test::makeTestPicture(32, 32, 1), &error)) << error;
  std::string pictures;
  for (int i = 0; i < 11; ++i) pictures += " " + path("c" + std::to_string(i) + ".png");
  ASSERT_EQ(run("pack " + path("tex.dat") + pictures).status, 0);
  ASSERT_EQ(run("pack " + path("mask.dat") + " --grey " + path("grey.png")).status, 0);

  const Result unpacked = run("unpack " + path("tex.dat") + " " + path("out"));
  ASSERT_EQ(unpacked.status, 0) << unpacked.out;
  EXPECT_TRUE(fs::exists(path("out/tex-00.png")) && fs::exists(path("out/tex-10.png"))) << "two-digit names";
  ASSERT_EQ(run("pack " + path("again.dat") + " --list " + path("out/tex.list")).status, 0);
  EXPECT_EQ(fileBytes(path("again.dat")), fileBytes(path("tex.dat"))) << "an unchanged unpack packs to the same bytes";

  ASSERT_EQ(run("unpack " + path("mask.dat") + " " + path("out")).status, 0);
  std::ifstream list(path("out/mask.list"));
  std::string text((std::istreambuf_iterator<char>(list)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("\ngrey mask-00.png\n"), std::string::npos) << text;

  // An edited picture (here: another picture under the unpacked name) is encoded.
  ASSERT_TRUE(writePng(path("out/tex-03.png"), codec_test::makeTestPicture(64, 32, 3), &error)) << error;
  const Result edited = run("pack " + path("edited.dat") + " --list " + path("out/tex.list"));
  ASSERT_EQ(edited.status, 0);
  EXPECT_NE(edited.out.find("tex-03.png: 64x32 colour, luma"), std::string::npos) << edited.out;
  EXPECT_NE(fileBytes(path("edited.dat")), fileBytes(path("tex.dat")));

  // replace: the same change in place, the other images' blocks untouched.
  const Result replaced = run("replace " + path("tex.dat") + " 3 " + path("out/tex-03.png"), true);
  EXPECT_EQ(replaced.status, 0) << replaced.out;
  EXPECT_NE(replaced.out.find("note: " + path("out/tex-03.png") + " is 64x32, the image it replaces was 16x16"),
            std::string::npos) << replaced.out;
  EXPECT_EQ(fileBytes(path("tex.dat")), fileBytes(path("edited.dat")));

  EXPECT_EQ(run("replace " + path("tex.dat") + " 11 " + path("grey.png")).status, 1);
  EXPECT_EQ(run("replace " + path("tex.dat") + " x " + path("grey.png")).status, 2);
  std::ofstream(path("bad.list")) << "colour\n";
  const Result badList = run("pack " + path("x.dat") + " --list " + path("bad.list"), true);
  EXPECT_EQ(badList.status, 1);
  EXPECT_NE(badList.out.find(path("bad.list") + ":1: "), std::string::npos) << badList.out;
}

// check: the stock content passes; a changed copy gets a line for each
// file that the presentation would show wrongly, and exit 1 for a missing
// picture.
TEST_F(GlassTool, CheckReportsFileByFile) {
  const fs::path stock = fs::path(GLASS_BINARY_DIR) / "content";
  if (!fs::exists(stock / "track.xm")) GTEST_SKIP() << "no generated content";
  const Result clean = run("check " + stock.string());
  EXPECT_EQ(clean.status, 0) << clean.out;
  EXPECT_NE(clean.out.find(": 0 errors, 0 warnings\n"), std::string::npos) << clean.out;

  const std::string copy = path("mine");
  fs::copy(stock, copy, fs::copy_options::recursive);
  std::string error;
  ASSERT_TRUE(writePng(path("wide.png"), codec_test::makeTestPicture(300, 200, 3), &error)) << error;
  std::string ten;
  for (int i = 0; i < 10; ++i) ten += " " + path("wide.png");
  ASSERT_EQ(run("pack " + copy + "/data/tex.dat" + ten).status, 0);
  std::ofstream(path("cube.obj")) << "v -1 -1 0\nv 1 -1 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\nf 1 2 4\nf 2 3 4\nf 1 3 4\n";
  const Result converted = run("obj2obu " + path("cube.obj") + " " + copy + "/ref/isomies.obu");
  ASSERT_EQ(converted.status, 0);
  EXPECT_NE(converted.out.find("isomies.obu: spans x -1.0..1.0, y -1.0..1.0, z 0.0..1.0"), std::string::npos)
      << "obj2obu says where the mesh stands: " << converted.out;
  std::ofstream(copy + "/ref/notes.txt") << "mine\n";

  const Result checked = run("check " + copy);
  EXPECT_EQ(checked.status, 1) << checked.out;
  for (const std::string& line : {
           copy + "/data/tex.dat: error: no image 10 (built, not shown): the container holds 10 of 11",
           copy + "/data/tex.dat: warning: image 2 (the walls of the room and of the house) is 300x200, the stock "
                  "picture 256x256: it is stretched over the same surfaces, so it will look squashed",
           copy + "/ref/isomies.obu: warning: spans x -1.0..1.0, y -1.0..1.0, z 0.0..1.0, far from the stock",
           copy + "/ref/notes.txt: warning: not read by the presentation",
           copy + "/data/alpha.dat: ok: 2 images as expected",
           copy + "/track.xm: ok: 6 orders",
       }) {
    EXPECT_NE(checked.out.find(line), std::string::npos) << line << "\n" << checked.out;
  }
  EXPECT_NE(checked.out.find(copy + ": 1 error, 12 warnings"), std::string::npos) << checked.out;

  // No song: an error naming the file.
  fs::remove(copy + "/track.xm");
  const Result noSong = run("check " + copy);
  EXPECT_NE(noSong.out.find(copy + "/track.xm: error: the song cannot be read"), std::string::npos) << noSong.out;
  EXPECT_EQ(run("check " + path("none")).status, 1);
  EXPECT_EQ(run("check").status, 2);
}
