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

// Content commands (tools/glass_tool/content_commands.cpp).
int runUnpack(int argc, char** argv);
int runReplace(int argc, char** argv);
int runCheck(int argc, char** argv);

// Mesh commands (tools/glass_tool/mesh_commands.cpp).
int runMeshInfo(int argc, char** argv);
int runObj2Obu(int argc, char** argv);

struct Picture;

// Image containers (tools/glass_tool/image_commands.cpp). loadContainer
// reads and checks a container, naming the file in `error`.
bool loadContainer(const std::string& path, std::vector<std::uint8_t>* bytes, std::string* error);
// The encoded block of each image of a checked container.
std::vector<std::vector<std::uint8_t>> containerBlocks(const std::vector<std::uint8_t>& container);
// Image `index` of a checked container as the presentation shows it (RGB or
// grey); false when it does not decode.
bool decodeToPicture(const std::vector<std::uint8_t>& container, int index, Picture* out);
// The block for the PNG at `path` as a grey or colour image: the block it
// carries from unpack when its pixels are unchanged, else a new encoding;
// `note` says which, for the command's report.
bool blockForPicture(const std::string& path, bool grey, std::vector<std::uint8_t>* block, std::string* note,
                     std::string* error);

// Refuses a bad command line: "glass-tool: PROBLEM", a pointer to --help,
// and the exit status 2.
int refuseUsage(const std::string& problem);

// Whole-file reading and writing shared by the commands; on failure false
// with `error` naming the file and the problem. A file above the rule's
// limit is refused unread, the error naming its size and the limit.
bool readWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes, std::string* error,
                   const SizeRule& rule);
bool writeWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error);
