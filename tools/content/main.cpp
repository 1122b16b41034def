// glass-content OUTDIR [--previews DIR]: writes the presentation's whole
// content set (track.xm, data/*.dat, ref/*.obu) into OUTDIR.
#include <cstdio>
#include <cstring>
#include <string>

#include "common/png_io.h"
#include "content/app_icon.h"
#include "content/content_set.h"

namespace {

constexpr int kIconSize = 256;

void printUsage(std::FILE* to) {
  std::fprintf(to,
               "usage: glass-content OUTDIR [--previews DIR] [--icon FILE.png]\n"
               "  Generates the presentation's content (track.xm, data/*.dat, ref/*.obu)\n"
               "  into OUTDIR, creating it when needed.\n"
               "  --previews DIR  also writes every generated picture as a PNG into DIR\n"
               "  --icon FILE.png also writes the desktop icon (the title card, 256 x 256)\n"
               "  -h, --help      this text\n"
               "Exit status: 0 when everything was written, 1 when something could not\n"
               "be, 2 for a bad command line.\n");
}

}  // namespace

int main(int argc, char** argv) {
  ContentOptions options;
  std::string outDir;
  std::string iconPath;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      printUsage(stdout);
      return 0;
    }
    if (arg == "--previews") {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') {
        std::fprintf(stderr, "glass-content: --previews needs a folder\n");
        printUsage(stderr);
        return 2;
      }
      options.previewDir = argv[++i];
    } else if (arg == "--icon") {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') {
        std::fprintf(stderr, "glass-content: --icon needs a file name\n");
        printUsage(stderr);
        return 2;
      }
      iconPath = argv[++i];
    } else if (!arg.empty() && arg[0] != '-' && outDir.empty()) {
      outDir = arg;
    } else {
      std::fprintf(stderr, "glass-content: unknown argument %s\n", arg.c_str());
      printUsage(stderr);
      return 2;
    }
  }
  if (outDir.empty()) {
    printUsage(stderr);
    return 2;
  }
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
  return 0;
}
