// The command line: GNU long options, values after a blank or '=', clear
// refusals naming the offending option, and the offline modes' options.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/options.h"

namespace {

OptionsResult parse(std::vector<std::string> arguments) { return parseOptions(arguments); }

TEST(OptionsTest, NoOptionsMeansTheOriginalBehaviour) {
  const OptionsResult result = parse({});
  ASSERT_TRUE(result.ok);
  EXPECT_TRUE(result.options.fullscreen);
  EXPECT_TRUE(result.options.vsync);
  EXPECT_FALSE(result.options.verbose);
  EXPECT_TRUE(result.options.dataDirectory.empty());
  EXPECT_TRUE(result.options.traceFile.empty());
}

TEST(OptionsTest, WindowAndDisplayChoices) {
  OptionsResult result = parse({"--window", "--no-vsync", "--verbose"});
  ASSERT_TRUE(result.ok);
  EXPECT_FALSE(result.options.fullscreen);
  EXPECT_EQ(result.options.scale, 0) << "the largest scale that fits";
  EXPECT_FALSE(result.options.vsync);
  EXPECT_TRUE(result.options.verbose);

  result = parse({"--scale", "3"});
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.options.scale, 3);
  EXPECT_FALSE(result.options.fullscreen) << "a scale asks for a window";

  result = parse({"--scale=4", "--fullscreen"});
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.options.scale, 4);
  EXPECT_TRUE(result.options.fullscreen) << "the later option wins";
}

TEST(OptionsTest, PlayerOptions) {
  OptionsResult result = parse({"--volume", "0", "--audio-device=USB Audio", "--loop", "--display", "1"});
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.options.volume, 0);
  EXPECT_EQ(result.options.audioDevice, "USB Audio");
  EXPECT_TRUE(result.options.loop);
  EXPECT_EQ(result.options.display, 1);
  EXPECT_FALSE(result.options.listAudioDevices);
  result = parse({});
  EXPECT_EQ(result.options.volume, 100);
  EXPECT_EQ(result.options.display, -1);
  EXPECT_TRUE(parse({"--list-audio-devices"}).options.listAudioDevices);
  EXPECT_TRUE(parse({"--window", "--fullscreen"}).options.fullscreen) << "the last one given counts";
  EXPECT_FALSE(parse({"--fullscreen", "--window"}).options.fullscreen);
}

TEST(OptionsTest, ValuesAfterBlankOrEquals) {
  const OptionsResult result = parse({"--data", "some dir", "--trace=calls.txt", "--threads", "64"});
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.options.dataDirectory, "some dir");
  EXPECT_EQ(result.options.traceFile, "calls.txt");
  EXPECT_EQ(result.options.threads, 64);
  EXPECT_EQ(parse({}).options.threads, 0) << "0 leaves the choice to the device";

  EXPECT_EQ(parse({}).options.renderScale, 1) << "the original picture unless asked";
  EXPECT_EQ(parse({"--render-scale=auto"}).options.renderScale, 0);
  const OptionsResult sharp = parse({"--render-scale", "4", "--antialias"});
  EXPECT_EQ(sharp.options.renderScale, 4);
  EXPECT_TRUE(sharp.options.antialias);
}

TEST(OptionsTest, RefusalsNameTheOption) {
  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {"--scale", "0"}, {"--scale", "17"}, {"--scale", "2x"}, {"--scale"}, {"--data"}, {"--trace", ""},
           {"--volume", "101"}, {"--volume", "-1"}, {"--volume"}, {"--audio-device", ""}, {"--display", "x"},
           {"--loop", "--bench"}, {"--list-audio-devices=1"},
           {"--threads", "0"}, {"--threads", "65"}, {"--threads"},
           {"--render-scale", "0"}, {"--render-scale", "5"}, {"--render-scale", "Auto"}, {"--antialias=2"}}) {
    const OptionsResult result = parse(bad);
    EXPECT_FALSE(result.ok) << bad[0];
    EXPECT_NE(result.error.find(bad[0]), std::string::npos) << result.error;
  }
  const OptionsResult unknown = parse({"--window", "--colour"});
  EXPECT_FALSE(unknown.ok);
  EXPECT_NE(unknown.error.find("--colour"), std::string::npos);
  EXPECT_FALSE(parse({"--window=yes"}).ok) << "a switch takes no value";
  EXPECT_FALSE(parse({"window"}).ok);
}

TEST(OptionsTest, CaptureSizeAndVideoChoices) {
  const OptionsResult given =
      parse({"--capture", "a.mp4", "--size", "1920x1080", "--scale-filter=bilinear", "--quality", "0"});
  ASSERT_TRUE(given.ok) << given.error;
  EXPECT_EQ(given.options.captureWidth, 1920);
  EXPECT_EQ(given.options.captureHeight, 1080);
  EXPECT_EQ(given.options.scaleFilter, "bilinear");
  EXPECT_EQ(given.options.videoQuality, 0) << "0 is the best quality, not 'unset'";
  EXPECT_EQ(parse({"--capture", "a.mp4"}).options.videoQuality, -1);
  EXPECT_TRUE(parse({"--capture", "a.mkv", "--lossless"}).options.lossless);
  EXPECT_TRUE(parse({"--capture", "frames", "--size", "64x4320"}).ok) << "a PNG folder takes --size";

  // Each refusal names the option first in its row.
  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {"--size", "1921x1080", "--capture", "a.mp4"}, {"--size", "62x48", "--capture", "a.mp4"},
           {"--size", "7682x4320", "--capture", "a.mp4"}, {"--size", "1920x4322", "--capture", "a.mp4"},
           {"--size", "1920", "--capture", "a.mp4"}, {"--size", "x1080", "--capture", "a.mp4"},
           {"--size", "1920x1080x2", "--capture", "a.mp4"}, {"--size", "1920x1080", "--contact-sheet", "s.png"},
           {"--size", "1920x1080", "--bench"}, {"--scale-filter", "cubic", "--size", "1920x1080", "--capture", "a.mp4"},
           {"--scale-filter", "nearest", "--capture", "a.mp4"}, {"--quality", "52", "--capture", "a.mp4"},
           {"--quality", "-1", "--capture", "a.mp4"}, {"--quality", "20", "--capture", "frames"},
           {"--lossless", "--capture", "a.mp4"}, {"--lossless", "--capture", "frames"},
           {"--quality", "20", "--lossless", "--capture", "a.mkv"}}) {
    const OptionsResult result = parse(bad);
    EXPECT_FALSE(result.ok) << bad[0] << " " << bad[1];
    EXPECT_NE(result.error.find(bad[0]), std::string::npos) << result.error;
  }
}

TEST(OptionsTest, ShortFormsAndTheInvisibleRun) {
  EXPECT_TRUE(parse({"-h"}).options.help);
  EXPECT_TRUE(parse({"-V"}).options.version);
  EXPECT_FALSE(parse({}).options.headless);
  EXPECT_TRUE(parse({"--headless"}).options.headless);
  EXPECT_FALSE(parse({"-v"}).ok);
  EXPECT_FALSE(parse({"-hV"}).ok);
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

TEST(CaptureOptions, EachOfflineModeTakesItsOutputAndRate) {
  OptionsResult parsed = parseOptions({"--capture", "out.mp4", "--fps", "30", "--max-seconds=12.5"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.options.captureOutput, "out.mp4");
  EXPECT_EQ(parsed.options.fps, 30);
  EXPECT_DOUBLE_EQ(parsed.options.maxSeconds, 12.5);
  EXPECT_TRUE(parsed.options.offline());

  parsed = parseOptions({"--contact-sheet=sheet.png"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.options.contactSheet, "sheet.png");
  EXPECT_EQ(parsed.options.fps, 0);  // the mode's own default

  parsed = parseOptions({"--bench", "--data", "content"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_TRUE(parsed.options.bench);
  EXPECT_EQ(parsed.options.dataDirectory, "content");

  // No option: the presentation plays as always.
  EXPECT_FALSE(parseOptions({}).options.offline());
}

TEST(CaptureOptions, BadValuesAndCombinationsAreRefused) {
  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {"--capture"},
           {"--capture", ""},
           {"--contact-sheet"},
           {"--bench=yes"},
           {"--capture", "a.mp4", "--fps", "0"},
           {"--capture", "a.mp4", "--fps", "1001"},
           {"--capture", "a.mp4", "--fps", "30fps"},
           {"--capture", "a.mp4", "--max-seconds", "-1"},
           {"--capture", "a.mp4", "--max-seconds", "0"},
           {"--capture", "a.mp4", "--max-seconds", "nan"},
           {"--capture", "a.mp4", "--max-seconds", "5s"},
           {"--capture", "a.mp4", "--max-seconds", "1e300"},
           {"--capture", "a.mp4", "--max-seconds", "86400.5"},
           {"--capture", "a.mp4", "--max-seconds", "inf"},
           {"--capture", "a.mp4", "--fps", "99999999999999999999"},
           {"--scale", "4294967297"},
           {"--capture", "a.mp4", "--bench"},
           {"--capture", "a.mp4", "--contact-sheet", "b.png"},
           {"--fps", "30"},
           {"--max-seconds", "3"},
       }) {
    const OptionsResult parsed = parseOptions(arguments);
    EXPECT_FALSE(parsed.ok) << arguments[0] << " " << (arguments.size() > 1 ? arguments[1] : "");
    EXPECT_FALSE(parsed.error.empty());
  }
}

}  // namespace
