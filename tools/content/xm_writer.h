// Writes FastTracker 2 extended modules (".xm", version 0x0104).
//
// Byte layout (little-endian throughout):
//
//   Module header
//     0    17  "Extended Module: "
//     17   20  module name, padded with zeros
//     37   1   0x1A
//     38   20  tracker name, padded with zeros
//     58   2   version 0x0104
//     60   4   header size counted from this field: 276
//     64   2   song length (orders used)      66  2  restart order
//     68   2   channels                       70  2  patterns
//     72   2   instruments                    74  2  flags (bit 0: linear periods)
//     76   2   default speed (ticks per row)  78  2  default tempo (BPM)
//     80   256 order table (pattern numbers)
//   Each pattern
//     4 header size (9), 1 packing type (0), 2 rows (1..256), 2 packed size,
//     then the packed cells, row by row, channel by channel. A cell is either
//     five bytes (note, instrument, volume column, effect, parameter) or a
//     mask byte with bit 7 set followed only by the fields it names:
//     bit 0 note, bit 1 instrument, bit 2 volume, bit 3 effect, bit 4 parameter.
//   Each instrument
//     4 header size (263), 22 name, 1 type (0), 2 sample count (here 1);
//     4 sample header size (40), 96 note-to-sample map,
//     48 volume envelope (12 points of x, y words), 48 panning envelope,
//     1 volume points, 1 panning points, 1 volume sustain, 1 volume loop start,
//     1 volume loop end, 1 panning sustain, 1 panning loop start,
//     1 panning loop end, 1 volume type, 1 panning type (bit 0 on, bit 1
//     sustain, bit 2 loop), 1 vibrato type, 1 vibrato sweep, 1 vibrato depth,
//     1 vibrato rate, 2 fadeout, 22 reserved;
//     then the sample header: 4 length in bytes, 4 loop start in bytes,
//     4 loop length in bytes, 1 volume (0..64), 1 finetune (signed),
//     1 type (bits 0-1 loop: 0 none, 1 forward, 2 ping-pong; bit 4 16-bit),
//     1 panning, 1 relative note (signed), 1 reserved, 22 name;
//     then the sample data, 16-bit, each value stored as the difference from
//     the previous one.
//
// Notes: 1 = C-0 .. 96 = B-7, 97 = key off, 0 = none. With linear periods and
// relative note 0, C-4 (note 49) plays a sample at 8363 Hz.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr std::uint8_t kXmKeyOff = 97;
constexpr int kXmMaxChannels = 32;
constexpr int kXmMaxEnvelopePoints = 12;

struct XmCell {
  std::uint8_t note = 0;        // 0 none, 1..96, 97 key off
  std::uint8_t instrument = 0;  // 0 none, 1..instrument count
  std::uint8_t volume = 0;      // volume column byte (0x10..0x50 sets 0..64)
  std::uint8_t effect = 0;
  std::uint8_t parameter = 0;
};

struct XmPattern {
  int rows = 64;
  std::vector<XmCell> cells;  // rows × channels, row-major

  XmCell& at(int row, int channel, int channels) {
    return cells[static_cast<std::size_t>(row * channels + channel)];
  }
};

struct XmEnvelopePoint {
  std::uint16_t tick = 0;
  std::uint16_t value = 0;  // 0..64
};

struct XmEnvelope {
  std::vector<XmEnvelopePoint> points;  // ticks rising, at most 12
  bool enabled = false;
  bool sustain = false;
  bool loop = false;
  std::uint8_t sustainPoint = 0;
  std::uint8_t loopStart = 0;
  std::uint8_t loopEnd = 0;
};

enum class XmLoop : std::uint8_t { kNone = 0, kForward = 1, kPingPong = 2 };

struct XmSample {
  std::string name;
  std::vector<std::int16_t> data;
  std::uint32_t loopStart = 0;   // in samples
  std::uint32_t loopLength = 0;  // in samples
  XmLoop loop = XmLoop::kNone;
  std::uint8_t volume = 64;
  std::int8_t finetune = 0;
  std::uint8_t panning = 128;
  std::int8_t relativeNote = 0;
};

struct XmInstrument {
  std::string name;
  XmSample sample;  // one sample, mapped to every note
  XmEnvelope volumeEnvelope;
  XmEnvelope panningEnvelope;
  std::uint16_t fadeout = 0;
  std::uint8_t vibratoType = 0;
  std::uint8_t vibratoSweep = 0;
  std::uint8_t vibratoDepth = 0;
  std::uint8_t vibratoRate = 0;
};

struct XmModule {
  std::string name;
  std::string tracker = "glass-content";
  int channels = 8;
  int speed = 6;
  int tempo = 125;
  bool linearPeriods = true;
  int restartOrder = 0;
  std::vector<std::uint8_t> orders;
  std::vector<XmPattern> patterns;
  std::vector<XmInstrument> instruments;
};

// Checks everything the format limits: channel, order, pattern, row and
// instrument counts, order entries against the pattern count, cell values,
// envelopes, sample loops. False with a one-line reason in `problem` (may be
// null).
bool checkXmModule(const XmModule& module, std::string* problem);

// The module's bytes; false with the reason in `problem` when the module is
// refused by checkXmModule.
bool encodeXmModule(const XmModule& module, std::vector<std::uint8_t>* bytes,
                    std::string* problem);
