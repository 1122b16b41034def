#include "platform/sound/song_player.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "platform/os/regular_file.h"
#include "platform/sound/fmod.h"
#include "platform/sound/song_facts.h"
#include "platform/sound/xm_completeness.h"

namespace {

// Frames per chunk: the position is known to about 3 ms at 44.1 kHz.
constexpr std::size_t kChunkFrames = 128;

void logToStandardError(const char* message, void* /*user*/) {
  if (message != nullptr) std::fprintf(stderr, "libopenmpt: %s\n", message);
}

void logNowhere(const char* /*message*/, void* /*user*/) {}

int clampToByte(std::int32_t value) { return std::clamp(value, 0, 255); }

void recordMark(FMUSIC_MODULE& song) {
  int order = clampToByte(openmpt_module_get_current_order(song.module));
  int row = clampToByte(openmpt_module_get_current_row(song.module));
  if (!song.looping && song.markCount > 0) {
    // Played once, the song only moves forward: in the fade tail before its
    // end the decoder already reports the restart position, which is never
    // heard.
    const FMUSIC_MODULE::Mark& last = song.marks[(song.markCount - 1) % FMUSIC_MODULE::kMarkCount];
    if (order * 256 + row < last.order * 256 + last.row) {
      order = last.order;
      row = last.row;
    }
  }
  FMUSIC_MODULE::Mark& mark = song.marks[song.markCount % FMUSIC_MODULE::kMarkCount];
  mark.frame = song.renderedFrames;
  mark.order = order;
  mark.row = row;
  ++song.markCount;
}

// A damaged or cut-off song still plays what loads, but not without a
// word: the decoder's load warnings, and what is missing from a cut-off
// file (which the decoder takes silently), go to standard error, naming the
// file by its whole path (the presentation opens it relative to its folder).
void reportLoadWarnings(const FMUSIC_MODULE& song, const char* relativePath, const std::vector<unsigned char>& bytes) {
  std::error_code ignored;
  const std::string whole = std::filesystem::absolute(relativePath, ignored).string();
  const char* path = whole.empty() ? relativePath : whole.c_str();
  const std::string missing = describeMissingXmParts(bytes.data(), bytes.size());
  if (!missing.empty()) std::fprintf(stderr, "%s: %s; it plays without the missing part\n", path, missing.c_str());
  const char* warnings = openmpt_module_get_metadata(song.module, "warnings");
  if (warnings == nullptr) return;
  const char* line = warnings;
  while (*line != '\0') {
    const char* end = std::strchr(line, '\n');
    const std::size_t length = end != nullptr ? static_cast<std::size_t>(end - line) : std::strlen(line);
    if (length > 0) std::fprintf(stderr, "%s: %.*s\n", path, static_cast<int>(length), line);
    line += length + (end != nullptr ? 1 : 0);
  }
  openmpt_free_string(warnings);
}

}  // namespace

SongLoadResult loadSongMemory(const void* bytes, std::size_t size, bool looping, bool verbose) {
  openmpt_log_func log = verbose ? logToStandardError : logNowhere;
  int error = 0;
  const int probe = openmpt_probe_file_header(OPENMPT_PROBE_FILE_HEADER_FLAGS_DEFAULT, bytes, size, size, log,
                                              nullptr, openmpt_error_func_store, nullptr, &error, nullptr);
  if (probe == OPENMPT_PROBE_FILE_HEADER_RESULT_ERROR) {
    return {nullptr, error == OPENMPT_ERROR_OUT_OF_MEMORY ? FMOD_ERR_MEMORY : FMOD_ERR_FILE_BAD};
  }
  if (probe != OPENMPT_PROBE_FILE_HEADER_RESULT_SUCCESS) return {nullptr, FMOD_ERR_FILE_FORMAT};

  error = 0;
  openmpt_module* module = openmpt_module_create_from_memory2(bytes, size, log, nullptr, openmpt_error_func_store,
                                                              nullptr, &error, nullptr, nullptr);
  if (module == nullptr) return {nullptr, error == OPENMPT_ERROR_OUT_OF_MEMORY ? FMOD_ERR_MEMORY : FMOD_ERR_FILE_BAD};
  openmpt_module_set_repeat_count(module, looping ? -1 : 0);
  // The 16-bit output is otherwise dithered from a randomly seeded generator,
  // and the same song would never render to the same samples twice.
  openmpt_module_ctl_set_integer(module, "dither", 0);

  auto* song = new (std::nothrow) FMUSIC_MODULE;
  if (song == nullptr) {
    openmpt_module_destroy(module);
    return {nullptr, FMOD_ERR_MEMORY};
  }
  song->module = module;
  song->looping = looping;
  return {song, FMOD_ERR_NONE};
}

SongLoadResult loadSongFile(const char* path, bool looping, bool verbose) {
  if (path == nullptr) return {nullptr, FMOD_ERR_INVALID_PARAM};
  // A folder, FIFO or device named like the song is no song: refused
  // before reading, so start-up neither aborts nor blocks.
  std::vector<unsigned char> bytes;
  const FileReadResult read = readRegularFile(path, bytes, fixedSizeLimit(kMaxSongFileBytes, "a module may be"));
  if (read.status == FileReadStatus::kMissing || read.status == FileReadStatus::kNotRegular) {
    return {nullptr, FMOD_ERR_FILE_NOTFOUND};
  }
  if (read.status == FileReadStatus::kTooLarge) {
    std::fprintf(stderr, "%s: %s\n", path, read.reason.c_str());
    return {nullptr, FMOD_ERR_FILE_BAD};
  }
  if (!read.ok()) return {nullptr, FMOD_ERR_FILE_BAD};
  const SongLoadResult result = loadSongMemory(bytes.data(), bytes.size(), looping, verbose);
  if (result.song != nullptr) reportLoadWarnings(*result.song, path, bytes);
  return result;
}

void destroySong(FMUSIC_MODULE* song) {
  if (song == nullptr) return;
  openmpt_module_destroy(song->module);
  delete song;
}

void rewindSong(FMUSIC_MODULE& song) {
  openmpt_module_set_position_order_row(song.module, 0, 0);
  song.renderedFrames = 0;
  song.endFrame = 0;
  song.renderEnded = false;
  song.markCount = 0;
  song.position.store(0);
  song.ended.store(false);
  song.pairPending = false;
}

std::size_t renderSong(FMUSIC_MODULE& song, int rate, std::size_t frames, std::int16_t* out) {
  std::int16_t scratch[kChunkFrames * 2];
  std::size_t done = 0;
  while (done < frames && !song.renderEnded) {
    const std::size_t ask = std::min(kChunkFrames, frames - done);
    std::int16_t* target = out != nullptr ? out + done * 2 : scratch;
    const std::size_t got = openmpt_module_read_interleaved_stereo(song.module, rate, ask, target);
    song.renderedFrames += got;
    done += got;
    if (got < ask) {
      // The song's end: what follows the last rendered frame is silence, and
      // the position the decoder reports from here on is not played.
      song.renderEnded = true;
      song.endFrame = song.renderedFrames;
      break;
    }
    recordMark(song);
  }
  return done;
}

void publishLatestPosition(FMUSIC_MODULE& song) {
  if (song.markCount > 0) {
    const FMUSIC_MODULE::Mark& mark = song.marks[(song.markCount - 1) % FMUSIC_MODULE::kMarkCount];
    song.position.store(mark.order * 256 + mark.row);
  }
  if (song.renderEnded) song.ended.store(true);
}

void publishPositionAt(FMUSIC_MODULE& song, std::uint64_t frame) {
  // The newest mark at or before `frame`; older marks than the ring holds
  // are long past hearing.
  const std::size_t available = std::min(song.markCount, FMUSIC_MODULE::kMarkCount);
  for (std::size_t back = 1; back <= available; ++back) {
    const FMUSIC_MODULE::Mark& mark = song.marks[(song.markCount - back) % FMUSIC_MODULE::kMarkCount];
    if (mark.frame <= frame) {
      song.position.store(mark.order * 256 + mark.row);
      break;
    }
  }
  if (song.renderEnded && frame >= song.endFrame) song.ended.store(true);
}
