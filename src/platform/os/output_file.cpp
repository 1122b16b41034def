#include "platform/os/output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/os/output_stream.h"

bool writeOutputFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error) {
  OutputStream output;
  if (!output.open(path, error)) return false;
  output.write(bytes.data(), bytes.size());
  return output.commit(error);
}

bool writeNewFileInOwnFolder(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);  // the umask applies
  if (fd < 0) {
    if (error != nullptr) *error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  int problem = 0;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      problem = written < 0 ? errno : EIO;
      break;
    }
    done += static_cast<std::size_t>(written);
  }
  if (::close(fd) != 0 && problem == 0 && errno != EINTR) problem = errno;
  if (problem != 0) {
    ::unlink(path.c_str());
    if (error != nullptr) *error = "cannot write " + path + ": " + std::strerror(problem);
    return false;
  }
  return true;
}
