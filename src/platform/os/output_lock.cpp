#include "platform/os/output_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

namespace {

// Locks this process already holds, by lock path: a second writer in the
// same run (the screenshot of a frame the capture also writes) shares it.
std::mutex heldMutex;
struct HeldLock {
  int fd = -1;
  int holders = 0;
};
std::map<std::string, HeldLock> heldLocks;
pid_t heldBy = 0;  // a child made by fork() holds none of its parent's locks

// "glass-tool, process 1234" from what the holder wrote into the lock file.
std::string describeHolder(int fd) {
  char text[128] = {};
  const ssize_t length = ::pread(fd, text, sizeof text - 1, 0);
  std::string holder = length > 0 ? std::string(text, static_cast<std::size_t>(length)) : std::string();
  while (!holder.empty() && (holder.back() == '\n' || holder.back() == ' ')) holder.pop_back();
  const std::size_t space = holder.rfind(' ');
  if (holder.empty() || space == std::string::npos) return "another program";
  return holder.substr(0, space) + ", process " + holder.substr(space + 1);
}

bool sameFile(int fd, const std::string& path) {
  struct stat opened {}, named {};
  return ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
         opened.st_ino == named.st_ino;
}

}  // namespace

std::string outputLockPath(const std::string& path) {
  std::string target = path;
  if (char* resolved = ::realpath(path.c_str(), nullptr)) {
    target = resolved;
    std::free(resolved);
  }
  while (target.size() > 1 && target.back() == '/') target.pop_back();
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  return folder + "." + name + ".lock";
}

bool OutputLock::acquire(const std::string& path, std::string* error) {
  release();
  const std::string lockPath = outputLockPath(path);
  {
    std::lock_guard<std::mutex> guard(heldMutex);
    if (heldBy != ::getpid()) {
      heldLocks.clear();
      heldBy = ::getpid();
    }
    auto held = heldLocks.find(lockPath);
    if (held != heldLocks.end()) {
      ++held->second.holders;
      lockPath_ = lockPath;
      return true;
    }
  }
  // The lock file of a run that has just finished may be removed between
  // opening and locking it: the lock only counts on the file the name
  // still leads to.
  for (int attempt = 0; attempt < 8; ++attempt) {
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int problem = errno;
      const std::string holder = describeHolder(fd);
      ::close(fd);
      if (problem != EWOULDBLOCK) return true;
      if (error != nullptr) {
        *error = path + " is being written by another run (" + holder + "); try again once it has finished";
      }
      return false;
    }
    if (!sameFile(fd, lockPath)) {
      ::close(fd);
      continue;
    }
    const std::string holder = std::string(program_invocation_short_name) + " " + std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0) {
      [[maybe_unused]] const ssize_t written = ::pwrite(fd, holder.data(), holder.size(), 0);
    }
    std::lock_guard<std::mutex> guard(heldMutex);
    heldLocks[lockPath] = HeldLock{fd, 1};
    lockPath_ = lockPath;
    return true;
  }
  return true;
}

void OutputLock::release() {
  if (lockPath_.empty()) return;
  std::lock_guard<std::mutex> guard(heldMutex);
  auto held = heldLocks.find(lockPath_);
  // The last holder in this process removes the file and lets go.
  if (held != heldLocks.end() && --held->second.holders == 0) {
    ::unlink(lockPath_.c_str());
    ::close(held->second.fd);
    heldLocks.erase(held);
  }
  lockPath_.clear();
}
