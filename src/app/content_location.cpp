#include "app/content_location.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr const char* kMusicFile = "track.xm";

bool holdsMusic(const std::string& folder) {
  std::error_code error;
  return fs::is_regular_file(fs::path(folder) / kMusicFile, error);
}

// The folder in a plain form for messages: "/a/b/../content" as "/a/content".
std::string tidy(const fs::path& folder) { return folder.lexically_normal().string(); }

void addCandidate(std::vector<std::string>& candidates, const std::string& folder) {
  if (folder.empty()) return;
  for (const std::string& known : candidates) {
    if (known == folder) return;
  }
  candidates.push_back(folder);
}

}  // namespace

ContentLocation locateContent(const ContentSearch& search) {
  ContentLocation location;
  if (!search.dataOption.empty()) {
    const fs::path given = fs::path(search.workingFolder) / search.dataOption;
    location.searched.push_back(search.dataOption);
    location.folder = search.dataOption;
    std::error_code error;
    if (!fs::is_directory(given, error)) {
      location.usable = false;
      location.problem = fs::exists(given, error) ? "--data " + search.dataOption + " is not a folder"
                                                  : "--data " + search.dataOption + ": no such folder";
      return location;
    }
    location.found = holdsMusic(given.string());
    return location;
  }

  std::vector<std::string> candidates;
  addCandidate(candidates, search.workingFolder);
  if (!search.programFolder.empty()) {
    const fs::path program(search.programFolder);
    addCandidate(candidates, tidy(program / "content"));
    addCandidate(candidates, tidy(program / ".." / "content"));
    addCandidate(candidates, tidy(program / ".." / "share" / "glass-orchard"));
  }
  if (!search.installedDataFolder.empty()) addCandidate(candidates, tidy(search.installedDataFolder));

  location.folder = search.workingFolder;
  for (const std::string& candidate : candidates) {
    location.searched.push_back(candidate);
    if (holdsMusic(candidate)) {
      location.folder = candidate;
      location.found = true;
      break;
    }
  }
  return location;
}

std::string describeMissingContent(const ContentLocation& location, const std::string& programName) {
  std::string text = programName + ": no track.xm in ";
  if (location.searched.size() == 1) {
    text += location.searched.front() + "\n";
  } else {
    text += "any of these folders:\n";
    for (const std::string& folder : location.searched) text += "  " + folder + "\n";
  }
  text += programName + ": point it at the content with --data DIR (the folder holding track.xm, data/ and ref/)\n";
  return text;
}
