// Output files: a failed write never removes or replaces what was there.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/os/output_file.h"

namespace fs = std::filesystem;

namespace {

fs::path freshFolder(const std::string& name) {
  const fs::path dir = fs::temp_directory_path() / ("glass-output-" + name + "-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::string contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::vector<std::uint8_t> kBytes{'n', 'e', 'w'};

}  // namespace

TEST(OutputFile, ReplacesRegularFilesAndLinkTargetsLeavingNoTemporaryFile) {
  const fs::path dir = freshFolder("regular");
  std::ofstream(dir / "old.png") << "old";
  fs::create_symlink("old.png", dir / "link.png");
  std::string error;
  ASSERT_TRUE(writeOutputFile((dir / "link.png").string(), kBytes, &error)) << error;
  EXPECT_TRUE(fs::is_symlink(dir / "link.png"));
  EXPECT_EQ(contents(dir / "old.png"), "new");
  ASSERT_TRUE(writeOutputFile((dir / "fresh.png").string(), kBytes, &error)) << error;
  EXPECT_EQ(contents(dir / "fresh.png"), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
  fs::remove_all(dir);
}

TEST(OutputFile, RefusesAFolder) {
  const fs::path dir = freshFolder("folder");
  std::string error;
  EXPECT_FALSE(writeOutputFile(dir.string(), kBytes, &error));
  EXPECT_NE(error.find("folder"), std::string::npos) << error;
  EXPECT_TRUE(fs::is_directory(dir));
  fs::remove_all(dir);
}

TEST(OutputFile, FailingDeviceIsReportedAndKept) {
  const fs::path dir = freshFolder("device");
  const fs::path node = dir / "full";
  // The same device numbers as the system's full device, made privately here.
  if (::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) GTEST_SKIP() << "mknod needs root";
  std::string error;
  EXPECT_FALSE(writeOutputFile(node.string(), kBytes, &error));
  EXPECT_NE(error.find(node.string()), std::string::npos) << error;
  struct stat info {};
  ASSERT_EQ(::lstat(node.c_str(), &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));
  fs::remove_all(dir);
}

TEST(OutputFile, FifoWithReaderIsWrittenInPlace) {
  const fs::path dir = freshFolder("fifo");
  const fs::path fifo = dir / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  std::string error;
  ASSERT_TRUE(writeOutputFile(fifo.string(), kBytes, &error)) << error;
  char got[8] = {};
  EXPECT_EQ(::read(reader, got, sizeof got), 3);
  EXPECT_EQ(std::string(got, 3), "new");
  ::close(reader);
  struct stat info {};
  ASSERT_EQ(::lstat(fifo.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  fs::remove_all(dir);
}
