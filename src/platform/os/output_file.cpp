#include "platform/os/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Outcome {
  bool ok = false;
  std::string error;
};

Outcome writeAll(int fd, const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      const int problem = written < 0 ? errno : ENOSPC;
      return {false, "cannot write " + path + ": " + std::strerror(problem)};
    }
    done += static_cast<std::size_t>(written);
  }
  return {true, {}};
}

// A device, FIFO or socket is written where it stands: it is never replaced
// or removed, whatever happens to the write.
Outcome writeInPlace(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0 && errno == ENXIO) {
    std::fprintf(stderr, "waiting for a reader on %s\n", path.c_str());
    fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  }
  if (fd < 0) return {false, "cannot open " + path + ": " + std::strerror(errno)};
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  Outcome result = writeAll(fd, path, bytes);
  if (::close(fd) != 0 && result.ok) result = {false, "cannot write " + path + ": " + std::strerror(errno)};
  return result;
}

// A regular file is written to a uniquely named hidden file beside it and
// renamed over it only once every byte is written, so a failed write keeps
// the earlier file whole. A symbolic link keeps pointing at the new file.
Outcome writeReplacing(const std::string& path, const std::vector<std::uint8_t>& bytes, mode_t mode) {
  std::string target = path;
  if (char* resolved = ::realpath(path.c_str(), nullptr)) {
    target = resolved;
    std::free(resolved);
  }
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string temp = folder + "." + name + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return {false, "cannot create " + path + ": " + std::strerror(errno)};
  Outcome result = writeAll(fd, path, bytes);
  if (result.ok && ::fchmod(fd, mode) != 0) result = {false, "cannot write " + path + ": " + std::strerror(errno)};
  if (::close(fd) != 0 && result.ok) result = {false, "cannot write " + path + ": " + std::strerror(errno)};
  if (result.ok && ::rename(temp.c_str(), target.c_str()) != 0) {
    result = {false, "cannot write " + path + ": " + std::strerror(errno)};
  }
  if (!result.ok) ::unlink(temp.c_str());
  return result;
}

// A new file gets the permissions open() would give it. The umask is read,
// not set and restored: PNG frames are written from several threads at once.
mode_t processUmask() {
  static const mode_t mask = [] {
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
      char line[256];
      unsigned value = 0;
      while (std::fgets(line, sizeof line, status)) {
        if (std::sscanf(line, "Umask: %o", &value) == 1) {
          std::fclose(status);
          return static_cast<mode_t>(value);
        }
      }
      std::fclose(status);
    }
    return static_cast<mode_t>(022);
  }();
  return mask;
}

Outcome writeChecked(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return {false, "cannot write " + path + ": it is a folder"};
    if (!S_ISREG(info.st_mode)) return writeInPlace(path, bytes);
    return writeReplacing(path, bytes, info.st_mode & 07777);
  }
  return writeReplacing(path, bytes, 0666 & ~processUmask());
}

}  // namespace

bool writeOutputFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error) {
  Outcome outcome = writeChecked(path, bytes);
  if (!outcome.ok && error) *error = outcome.error;
  return outcome.ok;
}
