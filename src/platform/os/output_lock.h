#pragma once
// One run per output: while a run writes an output (a video, a folder of
// frames, a contact sheet, a trace, a tool's file), it holds an advisory
// lock on a hidden ".NAME.lock" file beside it. A second run aimed at the
// same output is refused at once, with the name and process of the first.
#include <string>

class OutputLock {
 public:
  OutputLock() = default;
  ~OutputLock() { release(); }
  OutputLock(const OutputLock&) = delete;
  OutputLock& operator=(const OutputLock&) = delete;

  // Takes the lock of the output PATH. False, with a message naming the run
  // that holds it, only when another run writes that output now; a folder
  // where no lock file can be made (read-only, missing) is left to the
  // writer to report.
  bool acquire(const std::string& path, std::string* error);
  // Removes the lock file and lets go; nothing happens when none is held.
  void release();

 private:
  std::string lockPath_;  // empty when no lock is held
};

// The path of the lock of output PATH: ".NAME.lock" beside the file or
// folder PATH names, after following symbolic links.
std::string outputLockPath(const std::string& path);
