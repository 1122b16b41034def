// The commands of glass-tool. Each takes the arguments after the command
// name (argv[0] is the command itself) and returns the exit code: 0 done,
// 1 a file could not be read, written or decoded, 2 wrong usage.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/os/regular_file.h"

int runPack(int argc, char** argv);
int runInfo(int argc, char** argv);
int runDecode(int argc, char** argv);

// Mesh commands (tools/glass_tool/mesh_commands.cpp).
int runMeshInfo(int argc, char** argv);
int runObj2Obu(int argc, char** argv);

// Whole-file reading and writing shared by the commands; on failure false
// with `error` naming the file and the problem. A file above the rule's
// limit is refused unread, the error naming its size and the limit.
bool readWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes, std::string* error,
                   const SizeRule& rule);
bool writeWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error);
