// Reading a whole file that must be a regular file. A directory, a FIFO or a
// device where a data file is expected is refused before anything is read:
// a directory has no bytes to give and a FIFO or device would block or never
// end. The file is opened without blocking and checked on the open
// descriptor, so what is checked is what is read. A file larger than its
// format allows is refused from its size and its first bytes alone, before
// any memory is taken for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class FileReadStatus {
  kRead,
  kMissing,  // no such file, or it cannot be opened
  kNotRegular,  // a directory, FIFO, device or socket
  kTooLarge,  // larger than its size limit; nothing was read past its head
  kFailed,  // a read error, or no memory for the bytes
};

struct FileReadResult {
  FileReadStatus status = FileReadStatus::kFailed;
  std::string reason;  // the system's reason or what the path is, empty when read
  bool ok() const { return status == FileReadStatus::kRead; }
};

// The largest a file may be, and what sets that limit, in words that follow
// "more than the N bytes", e.g. "its offset table describes".
struct SizeLimit {
  std::uint64_t bytes = UINT64_MAX;
  std::string what;
};

// How many bytes of a file's head a size rule is shown (fewer when the file
// is shorter): enough for an image container's largest offset table.
constexpr std::size_t kSizeRuleHeadBytes = 16392;

// Works out a file's size limit from its first bytes.
using SizeRule = std::function<SizeLimit(const unsigned char* head, std::size_t headBytes)>;

// A fixed limit, e.g. fixedSizeLimit(64 << 20, "a module may be").
SizeRule fixedSizeLimit(std::uint64_t bytes, std::string what);

// Replaces `bytes` with the file's contents. With a rule, a file larger than
// the rule's limit is refused (kTooLarge, the reason naming its size and the
// limit) after reading only its head.
FileReadResult readRegularFile(const std::string& path, std::vector<unsigned char>& bytes,
                               const SizeRule& rule = {});

// "67108864 bytes (64 MB)": a byte count as the size messages give it.
std::string describeByteCount(std::uint64_t bytes);
