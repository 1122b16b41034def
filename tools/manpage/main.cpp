// glass-manpage PROGRAM SECTION MANUAL VERSION DATE INCLUDE OUT: runs
// `PROGRAM --help` and writes its manual page to OUT (the build makes the
// three programs' pages this way).
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/man_page.h"
#include "platform/os/output_file.h"
#include "platform/os/regular_file.h"

namespace {

bool readHelp(const std::string& program, std::string* help, std::string* error) {
  const std::string command = "'" + program + "' --help";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    *error = "cannot run " + program;
    return false;
  }
  char buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) help->append(buffer, got);
  const int status = pclose(pipe);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    *error = program + " --help did not end with status 0";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 8) {
    std::fputs("glass-manpage: wants PROGRAM SECTION MANUAL VERSION DATE INCLUDE OUT\n", stderr);
    return 2;
  }
  ManPageSource source;
  const std::string programPath = argv[1];
  source.program = programPath.substr(programPath.find_last_of('/') + 1);
  source.section = argv[2];
  source.manual = argv[3];
  source.version = argv[4];
  source.date = argv[5];
  std::string error;
  std::vector<std::uint8_t> include;
  const FileReadResult read = readRegularFile(argv[6], include);
  if (!read.ok()) {
    std::fprintf(stderr, "glass-manpage: %s: %s\n", argv[6], read.reason.c_str());
    return 1;
  }
  source.include.assign(include.begin(), include.end());
  if (!readHelp(programPath, &source.help, &error)) {
    std::fprintf(stderr, "glass-manpage: %s\n", error.c_str());
    return 1;
  }
  const std::string page = manPageFromHelp(source, &error);
  if (page.empty()) {
    std::fprintf(stderr, "glass-manpage: %s: %s\n", programPath.c_str(), error.c_str());
    return 1;
  }
  if (!writeOutputFile(argv[7], std::vector<std::uint8_t>(page.begin(), page.end()), &error)) {
    std::fprintf(stderr, "glass-manpage: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
