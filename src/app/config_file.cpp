#include "app/config_file.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>

#include "platform/os/regular_file.h"

namespace {

// The options a settings file may hold: how the presentation plays and
// looks. Modes (--capture, --bench, --list-*), outputs (--trace) and
// one-off flags stay on the command line.
constexpr std::array<std::string_view, 15> kSettings = {
    "fullscreen", "window",  "scale",   "display",      "vsync",     "no-vsync", "data",  "verbose",
    "volume",     "audio-device", "loop", "threads", "render-scale", "antialias", "headless"};

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const std::size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

bool takesValue(const std::string& name) {
  return name == "scale" || name == "display" || name == "data" || name == "volume" || name == "audio-device" ||
         name == "threads" || name == "render-scale";
}

}  // namespace

std::string configFilePath(const char* xdgConfigHome, const char* home) {
  const std::string tail = "/glass-orchard/glass-orchard.conf";
  // A relative XDG_CONFIG_HOME is to be ignored, as an empty one is.
  if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/') return xdgConfigHome + tail;
  if (home != nullptr && home[0] != '\0') return std::string(home) + "/.config" + tail;
  return "";
}

ConfigLines readConfigText(const std::string& text, const std::string& path) {
  ConfigLines lines;
  int number = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = trimmed(text.substr(start, end - start));
    start = end + 1;
    ++number;
    if (line.empty() || line[0] == '#') continue;
    const auto refuse = [&](const std::string& problem) {
      lines.ok = false;
      lines.error = path + ":" + std::to_string(number) + ": " + problem;
      return lines;
    };
    const std::size_t equals = line.find('=');
    std::string name = trimmed(line.substr(0, equals));
    if (name.rfind("--", 0) == 0) name.erase(0, 2);  // written as on the command line
    if (std::find(kSettings.begin(), kSettings.end(), name) == kSettings.end()) {
      const OptionsResult known = parseOptions({"--" + name});
      if (!known.ok && known.error.rfind("unknown option", 0) == 0) return refuse("unknown option '" + name + "'");
      return refuse("'" + name + "' is given on the command line, not in the settings file");
    }
    std::string argument = "--" + name;
    if (equals != std::string::npos) {
      std::string value = trimmed(line.substr(equals + 1));
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
      if (!takesValue(name)) return refuse("'" + name + "' takes no value");
      argument += "=" + value;
    } else if (takesValue(name)) {
      return refuse("'" + name + "' needs a value: " + name + "=VALUE");
    }
    const OptionsResult checked = parseOptions({argument});
    if (!checked.ok) return refuse(checked.error);
    lines.arguments.push_back(argument);
    lines.lineNumbers.push_back(number);
  }
  return lines;
}

ConfiguredOptions parseOptionsWithConfig(const std::vector<std::string>& commandLine, const std::string& configPath) {
  ConfiguredOptions configured;
  configured.result = parseOptions(commandLine);
  const Options& given = configured.result.options;
  if (!configured.result.ok || given.noConfig || given.help || given.version || configPath.empty()) {
    return configured;
  }
  configured.configPath = configPath;
  std::vector<unsigned char> bytes;
  const FileReadResult read = readRegularFile(configPath, bytes);
  std::error_code ignored;
  if (read.status == FileReadStatus::kMissing && !std::filesystem::exists(configPath, ignored)) return configured;
  if (!read.ok()) {
    configured.result.ok = false;
    configured.result.error = "cannot read the settings file " + configPath + ": " + read.reason;
    return configured;
  }
  configured.configRead = true;
  const ConfigLines settings = readConfigText(std::string(bytes.begin(), bytes.end()), configPath);
  if (!settings.ok) {
    configured.result.ok = false;
    configured.result.error = settings.error;
    return configured;
  }
  // The command line comes last, so each of its options wins. A settings
  // file's "loop" is for live play; a capture or benchmark leaves it out.
  std::vector<std::string> arguments;
  for (const std::string& argument : settings.arguments) {
    if (given.offline() && argument == "--loop") continue;
    arguments.push_back(argument);
  }
  arguments.insert(arguments.end(), commandLine.begin(), commandLine.end());
  configured.result = parseOptions(arguments);
  if (!configured.result.ok) {
    configured.result.error += " (with the settings of " + configPath + ")";
  }
  return configured;
}
