// The command line: GNU long options, values after a blank or '=', and
// clear refusals naming the offending option.
#include <gtest/gtest.h>

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
  EXPECT_EQ(result.options.scale, 2);
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

TEST(OptionsTest, ValuesAfterBlankOrEquals) {
  const OptionsResult result = parse({"--data", "some dir", "--trace=calls.txt", "--threads", "64"});
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.options.dataDirectory, "some dir");
  EXPECT_EQ(result.options.traceFile, "calls.txt");
  EXPECT_EQ(result.options.threads, 64);
  EXPECT_EQ(parse({}).options.threads, 0) << "0 leaves the choice to the device";
}

TEST(OptionsTest, RefusalsNameTheOption) {
  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {"--scale", "0"}, {"--scale", "17"}, {"--scale", "2x"}, {"--scale"}, {"--data"}, {"--trace", ""},
           {"--threads", "0"}, {"--threads", "65"}, {"--threads"}}) {
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

}  // namespace
