// glass-content OUTDIR [--previews DIR]: writes the presentation's whole
// content set (track.xm, data/*.dat, ref/*.obu) into OUTDIR.
#include <cstdio>
#include <cstring>
#include <string>

#include "content/content_set.h"

namespace {

void printUsage(std::FILE* to) {
  std::fprintf(to,
               "usage: glass-content OUTDIR [--previews DIR]\n"
               "  Generates track.xm, data/*.dat and ref/*.obu into OUTDIR.\n"
               "  --previews DIR  also writes every generated picture as a PNG into DIR\n");
}

}  // namespace

int main(int argc, char** argv) {
  ContentOptions options;
  std::string outDir;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      printUsage(stdout);
      return 0;
    }
    if (arg == "--previews" && i + 1 < argc) {
      options.previewDir = argv[++i];
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
  if (!writeContentSet(outDir, options, &error)) {
    std::fprintf(stderr, "glass-content: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
