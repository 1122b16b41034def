// Choices and hooks of the sound layer that the FMOD interface does not
// have: where the music goes, offline rendering for capture, and the test
// hooks. Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class SoundOutput {
  // SDL audio device; falls back to Silent when no device opens.
  Device,
  // No sound; the song advances in real time from a monotonic clock.
  Silent,
  // Nothing plays by itself; renderOfflineFrames() advances the song.
  Offline,
};

// Chooses the output for the next FSOUND_Init (default Device).
void setSoundOutput(SoundOutput output);
// The output FSOUND_Init actually started (Device may have become Silent).
SoundOutput activeSoundOutput();

// Offline output: renders exactly `frames` stereo sample frames of the
// playing song into `interleavedStereo` (2 * frames 16-bit samples; a null
// buffer renders and discards) and returns how many were rendered; fewer at
// the song's end, then 0. Order and row then are those of the next sample
// frame, the one that sounds at the time rendered up to: a row that starts
// exactly there is already current. 0 when no song plays or the output is
// not Offline.
int renderOfflineFrames(int frames, std::int16_t* interleavedStereo);

// True once the playing song has reached its end (never while it loops).
bool songEnded();

// Loop the song (the library's default) or play it once. Takes effect for
// songs loaded afterwards.
void setSongLooping(bool looping);

// Decoder messages go to standard error only when verbose.
void setSoundVerbose(bool verbose);

// Live playback controls (the Device and Silent outputs; an offline render
// is never scaled or paused).
// Loudness of the sound device, 0 (silent) to 100 (as mixed, the default).
void setSoundVolume(int percent);
// Mute keeps the song running and only silences what the device plays.
void setSoundMuted(bool muted);
bool soundMuted();
// While paused the song's position stands still: the device stops asking
// for audio and the silent output's clock stops.
void setSoundPaused(bool paused);

// The SDL playback device FSOUND_Init opens by name; empty for the system's
// default. A named device that cannot be opened is reported on standard
// error and the music plays silently.
void setSoundDeviceName(const std::string& name);
// Names of the playback devices SDL offers here, with the audio driver's
// name in `driver`; empty when the audio system cannot start (`error` says
// why).
std::vector<std::string> playbackDeviceNames(std::string& driver, std::string& error);

// Test hooks: the version FSOUND_GetVersion reports, a failure code that
// the next FSOUND_Init reports (0 for none), and the clock of the silent
// output in microseconds (empty for the monotonic clock).
void setReportedSoundVersion(float version);
void failNextSoundInit(int errorCode);
void setSilentOutputClock(std::function<std::uint64_t()> microseconds);

// Closes the sound system and restores every choice and hook to its default.
void resetSoundSystem();
