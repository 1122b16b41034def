// The playback device under the sound system: 16-bit stereo at the mix
// rate, filled by a callback on the device's own thread. SDL audio on
// Linux; the browser build brings its own. Main thread only, except the
// callback.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Fills `frames` interleaved stereo sample frames. `queuedFrames`: how many
// frames handed over before these the device has yet to play (what is
// being heard now is that far behind everything rendered so far).
using AudioFill = void (*)(std::int16_t* stereo, std::size_t frames, std::uint64_t queuedFrames);

struct AudioDeviceRequest {
  int rate = 44100;
  std::string name;  // empty: the system's default device
  bool verbose = false;
  bool paused = false;  // opened paused
  AudioFill fill = nullptr;
};

// Opens the one device; false (said on standard error when the device was
// asked for by name, or when verbose) when there is none.
bool openAudioDevice(const AudioDeviceRequest& request);
// A device with no thread of its own renders here (the sound system calls
// this whenever the song's position is read); others do nothing.
void pumpAudioDevice();
void closeAudioDevice();
bool audioDeviceOpen();
void pauseAudioDevice(bool paused);
// While locked the fill callback does not run.
void lockAudioDevice();
void unlockAudioDevice();
// Names of the playback devices, with the audio driver's name in `driver`;
// empty with `error` set when the audio system cannot start.
std::vector<std::string> audioDeviceNames(bool verbose, std::string& driver, std::string& error);
