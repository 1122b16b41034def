// Reading a whole file that must be a regular file. A directory, a FIFO or a
// device where a data file is expected is refused before anything is read:
// a directory has no bytes to give and a FIFO or device would block or never
// end. The file is opened without blocking and checked on the open
// descriptor, so what is checked is what is read.
#pragma once

#include <string>
#include <vector>

enum class FileReadStatus {
  kRead,
  kMissing,  // no such file, or it cannot be opened
  kNotRegular,  // a directory, FIFO, device or socket
  kFailed,  // a read error, or no memory for the bytes
};

struct FileReadResult {
  FileReadStatus status = FileReadStatus::kFailed;
  std::string reason;  // the system's reason or what the path is, empty when read
  bool ok() const { return status == FileReadStatus::kRead; }
};

// Replaces `bytes` with the file's contents.
FileReadResult readRegularFile(const std::string& path, std::vector<unsigned char>& bytes);
