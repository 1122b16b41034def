// glass-content OUTDIR [--previews DIR]: writes the presentation's whole
// content set (track.xm, data/*.dat, ref/*.obu) into OUTDIR.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/command_line_error.h"
#include "common/png_io.h"
#include "content/app_icon.h"
#include "content/content_set.h"
#include "content/picture_map.h"

namespace {

constexpr int kIconSize = 256;

constexpr const char* kProgram = "glass-content";

constexpr const char* kHelpText =
    "Usage: glass-content OUTDIR [--previews DIR] [--icon FILE.png]\n"
    "                     [--picture-map FILE.png]\n"
    "Generates GLASS ORCHARD's content (track.xm, data/*.dat, ref/*.obu) into\n"
    "OUTDIR, creating it when needed.\n"
    "\n"
    "Options:\n"
    "  --previews DIR    also write every generated picture as a PNG into DIR,\n"
    "                    named CONTAINER-INDEX-WHAT.png with two-digit indexes\n"
    "  --icon FILE.png   also write the desktop icon (the title card, 256 x 256)\n"
    "  --picture-map FILE.png\n"
    "                    also write a map of every picture: container, index,\n"
    "                    size and where it appears (docs/picture-map.png)\n"
    "  -h, --help        print this help and exit\n"
    "\n"
    "Exit status:\n"
    "  0   everything was written\n"
    "  1   something could not be written\n"
    "  2   a bad command line\n";

}  // namespace

int main(int argc, char** argv) {
  ContentOptions options;
  std::string outDir;
  std::string iconPath;
  std::string mapPath;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kHelpText, stdout);
      return 0;
    }
    if (arg == "--previews") {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') {
        return refuseCommandLine(kProgram, "--previews needs a folder");
      }
      options.previewDir = argv[++i];
    } else if (arg == "--icon") {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') {
        return refuseCommandLine(kProgram, "--icon needs a file name");
      }
      iconPath = argv[++i];
    } else if (arg == "--picture-map") {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') return refuseCommandLine(kProgram, "--picture-map needs a file name");
      mapPath = argv[++i];
    } else if (!arg.empty() && arg[0] != '-' && outDir.empty()) {
      outDir = arg;
    } else {
      if (arg.empty()) return refuseCommandLine(kProgram, "an empty argument");
      return refuseCommandLine(kProgram, (arg[0] == '-' ? "unknown option: " : "a second OUTDIR: ") + arg);
    }
  }
  if (outDir.empty()) return refuseCommandLine(kProgram, "no OUTDIR given");
  std::string error;
  ContentWritten written;
  if (!writeContentSet(outDir, options, &error, &written)) {
    std::fprintf(stderr, "glass-content: %s\n", error.c_str());
    return 1;
  }
  std::printf("glass-content: wrote %zu files (%llu bytes: track.xm, data/*.dat, ref/*.obu) into %s\n", written.files,
              static_cast<unsigned long long>(written.bytes), outDir.c_str());
  if (!options.previewDir.empty()) {
    std::printf("glass-content: wrote a PNG of every picture into %s\n", options.previewDir.c_str());
  }
  if (!iconPath.empty()) {
    Picture icon;
    if (!buildAppIcon(kIconSize, &icon, &error) || !writePng(iconPath, icon, &error)) {
      std::fprintf(stderr, "glass-content: %s\n", error.c_str());
      return 1;
    }
    std::printf("glass-content: wrote the icon to %s\n", iconPath.c_str());
  }
  if (!mapPath.empty()) {
    Picture map;
    if (!buildPictureMap(&map, &error) || !writePng(mapPath, map, &error)) {
      std::fprintf(stderr, "glass-content: %s\n", error.c_str());
      return 1;
    }
    std::printf("glass-content: wrote the picture map to %s\n", mapPath.c_str());
  }
  return 0;
}
