#pragma once
// Writes a whole output file so that a failed write never destroys what was
// there: a regular file (or a link to one) is replaced only once every byte
// is written; a device, FIFO or socket is written in place and never removed;
// a folder is refused. Any failure is reported with the path.
#include <cstdint>
#include <string>
#include <vector>

bool writeOutputFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error);

// Writes `bytes` as a new file in a folder this run alone writes (an output
// folder being built, whose lock covers it): no lock file and no temporary
// name of its own, so a frame costs three system calls, not a dozen. Fails
// when the file exists; a failed write removes what was written.
bool writeNewFileInOwnFolder(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error);
