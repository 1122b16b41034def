// Where the presentation's content (track.xm, data/, ref/) is taken from.
// A --data folder is the only place looked at when given. Otherwise the
// first folder holding track.xm wins: the working folder, then content/ and
// ../content/ beside the program (a build tree keeps it in build/content
// next to build/bin), then ../share/glass-orchard/ beside it and the
// installed data folder (an installed copy, wherever its prefix).
#pragma once

#include <string>
#include <vector>

struct ContentSearch {
  std::string dataOption;           // --data; empty when not given
  std::string workingFolder;        // where the program was started
  std::string programFolder;        // the folder of the executable; empty when unknown
  std::string installedDataFolder;  // compiled in; empty when none
};

struct ContentLocation {
  // False only for a --data folder that is not a folder: the run must end.
  bool usable = true;
  // The folder to change to; when nothing held track.xm, the working folder,
  // so that the start-up reports the missing music as it always did.
  std::string folder;
  bool found = false;                // `folder` holds track.xm
  std::vector<std::string> searched;  // every folder looked at, in order
  std::string problem;               // why the --data folder is refused
};

ContentLocation locateContent(const ContentSearch& search);

// Lines for standard error when no folder held track.xm: where the program
// looked and how to point it at its content.
std::string describeMissingContent(const ContentLocation& location, const std::string& programName);
