// What a song offers the presentation, which follows its order and row:
// how many orders it has, how long it plays, and when it passes a given
// position. For the content check and the start-up's word about a song
// that does not fit the timeline.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A generous cap on a module file: far above any tracker song, far below
// what would take memory and minutes before the refusal.
constexpr std::uint64_t kMaxSongFileBytes = 64u << 20;

struct SongFacts {
  bool ok = false;
  std::string error;          // when not ok: why the song cannot be read
  int orders = 0;             // entries of the order list
  std::vector<int> rows;      // rows of the pattern at each order (0: a marker, no pattern)
  double seconds = 0;         // the whole song, played once
  double secondsPastEnd = -1; // when the song first plays past order:row; -1 when it never does
};

// Reads a module (XM, or whatever the sound library plays) from memory.
SongFacts describeSong(const unsigned char* bytes, std::size_t size, int order, int row);
