// The command line of glass-orchard. With no options the presentation runs
// exactly as on Windows; the options only choose how it appears here.
#pragma once

#include <string>
#include <vector>

struct Options {
  bool help = false;
  bool version = false;
  bool fullscreen = true;  // --window and --fullscreen: the last one given counts
  int scale = 0;           // 0: the largest whole scale that fits the desktop
  int display = -1;        // monitor for the window and full screen; -1: SDL's choice
  bool vsync = true;
  bool verbose = false;
  bool headless = false;      // play even with no display to show the window
  std::string dataDirectory;  // empty: search the usual content folders
  std::string traceFile;      // empty: no device call trace
  int volume = 100;           // sound device loudness, 0..100
  std::string audioDevice;    // empty: the system's default playback device
  bool listAudioDevices = false;
  bool listDisplays = false;  // --list-displays: print the monitors and exit
  bool noConfig = false;      // --no-config: do not read the settings file
  bool loop = false;          // start again from the beginning at the end of the music
  int threads = 0;            // threads that rasterise; 0: one per processor
  int renderScale = 1;        // --render-scale: picture scale 1..4; 0: auto (what the window or --size fits)
  bool antialias = false;     // --antialias: four samples a picture pixel

  // Offline modes (at most one): render the whole presentation on a
  // virtual clock instead of playing it.
  std::string captureOutput;  // --capture: a .mp4/.mkv file or a folder of PNG frames + audio.wav
  std::string contactSheet;   // --contact-sheet: a PNG with a grid of frames
  bool bench = false;         // --bench: time the whole run, print the figures
  bool frameHash = false;     // --frame-hash: one hash over every frame of the run
  int fps = 0;                // frames per second of the offline modes; 0: the mode's default
  double maxSeconds = 0;      // stop the offline modes after this much presentation time; 0: no limit
  int captureWidth = 0;       // --size: frame size of the capture; 0: the rendered size
  int captureHeight = 0;
  std::string scaleFilter;    // --scale-filter: nearest, bilinear or lanczos; empty: by the scale
  int videoQuality = -1;      // --quality: constant-quality factor 0..51; -1: the encoder's default
  bool lossless = false;      // --lossless: FFV1 video in .mkv

  bool offline() const { return !captureOutput.empty() || !contactSheet.empty() || bench || frameHash; }
};

struct OptionsResult {
  Options options;
  bool ok = true;
  std::string error;  // when not ok: what was wrong, naming the option
};

// Parses argv[1..]. Options take their value as the next argument or after
// '=' (--scale=3).
OptionsResult parseOptions(const std::vector<std::string>& arguments);

// The help text, one line per option.
std::string helpText(const std::string& programName);
