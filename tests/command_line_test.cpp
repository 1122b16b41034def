// The three programs' command lines as a user meets them: a refusal is one
// line naming the problem and one pointing at --help, with exit status 2.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct ProgramRun {
  int status = -1;
  std::string output;
};

// Runs bin/PROGRAM with ARGS; `streams` picks what is kept ("2>&1 >/dev/null": standard error only).
ProgramRun runProgram(const std::string& program, const std::string& args, const std::string& streams) {
  ProgramRun run;
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY " + (fs::path(GLASS_BINARY_DIR) / "bin" / program).string() +
                              " " + args + " " + streams;
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[512];
  while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) run.output += buffer;
  const int status = pipe != nullptr ? pclose(pipe) : -1;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

bool built(const std::string& program) { return fs::exists(fs::path(GLASS_BINARY_DIR) / "bin" / program); }

TEST(CommandLine, RefusalsAreOneLineThenAPointerToTheHelp) {
  const struct {
    std::string program;
    std::string args;
    std::string problem;
  } cases[] = {
      {"glass-orchard", "--bogus", "unknown option: --bogus"},
      {"glass-orchard", "--volume 200", "--volume wants a whole number from 0 to 100, not '200'"},
      {"glass-orchard", "--capture a.mp4 --bench", "--capture, --contact-sheet, --bench and --frame-hash cannot be combined"},
      {"glass-tool", "", "no command given"},
      {"glass-tool", "frobnicate", "unknown command 'frobnicate'"},
      {"glass-tool", "pack out.dat --colourful", "pack: unknown option '--colourful'"},
      {"glass-tool", "decode a.dat x", "decode: INDEX 'x' is not a number"},
      {"glass-content", "", "no OUTDIR given"},
      {"glass-content", "out --previews", "--previews needs a folder"},
      {"glass-content", "out --frobnicate", "unknown option: --frobnicate"},
  };
  for (const auto& c : cases) {
    if (!built(c.program)) continue;
    const ProgramRun run = runProgram(c.program, c.args, "2>&1 >/dev/null");
    EXPECT_EQ(run.status, 2) << c.program << " " << c.args;
    const std::string head = c.program + ": " + c.problem;
    EXPECT_EQ(run.output.compare(0, head.size(), head), 0) << run.output;
    const std::size_t firstEnd = run.output.find('\n');
    ASSERT_NE(firstEnd, std::string::npos) << run.output;
    EXPECT_EQ(run.output.substr(firstEnd + 1), "Try '" + c.program + " --help'.\n") << c.program << " " << c.args;
  }
}

TEST(CommandLine, HelpGoesToStandardOutputWithStatusZero) {
  for (const std::string program : {"glass-orchard", "glass-tool", "glass-content"}) {
    if (!built(program)) continue;
    const ProgramRun run = runProgram(program, "--help", "2>/dev/null");
    EXPECT_EQ(run.status, 0) << program;
    EXPECT_EQ(run.output.rfind("Usage: " + program + " ", 0), 0u) << run.output;
  }
}

}  // namespace

namespace {

// A song the presentation cannot play, and content files it will refuse,
// are named by their whole paths at start, besides the start-up's own
// message box.
TEST(CommandLine, StartNamesContentFilesItCannotUse) {
  const fs::path stock = fs::path(GLASS_BINARY_DIR) / "content";
  if (!built("glass-orchard") || !fs::exists(stock / "track.xm")) GTEST_SKIP() << "no program or content";
  const fs::path copy = fs::temp_directory_path() / ("glass-song-" + std::to_string(::getpid()));
  fs::remove_all(copy);
  fs::copy(stock, copy, fs::copy_options::recursive);
  { std::ofstream(copy / "track.xm", std::ios::trunc) << "not a module"; }
  fs::copy_file(stock / "data" / "alpha.dat", copy / "data" / "tex.dat", fs::copy_options::overwrite_existing);
  { std::ofstream(copy / "data" / "alpha.dat", std::ios::trunc) << "short"; }
  fs::remove(copy / "ref" / "AK.obu");
  const ProgramRun run = runProgram("glass-orchard", "--no-config --data " + copy.string() + " --bench --max-seconds 0.05",
                                    "2>&1 >/dev/null");
  EXPECT_NE(run.output.find("glass-orchard: " + (copy / "track.xm").string() + ": not a song the sound library can play"),
            std::string::npos) << run.output;
  EXPECT_NE(run.output.find("glass-orchard: " + (copy / "data" / "alpha.dat").string() +
                            ": not a sound image container: "),
            std::string::npos) << run.output;
  EXPECT_NE(run.output.find("glass-orchard: " + (copy / "data" / "tex.dat").string() +
                            ": 2 images; the presentation takes 11"),
            std::string::npos) << run.output;
  EXPECT_NE(run.output.find("glass-orchard: " + (copy / "ref" / "AK.obu").string() + ": cannot be read: "),
            std::string::npos) << run.output;
  fs::remove_all(copy);
}

}  // namespace
