// The command-line options of the offline modes.
#include <gtest/gtest.h>

#include "app/options.h"

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
