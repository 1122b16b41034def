// Loading the data files: order, slots, the boxes on failure, and the check
// that refuses malformed containers and mesh files. (What the shell does
// after a failed load shows in its own start-up table.)
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "assets/file_loading.h"
#include "assets/mesh_file.h"
#include "platform/os/message_box.h"
#include "platform/os/regular_file.h"
#include "support/small_data_set.h"
#include "support/xm_writer.h"

namespace {

// "APUA PÄÄÄÄÄÄÄ!!" as the observer sees it (converted to UTF-8).
const std::string kCannotLoadUtf8 = "APUA P\xC3\x84\xC3\x84\xC3\x84\xC3\x84\xC3\x84\xC3\x84\xC3\x84!!";

using Box = std::pair<std::string, std::string>;  // caption, text

class FileLoadingTest : public testing::Test {
 protected:
  void SetUp() override {
    releaseLoadedFiles();
    setMessageBoxObserver([this](const std::string& caption, const std::string& text) {
      boxes.emplace_back(caption, text);
    });
  }
  void TearDown() override {
    setMessageBoxObserver({});
    releaseLoadedFiles();
  }

  ScopedWorkingDirectory workingDirectory;
  std::vector<Box> boxes;
};

int loadedCount() {
  int count = 0;
  for (unsigned char* buffer : dataFiles) count += buffer != nullptr;
  for (unsigned char* buffer : meshFiles) count += buffer != nullptr;
  return count;
}

}  // namespace

TEST_F(FileLoadingTest, WithNoFilesOnlyTheFirstIsTriedAndReported) {
  EXPECT_EQ(loadAllFiles(), 0);
  EXPECT_EQ(boxes, std::vector<Box>{Box("data\\tex.dat", "File not found!")});
  EXPECT_EQ(loadedCount(), 0);
}

TEST_F(FileLoadingTest, EmptyFileStopsTheLoadsAfterTheFilesBeforeIt) {
  std::string error;
  ASSERT_TRUE(writeSmallDataSet(".", &error)) << error;
  std::ofstream("ref/vesi.obu", std::ios::binary | std::ios::trunc);  // zero length
  EXPECT_EQ(loadAllFiles(), 0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], Box("ref\\vesi.obu", kCannotLoadUtf8));
  // The 18 files before it are loaded; vesi (slot 17) and later are not.
  EXPECT_EQ(loadedCount(), 18);
  EXPECT_NE(meshFiles[16], nullptr);
  EXPECT_EQ(meshFiles[17], nullptr);
}

TEST_F(FileLoadingTest, CompleteSetFillsEverySlotWithExactBytes) {
  std::string error;
  ASSERT_TRUE(writeSmallDataSet(".", &error)) << error;
  ASSERT_EQ(loadAllFiles(), 1);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(loadedCount(), 28);
  for (int slot : {7, 8, 9, 18, 19}) EXPECT_EQ(meshFiles[slot], nullptr) << slot;

  for (const FileLoad& load : kFileLoads) {
    const std::vector<std::uint8_t> bytes = readBytes(platformPath(load.path));
    const unsigned char* buffer = load.isMesh ? meshFiles[load.slot] : dataFiles[load.slot];
    const std::size_t size = load.isMesh ? meshFileSizes[load.slot] : dataFileSizes[load.slot];
    ASSERT_EQ(size, bytes.size()) << load.path;
    EXPECT_EQ(std::memcmp(buffer, bytes.data(), size), 0) << load.path;
  }

  // The files loaded twice (both bytes for bytes above) get two buffers.
  for (auto [first, second] : {std::pair{0, 12}, {1, 14}, {6, 13}}) EXPECT_NE(meshFiles[first], meshFiles[second]);
}

// Every way a file can lie about itself ends in one box naming the file and
// the problem, a 0 result, and no read outside the buffer (run under the
// sanitizer build as well).
TEST_F(FileLoadingTest, MalformedFilesAreRefusedWithTheFileAndProblemNamed) {
  std::string error;
  ASSERT_TRUE(writeSmallDataSet(".", &error)) << error;
  const std::vector<std::uint8_t> goodMesh = readBytes("ref/talo.obu");
  const std::vector<std::uint8_t> goodContainer = readBytes("data/alpha.dat");

  struct Case {
    const char* file;     // platform path
    const char* caption;  // the system's name
    const char* expected; // part of the problem text
    std::vector<std::uint8_t> (*spoil)(std::vector<std::uint8_t>);
  };
  const Case cases[] = {
      {"ref/talo.obu", "ref\\talo.obu", "need",
       [](std::vector<std::uint8_t> b) { b.resize(b.size() - 5); return b; }},
      {"ref/talo.obu", "ref\\talo.obu", "header",
       [](std::vector<std::uint8_t> b) { b.resize(7); return b; }},
      {"ref/talo.obu", "ref\\talo.obu", "need",
       [](std::vector<std::uint8_t> b) { b[2] = 0x40; return b; }},  // V = 4 + 0x400000
      {"ref/talo.obu", "ref\\talo.obu", "negative",
       [](std::vector<std::uint8_t> b) { b[7] = 0x80; return b; }},  // T < 0
      {"ref/talo.obu", "ref\\talo.obu", "vertex 9",
       [](std::vector<std::uint8_t> b) { b[12 + 48 + 6] = 9; return b; }},
      {"data/alpha.dat", "data\\alpha.dat", "",
       [](std::vector<std::uint8_t> b) { b.resize(b.size() / 2); return b; }},
      {"data/alpha.dat", "data\\alpha.dat", "",
       [](std::vector<std::uint8_t> b) { b[0] = 0xFF; b[1] = 0xFF; b[2] = 0xFF; b[3] = 0x7F; return b; }},
      {"data/alpha.dat", "data\\alpha.dat", "",
       [](std::vector<std::uint8_t> b) { b[4] = 0xFF; b[5] = 0xFF; b[6] = 0xFF; return b; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " / " + c.expected);
    writeBytes("ref/talo.obu", goodMesh);
    writeBytes("data/alpha.dat", goodContainer);
    writeBytes(c.file, c.spoil(c.file[0] == 'r' ? goodMesh : goodContainer));
    releaseLoadedFiles();
    boxes.clear();
    EXPECT_EQ(loadAllFiles(), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first, c.caption);
    EXPECT_NE(boxes[0].second.find(c.caption), std::string::npos) << boxes[0].second;
    EXPECT_NE(boxes[0].second.find(c.expected), std::string::npos) << boxes[0].second;
  }
}

TEST_F(FileLoadingTest, OnlyRegularFilesAreReadAndNothingBlocks) {
  // A folder, a pipe with no writer and an endless device get the box of a
  // missing file, at once.
  std::filesystem::create_directories("data/folder.dat");
  ASSERT_EQ(::mkfifo("data/pipe.dat", 0600), 0);
  for (const char* path : {"data\\folder.dat", "data\\pipe.dat", "/dev/zero"}) {
    unsigned char* buffer = nullptr;
    EXPECT_FALSE(loadWholeFile(path, &buffer, nullptr)) << path;
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), Box(path, "File not found!"));
  }
}

// Files far larger than their format allows (sparse: they take no disk) are
// refused from their size and first bytes: one box naming the file, its size
// and the limit, and nothing read (a read would need gigabytes of memory,
// and fail with the box of a file that cannot be loaded).
TEST_F(FileLoadingTest, FilesLargerThanTheirFormatAllowsAreRefusedUnread) {
  std::string error;
  ASSERT_TRUE(writeSmallDataSet(".", &error)) << error;
  const std::vector<std::uint8_t> goodMesh = readBytes("ref/AK.obu");
  const std::vector<std::uint8_t> goodContainer = readBytes("data/tex.dat");
  const auto sizeOf = [](const std::vector<std::uint8_t>& b) { return std::to_string(b.size()) + " bytes"; };
  struct Case {
    const char* file;
    const char* caption;
    off_t size;
    bool zeros;  // all zero instead of a good file with a zero tail
    std::string expected;
  };
  const off_t gb = off_t{1} << 30;
  const Case cases[] = {
      {"data/tex.dat", "data\\tex.dat", 5 * gb, false,
       "Image container too large data\\tex.dat: 5368709120 bytes (5.0 GB), more than the " + sizeOf(goodContainer) +
           " its offset table describes"},
      {"data/tex.dat", "data\\tex.dat", 2 * gb, true,
       "2147483648 bytes (2.0 GB), more than the 4 bytes a container with an entry count of 0 can hold"},
      {"ref/AK.obu", "ref\\AK.obu", 2 * gb, false, "more than the " + sizeOf(goodMesh) + " its counts (vertices"},
      {"ref/AK.obu", "ref\\AK.obu", 3 * gb, true,
       "Mesh file too large ref\\AK.obu: 3221225472 bytes (3.0 GB), more than the 12 bytes its counts (vertices 0, "
       "triangles 0, texture coordinates 0) describe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file + std::string(" ") + std::to_string(c.size));
    writeBytes("ref/AK.obu", goodMesh);
    writeBytes("data/tex.dat", goodContainer);
    if (c.zeros) std::ofstream(c.file, std::ios::binary | std::ios::trunc);
    ASSERT_EQ(::truncate(c.file, c.size), 0);
    releaseLoadedFiles();
    boxes.clear();
    EXPECT_EQ(loadAllFiles(), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first, c.caption);
    EXPECT_NE(boxes[0].second.find(c.expected), std::string::npos) << boxes[0].second;
  }
  // A good mesh header with counts above the limits: the largest mesh file.
  std::vector<std::uint8_t> header(goodMesh.begin(), goodMesh.begin() + 12);
  header[2] = 0x40;
  writeBytes("data/tex.dat", goodContainer);
  writeBytes("ref/AK.obu", header);
  ASSERT_EQ(::truncate("ref/AK.obu", 2 * gb), 0);
  releaseLoadedFiles();
  boxes.clear();
  EXPECT_EQ(loadAllFiles(), 0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].second.find("more than the " + std::to_string(kMaxMeshFileBytes) +
                                 " bytes (20.0 MB) the largest mesh file can be"),
            std::string::npos)
      << boxes[0].second;
}

// The reader's limit: a file at its limit is read whole, one byte more is
// refused with nothing read, and the rule sees the file's first bytes.
TEST(RegularFile, SizeRuleSeesTheHeadAndRefusesAboveTheLimit) {
  ScopedWorkingDirectory directory;
  writeBytes("five", {1, 2, 3, 4, 5});
  std::vector<unsigned char> bytes{9};
  EXPECT_TRUE(readRegularFile("five", bytes, fixedSizeLimit(5, "five may be")).ok());
  EXPECT_EQ(bytes, (std::vector<unsigned char>{1, 2, 3, 4, 5}));
  const FileReadResult refused = readRegularFile("five", bytes, fixedSizeLimit(4, "four may be"));
  EXPECT_EQ(refused.status, FileReadStatus::kTooLarge);
  EXPECT_EQ(refused.reason, "5 bytes, more than the 4 bytes four may be");
  EXPECT_TRUE(bytes.empty());
  std::size_t seen = 0;
  const SizeRule byHead = [&seen](const unsigned char* head, std::size_t headBytes) {
    seen = headBytes;
    return SizeLimit{head[0], "the first byte says"};
  };
  writeBytes("five", {5, 2, 3, 4, 5});
  EXPECT_TRUE(readRegularFile("five", bytes, byHead).ok());
  EXPECT_EQ(seen, 5u);
  ASSERT_EQ(::truncate("five", off_t{4} << 30), 0);
  const FileReadResult huge = readRegularFile("five", bytes, byHead);
  EXPECT_EQ(huge.status, FileReadStatus::kTooLarge);
  EXPECT_EQ(huge.reason, "4294967296 bytes (4.0 GB), more than the 5 bytes the first byte says");
  EXPECT_EQ(seen, kSizeRuleHeadBytes);
}
