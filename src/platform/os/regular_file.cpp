#include "platform/os/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

const char* kindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder, not a file";
  if (S_ISFIFO(mode)) return "a pipe, not a file";
  if (S_ISSOCK(mode)) return "a socket, not a file";
  return "a device, not a file";
}

// Reads up to `room` bytes at `offset` (fewer only at the end of the file).
ssize_t readAt(int fd, unsigned char* target, std::size_t room, off_t offset) {
  std::size_t done = 0;
  while (done < room) {
    const ssize_t got = ::pread(fd, target + done, room - done, offset + static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<ssize_t>(done);
}

FileReadResult tooLarge(std::uint64_t size, const SizeLimit& limit) {
  return {FileReadStatus::kTooLarge,
          describeByteCount(size) + ", more than the " + describeByteCount(limit.bytes) + " " + limit.what};
}

}  // namespace

std::string describeByteCount(std::uint64_t bytes) {
  std::string text = std::to_string(bytes) + " bytes";
  constexpr std::uint64_t kMega = 1 << 20;
  constexpr std::uint64_t kGiga = 1 << 30;
  char scaled[32] = "";
  if (bytes >= kGiga) {
    std::snprintf(scaled, sizeof scaled, " (%.1f GB)", double(bytes) / double(kGiga));
  } else if (bytes >= kMega) {
    std::snprintf(scaled, sizeof scaled, " (%.1f MB)", double(bytes) / double(kMega));
  }
  return text + scaled;
}

SizeRule fixedSizeLimit(std::uint64_t bytes, std::string what) {
  return [bytes, what = std::move(what)](const unsigned char*, std::size_t) { return SizeLimit{bytes, what}; };
}

FileReadResult readRegularFile(const std::string& path, std::vector<unsigned char>& bytes, const SizeRule& rule) {
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
  const std::uint64_t fileSize = static_cast<std::uint64_t>(info.st_size);
  SizeLimit limit;
  if (rule) {
    unsigned char head[kSizeRuleHeadBytes];
    const ssize_t got = readAt(fd, head, sizeof head, 0);
    if (got < 0) {
      const int problem = errno;
      ::close(fd);
      return {FileReadStatus::kFailed, std::strerror(problem)};
    }
    limit = rule(head, static_cast<std::size_t>(got));
    if (fileSize > limit.bytes) {
      ::close(fd);
      return tooLarge(fileSize, limit);
    }
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
      done += static_cast<std::size_t>(got);
      if (done > limit.bytes) {
        // Grown past the limit since fstat.
        result = tooLarge(done, limit);
        break;
      }
      if (!inPlace) bytes.insert(bytes.end(), spare, spare + got);
    }
    bytes.resize(result.ok() ? done : 0);
  } catch (const std::bad_alloc&) {
    bytes.clear();
    result = {FileReadStatus::kFailed, "not enough memory for the file"};
  }
  ::close(fd);
  return result;
}
