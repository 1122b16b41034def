#include "platform/os/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace {

const char* kindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder, not a file";
  if (S_ISFIFO(mode)) return "a pipe, not a file";
  if (S_ISSOCK(mode)) return "a socket, not a file";
  return "a device, not a file";
}

}  // namespace

FileReadResult readRegularFile(const std::string& path, std::vector<unsigned char>& bytes) {
  bytes.clear();
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return {FileReadStatus::kMissing, std::strerror(errno)};
  struct stat info;
  if (::fstat(fd, &info) != 0) {
    const int problem = errno;
    ::close(fd);
    return {FileReadStatus::kFailed, std::strerror(problem)};
  }
  if (!S_ISREG(info.st_mode)) {
    ::close(fd);
    return {FileReadStatus::kNotRegular, kindOf(info.st_mode)};
  }
  FileReadResult result{FileReadStatus::kRead, {}};
  try {
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    // Reads to the end: the file may have grown or shrunk since fstat.
    unsigned char spare[4096];
    for (;;) {
      const bool inPlace = done < bytes.size();
      unsigned char* target = inPlace ? bytes.data() + done : spare;
      const std::size_t room = inPlace ? bytes.size() - done : sizeof spare;
      const ssize_t got = ::read(fd, target, room);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) {
        result = {FileReadStatus::kFailed, std::strerror(errno)};
        break;
      }
      if (got == 0) break;
      if (!inPlace) bytes.insert(bytes.end(), spare, spare + got);
      done += static_cast<std::size_t>(got);
    }
    bytes.resize(result.ok() ? done : 0);
  } catch (const std::bad_alloc&) {
    bytes.clear();
    result = {FileReadStatus::kFailed, "not enough memory for the file"};
  }
  ::close(fd);
  return result;
}
