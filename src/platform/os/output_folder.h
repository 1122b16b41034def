#pragma once
// A folder of output files (a capture's frames and its audio.wav) built in
// a uniquely named hidden folder beside the target and moved into place
// only on commit(), so a failed run never touches an earlier result. The
// target's lock is held from open() to commit() or abandon().
#include <functional>
#include <string>

#include "platform/os/output_lock.h"

class OutputFolder {
 public:
  OutputFolder() = default;
  ~OutputFolder() { abandon(); }
  OutputFolder(const OutputFolder&) = delete;
  OutputFolder& operator=(const OutputFolder&) = delete;

  // Takes the target's lock and makes the hidden folder. False, with the
  // reason, when TARGET is a file, or another run writes it, or its parent
  // takes no new folder.
  bool open(const std::string& target, std::string* error);
  // Where the new files are written until commit().
  const std::string& building() const { return building_; }

  // Moves the new files into the target, creating it when missing. Files
  // of the target that `replaced` accepts (an earlier capture's frames) and
  // that the new set lacks are removed; every other file stays.
  bool commit(const std::function<bool(const std::string& name)>& replaced, std::string* error);
  // Removes the hidden folder and everything in it.
  void abandon();

 private:
  std::string target_;
  std::string building_;
  OutputLock lock_;
};
