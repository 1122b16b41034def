// The playback device over SDL audio (see audio_device.h).
#include <SDL.h>

#include <cstdio>

#include "platform/os/quiet_stderr.h"
#include "platform/sound/audio_device.h"

namespace {

constexpr int kDeviceBufferFrames = 1024;

struct Device {
  SDL_AudioDeviceID id = 0;
  AudioFill fill = nullptr;
  std::uint32_t bufferFrames = 0;
};

Device& device() {
  static Device instance;
  return instance;
}

void sdlCallback(void* /*user*/, Uint8* stream, int length) {
  // SDL asks for the next buffer while it plays the one handed over before.
  Device& d = device();
  d.fill(reinterpret_cast<std::int16_t*>(stream), static_cast<std::size_t>(length) / 4, d.bufferFrames);
}

}  // namespace

bool openAudioDevice(const AudioDeviceRequest& request) {
  Device& d = device();
  QuietStandardError quiet(!request.verbose);
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // signals are the program's to handle
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    if (request.verbose) std::fprintf(stderr, "sound: no audio system: %s\n", SDL_GetError());
    return false;
  }
  SDL_AudioSpec want{};
  want.freq = request.rate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = kDeviceBufferFrames;
  want.callback = sdlCallback;
  SDL_AudioSpec have{};
  const char* name = request.name.empty() ? nullptr : request.name.c_str();
  d.fill = request.fill;
  d.id = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
  if (d.id == 0) {
    if (name != nullptr) {
      // Asked for by name: always say that it failed, and how to find names.
      std::fprintf(stderr,
                   "sound: cannot open the audio device '%s': %s; the music plays silently "
                   "(--list-audio-devices shows the names)\n",
                   name, SDL_GetError());
    } else if (request.verbose) {
      std::fprintf(stderr, "sound: no sound device: %s\n", SDL_GetError());
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  d.bufferFrames = have.samples;
  if (request.verbose) {
    std::fprintf(stderr, "sound: device %s on driver %s, %d Hz, %u frames per buffer\n",
                 name != nullptr ? name : "(default)", SDL_GetCurrentAudioDriver(), have.freq, have.samples);
  }
  SDL_PauseAudioDevice(d.id, request.paused ? 1 : 0);
  return true;
}

void closeAudioDevice() {
  Device& d = device();
  if (d.id == 0) return;
  SDL_CloseAudioDevice(d.id);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  d = Device{};
}

bool audioDeviceOpen() { return device().id != 0; }

void pumpAudioDevice() {}

void pauseAudioDevice(bool paused) {
  if (device().id != 0) SDL_PauseAudioDevice(device().id, paused ? 1 : 0);
}

void lockAudioDevice() {
  if (device().id != 0) SDL_LockAudioDevice(device().id);
}

void unlockAudioDevice() {
  if (device().id != 0) SDL_UnlockAudioDevice(device().id);
}

std::vector<std::string> audioDeviceNames(bool verbose, std::string& driver, std::string& error) {
  std::vector<std::string> names;
  const bool started = SDL_WasInit(SDL_INIT_AUDIO) != 0;
  if (!started) {
    QuietStandardError quiet(!verbose);
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
