// The settings file: where it is looked for, what a line may say, refusals
// naming the file and line, and the command line winning over it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/config_file.h"
#include "support/small_data_set.h"

namespace {

TEST(ConfigFile, PathFollowsXdgConfigHomeThenHome) {
  EXPECT_EQ(configFilePath("/x/conf", "/home/u"), "/x/conf/glass-orchard/glass-orchard.conf");
  EXPECT_EQ(configFilePath(nullptr, "/home/u"), "/home/u/.config/glass-orchard/glass-orchard.conf");
  EXPECT_EQ(configFilePath("", "/home/u"), "/home/u/.config/glass-orchard/glass-orchard.conf");
  EXPECT_EQ(configFilePath("relative", "/home/u"), "/home/u/.config/glass-orchard/glass-orchard.conf")
      << "a relative XDG_CONFIG_HOME is ignored";
  EXPECT_EQ(configFilePath(nullptr, nullptr), "");
}

TEST(ConfigFile, LinesBecomeLongOptions) {
  const ConfigLines lines = readConfigText(
      "# my settings\n\n  window\nrender-scale=auto\nvolume = 60  \r\n--no-vsync\naudio-device=\"USB # 2\"\n", "f.conf");
  ASSERT_TRUE(lines.ok) << lines.error;
  EXPECT_EQ(lines.arguments, (std::vector<std::string>{"--window", "--render-scale=auto", "--volume=60", "--no-vsync",
                                                        "--audio-device=USB # 2"}));
  EXPECT_EQ(lines.lineNumbers, (std::vector<int>{3, 4, 5, 6, 7}));
}

TEST(ConfigFile, RefusalsNameTheFileAndLine) {
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {"window\nfrobnicate\n", "s.conf:2: unknown option 'frobnicate'"},
      {"\n\ncapture=out.mp4\n", "s.conf:3: 'capture' is given on the command line, not in the settings file"},
      {"help\n", "s.conf:1: 'help' is given on the command line"},
      {"no-config\n", "s.conf:1: 'no-config' is given on the command line"},
      {"volume\n", "s.conf:1: 'volume' needs a value: volume=VALUE"},
      {"window=yes\n", "s.conf:1: 'window' takes no value"},
      {"# ok\nrender-scale=9\n", "s.conf:2: --render-scale wants a whole number from 1 to 4 or auto, not '9'"},
  };
  for (const auto& c : cases) {
    const ConfigLines lines = readConfigText(c.text, "s.conf");
    EXPECT_FALSE(lines.ok) << c.text;
    EXPECT_EQ(lines.error.rfind(c.error, 0), 0u) << lines.error;
  }
}

class SettingsFile : public ::testing::Test {
 protected:
  std::string write(const std::string& text) {
    const std::string path = dir_.path() + "/glass-orchard.conf";
    std::ofstream(path) << text;
    return path;
  }
  ScopedWorkingDirectory dir_;
};

TEST_F(SettingsFile, CommandLineOverridesTheFile) {
  const std::string path = write("window\nvolume=60\nthreads=2\nloop\n");
  const ConfiguredOptions plain = parseOptionsWithConfig({}, path);
  ASSERT_TRUE(plain.result.ok) << plain.result.error;
  EXPECT_TRUE(plain.configRead);
  EXPECT_FALSE(plain.result.options.fullscreen);
  EXPECT_EQ(plain.result.options.volume, 60);
  EXPECT_TRUE(plain.result.options.loop);

  const ConfiguredOptions given = parseOptionsWithConfig({"--volume", "30", "--fullscreen"}, path);
  ASSERT_TRUE(given.result.ok) << given.result.error;
  EXPECT_EQ(given.result.options.volume, 30);
  EXPECT_TRUE(given.result.options.fullscreen);
  EXPECT_EQ(given.result.options.threads, 2);

  // The file's loop is for live play: a benchmark runs once without a word.
  const ConfiguredOptions bench = parseOptionsWithConfig({"--bench"}, path);
  ASSERT_TRUE(bench.result.ok) << bench.result.error;
  EXPECT_FALSE(bench.result.options.loop);
}

TEST_F(SettingsFile, NoConfigHelpAndAMissingFileNeedNoSettings) {
  const std::string path = write("volume=500\n");
  const ConfiguredOptions bad = parseOptionsWithConfig({"--window"}, path);
  EXPECT_FALSE(bad.result.ok);
  EXPECT_EQ(bad.result.error.rfind(path + ":1: ", 0), 0u) << bad.result.error;

  const ConfiguredOptions skipped = parseOptionsWithConfig({"--no-config", "--window"}, path);
  EXPECT_TRUE(skipped.result.ok) << skipped.result.error;
  EXPECT_FALSE(skipped.configRead);
  EXPECT_EQ(skipped.result.options.volume, 100);
  EXPECT_TRUE(parseOptionsWithConfig({"--help"}, path).result.ok);

  const ConfiguredOptions missing = parseOptionsWithConfig({}, dir_.path() + "/none/glass-orchard.conf");
  EXPECT_TRUE(missing.result.ok);
  EXPECT_FALSE(missing.configRead);

  std::filesystem::create_directory(dir_.path() + "/folder.conf");
  const ConfiguredOptions folder = parseOptionsWithConfig({}, dir_.path() + "/folder.conf");
  EXPECT_FALSE(folder.result.ok);
  EXPECT_NE(folder.result.error.find(dir_.path() + "/folder.conf"), std::string::npos) << folder.result.error;
}

}  // namespace
