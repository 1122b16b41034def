// A loaded tracker module and its play position; internal to platform/sound.
//
// The module is rendered by exactly one side at a time: the SDL audio
// callback (device output, with the audio device locked by the main thread
// for any change), or the main thread (silent and offline outputs). The
// position read by the main thread is a published snapshot in atomics.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

struct openmpt_module;

struct FMUSIC_MODULE {
  openmpt_module* module = nullptr;
  bool looping = true;

  // Published for the main thread: order * 256 + row in one value, so a
  // reader never sees the order of one moment with the row of another.
  std::atomic<int> position{0};
  std::atomic<bool> ended{false};

  // Main thread only: the position FMUSIC_GetOrder read, which the
  // FMUSIC_GetRow right after it completes.
  int pairedPosition = 0;
  bool pairPending = false;

  // Renderer side only.
  std::uint64_t renderedFrames = 0;
  std::uint64_t endFrame = 0;  // valid once renderEnded
  bool renderEnded = false;

  // Position after each rendered chunk, so the device output can publish
  // the position of the sample being heard rather than the one just mixed.
  struct Mark {
    std::uint64_t frame;  // frames rendered when the position was read
    int order;
    int row;
  };
  static constexpr std::size_t kMarkCount = 128;
  std::array<Mark, kMarkCount> marks{};
  std::size_t markCount = 0;  // marks written in total (ring index = count % size)
};

struct SongLoadResult {
  FMUSIC_MODULE* song = nullptr;
  int error = 0;  // an FMOD_ERR_* code when song is null
};

// Reads and decodes a module file. `verbose` lets libopenmpt's messages
// through to standard error. A file above 64 MB is refused unread
// (FMOD_ERR_FILE_BAD), with a line on standard error naming it, its size and
// the cap.
SongLoadResult loadSongFile(const char* path, bool looping, bool verbose);
// Same from bytes in memory (the bytes may be freed afterwards).
SongLoadResult loadSongMemory(const void* bytes, std::size_t size, bool looping, bool verbose);
void destroySong(FMUSIC_MODULE* song);

// Back to the beginning, nothing rendered.
void rewindSong(FMUSIC_MODULE& song);

// Renders up to `frames` stereo frames at `rate` into `out` (or a scratch
// buffer when null), in short chunks, recording the position after each.
// Returns the frames rendered; fewer than asked at the song's end.
std::size_t renderSong(FMUSIC_MODULE& song, int rate, std::size_t frames, std::int16_t* out);

// Publishes the position after the last rendered chunk (silent, offline).
void publishLatestPosition(FMUSIC_MODULE& song);
// Publishes the position at rendered frame `frame` (device: the frame being
// heard), and the end once that frame has passed the song's end.
void publishPositionAt(FMUSIC_MODULE& song, std::uint64_t frame);
