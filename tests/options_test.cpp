// The command line: GNU long options, values after a blank or '=', clear
// refusals naming the offending option, and the offline modes' options.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/options.h"

namespace {

// The options of a command line that must be accepted.
Options accepted(std::vector<std::string> arguments) {
  const OptionsResult result = parseOptions(arguments);
  EXPECT_TRUE(result.ok) << result.error;
  return result.options;
}

// Each row is refused with an error that names its first word.
void expectRefusedNamingFirst(const std::vector<std::vector<std::string>>& rows) {
  for (const std::vector<std::string>& bad : rows) {
    const OptionsResult result = parseOptions(bad);
    EXPECT_FALSE(result.ok) << bad[0] << " " << (bad.size() > 1 ? bad[1] : "");
    EXPECT_NE(result.error.find(bad[0]), std::string::npos) << result.error;
  }
}

TEST(OptionsTest, DefaultsAndAcceptedValues) {
  const Options none = accepted({});
  EXPECT_TRUE(none.fullscreen && none.vsync && !none.verbose && !none.headless && !none.offline());
  EXPECT_EQ(none.volume, 100);
  EXPECT_EQ(none.renderScale, 1) << "the original picture unless asked";

  const Options window = accepted({"--window", "--no-vsync", "--verbose", "--headless"});
  EXPECT_FALSE(window.fullscreen || window.vsync);
  EXPECT_TRUE(window.verbose && window.headless);
  EXPECT_EQ(window.scale, 0) << "the largest scale that fits";
  EXPECT_FALSE(accepted({"--scale", "3"}).fullscreen) << "a scale asks for a window";
  const Options later = accepted({"--scale=4", "--fullscreen"});
  EXPECT_EQ(later.scale, 4);
  EXPECT_TRUE(later.fullscreen) << "the later option wins";

  const Options player = accepted({"--volume", "0", "--audio-device=USB Audio", "--loop", "--display", "1"});
  EXPECT_EQ(player.volume, 0);
  EXPECT_EQ(player.audioDevice, "USB Audio");
  EXPECT_TRUE(player.loop);
  EXPECT_EQ(player.display, 1);
  EXPECT_TRUE(accepted({"--list-audio-devices"}).listAudioDevices);
  EXPECT_TRUE(accepted({"--list-displays"}).listDisplays);
  EXPECT_TRUE(accepted({"--no-config"}).noConfig);

  // (--data, --render-scale N and --antialias: the program's own captures.)
  const Options values = accepted({"--data", "some dir", "--trace=calls.txt", "--threads", "64"});
  EXPECT_EQ(values.dataDirectory, "some dir");
  EXPECT_EQ(values.traceFile, "calls.txt");
  EXPECT_EQ(values.threads, 64);
  EXPECT_EQ(accepted({"--render-scale=auto"}).renderScale, 0);

  EXPECT_TRUE(accepted({"-h"}).help);
  EXPECT_TRUE(accepted({"-V"}).version);
}

TEST(OptionsTest, RefusalsNameTheOption) {
  expectRefusedNamingFirst({{"--scale", "0"}, {"--scale", "17"}, {"--scale", "2x"}, {"--scale"}, {"--data"},
                            {"--trace", ""}, {"--volume", "101"}, {"--volume", "-1"}, {"--volume"},
                            {"--audio-device", ""}, {"--display", "x"}, {"--loop", "--bench"},
                            {"--list-audio-devices=1"}, {"--threads", "0"}, {"--threads", "65"}, {"--threads"},
                            {"--render-scale", "0"}, {"--render-scale", "5"}, {"--render-scale", "Auto"},
                            {"--antialias=2"}, {"--colour", "--window"}, {"--window=yes"},
                            {"--no-config=no"}, {"--list-displays=all"}});
  for (const char* word : {"window", "-v", "-hV"}) EXPECT_FALSE(parseOptions({word}).ok) << word;
}

TEST(CaptureOptions, EachOfflineModeTakesItsOutputRateSizeAndVideoChoices) {
  const Options capture = accepted({"--capture", "out.mp4", "--fps", "30", "--max-seconds=12.5"});
  EXPECT_EQ(capture.captureOutput, "out.mp4");
  EXPECT_EQ(capture.fps, 30);
  EXPECT_DOUBLE_EQ(capture.maxSeconds, 12.5);
  EXPECT_TRUE(capture.offline());
  const Options sheet = accepted({"--contact-sheet=sheet.png"});
  EXPECT_EQ(sheet.contactSheet, "sheet.png");
  EXPECT_EQ(sheet.fps, 0);  // the mode's own default
  EXPECT_TRUE(accepted({"--bench", "--data", "content"}).bench);
  const Options given = accepted({"--capture", "a.mp4", "--size", "1920x1080", "--scale-filter=bilinear", "--quality", "0"});
  EXPECT_EQ(given.captureWidth, 1920);
  EXPECT_EQ(given.captureHeight, 1080);
  EXPECT_EQ(given.scaleFilter, "bilinear");
  EXPECT_EQ(given.videoQuality, 0) << "0 is the best quality, not 'unset'";
  EXPECT_EQ(accepted({"--capture", "a.mp4"}).videoQuality, -1);
  EXPECT_TRUE(accepted({"--capture", "a.mkv", "--lossless"}).lossless);
  accepted({"--capture", "frames", "--size", "64x4320"});  // a PNG folder takes --size

  expectRefusedNamingFirst({{"--size", "1921x1080", "--capture", "a.mp4"}, {"--size", "62x48", "--capture", "a.mp4"},
           {"--size", "7682x4320", "--capture", "a.mp4"}, {"--size", "1920x4322", "--capture", "a.mp4"},
           {"--size", "1920", "--capture", "a.mp4"}, {"--size", "x1080", "--capture", "a.mp4"},
           {"--size", "1920x1080x2", "--capture", "a.mp4"}, {"--size", "1920x1080", "--contact-sheet", "s.png"},
           {"--size", "1920x1080", "--bench"}, {"--scale-filter", "cubic", "--size", "1920x1080", "--capture", "a.mp4"},
           {"--scale-filter", "nearest", "--capture", "a.mp4"}, {"--quality", "52", "--capture", "a.mp4"},
           {"--quality", "-1", "--capture", "a.mp4"}, {"--quality", "20", "--capture", "frames"},
           {"--lossless", "--capture", "a.mp4"}, {"--lossless", "--capture", "frames"},
           {"--quality", "20", "--lossless", "--capture", "a.mkv"}});
}

// The README's copy of the help text (under "### Options") is the
// program's own output, word for word, with Linux paths.
TEST(OptionsTest, ReadmeCopiesTheHelpText) {
  std::ifstream readme(std::string(GLASS_SOURCE_DIR) + "/README.md");
  std::stringstream text;
  text << readme.rdbuf();
  const std::string all = text.str();
  const std::size_t open = all.find("```\n", all.find("\n### Options\n"));
  const std::size_t close = all.find("\n```\n", open + 4);
  ASSERT_TRUE(open != std::string::npos && close != std::string::npos) << "no help text in README.md";
  EXPECT_EQ(all.substr(open + 4, close + 1 - (open + 4)), helpText("glass-orchard"));
  EXPECT_EQ(helpText("glass-orchard").find('\\'), std::string::npos);
}

TEST(CaptureOptions, BadValuesAndCombinationsAreRefused) {
  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {"--capture"}, {"--capture", ""}, {"--contact-sheet"}, {"--bench=yes"},
           {"--capture", "a.mp4", "--fps", "0"}, {"--capture", "a.mp4", "--fps", "1001"},
           {"--capture", "a.mp4", "--fps", "30fps"}, {"--capture", "a.mp4", "--max-seconds", "-1"},
           {"--capture", "a.mp4", "--max-seconds", "0"}, {"--capture", "a.mp4", "--max-seconds", "nan"},
           {"--capture", "a.mp4", "--max-seconds", "5s"}, {"--capture", "a.mp4", "--max-seconds", "1e300"},
           {"--capture", "a.mp4", "--max-seconds", "86400.5"}, {"--capture", "a.mp4", "--max-seconds", "inf"},
           {"--capture", "a.mp4", "--fps", "99999999999999999999"}, {"--scale", "4294967297"},
           {"--capture", "a.mp4", "--bench"}, {"--capture", "a.mp4", "--contact-sheet", "b.png"},
           {"--fps", "30"}, {"--max-seconds", "3"}}) {
    const OptionsResult parsed = parseOptions(arguments);
    EXPECT_FALSE(parsed.ok) << arguments[0] << " " << (arguments.size() > 1 ? arguments[1] : "");
    EXPECT_FALSE(parsed.error.empty());
  }
}

}  // namespace
