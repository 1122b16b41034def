// What the program checks before start-up: where its content lies, and
// whether a live run has a display to be seen on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/content_location.h"
#include "app/display_check.h"
#include "support/small_data_set.h"

namespace fs = std::filesystem;

namespace {

// A starting folder, a build tree (bin/, content/), an installed tree
// (prefix/bin, prefix/share/glass-orchard) and a compiled-in data folder.
class ContentLocationTest : public ::testing::Test {
 protected:
  std::string at(const char* sub) const { return (fs::path(folder_.path()) / sub).lexically_normal().string(); }
  void holdMusic(std::initializer_list<const char*> subs) {
    for (const char* sub : {"start", "build/content", "prefix/share/glass-orchard", "data"}) {
      fs::create_directories(at(sub));
      fs::remove(at(sub) + "/track.xm");
    }
    for (const char* sub : subs) std::ofstream(at(sub) + "/track.xm") << "x";
  }
  ContentLocation locate(const char* program, const std::string& dataOption = "") const {
    return locateContent({dataOption, at("start"), program ? at(program) : "", at("data")});
  }
  ScopedWorkingDirectory folder_;
};

TEST_F(ContentLocationTest, TakesTheFirstFolderHoldingTheMusic) {
  const struct {
    std::initializer_list<const char*> withMusic;
    const char* program;
    const char* expected;
  } cases[] = {
      {{"start", "build/content"}, "build/bin", "start"},
      {{"build/content", "data"}, "build/bin", "build/content"},
      {{"prefix/share/glass-orchard", "data"}, "prefix/bin", "prefix/share/glass-orchard"},
      {{"data"}, "prefix/bin", "data"},
      {{"data"}, nullptr, "data"},  // the program's folder unknown
  };
  for (const auto& c : cases) {
    holdMusic(c.withMusic);
    const ContentLocation location = locate(c.program);
    EXPECT_TRUE(location.usable && location.found) << c.expected;
    EXPECT_EQ(location.folder, at(c.expected));
  }

  // Nothing found: the working folder, and a list of where it looked.
  holdMusic({});
  const ContentLocation missing = locate("build/bin");
  EXPECT_TRUE(missing.usable && !missing.found);
  EXPECT_EQ(missing.folder, at("start"));
  EXPECT_EQ(missing.searched, (std::vector<std::string>{at("start"), at("build/bin/content"), at("build/content"),
                                                        at("build/share/glass-orchard"), at("data")}));
  const std::string text = describeMissingContent(missing, "glass-orchard");
  EXPECT_NE(text.find(at("build/share/glass-orchard")), std::string::npos) << text;
  EXPECT_NE(text.find("--data DIR"), std::string::npos) << text;
}

TEST_F(ContentLocationTest, DataOptionIsTheOnlyPlaceLookedAt) {
  holdMusic({"start", "build/content"});
  // A folder without the music is still used: the start-up reports it.
  ContentLocation location = locate("build/bin", at("prefix"));
  EXPECT_TRUE(location.usable && !location.found);
  EXPECT_EQ(location.searched, std::vector<std::string>{at("prefix")});
  EXPECT_TRUE(locate("build/bin", "../build/content").found) << "relative to the starting folder";
  for (const std::string& wrong : {at("missing"), at("start") + "/track.xm"}) {
    location = locate("build/bin", wrong);
    EXPECT_FALSE(location.usable) << wrong;
    EXPECT_NE(location.problem.find("--data " + wrong), std::string::npos) << location.problem;
  }
}

TEST(DisplayCheck, NeedsADisplayOrADriverThatShowsSomething) {
  const struct {
    DisplayEnvironment environment;
    bool visible;
  } cases[] = {{{"", "", ""}, false},        {{":0", "", ""}, true},           {{"", "wayland-0", ""}, true},
               {{":0", "", "dummy"}, false}, {{":0", "", "offscreen"}, false}, {{"", "", "kmsdrm"}, true}};
  for (const auto& c : cases) EXPECT_EQ(displayVisible(c.environment), c.visible) << c.environment.videoDriver;
  const std::string message = noDisplayMessage("glass-orchard", {"", "", "dummy"});
  for (const char* hint : {"--capture", "--contact-sheet", "--headless", "dummy"}) {
    EXPECT_NE(message.find(hint), std::string::npos) << hint << "\n" << message;
  }
}

}  // namespace
