// The GNU way of refusing a command line: one line naming the problem, one
// pointing at the help, exit status 2. Shared by glass-orchard and its tools
// so that all three refuse alike.
#pragma once

#include <cstdio>
#include <string>

constexpr int kCommandLineErrorExit = 2;

inline std::string commandLineErrorText(const std::string& program, const std::string& problem) {
  return program + ": " + problem + "\nTry '" + program + " --help'.\n";
}

// Writes the two lines on standard error; returns the exit status.
inline int refuseCommandLine(const std::string& program, const std::string& problem) {
  std::fputs(commandLineErrorText(program, problem).c_str(), stderr);
  return kCommandLineErrorExit;
}
