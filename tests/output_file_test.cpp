// Output files: a failed write never removes or replaces what was there.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/os/output_file.h"
#include "platform/os/output_lock.h"
#include "platform/os/output_stream.h"

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

TEST(OutputStream, AbandonedOrFailedStreamKeepsTheEarlierFile) {
  const fs::path dir = freshFolder("stream");
  std::ofstream(dir / "trace.txt") << "old";
  std::string error;
  {
    OutputStream stream;
    ASSERT_TRUE(stream.open((dir / "trace.txt").string(), &error)) << error;
    std::fputs("half a trace", stream.file());
    EXPECT_EQ(contents(dir / "trace.txt"), "old") << "nothing replaced before the end";
    EXPECT_TRUE(fs::exists(stream.temporaryPath()));
  }  // destroyed without commit: an interrupted run
  EXPECT_EQ(contents(dir / "trace.txt"), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "no temporary or lock left";

  const fs::path node = dir / "full";
  if (::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0) {
    OutputStream stream;
    ASSERT_TRUE(stream.open(node.string(), &error)) << error;
    EXPECT_TRUE(stream.temporaryPath().empty()) << "a device is written in place";
    for (int i = 0; i < 1000; ++i) std::fputs("IDirect3DDevice8::Present(NULL, NULL, NULL, NULL)\n", stream.file());
    EXPECT_FALSE(stream.commit(&error));
    EXPECT_EQ(error, "cannot write " + node.string() + ": No space left on device");
    struct stat info {};
    ASSERT_EQ(::lstat(node.c_str(), &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
  }
  fs::remove_all(dir);
}

// Runs `attempt` in a child process and returns its exit status.
template <typename Attempt>
int inChildProcess(Attempt attempt) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(attempt());
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(OutputLock, SecondRunOnAnOutputIsRefusedNamingTheFirst) {
  const fs::path dir = freshFolder("lock");
  const std::string video = (dir / "clip.mp4").string();
  std::string error;
  OutputLock first;
  ASSERT_TRUE(first.acquire(video, &error)) << error;
  EXPECT_TRUE(fs::exists(dir / ".clip.mp4.lock"));
  const std::string ownPid = std::to_string(::getpid());
  EXPECT_EQ(inChildProcess([&] {
              OutputLock second;
              std::string refusal;
              if (second.acquire(video, &refusal)) return 1;
              return refusal.find("process " + ownPid) != std::string::npos && refusal.find(video) == 0 ? 0 : 2;
            }),
            0);
  // A stream on the same output from another run is refused the same way.
  EXPECT_EQ(inChildProcess([&] {
              OutputStream stream;
              std::string refusal;
              return stream.open(video, &refusal) ? 1 : 0;
            }),
            0);
  // Within one run the lock is shared, and kept until its last holder lets go.
  {
    OutputLock nested;
    ASSERT_TRUE(nested.acquire(video, &error));
  }
  EXPECT_EQ(inChildProcess([&] {
              OutputLock second;
              return second.acquire(video, nullptr) ? 1 : 0;
            }),
            0);
  first.release();
  EXPECT_FALSE(fs::exists(dir / ".clip.mp4.lock"));
  // A lock file left by a killed run holds nothing.
  std::ofstream(dir / ".clip.mp4.lock") << "glass-orchard 1\n";
  EXPECT_EQ(inChildProcess([&] {
              OutputLock later;
              return later.acquire(video, nullptr) ? 0 : 1;
            }),
            0);
  fs::remove_all(dir);
}
