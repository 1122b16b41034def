// The settings file: $XDG_CONFIG_HOME/glass-orchard/glass-orchard.conf
// (~/.config/... when XDG_CONFIG_HOME is unset), one long option a line
// without its dashes, as mpv reads its own:
//
//   # a comment
//   window
//   render-scale=auto
//   volume = 60
//
// It is read before the command line, which overrides it; --no-config skips
// it. Only settings of how the presentation plays belong there: options
// that pick a mode or name an output are for the command line.
#pragma once

#include <string>
#include <vector>

#include "app/options.h"

// The file's path, or empty when neither XDG_CONFIG_HOME (an absolute
// path) nor HOME is set.
std::string configFilePath(const char* xdgConfigHome, const char* home);

struct ConfigLines {
  std::vector<std::string> arguments;  // as the command line would spell them: --name=value
  std::vector<int> lineNumbers;        // the line of each argument
  bool ok = true;
  std::string error;  // "PATH:LINE: problem"
};

// The settings of a file's text, each checked on its own.
ConfigLines readConfigText(const std::string& text, const std::string& path);

struct ConfiguredOptions {
  OptionsResult result;  // as parseOptions gives it; errors in the file name it and the line
  bool configRead = false;  // the file existed and was read
  std::string configPath;   // the file looked for (empty with --no-config or no home)
};

// The command line over the settings file at `configPath` (missing: no
// settings). The command line is checked first, so that --help, --version
// and --no-config work whatever the file says.
ConfiguredOptions parseOptionsWithConfig(const std::vector<std::string>& commandLine, const std::string& configPath);
