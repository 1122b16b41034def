// A tracker module through the sound layer's loader, then a short render
// with the position read after each piece, as the offline output does. The
// promises: a refused module carries an error code; a loaded one renders no
// more than asked and reports orders and rows of 0..255.
#include <cstddef>
#include <cstdint>

#include "platform/sound/fmod.h"
#include "platform/sound/song_player.h"
#include "promise.h"

namespace {

// Low, to keep each run short: a quarter of a second in eight pieces, each
// a few rows at the usual tempos, so positions move within and across rows.
constexpr int kRate = 8000;
constexpr std::size_t kPieceFrames = 250;
constexpr int kPieces = 8;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const SongLoadResult loaded = loadSongMemory(data, size, false, false);
  if (loaded.song == nullptr) {
    FUZZ_PROMISE(loaded.error != FMOD_ERR_NONE, "a refused module carries an error code");
    return 0;
  }
  FMUSIC_MODULE& song = *loaded.song;
  std::int16_t samples[2 * kPieceFrames];
  for (int piece = 0; piece < kPieces && !song.renderEnded; ++piece) {
    const std::size_t rendered = renderSong(song, kRate, kPieceFrames, samples);
    FUZZ_PROMISE(rendered <= kPieceFrames, "a render gives no more than asked");
    publishLatestPosition(song);
    const int position = song.position.load();
    FUZZ_PROMISE(position >= 0 && position <= 0xFFFF, "order and row are 0..255");
  }
  destroySong(loaded.song);
  return 0;
}
