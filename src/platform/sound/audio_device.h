// The playback device under the sound system: 16-bit stereo at the mix
// rate, filled by a callback on the device's own thread. SDL audio on
// Linux; the browser build brings its own. Main thread only, except the
// callback.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Fills `frames` interleaved stereo sample frames.
using AudioFill = void (*)(std::int16_t* stereo, std::size_t frames);

struct AudioDeviceRequest {
  int rate = 44100;
  std::string name;  // empty: the system's default device
  bool verbose = false;
  bool paused = false;  // opened paused
  AudioFill fill = nullptr;
};

// Opens the one device; false (said on standard error when the device was
// asked for by name, or when verbose) when there is none. `bufferFrames`
// gets the size of the device's buffer in sample frames.
bool openAudioDevice(const AudioDeviceRequest& request, std::uint32_t& bufferFrames);
void closeAudioDevice();
bool audioDeviceOpen();
void pauseAudioDevice(bool paused);
// While locked the fill callback does not run.
void lockAudioDevice();
void unlockAudioDevice();
// Names of the playback devices, with the audio driver's name in `driver`;
// empty with `error` set when the audio system cannot start.
std::vector<std::string> audioDeviceNames(bool verbose, std::string& driver, std::string& error);
