// glass-tool: packs pictures into image containers, inspects and decodes
// them, and works on mesh files.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/command_line_error.h"

#include "glass_tool/commands.h"
#include "platform/os/output_file.h"
#include "platform/os/regular_file.h"

namespace {

constexpr const char* kProgram = "glass-tool";

struct Command {
  const char* name;
  int (*run)(int argc, char** argv);
  const char* usage;  // the command's line in the help text
};

// The command table. A new command is one line here.
const Command kCommands[] = {
    {"pack", runPack,
     "  pack OUT.dat [--grey] IN.png...\n"
     "                    encode the pictures, in the order given, into the image\n"
     "                    container OUT.dat; --grey keeps one grey channel. A\n"
     "                    picture unpack wrote and nobody changed keeps its\n"
     "                    encoded block as it was (the codec is lossy)\n"
     "  pack OUT.dat --list FILE.list\n"
     "                    the same with the pictures and kinds unpack listed\n"},
    {"unpack", runUnpack,
     "  unpack FILE.dat DIR  write every image as DIR/NAME-00.png, NAME-01.png...\n"
     "                    (NAME from FILE.dat) and the list DIR/NAME.list for\n"
     "                    pack --list\n"},
    {"replace", runReplace,
     "  replace FILE.dat INDEX IN.png\n"
     "                    encode IN.png in place of image INDEX (0 is the\n"
     "                    first), keeping its grey or colour kind\n"},
    {"check", runCheck,
     "  check DIR         read the content folder DIR (track.xm, data/, ref/) as\n"
     "                    the presentation will and report, file by file, what\n"
     "                    is missing, will be stretched, stands where no camera\n"
     "                    looks, or does not fit the music's timeline; exit 1\n"
     "                    when something is missing or broken, 0 with warnings\n"},
    {"info", runInfo, "  info FILE.dat     list the images of a container: sizes, cells, bytes\n"},
    {"decode", runDecode,
     "  decode FILE.dat INDEX [--png OUT] [--raw OUT] [--texels OUT]\n"
     "                    decode one image (0 is the first); prints WIDTH HEIGHT\n"
     "                    CHANNELS and writes it as a PNG, as the decoder's raw\n"
     "                    pixels or as the texture's texels\n"},
    {"mesh-info", runMeshInfo, "  mesh-info FILE.obu  counts and bounds of a mesh file; exit 1 when unsound\n"},
    {"obj2obu", runObj2Obu, "  obj2obu IN.obj OUT.obu  convert a Wavefront OBJ mesh to a mesh file\n"},
};

std::string helpText() {
  std::string text =
      "Usage: glass-tool COMMAND [ARGS]\n"
      "Packs, inspects and decodes the image containers (data/*.dat) and the mesh\n"
      "files (ref/*.obu) of GLASS ORCHARD's content.\n"
      "\n"
      "Commands:\n";
  for (const Command& c : kCommands) text += c.usage;
  text +=
      "\n"
      "Options:\n"
      "  -h, --help        print this help and exit\n"
      "\n"
      "Exit status:\n"
      "  0   done\n"
      "  1   a file could not be read, written or decoded, or is unsound\n"
      "  2   a bad command line\n";
  return text;
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

int refuseUsage(const std::string& problem) { return refuseCommandLine(kProgram, problem); }

int main(int argc, char** argv) {
  if (argc < 2) return refuseUsage("no command given (pack, info, decode, mesh-info, ...)");
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
      std::strcmp(argv[1], "help") == 0) {
    std::fputs(helpText().c_str(), stdout);
    return 0;
  }
  for (const Command& c : kCommands) {
    if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 1, argv + 1);
  }
  return refuseUsage(std::string("unknown command '") + argv[1] + "'");
}
