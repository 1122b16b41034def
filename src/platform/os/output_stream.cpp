#include "platform/os/output_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

std::string resolvedPath(const std::string& path) {
  std::string target = path;
  if (char* resolved = ::realpath(path.c_str(), nullptr)) {
    target = resolved;
    std::free(resolved);
  }
  return target;
}

// A device, FIFO or socket opened where it stands. A FIFO with no reader
// yet is said at once, before the open waits for one.
int openInPlace(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0 && errno == ENXIO) {
    std::fprintf(stderr, "waiting for a reader on %s\n", path.c_str());
    fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  }
  if (fd >= 0) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  }
  return fd;
}

std::string failure(const std::string& what, const std::string& path, int problem) {
  return "cannot " + what + " " + path + ": " + std::strerror(problem);
}

}  // namespace

unsigned processUmask() {
  static const unsigned mask = [] {
    unsigned mask = 022;
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
      char line[256];
      while (std::fgets(line, sizeof line, status)) {
        if (std::sscanf(line, "Umask: %o", &mask) == 1) break;
      }
      std::fclose(status);
    }
    return mask & 0777u;
  }();
  return mask;
}

bool OutputStream::open(const std::string& path, std::string* error) {
  abandon();
  path_ = path;
  writeError_ = 0;
  struct stat info {};
  const bool exists = ::stat(path.c_str(), &info) == 0;
  if (exists && S_ISDIR(info.st_mode)) {
    if (error != nullptr) *error = "cannot write " + path + ": it is a folder";
    return false;
  }
  int fd = -1;
  if (exists && !S_ISREG(info.st_mode)) {
    fd = openInPlace(path);
    if (fd < 0) {
      if (error != nullptr) *error = failure("open", path, errno);
      return false;
    }
  } else {
    if (!lock_.acquire(path, error)) return false;
    target_ = resolvedPath(path);
    mode_ = exists ? (info.st_mode & 07777) : newFileMode();
    const std::size_t slash = target_.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    temporary_ = folder + "." + name + ".XXXXXX";
    fd = ::mkstemp(temporary_.data());
    if (fd < 0) {
      if (error != nullptr) *error = failure("create", path, errno);
      temporary_.clear();
      lock_.release();
      return false;
    }
  }
  file_ = ::fdopen(fd, "wb");
  if (file_ == nullptr) {
    if (error != nullptr) *error = failure("open", path, errno);
    ::close(fd);
    abandon();
    return false;
  }
  return true;
}

bool OutputStream::write(const void* bytes, std::size_t size) {
  if (file_ == nullptr || writeError_ != 0) return false;
  if (size == 0 || std::fwrite(bytes, 1, size, file_) == size) return true;
  writeError_ = errno != 0 ? errno : EIO;
  return false;
}

void OutputStream::close() {
  if (file_ == nullptr) return;
  if (writeError_ == 0 && (std::ferror(file_) || std::fflush(file_) != 0)) writeError_ = errno != 0 ? errno : EIO;
  if (writeError_ == 0 && !temporary_.empty() && ::fchmod(::fileno(file_), mode_) != 0) writeError_ = errno;
  if (std::fclose(file_) != 0 && writeError_ == 0) writeError_ = errno != 0 ? errno : EIO;
  file_ = nullptr;
}

bool OutputStream::commit(std::string* error) {
  if (file_ == nullptr) {
    if (error != nullptr) *error = "cannot write " + path_ + ": it was not opened";
    return false;
  }
  close();
  if (writeError_ == 0 && !temporary_.empty() && ::rename(temporary_.c_str(), target_.c_str()) != 0) {
    writeError_ = errno;
  }
  const int problem = writeError_;
  if (problem == 0) temporary_.clear();
  abandon();
  if (problem != 0 && error != nullptr) *error = failure("write", path_, problem);
  return problem == 0;
}

void OutputStream::abandon() {
  close();
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
  lock_.release();
}
