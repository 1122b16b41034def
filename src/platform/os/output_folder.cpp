#include "platform/os/output_folder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

#include "platform/os/output_stream.h"

namespace fs = std::filesystem;

namespace {

// TARGET with its parent's links followed: the hidden folder must be on the
// same file system as the place it is renamed to.
std::string resolvedTarget(const std::string& target) {
  std::string path = target;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (char* resolved = ::realpath(path.c_str(), nullptr)) {
    path = resolved;
    std::free(resolved);
    return path;
  }
  const std::size_t slash = path.rfind('/');
  const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  if (char* resolved = ::realpath(parent.c_str(), nullptr)) {
    const std::string folder = resolved;
    std::free(resolved);
    return (folder == "/" ? "" : folder) + "/" + (slash == std::string::npos ? path : path.substr(slash + 1));
  }
  return path;
}

}  // namespace

bool OutputFolder::open(const std::string& target, std::string* error) {
  abandon();
  struct stat info {};
  if (::stat(target.c_str(), &info) == 0 && !S_ISDIR(info.st_mode)) {
    if (error != nullptr) *error = target + " exists and is not a folder";
    return false;
  }
  if (!lock_.acquire(target, error)) return false;
  target_ = resolvedTarget(target);
  const std::size_t slash = target_.rfind('/');
  building_ = target_.substr(0, slash + 1) + "." + target_.substr(slash + 1) + ".XXXXXX";
  if (::mkdtemp(building_.data()) == nullptr) {
    if (error != nullptr) *error = "cannot create a folder beside " + target + ": " + std::strerror(errno);
    building_.clear();
    lock_.release();
    return false;
  }
  return true;
}

bool OutputFolder::commit(const std::function<bool(const std::string& name)>& replaced, std::string* error) {
  if (building_.empty()) {
    if (error != nullptr) *error = "cannot write " + target_ + ": it was not opened";
    return false;
  }
  // A new target is the hidden folder itself, with the permissions mkdir
  // would have given it.
  struct stat info {};
  if (::stat(target_.c_str(), &info) != 0) {
    ::chmod(building_.c_str(), 0777u & ~processUmask());
    if (::rename(building_.c_str(), target_.c_str()) == 0) {
      building_.clear();
      lock_.release();
      return true;
    }
  }
  // Into an existing folder, file by file: each new file replaces its
  // namesake at once, then the earlier run's files the new one lacks go.
  std::error_code failed;
  std::set<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(building_, failed)) {
    const std::string name = entry.path().filename().string();
    if (std::rename(entry.path().c_str(), (target_ + "/" + name).c_str()) != 0) {
      if (error != nullptr) *error = "cannot move " + name + " into " + target_ + ": " + std::strerror(errno);
      return false;
    }
    names.insert(name);
  }
  if (failed) {
    if (error != nullptr) *error = "cannot read " + building_ + ": " + failed.message();
    return false;
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(target_, failed)) {
    const std::string name = entry.path().filename().string();
    if (replaced(name) && names.count(name) == 0) fs::remove(entry.path(), failed);
  }
  abandon();
  return true;
}

void OutputFolder::abandon() {
  if (!building_.empty()) {
    std::error_code ignored;
    fs::remove_all(building_, ignored);
    building_.clear();
  }
  lock_.release();
}
