// Instrument synthesis. Everything is computed from fixed formulas and a
// fixed-seed noise generator, so every run yields the same samples.
#include "content/sample_synth.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kCycle = 128;  // samples per cycle of the pitched waveforms

// xorshift32: small, fast and the same everywhere.
class Noise {
 public:
  explicit Noise(std::uint32_t seed) : state_(seed) {}
  double next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<double>(state_) / 2147483648.0 - 1.0;
  }

 private:
  std::uint32_t state_;
};

std::vector<std::int16_t> toPcm(const std::vector<double>& wave, double gain) {
  std::vector<std::int16_t> pcm(wave.size());
  for (std::size_t i = 0; i < wave.size(); ++i) {
    const double v = std::clamp(wave[i] * gain, -1.0, 1.0);
    pcm[i] = static_cast<std::int16_t>(std::lround(v * 32000.0));
  }
  return pcm;
}

// Scales a wave so that its peak is 1.
void normalise(std::vector<double>* wave) {
  double peak = 0;
  for (double v : *wave) peak = std::max(peak, std::fabs(v));
  if (peak > 0)
    for (double& v : *wave) v /= peak;
}

// A band-limited periodic wave of `length` samples holding `cycles` whole
// cycles, from harmonic amplitudes (index 0 = fundamental). Phases are taken
// modulo the length so that the loop joins without a click.
void addHarmonics(std::vector<double>* wave, int cycles, const std::vector<double>& amplitudes,
                  double phase) {
  const std::size_t length = wave->size();
  std::vector<double> sine(length);
  for (std::size_t i = 0; i < length; ++i) sine[i] = std::sin(2.0 * kPi * double(i) / double(length));
  const std::size_t offset = static_cast<std::size_t>(phase * double(length));
  for (std::size_t h = 0; h < amplitudes.size(); ++h) {
    if (amplitudes[h] == 0.0) continue;
    const std::size_t step = (h + 1) * static_cast<std::size_t>(cycles);
    if (step * 2 >= length) break;  // above the sample's Nyquist limit
    std::size_t index = (offset * (h + 1)) % length;
    for (std::size_t i = 0; i < length; ++i) {
      (*wave)[i] += amplitudes[h] * sine[index];
      index = (index + step) % length;
    }
  }
}

XmInstrument pitched(const char* name, std::vector<std::int16_t> pcm, std::uint32_t loopStart,
                     std::uint32_t loopLength) {
  XmInstrument in;
  in.name = name;
  in.sample.name = name;
  in.sample.data = std::move(pcm);
  in.sample.relativeNote = 24;
  in.sample.finetune = 2;  // 33452 / 128 Hz is 2 cents below middle C
  if (loopLength > 0) {
    in.sample.loop = XmLoop::kForward;
    in.sample.loopStart = loopStart;
    in.sample.loopLength = loopLength;
  }
  return in;
}

XmEnvelope envelope(std::initializer_list<XmEnvelopePoint> points, int sustainPoint) {
  XmEnvelope e;
  e.points = points;
  e.enabled = true;
  if (sustainPoint >= 0) {
    e.sustain = true;
    e.sustainPoint = static_cast<std::uint8_t>(sustainPoint);
  }
  return e;
}

std::vector<double> silence(double seconds) {
  return std::vector<double>(static_cast<std::size_t>(seconds * kSynthRate), 0.0);
}

}  // namespace

XmInstrument synthKick() {
  std::vector<double> wave = silence(0.42);
  double phase = 0;
  for (std::size_t i = 0; i < wave.size(); ++i) {
    const double t = double(i) / kSynthRate;
    const double frequency = 44.0 + 120.0 * std::exp(-t * 32.0);
    phase += 2.0 * kPi * frequency / kSynthRate;
    const double body = std::sin(phase) * std::exp(-t * 7.5);
    const double click = std::exp(-t * 400.0) * 0.4;
    wave[i] = std::tanh(1.6 * (body + click));
  }
  normalise(&wave);
  return pitched("kick", toPcm(wave, 0.95), 0, 0);
}

XmInstrument synthSnare() {
  std::vector<double> wave = silence(0.3);
  Noise noise(0x5A4E31u);
  double previous = 0, phase = 0;
  for (std::size_t i = 0; i < wave.size(); ++i) {
    const double t = double(i) / kSynthRate;
    const double n = noise.next();
    const double bright = n - 0.6 * previous;  // tilt the noise towards the highs
    previous = n;
    phase += 2.0 * kPi * (190.0 - 40.0 * t) / kSynthRate;
    wave[i] = 0.55 * std::sin(phase) * std::exp(-t * 24.0) + 0.6 * bright * std::exp(-t * 14.0);
  }
  normalise(&wave);
  return pitched("snare", toPcm(wave, 0.9), 0, 0);
}

XmInstrument synthHiHat() {
  std::vector<double> wave = silence(0.12);
  Noise noise(0x41A7u);
  double previous = 0;
  for (std::size_t i = 0; i < wave.size(); ++i) {
    const double t = double(i) / kSynthRate;
    const double n = noise.next();
    wave[i] = (n - previous) * std::exp(-t * 38.0);  // first difference: high-pass
    previous = n;
  }
  normalise(&wave);
  return pitched("hihat", toPcm(wave, 0.7), 0, 0);
}

XmInstrument synthCymbal() {
  std::vector<double> wave = silence(2.2);
  Noise noise(0xC7A5Bu);
  double previous = 0;
  const double partials[] = {3120.0, 4270.0, 5530.0, 7010.0};
  for (std::size_t i = 0; i < wave.size(); ++i) {
    const double t = double(i) / kSynthRate;
    const double n = noise.next();
    double metal = 0;
    for (double f : partials) metal += std::sin(2.0 * kPi * f * t + f);
    wave[i] = ((n - previous) * 0.8 + metal * 0.08) * std::exp(-t * 2.2) *
              (1.0 - std::exp(-t * 900.0));
    previous = n;
  }
  normalise(&wave);
  return pitched("cymbal", toPcm(wave, 0.6), 0, 0);
}

XmInstrument synthBass() {
  // A soft, rounded saw: harmonics fall as 1/h with an extra low-pass slope,
  // plus a sine one octave below for weight.
  std::vector<double> amplitudes(40);
  for (std::size_t h = 0; h < amplitudes.size(); ++h)
    amplitudes[h] = std::exp(-double(h) / 5.0) / double(h + 1);
  std::vector<double> wave(kCycle * 16, 0.0);
  addHarmonics(&wave, 16, amplitudes, 0.0);
  addHarmonics(&wave, 8, {0.7}, 0.0);
  normalise(&wave);
  XmInstrument in = pitched("bass", toPcm(wave, 0.9), 0, static_cast<std::uint32_t>(wave.size()));
  in.volumeEnvelope = envelope({{0, 64}, {6, 48}, {40, 36}, {200, 30}}, 3);
  in.fadeout = 2000;
  return in;
}

XmInstrument synthPad() {
  // Three detuned saws (127, 128 and 129 cycles over the loop) and an octave
  // above: a slow chorus that loops seamlessly every 128 cycles.
  const int loopCycles = 128;
  std::vector<double> wave(static_cast<std::size_t>(kCycle * loopCycles), 0.0);
  std::vector<double> saw(48);
  for (std::size_t h = 0; h < saw.size(); ++h) saw[h] = std::exp(-double(h) / 7.0) / double(h + 1);
  addHarmonics(&wave, loopCycles - 1, saw, 0.13);
  addHarmonics(&wave, loopCycles, saw, 0.0);
  addHarmonics(&wave, loopCycles + 1, saw, 0.61);
  std::vector<double> octave(saw.size() / 2);
  for (std::size_t h = 0; h < octave.size(); ++h) octave[h] = 0.4 * saw[h];
  addHarmonics(&wave, 2 * loopCycles + 1, octave, 0.37);
  normalise(&wave);
  XmInstrument in = pitched("pad", toPcm(wave, 0.85), 0, static_cast<std::uint32_t>(wave.size()));
  in.volumeEnvelope = envelope({{0, 0}, {30, 52}, {60, 44}, {300, 40}}, 3);
  in.fadeout = 300;
  in.vibratoType = 0;
  in.vibratoSweep = 60;
  in.vibratoDepth = 3;
  in.vibratoRate = 4;
  return in;
}

XmInstrument synthLead() {
  // A hollow, slightly nasal tone: odd harmonics strong, even ones soft.
  std::vector<double> amplitudes(36);
  for (std::size_t h = 0; h < amplitudes.size(); ++h) {
    const double k = double(h + 1);
    amplitudes[h] = ((h % 2 == 0) ? 1.0 : 0.35) * std::exp(-k / 9.0) / k;
  }
  std::vector<double> wave(kCycle * 8, 0.0);
  addHarmonics(&wave, 8, amplitudes, 0.0);
  normalise(&wave);
  XmInstrument in = pitched("lead", toPcm(wave, 0.8), 0, static_cast<std::uint32_t>(wave.size()));
  in.volumeEnvelope = envelope({{0, 20}, {3, 64}, {14, 46}, {80, 40}}, 3);
  in.fadeout = 900;
  in.vibratoType = 0;
  in.vibratoSweep = 40;
  in.vibratoDepth = 8;
  in.vibratoRate = 10;
  return in;
}

XmInstrument synthBell() {
  // Two-operator FM with an inharmonic modulator: a glassy chime whose
  // brightness falls faster than its loudness.
  std::vector<double> wave = silence(1.8);
  const double f = double(kSynthRate) / kCycle;
  for (std::size_t i = 0; i < wave.size(); ++i) {
    const double t = double(i) / kSynthRate;
    const double index = 2.2 * std::exp(-t * 3.0);
    const double mod = std::sin(2.0 * kPi * 3.5 * f * t);
    const double carrier = std::sin(2.0 * kPi * f * t + index * mod);
    const double shimmer = 0.25 * std::sin(2.0 * kPi * 2.0 * f * t) * std::exp(-t * 5.0);
    wave[i] = (carrier + shimmer) * std::exp(-t * 2.6) * (1.0 - std::exp(-t * 2000.0));
  }
  normalise(&wave);
  return pitched("bell", toPcm(wave, 0.8), 0, 0);
}
