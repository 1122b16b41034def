// Composes "track.xm" in A minor: pads and a glass-bell arpeggio open the room,
// bass and drums build under the rising glow, the lead theme flies through
// the room, the darkening strips everything back to the pads, the island
// unveils on a bright chord, the title rides the full groove, and the house
// winds down to a final chord.
#include "content/song_composer.h"

#include <algorithm>
#include <array>
#include <vector>

#include "content/sample_synth.h"

namespace {

enum Channel { kKick, kSnare, kHat, kBass, kPadLow, kPadMid, kPadHigh, kLead, kBell, kCymbal };
enum Instrument : std::uint8_t {
  kKickIns = 1, kSnareIns, kHatIns, kCymbalIns, kBassIns, kPadIns, kLeadIns, kBellIns
};

constexpr int kBeat = 4;   // rows per beat
constexpr int kBar = 16;   // rows per bar
constexpr int kEndRow = kFinalChordRow + kSongLastPatternRows;

// Note numbers: C-0 is 1.
constexpr std::uint8_t note(int octave, int semitone) {
  return static_cast<std::uint8_t>(1 + octave * 12 + semitone);
}
enum Semitone { C = 0, Cs, D, Ds, E, F, Fs, G, Gs, A, As, B };

// A chord: three pad voices around middle C, a bass root and four arpeggio
// tones an octave above the pads.
struct Chord {
  std::array<std::uint8_t, 3> pad;
  std::uint8_t bass;
  std::array<std::uint8_t, 4> arp;
};

const Chord kAm{{note(3, A), note(4, C), note(4, E)}, note(1, A), {note(4, A), note(5, C), note(5, E), note(5, A)}};
const Chord kF{{note(3, A), note(4, C), note(4, F)}, note(1, F), {note(4, F), note(4, A), note(5, C), note(5, F)}};
const Chord kC{{note(3, G), note(4, C), note(4, E)}, note(2, C), {note(4, G), note(5, C), note(5, E), note(5, G)}};
const Chord kG{{note(3, G), note(3, B), note(4, D)}, note(1, G), {note(4, G), note(4, B), note(5, D), note(5, G)}};
const Chord kDm{{note(3, A), note(4, D), note(4, F)}, note(2, D), {note(4, D), note(4, F), note(4, A), note(5, D)}};
const Chord kE{{note(3, Gs), note(3, B), note(4, E)}, note(1, E), {note(4, E), note(4, Gs), note(4, B), note(5, E)}};
const Chord kAmHigh{{note(4, C), note(4, E), note(4, A)}, note(1, A), {note(5, A), note(5, E), note(5, C), note(4, A)}};

struct MelodyNote {
  int row;  // from the phrase start
  std::uint8_t pitch;
  int length;
};

// The lead theme, two four-bar phrases over Am F C G.
const std::vector<MelodyNote> kThemeA = {
    {0, note(5, E), 6},  {6, note(5, D), 2},  {8, note(5, C), 4},  {12, note(4, A), 4},
    {16, note(5, C), 4}, {20, note(5, D), 4}, {24, note(5, E), 6}, {30, note(5, C), 2},
    {32, note(5, E), 4}, {36, note(5, G), 8}, {44, note(5, E), 4}, {48, note(5, D), 6},
    {54, note(4, B), 2}, {56, note(5, D), 4}, {60, note(4, G), 4}};
const std::vector<MelodyNote> kThemeB = {
    {0, note(5, A), 4},  {4, note(5, G), 4},  {8, note(5, E), 8},  {16, note(5, F), 4},
    {20, note(5, E), 4}, {24, note(5, C), 8}, {32, note(5, E), 4}, {36, note(5, D), 4},
    {40, note(5, C), 4}, {44, note(4, G), 4}, {48, note(4, B), 8}, {56, note(5, D), 8}};

std::uint8_t volumeColumn(int volume) {
  return static_cast<std::uint8_t>(0x10 + std::clamp(volume, 0, 64));
}

// The song on one row axis (order × 128 + row), cut into patterns at the end.
class Arrangement {
 public:
  Arrangement() : cells_(static_cast<std::size_t>(kEndRow * kSongChannels)) {}

  XmCell& cell(int row, int channel) {
    return cells_[static_cast<std::size_t>(row * kSongChannels + channel)];
  }

  void play(int row, int channel, std::uint8_t instrument, std::uint8_t pitch, int volume) {
    if (row < 0 || row >= kEndRow) return;
    XmCell& c = cell(row, channel);
    c.note = pitch;
    c.instrument = instrument;
    c.volume = volumeColumn(volume);
  }

  // Key off, unless a note already starts on that row.
  void release(int row, int channel) {
    if (row < 0 || row >= kEndRow) return;
    XmCell& c = cell(row, channel);
    if (c.note == 0) c.note = kXmKeyOff;
  }

  void effect(int row, int channel, std::uint8_t type, std::uint8_t parameter) {
    XmCell& c = cell(row, channel);
    c.effect = type;
    c.parameter = parameter;
  }

  void pad(int row, int length, const Chord& chord, int volume) {
    for (int v = 0; v < 3; ++v) {
      release(row + length, kPadLow + v);
      play(row, kPadLow + v, kPadIns, chord.pad[static_cast<std::size_t>(v)], volume);
      // A new note resets the panning, so each voice carries its own place
      // in the stereo field.
      effect(row, kPadLow + v, 0x08, static_cast<std::uint8_t>(0x50 + 0x30 * v));
    }
  }

  void bass(int row, int length, std::uint8_t pitch, int volume) {
    release(row + length, kBass);
    play(row, kBass, kBassIns, pitch, volume);
  }

  // Eighth-note bass on each bar's chord root, jumping an octave on the
  // last eighth of every beat pair.
  void pulseBass(int row, int length, const std::vector<Chord>& sequence, int volume) {
    for (int r = 0; r < length; r += 2) {
      const Chord& c = sequence[static_cast<std::size_t>((r / kBar) % static_cast<int>(sequence.size()))];
      const int octave = (r % 8 == 6) ? 12 : 0;
      play(row + r, kBass, kBassIns, static_cast<std::uint8_t>(c.bass + octave),
           (r % 4 == 0) ? volume : volume * 3 / 4);
    }
  }

  // Arpeggio of the chord's four tones, one every `step` rows.
  void arpeggio(int row, int length, const Chord& chord, int step, int volume) {
    for (int r = 0, i = 0; r < length; r += step, ++i)
      play(row + r, kBell, kBellIns, chord.arp[static_cast<std::size_t>(i % 4)], volume);
  }

  void melody(int row, const std::vector<MelodyNote>& phrase, int volume, int transpose = 0) {
    for (const MelodyNote& m : phrase) {
      release(row + m.row + m.length, kLead);
      play(row + m.row, kLead, kLeadIns, static_cast<std::uint8_t>(m.pitch + transpose), volume);
    }
  }

  // One bar of drums. Full: four-on-the-floor kick, backbeat snare, eighth
  // hats. Half: kick on 1 and the "and" of 3, snare on 3. Light: hats only.
  enum class Groove { kFull, kHalf, kLight };
  void drums(int row, int length, Groove groove, int volume) {
    for (int r = 0; r < length; ++r) {
      const int at = row + r;
      const int inBar = r % kBar;
      if (groove == Groove::kFull) {
        if (inBar % kBeat == 0) play(at, kKick, kKickIns, note(4, C), volume);
        if (inBar == 4 || inBar == 12) play(at, kSnare, kSnareIns, note(4, C), volume * 3 / 4);
      } else if (groove == Groove::kHalf) {
        if (inBar == 0 || inBar == 10) play(at, kKick, kKickIns, note(4, C), volume);
        if (inBar == 8) play(at, kSnare, kSnareIns, note(4, C), volume * 3 / 4);
      }
      if (inBar % 2 == 0) {
        const bool offBeat = inBar % kBeat == 2;
        if (groove != Groove::kLight || offBeat)
          play(at, kHat, kHatIns, note(4, C), (offBeat ? volume / 2 : volume / 3));
      }
    }
  }

  // A snare roll of sixteenths, swelling into the next section.
  void roll(int row, int length, int from, int to) {
    for (int r = 0; r < length; ++r)
      play(row + r, kSnare, kSnareIns, note(4, C), from + (to - from) * r / std::max(1, length - 1));
  }

  void cymbal(int row, int volume) { play(row, kCymbal, kCymbalIns, note(4, C), volume); }

  XmPattern pattern(int firstRow, int rows) const {
    XmPattern p;
    p.rows = rows;
    p.cells.assign(cells_.begin() + firstRow * kSongChannels,
                   cells_.begin() + (firstRow + rows) * kSongChannels);
    return p;
  }

 private:
  std::vector<XmCell> cells_;
};

// Plays a chord sequence, one chord per `step` rows, over [row, row+length).
void chords(Arrangement& song, int row, int length, const std::vector<Chord>& sequence, int step,
            int padVolume, int bassVolume) {
  for (int r = 0, i = 0; r < length; r += step, ++i) {
    const Chord& c = sequence[static_cast<std::size_t>(i) % sequence.size()];
    const int span = std::min(step, length - r);
    song.pad(row + r, span, c, padVolume);
    if (bassVolume > 0) song.bass(row + r, span, c.bass, bassVolume);
  }
}

void composeRoom(Arrangement& song) {
  // Gaze (rows 1-36): pads and slow bells in the half-light.
  int row = kSectionStarts[0];
  song.cymbal(row, 18);
  chords(song, row, 32, {kAm, kF}, kBar, 34, 0);
  song.pad(row + 32, 4, kG, 34);
  song.arpeggio(row, 36, kAm, kBeat, 22);

  // Dolly and rising glow (rows 37-128): bass enters, hats, then kick.
  row = kSectionStarts[1];
  song.cymbal(row, 26);
  chords(song, row, 80, {kAm, kF, kC, kG, kAm}, kBar, 36, 44);
  song.pad(row + 80, 12, kF, 38);
  song.bass(row + 80, 12, kF.bass, 46);
  song.arpeggio(row, 92, kAm, 2, 16);
  for (int bar = 0; bar < 5; ++bar) {
    const int at = row + bar * kBar;
    if (bar >= 1) song.drums(at, kBar, bar >= 3 ? Arrangement::Groove::kHalf : Arrangement::Groove::kLight, 40 + bar * 4);
  }
  song.roll(row + 80, 12, 14, 52);

  // Fly-through (rows 129-256): the full groove and the lead theme.
  row = kSectionStarts[2];
  song.cymbal(row, 48);
  const std::vector<Chord> loop = {kAm, kF, kC, kG};
  chords(song, row, 128, loop, kBar, 30, 0);
  song.pulseBass(row, 128, loop, 52);
  song.drums(row, 112, Arrangement::Groove::kFull, 56);
  song.drums(row + 112, 12, Arrangement::Groove::kFull, 56);
  song.roll(row + 124, 4, 30, 50);
  song.melody(row, kThemeA, 42);
  song.melody(row + 64, kThemeB, 44);

  // Sway and picture glows (rows 257-304): half-time breakdown, bells return.
  row = kSectionStarts[3];
  song.cymbal(row, 40);
  chords(song, row, 48, {kF, kG, kAm}, kBar, 36, 46);
  song.drums(row, 48, Arrangement::Groove::kHalf, 48);
  song.arpeggio(row, 48, kF, 2, 20);
  song.melody(row, {{0, note(5, C), 14}, {16, note(5, D), 14}, {32, note(5, E), 16}}, 38);

  // Darkening to black (rows 305-388): everything thins out and fades.
  row = kSectionStarts[4];
  song.cymbal(row, 30);
  const std::vector<Chord> dark = {kDm, kAm, kF, kE, kDm};
  for (int bar = 0; bar < 5; ++bar) {
    const int fade = 40 - bar * 7;
    const Chord& c = dark[static_cast<std::size_t>(bar)];
    song.pad(row + bar * kBar, kBar, c, fade);
    song.bass(row + bar * kBar, kBar, c.bass, fade + 4);
    song.arpeggio(row + bar * kBar, kBar, c, kBeat, std::max(6, fade - 16));
    if (bar < 2) song.play(row + bar * kBar, kKick, kKickIns, note(4, C), 40 - bar * 12);
  }
  song.release(row + 80, kBass);
  song.play(row + 80, kBell, kBellIns, note(4, E), 10);
}

void composeIsland(Arrangement& song) {
  // Unveiling (rows 389-416): a bright chord and a rising cascade.
  int row = kSectionStarts[5];
  song.cymbal(row, 44);
  song.pad(row, 28, kC, 40);
  song.bass(row, 28, kC.bass, 46);
  for (int r = 0; r < 28; r += 2)
    song.play(row + r, kBell, kBellIns,
              static_cast<std::uint8_t>(kC.arp[static_cast<std::size_t>((r / 2) % 4)] + 12 * ((r / 8) % 2)), 20 + r);
  song.drums(row, 16, Arrangement::Groove::kLight, 36);
  song.roll(row + 16, 12, 10, 50);

  // The title slides up (rows 417-512): the theme over a brighter loop.
  row = kSectionStarts[6];
  song.cymbal(row, 50);
  const std::vector<Chord> lift = {kC, kG, kAm, kF};
  chords(song, row, 96, lift, kBar, 30, 0);
  song.pulseBass(row, 96, lift, 52);
  song.drums(row, 92, Arrangement::Groove::kFull, 58);
  song.roll(row + 92, 4, 34, 54);
  song.melody(row, kThemeA, 44);
  song.melody(row + 64, {{0, note(5, E), 8}, {8, note(5, G), 8}, {16, note(5, A), 12}, {28, note(5, G), 4}}, 44);
}

void composeHouse(Arrangement& song) {
  // The house (rows 513-639): the groove one last time, then it thins out
  // under the closing darkness.
  int row = kSectionStarts[7];
  song.cymbal(row, 44);
  const std::vector<Chord> loop = {kAm, kF, kC, kG};
  chords(song, row, 64, loop, kBar, 30, 0);
  song.pulseBass(row, 64, loop, 50);
  song.drums(row, 64, Arrangement::Groove::kFull, 54);
  song.melody(row, kThemeB, 40);

  row += 64;
  const std::vector<Chord> fall = {kAm, kF, kDm, kE};
  for (int bar = 0; bar < 4; ++bar) {
    const int at = row + bar * kBar;
    const int length = bar == 3 ? kBar - 1 : kBar;  // the final chord comes a row early
    const Chord& c = fall[static_cast<std::size_t>(bar)];
    song.pad(at, length, c, 36 - bar * 3);
    song.bass(at, length, c.bass, 44 - bar * 4);
    song.arpeggio(at, length, c, 2, 18 - bar * 2);
    if (bar < 2) song.drums(at, kBar, Arrangement::Groove::kHalf, 44 - bar * 10);
  }

  // The final chord from 5:0. It rings for a beat, then every channel slides
  // down 5 volume steps a row (A01: one per tick after the first), so even
  // the loudest voice (50) is silent by 5:14 and the music is at rest when
  // the presentation quits on 5:16; the pattern itself runs on past that.
  row = kFinalChordRow;
  song.cymbal(row, 36);
  song.pad(row, 20, kAmHigh, 44);
  song.bass(row, 20, kAmHigh.bass, 50);
  song.play(row, kKick, kKickIns, note(4, C), 44);
  song.play(row, kBell, kBellIns, note(5, A), 30);
  song.play(row, kLead, kLeadIns, note(5, E), 30);
  song.release(row + 16, kLead);
  for (int r = kFinalChordDecayRow; r < kFinalChordRow + kSongLastPatternRows; ++r) {
    for (int channel = 0; channel < kSongChannels; ++channel) song.effect(r, channel, 0x0A, 0x01);
  }
}

}  // namespace

XmModule composeSong() {
  XmModule module;
  module.name = "GLASS ORCHARD";
  module.channels = kSongChannels;
  module.speed = kSongSpeed;
  module.tempo = kSongTempo;
  module.instruments = {synthKick(),   synthSnare(), synthHiHat(), synthCymbal(),
                        synthBass(),   synthPad(),   synthLead(),  synthBell()};
  module.instruments[kCymbalIns - 1].sample.panning = 150;
  module.instruments[kHatIns - 1].sample.panning = 160;
  module.instruments[kBellIns - 1].sample.panning = 176;
  module.instruments[kLeadIns - 1].sample.panning = 112;

  Arrangement song;
  composeRoom(song);
  composeIsland(song);
  composeHouse(song);

  for (int order = 0; order < kSongOrders; ++order) {
    const bool last = order == kSongOrders - 1;
    module.patterns.push_back(
        song.pattern(order * kSongRowsPerPattern, last ? kSongLastPatternRows : kSongRowsPerPattern));
    module.orders.push_back(static_cast<std::uint8_t>(order));
  }
  return module;
}
