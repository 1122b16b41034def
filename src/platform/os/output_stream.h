#pragma once
// An output file written as a stream, by the one rule every program here
// follows: a regular file (or a link to one) is written to a uniquely named
// hidden file beside it and renamed over it only on commit(), so a failed
// or abandoned run keeps the earlier file whole; a device, FIFO or socket is
// written in place and never replaced or removed; a folder is refused. The
// output's lock is held from open() to commit() or abandon().
#include <cstddef>
#include <cstdio>
#include <string>

#include "platform/os/output_lock.h"

class OutputStream {
 public:
  OutputStream() = default;
  ~OutputStream() { abandon(); }
  OutputStream(const OutputStream&) = delete;
  OutputStream& operator=(const OutputStream&) = delete;

  // Opens PATH before any work is done, so a mistyped name, a folder, a
  // run already writing it or a FIFO without a reader is known at once (the
  // last is reported on standard error, then waited for).
  bool open(const std::string& path, std::string* error);
  bool isOpen() const { return file_ != nullptr; }

  // Buffered writing; errors are remembered and reported by commit().
  std::FILE* file() const { return file_; }
  bool write(const void* bytes, std::size_t size);

  // Flushes and closes; a regular file then replaces the target. False,
  // with the reason and the path, when any write failed: the target is
  // then left as it was (a device keeps what reached it).
  bool commit(std::string* error);
  // Closes and removes the hidden file; the target stays as it was.
  void abandon();

  // The hidden file being written, or empty when the target is written in place.
  const std::string& temporaryPath() const { return temporary_; }
  const std::string& path() const { return path_; }

 private:
  void close();

  std::FILE* file_ = nullptr;
  std::string path_;       // as given, for messages
  std::string target_;     // after following links
  std::string temporary_;  // hidden file beside target_, empty when in place
  unsigned mode_ = 0;      // permissions the replaced file gets
  int writeError_ = 0;     // errno of the first failed write
  OutputLock lock_;
};

// The process's umask, read once (never set and restored: frames are
// written from several threads), and the permissions open() gives a new file.
unsigned processUmask();
inline unsigned newFileMode() { return 0666u & ~processUmask(); }
