// The commands of glass-tool. Each takes the arguments after the command
// name (argv[0] is the command itself) and returns the exit code: 0 done,
// 1 a file could not be read, written or decoded, 2 wrong usage.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

int runPack(int argc, char** argv);
int runInfo(int argc, char** argv);
int runDecode(int argc, char** argv);

// Mesh commands (tools/glass_tool/mesh_commands.cpp).
int runMeshInfo(int argc, char** argv);
int runObj2Obu(int argc, char** argv);

// Refuses a bad command line: "glass-tool: PROBLEM", a pointer to --help,
// and the exit status 2.
int refuseUsage(const std::string& problem);

// Whole-file reading and writing shared by the commands; on failure false
// with `error` naming the file and the problem.
bool readWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes, std::string* error);
bool writeWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error);
