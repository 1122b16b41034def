// glass-tool: packs pictures into image containers, inspects and decodes
// them, and works on mesh files.
#include <cstdio>
#include <cstring>

#include "glass_tool/commands.h"
#include "platform/os/output_file.h"
#include "platform/os/regular_file.h"

namespace {

struct Command {
  const char* name;
  int (*run)(int argc, char** argv);
  const char* usage;
};

// The command table. A new command is one line here.
const Command kCommands[] = {
    {"pack", runPack, "pack OUT.dat [--grey] IN.png...   encode pictures into an image container"},
    {"info", runInfo, "info FILE.dat                     list the images of a container"},
    {"decode", runDecode,
     "decode FILE.dat INDEX [--raw OUT] [--texels OUT] [--png OUT]\n"
     "                                    decode one image; prints W H CHANNELS"},
    {"mesh-info", runMeshInfo, "mesh-info FILE.obu                summarise a mesh file and check it"},
    {"obj2obu", runObj2Obu, "obj2obu IN.obj OUT.obu            convert a Wavefront OBJ to a mesh file"},
};

void printHelp(std::FILE* out) {
  std::fputs("usage: glass-tool COMMAND [ARGS]\n\ncommands:\n", out);
  for (const Command& c : kCommands) std::fprintf(out, "  %s\n", c.usage);
  std::fputs("\n  --help                            this text\n", out);
}

}  // namespace

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes, std::string* error,
                   const SizeRule& rule) {
  const FileReadResult read = readRegularFile(path, *bytes, rule);
  if (read.ok()) return true;
  switch (read.status) {
    case FileReadStatus::kMissing: *error = path + ": cannot open: " + read.reason; break;
    case FileReadStatus::kNotRegular: *error = path + " is " + read.reason; break;
    case FileReadStatus::kTooLarge: *error = path + ": " + read.reason; break;
    default: *error = path + ": cannot read: " + read.reason; break;
  }
  return false;
}

bool writeWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error) {
  return writeOutputFile(path, bytes, error);
}

int main(int argc, char** argv) {
  if (argc < 2) {
    printHelp(stderr);
    return 2;
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
      std::strcmp(argv[1], "help") == 0) {
    printHelp(stdout);
    return 0;
  }
  for (const Command& c : kCommands) {
    if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 1, argv + 1);
  }
  std::fprintf(stderr, "glass-tool: unknown command '%s'\n\n", argv[1]);
  printHelp(stderr);
  return 2;
}
