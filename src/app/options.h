// The command line of glass-orchard. With no options the presentation runs
// exactly as on Windows; the options only choose how it appears here.
#pragma once

#include <string>
#include <vector>

struct Options {
  bool help = false;
  bool version = false;
  bool fullscreen = true;
  int scale = 2;
  bool vsync = true;
  bool verbose = false;
  std::string dataDirectory;  // empty: the working directory as it is
  std::string traceFile;      // empty: no device call trace
};

struct OptionsResult {
  Options options;
  bool ok = true;
  std::string error;  // when not ok: what was wrong, naming the option
};

// Parses argv[1..]. Options take their value as the next argument or after
// '=' (--scale=3).
OptionsResult parseOptions(const std::vector<std::string>& arguments);

// The help text, one line per option.
std::string helpText(const std::string& programName);
