// The FSOUND_/FMUSIC_ subset and its three outputs (see fmod.h and
// sound_control.h).
//
// Device: SDL audio at the mix rate, 16-bit stereo. The callback renders
//   the playing song on the audio thread and publishes the position of the
//   buffer now being heard (the one handed over before this one). Every
//   change of the playing song is made with the audio device locked.
// Silent: no device; on each position read the main thread renders (and
//   drops) the audio that real time says has played since the song started.
// Offline: the caller renders on demand with renderOfflineFrames(). The
//   output keeps one sample frame rendered ahead of what it has handed out:
//   the decoder moves to a new row only once it renders that row's first
//   sample, so the position after rendering up to time t is then the row
//   that sounds at t, also when that row starts exactly at t.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/os/quiet_stderr.h"
#include "platform/sound/fmod.h"
#include "platform/sound/song_player.h"
#include "platform/sound/sound_control.h"

namespace {

constexpr float kLibraryVersion = 3.33f;
constexpr int kMinMixRate = 4000;
constexpr int kMaxMixRate = 192000;
constexpr int kDeviceBufferFrames = 1024;

struct SoundSystem {
  // Choices made before FSOUND_Init.
  SoundOutput requestedOutput = SoundOutput::Device;
  bool looping = true;
  bool verbose = false;
  float reportedVersion = kLibraryVersion;
  int injectedInitError = 0;
  std::function<std::uint64_t()> silentClock;
  std::string deviceName;  // empty: the system's default device
  bool paused = false;

  // Running state.
  bool initialised = false;
  int lastError = FMOD_ERR_NONE;
  SoundOutput output = SoundOutput::Device;
  int mixRate = 44100;
  SDL_AudioDeviceID device = 0;
  std::uint32_t deviceBufferFrames = 0;
  std::vector<FMUSIC_MODULE*> songs;
  FMUSIC_MODULE* playing = nullptr;  // read by the audio callback
  // Offline: the next sample frame, rendered ahead (see above).
  std::int16_t aheadFrame[2] = {0, 0};
  bool frameAhead = false;
  std::uint64_t silentStartMicros = 0;
  std::uint64_t silentPausedAtMicros = 0;
  std::uint64_t silentPausedMicros = 0;  // total time the silent output stood still
};

// Read by the audio callback while the main thread may change them.
std::atomic<int> deviceVolume{100};
std::atomic<bool> deviceMuted{false};

SoundSystem& sound() {
  static SoundSystem instance;
  return instance;
}

std::uint64_t silentClockMicros() {
  const SoundSystem& s = sound();
  if (s.silentClock) return s.silentClock();
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

// The silent output's clock, standing still while paused.
std::uint64_t silentPlayingMicros() {
  const SoundSystem& s = sound();
  const std::uint64_t now = s.paused ? s.silentPausedAtMicros : silentClockMicros();
  return now - s.silentStartMicros - s.silentPausedMicros;
}

// Volume and mute apply to what the device plays only; the song renders
// the same samples either way.
void applyVolume(std::int16_t* samples, std::size_t count) {
  if (deviceMuted.load(std::memory_order_relaxed)) {
    std::memset(samples, 0, count * sizeof(std::int16_t));
    return;
  }
  const int volume = deviceVolume.load(std::memory_order_relaxed);
  if (volume >= 100) return;
  for (std::size_t i = 0; i < count; ++i) samples[i] = static_cast<std::int16_t>(samples[i] * volume / 100);
}

void audioCallback(void* /*user*/, Uint8* stream, int length) {
  SoundSystem& s = sound();
  const std::size_t frames = static_cast<std::size_t>(length) / 4;
  std::size_t rendered = 0;
  if (FMUSIC_MODULE* song = s.playing) {
    const std::uint64_t heard =
        song->renderedFrames > s.deviceBufferFrames ? song->renderedFrames - s.deviceBufferFrames : 0;
    publishPositionAt(*song, heard);
    rendered = renderSong(*song, s.mixRate, frames, reinterpret_cast<std::int16_t*>(stream));
  }
  std::memset(stream + rendered * 4, 0, static_cast<std::size_t>(length) - rendered * 4);
  applyVolume(reinterpret_cast<std::int16_t*>(stream), rendered * 2);
}

bool openDevice(SoundSystem& s) {
  QuietStandardError quiet(!s.verbose);
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // signals are the program's to handle
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    if (s.verbose) std::fprintf(stderr, "sound: no audio system: %s\n", SDL_GetError());
    return false;
  }
  SDL_AudioSpec want{};
  want.freq = s.mixRate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = kDeviceBufferFrames;
  want.callback = audioCallback;
  SDL_AudioSpec have{};
  const char* name = s.deviceName.empty() ? nullptr : s.deviceName.c_str();
  s.device = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
  if (s.device == 0) {
    if (name != nullptr) {
      // Asked for by name: always say that it failed, and how to find names.
      std::fprintf(stderr,
                   "sound: cannot open the audio device '%s': %s; the music plays silently "
                   "(--list-audio-devices shows the names)\n",
                   name, SDL_GetError());
    } else if (s.verbose) {
      std::fprintf(stderr, "sound: no sound device: %s\n", SDL_GetError());
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  s.deviceBufferFrames = have.samples;
  if (s.verbose) {
    std::fprintf(stderr, "sound: device %s on driver %s, %d Hz, %u frames per buffer\n",
                 name != nullptr ? name : "(default)", SDL_GetCurrentAudioDriver(), have.freq, have.samples);
  }
  SDL_PauseAudioDevice(s.device, s.paused ? 1 : 0);
  return true;
}

void closeDevice(SoundSystem& s) {
  if (s.device == 0) return;
  SDL_CloseAudioDevice(s.device);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  s.device = 0;
}

// Runs `change` while the audio callback cannot touch the songs.
template <typename Change>
void withAudioLocked(Change change) {
  SoundSystem& s = sound();
  if (s.device != 0) SDL_LockAudioDevice(s.device);
  change();
  if (s.device != 0) SDL_UnlockAudioDevice(s.device);
}

bool isLoaded(FMUSIC_MODULE* song) {
  const auto& songs = sound().songs;
  return song != nullptr && std::find(songs.begin(), songs.end(), song) != songs.end();
}

// Silent output: bring the playing song up to real time.
void catchUpSilent(FMUSIC_MODULE* song) {
  SoundSystem& s = sound();
  if (s.output != SoundOutput::Silent || song != s.playing || song == nullptr) return;
  const std::uint64_t elapsed = silentPlayingMicros();
  const std::uint64_t due = elapsed * static_cast<std::uint64_t>(s.mixRate) / 1000000u;
  if (due > song->renderedFrames) renderSong(*song, s.mixRate, due - song->renderedFrames, nullptr);
  publishLatestPosition(*song);
}

// Offline output: renders the next sample frame ahead and publishes the
// position it belongs to.
void renderOfflineAhead(SoundSystem& s) {
  s.frameAhead = !s.playing->renderEnded && renderSong(*s.playing, s.mixRate, 1, s.aheadFrame) == 1;
  publishLatestPosition(*s.playing);
}

int readPosition(FMUSIC_MODULE* song) {
  catchUpSilent(song);
  return song->position.load();
}

}  // namespace

float FSOUND_GetVersion() { return sound().reportedVersion; }

signed char FSOUND_Init(int mixrate, int /*maxSoftwareChannels*/, unsigned int /*flags*/) {
  SoundSystem& s = sound();
  if (s.initialised) {
    s.lastError = FMOD_ERR_BUSY;
    return 0;
  }
  if (s.injectedInitError != 0) {
    s.lastError = s.injectedInitError;
    s.injectedInitError = 0;
    return 0;
  }
  if (mixrate < kMinMixRate || mixrate > kMaxMixRate) {
    s.lastError = FMOD_ERR_INVALID_PARAM;
    return 0;
  }
  s.mixRate = mixrate;
  s.output = s.requestedOutput;
  // No sound device is no failure: the presentation then plays silently.
  if (s.output == SoundOutput::Device && !openDevice(s)) s.output = SoundOutput::Silent;
  s.initialised = true;
  s.lastError = FMOD_ERR_NONE;
  return 1;
}

int FSOUND_GetError() { return sound().lastError; }

void FSOUND_Close() {
  SoundSystem& s = sound();
  if (!s.initialised) return;
  withAudioLocked([&] { s.playing = nullptr; });
  closeDevice(s);
  for (FMUSIC_MODULE* song : s.songs) destroySong(song);
  s.songs.clear();
  s.initialised = false;
}

FMUSIC_MODULE* FMUSIC_LoadSong(const char* name) {
  SoundSystem& s = sound();
  if (!s.initialised) {
    s.lastError = FMOD_ERR_UNINITIALIZED;
    return nullptr;
  }
  const SongLoadResult result = loadSongFile(name, s.looping, s.verbose);
  if (result.song == nullptr) {
    s.lastError = result.error;
    return nullptr;
  }
  s.songs.push_back(result.song);
  return result.song;
}

signed char FMUSIC_PlaySong(FMUSIC_MODULE* song) {
  SoundSystem& s = sound();
  if (!isLoaded(song)) {
    s.lastError = FMOD_ERR_INVALID_PARAM;
    return 0;
  }
  withAudioLocked([&] {
    rewindSong(*song);
    s.playing = song;
  });
  if (s.output == SoundOutput::Offline) renderOfflineAhead(s);
  s.silentStartMicros = s.paused ? s.silentPausedAtMicros : silentClockMicros();
  s.silentPausedMicros = 0;
  return 1;
}

int FMUSIC_GetOrder(FMUSIC_MODULE* song) {
  if (!isLoaded(song)) {
    sound().lastError = FMOD_ERR_INVALID_PARAM;
    return -1;
  }
  song->pairedPosition = readPosition(song);
  song->pairPending = true;
  return song->pairedPosition >> 8;
}

int FMUSIC_GetRow(FMUSIC_MODULE* song) {
  if (!isLoaded(song)) {
    sound().lastError = FMOD_ERR_INVALID_PARAM;
    return -1;
  }
  // Right after FMUSIC_GetOrder, the row of that same moment: order and row
  // read one after the other always form a position that was heard.
  const int position = song->pairPending ? song->pairedPosition : readPosition(song);
  song->pairPending = false;
  return position & 0xFF;
}

signed char FMUSIC_FreeSong(FMUSIC_MODULE* song) {
  SoundSystem& s = sound();
  if (!isLoaded(song)) {
    s.lastError = FMOD_ERR_INVALID_PARAM;
    return 0;
  }
  withAudioLocked([&] {
    if (s.playing == song) s.playing = nullptr;
  });
  if (s.playing == nullptr) s.frameAhead = false;
  s.songs.erase(std::find(s.songs.begin(), s.songs.end(), song));
  destroySong(song);
  return 1;
}

void setSoundOutput(SoundOutput output) { sound().requestedOutput = output; }

SoundOutput activeSoundOutput() { return sound().output; }

int renderOfflineFrames(int frames, std::int16_t* interleavedStereo) {
  SoundSystem& s = sound();
  if (!s.initialised || s.output != SoundOutput::Offline || s.playing == nullptr || frames <= 0) return 0;
  std::size_t given = 0;
  if (s.frameAhead) {
    if (interleavedStereo != nullptr) std::copy_n(s.aheadFrame, 2, interleavedStereo);
    s.frameAhead = false;
    given = 1;
  }
  const std::size_t wanted = static_cast<std::size_t>(frames);
  if (given < wanted) {
    given += renderSong(*s.playing, s.mixRate, wanted - given,
                        interleavedStereo != nullptr ? interleavedStereo + 2 * given : nullptr);
  }
  renderOfflineAhead(s);
  return static_cast<int>(given);
}

bool songEnded() {
  const SoundSystem& s = sound();
  return s.playing != nullptr && s.playing->ended.load();
}

void setSongLooping(bool looping) { sound().looping = looping; }

void setSoundVerbose(bool verbose) { sound().verbose = verbose; }

void setReportedSoundVersion(float version) { sound().reportedVersion = version; }

void failNextSoundInit(int errorCode) { sound().injectedInitError = errorCode; }

void setSilentOutputClock(std::function<std::uint64_t()> microseconds) {
  sound().silentClock = std::move(microseconds);
}

void setSoundVolume(int percent) { deviceVolume.store(std::clamp(percent, 0, 100)); }

void setSoundMuted(bool muted) { deviceMuted.store(muted); }

bool soundMuted() { return deviceMuted.load(); }

void setSoundPaused(bool paused) {
  SoundSystem& s = sound();
  if (s.paused == paused) return;
  if (s.output == SoundOutput::Silent) {
    if (paused) {
      s.silentPausedAtMicros = silentClockMicros();
    } else {
      s.silentPausedMicros += silentClockMicros() - s.silentPausedAtMicros;
    }
  }
  s.paused = paused;
  if (s.device != 0) SDL_PauseAudioDevice(s.device, paused ? 1 : 0);
}

void setSoundDeviceName(const std::string& name) { sound().deviceName = name; }

std::vector<std::string> playbackDeviceNames(std::string& driver, std::string& error) {
  std::vector<std::string> names;
  const bool started = SDL_WasInit(SDL_INIT_AUDIO) != 0;
  if (!started) {
    QuietStandardError quiet(!sound().verbose);
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      error = SDL_GetError();
      return names;
    }
  }
  const char* current = SDL_GetCurrentAudioDriver();
  driver = current != nullptr ? current : "";
  const int count = SDL_GetNumAudioDevices(0);
  for (int i = 0; i < count; ++i) {
    if (const char* name = SDL_GetAudioDeviceName(i, 0)) names.emplace_back(name);
  }
  if (!started) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  return names;
}

void resetSoundSystem() {
  FSOUND_Close();
  sound() = SoundSystem{};
  deviceVolume.store(100);
  deviceMuted.store(false);
}
