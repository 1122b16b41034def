// The playback device in a browser. The page has no sound output yet: no
// device opens, so the sound system plays the music silently on its clock
// (the song's order and row still advance exactly as with sound).
#include <cstdio>

#include "platform/sound/audio_device.h"

bool openAudioDevice(const AudioDeviceRequest& request, std::uint32_t& /*bufferFrames*/) {
  if (request.verbose) std::fprintf(stderr, "sound: the browser build plays the music silently\n");
  return false;
}

void closeAudioDevice() {}

bool audioDeviceOpen() { return false; }

void pauseAudioDevice(bool /*paused*/) {}

void lockAudioDevice() {}

void unlockAudioDevice() {}

std::vector<std::string> audioDeviceNames(bool /*verbose*/, std::string& driver, std::string& /*error*/) {
  driver = "browser";
  return {};
}
