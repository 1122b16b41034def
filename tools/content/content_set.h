// The whole content set: every file the presentation reads, generated and
// written into one folder laid out as the presentation expects.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ContentOptions {
  std::string previewDir;  // when set, every picture is also written as a PNG
};

// One generated file: its path relative to the content folder and its bytes.
struct ContentFile {
  std::string path;
  std::vector<std::uint8_t> bytes;
};

// Generates every file in memory. False with the reason in `error`.
bool generateContentSet(const ContentOptions& options, std::vector<ContentFile>* files,
                        std::string* error);

// What writeContentSet put on disk.
struct ContentWritten {
  std::size_t files = 0;
  std::uint64_t bytes = 0;
};

// Generates the set and writes it under `outDir` (folders are created).
bool writeContentSet(const std::string& outDir, const ContentOptions& options, std::string* error,
                     ContentWritten* written = nullptr);
