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

// A starting folder, a build tree's bin/ and content/, an installed tree
// under prefix/, and a separate compiled-in data folder.
class ContentLocationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::path(folder_.path());
    for (const char* sub : {"start", "build/bin", "build/content", "prefix/bin", "prefix/share/glass-orchard", "data"}) {
      fs::create_directories(root_ / sub);
    }
  }
  void addMusic(const char* sub) { std::ofstream(root_ / sub / "track.xm") << "x"; }
  std::string at(const char* sub) const { return (root_ / sub).lexically_normal().string(); }
  ContentLocation locate(const char* program, const std::string& dataOption = "") const {
    return locateContent({dataOption, at("start"), program ? at(program) : "", at("data")});
  }

  ScopedWorkingDirectory folder_;
  fs::path root_;
};

TEST_F(ContentLocationTest, TakesTheFirstFolderHoldingTheMusic) {
  struct Case {
    std::vector<const char*> withMusic;
    const char* program;
    const char* expected;
  };
  const Case cases[] = {
      {{"start", "build/content"}, "build/bin", "start"},        // the working folder first
      {{"build/content", "data"}, "build/bin", "build/content"},  // a build tree
      {{"prefix/share/glass-orchard", "data"}, "prefix/bin", "prefix/share/glass-orchard"},  // installed anywhere
      {{"data"}, "prefix/bin", "data"},                            // the compiled-in folder last
      {{"data"}, nullptr, "data"},                                 // program folder unknown
  };
  for (const Case& c : cases) {
    for (const char* sub : {"start", "build/content", "prefix/share/glass-orchard", "data"}) {
      fs::remove(root_ / sub / "track.xm");
    }
    for (const char* sub : c.withMusic) addMusic(sub);
    const ContentLocation location = locate(c.program);
    EXPECT_TRUE(location.usable);
    EXPECT_TRUE(location.found) << c.expected;
    EXPECT_EQ(location.folder, at(c.expected));
  }
}

TEST_F(ContentLocationTest, NothingFoundStaysInTheWorkingFolderAndSaysWhereItLooked) {
  const ContentLocation location = locate("build/bin");
  EXPECT_TRUE(location.usable);
  EXPECT_FALSE(location.found);
  EXPECT_EQ(location.folder, at("start"));
  const std::vector<std::string> expected = {at("start"), at("build/bin/content"), at("build/content"),
                                             at("build/share/glass-orchard"), at("data")};
  EXPECT_EQ(location.searched, expected);
  const std::string text = describeMissingContent(location, "glass-orchard");
  for (const std::string& folder : expected) EXPECT_NE(text.find(folder), std::string::npos) << text;
  EXPECT_NE(text.find("--data"), std::string::npos) << text;
}

TEST_F(ContentLocationTest, DataOptionIsTheOnlyPlaceLookedAt) {
  addMusic("start");
  addMusic("build/content");
  // A folder without the music is still used: the start-up reports it.
  ContentLocation location = locate("build/bin", at("prefix"));
  EXPECT_TRUE(location.usable);
  EXPECT_FALSE(location.found);
  EXPECT_EQ(location.folder, at("prefix"));
  EXPECT_EQ(location.searched, std::vector<std::string>{at("prefix")});

  // Relative to the starting folder.
  location = locate("build/bin", "../build/content");
  EXPECT_TRUE(location.found);

  for (const std::string& wrong : {at("missing"), at("start") + "/track.xm"}) {
    location = locate("build/bin", wrong);
    EXPECT_FALSE(location.usable) << wrong;
    EXPECT_NE(location.problem.find(wrong), std::string::npos) << location.problem;
    EXPECT_NE(location.problem.find("--data"), std::string::npos) << location.problem;
  }
}

TEST(DisplayCheck, NeedsADisplayOrADriverThatShowsSomething) {
  struct Case {
    DisplayEnvironment environment;
    bool visible;
  };
  const Case cases[] = {
      {{"", "", ""}, false},          {{":0", "", ""}, true},         {{"", "wayland-0", ""}, true},
      {{":0", "", "dummy"}, false},   {{":0", "", "offscreen"}, false}, {{"", "", "kmsdrm"}, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(displayVisible(c.environment), c.visible)
        << c.environment.x11Display << "|" << c.environment.waylandDisplay << "|" << c.environment.videoDriver;
  }
  const std::string message = noDisplayMessage("glass-orchard", {"", "", "dummy"});
  for (const char* hint : {"--capture", "--contact-sheet", "--headless", "dummy"}) {
    EXPECT_NE(message.find(hint), std::string::npos) << hint << "\n" << message;
  }
}

}  // namespace
