// Manual pages made from --help: the layout of the help becomes the page's
// sections, and the built pages say what the programs' help says.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "common/man_page.h"

namespace {

namespace fs = std::filesystem;

ManPageSource sampleSource() {
  ManPageSource s;
  s.program = "demo-tool";
  s.section = "1";
  s.manual = "User Commands";
  s.version = "demo-tool 2.0";
  s.date = "May 2030";
  s.help =
      "Usage: demo-tool [options]\n"
      "                 FILE.dat\n"
      "Does one thing with FILE.dat.\n"
      "\n"
      "  -h, --help      print this help\n"
      "  --level N       how much, 1 to 9; see also\n"
      "                  --other\n"
      "  --a-very-long-option-name\n"
      "                  described on the next line\n"
      "\n"
      "A paragraph after the options about --level.\n"
      "\n"
      "Offline modes:\n"
      "  --bench         time it\n"
      "\n"
      "Exit status:\n"
      "  0   done\n"
      "  2   a bad command line\n";
  s.include = "[NAME]\ndoes one thing\n[DESCRIPTION]\n.PP\nMore words.\n[SEE ALSO]\n.BR other (1)\n";
  return s;
}

TEST(ManPage, HelpLayoutBecomesSectionsEntriesAndParagraphs) {
  std::string error;
  const std::string page = manPageFromHelp(sampleSource(), &error);
  ASSERT_FALSE(page.empty()) << error;
  const std::string expected =
      ".TH DEMO-TOOL 1 \"May 2030\" \"demo\\-tool 2.0\" \"User Commands\"\n"
      ".SH NAME\ndemo\\-tool \\- does one thing\n"
      ".SH SYNOPSIS\n\\fBdemo\\-tool\\fR [\\fBoptions\\fR] \\fIFILE.dat\\fR\n"
      ".SH DESCRIPTION\n.PP\nDoes one thing with FILE.dat.\n.PP\nMore words.\n"
      ".SH OPTIONS\n"
      ".TP\n\\fB\\-h\\fR, \\fB\\-\\-help\\fR\nprint this help\n"
      ".TP\n\\fB\\-\\-level\\fR \\fIN\\fR\nhow much, 1 to 9; see also \\fB\\-\\-other\\fR\n"
      ".TP\n\\fB\\-\\-a\\-very\\-long\\-option\\-name\\fR\ndescribed on the next line\n"
      ".PP\nA paragraph after the options about \\fB\\-\\-level\\fR.\n"
      ".SS Offline modes\n.TP\n\\fB\\-\\-bench\\fR\ntime it\n"
      ".SH EXIT STATUS\n.TP\n\\fB0\\fR\ndone\n.TP\n\\fB2\\fR\na bad command line\n"
      ".SH SEE ALSO\n.BR other (1)\n";
  // The version's hyphen is escaped too: \- in the header.
  EXPECT_EQ(page.substr(page.find('\n')), expected.substr(expected.find('\n')));
  EXPECT_EQ(page.substr(0, page.find('\n')), ".TH DEMO-TOOL 1 \"May 2030\" \"demo-tool 2.0\" \"User Commands\"");
}

TEST(ManPage, EscapesAndRefusals) {
  EXPECT_EQ(roffEscape("a-b\\c"), "a\\-b\\ec");
  EXPECT_EQ(roffEscape(".hidden"), "\\&.hidden");
  EXPECT_EQ(roffEscape("'quoted'"), "\\&'quoted'");

  std::string error;
  ManPageSource noUsage = sampleSource();
  noUsage.help = "demo-tool: does things\n";
  EXPECT_EQ(manPageFromHelp(noUsage, &error), "");
  EXPECT_NE(error.find("Usage: demo-tool"), std::string::npos) << error;

  ManPageSource stray = sampleSource();
  stray.help += "\n    indented with no entry\n";
  EXPECT_EQ(manPageFromHelp(stray, &error), "");
  EXPECT_NE(error.find("belongs to no entry"), std::string::npos) << error;

  for (const std::string include : {"[DESCRIPTION]\nwords\n", "words first\n[NAME]\nx\n", "[NAME\nx\n"}) {
    ManPageSource bad = sampleSource();
    bad.include = include;
    EXPECT_EQ(manPageFromHelp(bad, &error), "") << include;
    EXPECT_FALSE(error.empty());
  }
}

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string helpOf(const fs::path& program) {
  std::string help;
  FILE* pipe = popen((program.string() + " --help").c_str(), "r");
  char buffer[4096];
  std::size_t got = 0;
  while (pipe != nullptr && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) help.append(buffer, got);
  if (pipe != nullptr) pclose(pipe);
  return help;
}

// Every option named in TEXT (written --name or \-\-name).
std::set<std::string> optionNames(const std::string& text) {
  std::set<std::string> names;
  const std::regex option(R"((?:--|\\-\\-)([a-z][a-z0-9]*(?:(?:-|\\-)[a-z0-9]+)*))");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it) {
    names.insert(std::regex_replace((*it)[1].str(), std::regex(R"(\\-)"), "-"));
  }
  return names;
}

// The built pages are the current help texts: the same page comes from the
// program's help now, and the page names the same options.
TEST(ManPage, BuiltPagesMatchTheProgramsHelp) {
  const struct {
    std::string program;
    std::string section;
    std::string manual;
  } pages[] = {{"glass-orchard", "6", "Games Manual"},
               {"glass-tool", "1", "User Commands"},
               {"glass-content", "1", "User Commands"}};
  for (const auto& p : pages) {
    const fs::path program = fs::path(GLASS_BINARY_DIR) / "bin" / p.program;
    const fs::path built = fs::path(GLASS_BINARY_DIR) / "man" / (p.program + "." + p.section);
    if (!fs::exists(program)) continue;
    ASSERT_TRUE(fs::exists(built)) << built << " was not made";
    ASSERT_TRUE(fs::exists(built.string() + ".gz")) << "no compressed page for installing";
    const std::string page = readText(built);
    ManPageSource source;
    source.program = p.program;
    source.section = p.section;
    source.manual = p.manual;
    const std::smatch header = [&] {
      std::smatch m;
      std::regex_search(page, m, std::regex(R"re(^\.TH \S+ \S+ "([^"]*)" "([^"]*)")re"));
      return m;
    }();
    ASSERT_EQ(header.size(), 3u) << page.substr(0, 80);
    source.date = header[1];
    source.version = header[2];
    source.help = helpOf(program);
    source.include = readText(fs::path(GLASS_SOURCE_DIR) / "dist" / (p.program + ".man"));
    std::string error;
    EXPECT_EQ(manPageFromHelp(source, &error), page) << p.program << ": the page is not its --help text " << error;

    const std::set<std::string> inHelp = optionNames(source.help);
    EXPECT_EQ(optionNames(page), inHelp) << p.program;
    EXPECT_TRUE(inHelp.count("help")) << p.program;
  }
  const std::string orchard = readText(fs::path(GLASS_BINARY_DIR) / "man" / "glass-orchard.6");
  if (!orchard.empty()) {
    for (const char* key : {"\\fBSpace\\fR", "\\fBM\\fR", "\\fBF11\\fR", "\\fBF12\\fR", "\\fBEscape\\fR"}) {
      EXPECT_NE(orchard.find(".SH KEYS"), std::string::npos);
      EXPECT_NE(orchard.find(key), std::string::npos) << key;
    }
    for (const char* option : {"volume", "audio-device", "list-audio-devices", "loop", "threads", "render-scale",
                               "antialias", "display", "size", "scale-filter", "quality", "lossless"}) {
      EXPECT_TRUE(optionNames(orchard).count(option)) << option;
    }
  }
}

}  // namespace
