// FastTracker 2 module writer; the byte layout is described in xm_writer.h.
#include "content/xm_writer.h"

#include <utility>

namespace {

constexpr std::uint32_t kModuleHeaderSize = 276;
constexpr std::uint32_t kPatternHeaderSize = 9;
constexpr std::uint32_t kInstrumentHeaderSize = 263;
constexpr std::uint32_t kSampleHeaderSize = 40;

void fail(std::string* problem, std::string text) {
  if (problem) *problem = std::move(text);
}

class ByteSink {
 public:
  explicit ByteSink(std::vector<std::uint8_t>* bytes) : bytes_(bytes) {}
  void u8(std::uint32_t v) { bytes_->push_back(static_cast<std::uint8_t>(v)); }
  void u16(std::uint32_t v) {
    u8(v & 0xFF);
    u8(v >> 8 & 0xFF);
  }
  void u32(std::uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  }
  // A fixed-width text field, cut or padded with zeros.
  void text(const std::string& s, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) u8(i < s.size() ? static_cast<std::uint8_t>(s[i]) : 0);
  }
  void zeros(std::size_t n) { bytes_->insert(bytes_->end(), n, 0); }

 private:
  std::vector<std::uint8_t>* bytes_;
};

bool checkEnvelope(const XmEnvelope& e, const std::string& where, std::string* problem) {
  if (e.points.size() > kXmMaxEnvelopePoints) {
    fail(problem, where + ": more than 12 envelope points");
    return false;
  }
  if (e.enabled && e.points.empty()) {
    fail(problem, where + ": envelope enabled without points");
    return false;
  }
  for (std::size_t i = 0; i < e.points.size(); ++i) {
    if (e.points[i].value > 64) {
      fail(problem, where + ": envelope value above 64");
      return false;
    }
    if (i > 0 && e.points[i].tick <= e.points[i - 1].tick) {
      fail(problem, where + ": envelope ticks must rise");
      return false;
    }
  }
  const std::size_t n = e.points.size();
  if ((e.sustain && e.sustainPoint >= n) ||
      (e.loop && (e.loopStart > e.loopEnd || e.loopEnd >= n))) {
    fail(problem, where + ": envelope sustain or loop point outside the points");
    return false;
  }
  return true;
}

bool checkInstrument(const XmInstrument& in, int number, std::string* problem) {
  const std::string where = "instrument " + std::to_string(number);
  const XmSample& s = in.sample;
  if (s.data.size() > 0x3FFFFFFF) {
    fail(problem, where + ": sample too long");
    return false;
  }
  if (s.loop != XmLoop::kNone) {
    if (s.loopLength == 0 || s.loopStart > s.data.size() ||
        s.loopLength > s.data.size() - s.loopStart) {
      fail(problem, where + ": sample loop outside the sample");
      return false;
    }
  }
  if (s.volume > 64) {
    fail(problem, where + ": sample volume above 64");
    return false;
  }
  return checkEnvelope(in.volumeEnvelope, where + " volume", problem) &&
         checkEnvelope(in.panningEnvelope, where + " panning", problem);
}

void writeEnvelopePoints(ByteSink& out, const XmEnvelope& e) {
  for (int i = 0; i < kXmMaxEnvelopePoints; ++i) {
    if (i < static_cast<int>(e.points.size())) {
      out.u16(e.points[static_cast<std::size_t>(i)].tick);
      out.u16(e.points[static_cast<std::size_t>(i)].value);
    } else {
      out.u32(0);
    }
  }
}

std::uint8_t envelopeType(const XmEnvelope& e) {
  return static_cast<std::uint8_t>((e.enabled ? 1 : 0) | (e.sustain ? 2 : 0) | (e.loop ? 4 : 0));
}

void writePattern(ByteSink& out, const XmPattern& p) {
  std::vector<std::uint8_t> packed;
  ByteSink data(&packed);
  for (const XmCell& c : p.cells) {
    const std::uint8_t mask = static_cast<std::uint8_t>(
        (c.note ? 1 : 0) | (c.instrument ? 2 : 0) | (c.volume ? 4 : 0) |
        (c.effect ? 8 : 0) | (c.parameter ? 16 : 0));
    if (mask == 0x1F) {
      data.u8(c.note), data.u8(c.instrument), data.u8(c.volume);
      data.u8(c.effect), data.u8(c.parameter);
      continue;
    }
    data.u8(0x80u | mask);
    if (c.note) data.u8(c.note);
    if (c.instrument) data.u8(c.instrument);
    if (c.volume) data.u8(c.volume);
    if (c.effect) data.u8(c.effect);
    if (c.parameter) data.u8(c.parameter);
  }
  out.u32(kPatternHeaderSize);
  out.u8(0);
  out.u16(static_cast<std::uint32_t>(p.rows));
  out.u16(static_cast<std::uint32_t>(packed.size()));
  for (std::uint8_t b : packed) out.u8(b);
}

void writeInstrument(ByteSink& out, const XmInstrument& in) {
  out.u32(kInstrumentHeaderSize);
  out.text(in.name, 22);
  out.u8(0);
  out.u16(1);
  out.u32(kSampleHeaderSize);
  out.zeros(96);  // every note plays sample 0
  writeEnvelopePoints(out, in.volumeEnvelope);
  writeEnvelopePoints(out, in.panningEnvelope);
  out.u8(static_cast<std::uint32_t>(in.volumeEnvelope.points.size()));
  out.u8(static_cast<std::uint32_t>(in.panningEnvelope.points.size()));
  out.u8(in.volumeEnvelope.sustainPoint);
  out.u8(in.volumeEnvelope.loopStart);
  out.u8(in.volumeEnvelope.loopEnd);
  out.u8(in.panningEnvelope.sustainPoint);
  out.u8(in.panningEnvelope.loopStart);
  out.u8(in.panningEnvelope.loopEnd);
  out.u8(envelopeType(in.volumeEnvelope));
  out.u8(envelopeType(in.panningEnvelope));
  out.u8(in.vibratoType);
  out.u8(in.vibratoSweep);
  out.u8(in.vibratoDepth);
  out.u8(in.vibratoRate);
  out.u16(in.fadeout);
  out.zeros(22);

  const XmSample& s = in.sample;
  const bool looped = s.loop != XmLoop::kNone;
  out.u32(static_cast<std::uint32_t>(s.data.size() * 2));
  out.u32(looped ? s.loopStart * 2 : 0);
  out.u32(looped ? s.loopLength * 2 : 0);
  out.u8(s.volume);
  out.u8(static_cast<std::uint8_t>(s.finetune));
  out.u8(static_cast<std::uint8_t>(static_cast<std::uint8_t>(s.loop) | 0x10));
  out.u8(s.panning);
  out.u8(static_cast<std::uint8_t>(s.relativeNote));
  out.u8(0);
  out.text(s.name, 22);
}

void writeSampleData(ByteSink& out, const XmSample& s) {
  std::int16_t previous = 0;
  for (std::int16_t v : s.data) {
    out.u16(static_cast<std::uint16_t>(static_cast<std::uint16_t>(v) -
                                       static_cast<std::uint16_t>(previous)));
    previous = v;
  }
}

}  // namespace

bool checkXmModule(const XmModule& m, std::string* problem) {
  if (m.channels < 1 || m.channels > kXmMaxChannels) {
    fail(problem, "channel count must be 1 to 32");
    return false;
  }
  if (m.orders.empty() || m.orders.size() > 256) {
    fail(problem, "order count must be 1 to 256");
    return false;
  }
  if (m.patterns.empty() || m.patterns.size() > 256) {
    fail(problem, "pattern count must be 1 to 256");
    return false;
  }
  if (m.instruments.size() > 128) {
    fail(problem, "more than 128 instruments");
    return false;
  }
  if (m.speed < 1 || m.speed > 31 || m.tempo < 32 || m.tempo > 255) {
    fail(problem, "speed must be 1 to 31 and tempo 32 to 255");
    return false;
  }
  if (m.restartOrder < 0 || m.restartOrder >= static_cast<int>(m.orders.size())) {
    fail(problem, "restart order outside the order list");
    return false;
  }
  for (std::uint8_t o : m.orders) {
    if (o >= m.patterns.size()) {
      fail(problem, "order entry " + std::to_string(o) + " names no pattern");
      return false;
    }
  }
  for (std::size_t p = 0; p < m.patterns.size(); ++p) {
    const XmPattern& pattern = m.patterns[p];
    const std::string where = "pattern " + std::to_string(p);
    if (pattern.rows < 1 || pattern.rows > 256) {
      fail(problem, where + ": rows must be 1 to 256");
      return false;
    }
    if (pattern.cells.size() != static_cast<std::size_t>(pattern.rows * m.channels)) {
      fail(problem, where + ": cell count is not rows × channels");
      return false;
    }
    for (const XmCell& c : pattern.cells) {
      if (c.note > kXmKeyOff || c.instrument > m.instruments.size()) {
        fail(problem, where + ": note or instrument out of range");
        return false;
      }
    }
  }
  for (std::size_t i = 0; i < m.instruments.size(); ++i) {
    if (!checkInstrument(m.instruments[i], static_cast<int>(i + 1), problem)) return false;
  }
  return true;
}

bool encodeXmModule(const XmModule& m, std::vector<std::uint8_t>* bytes, std::string* problem) {
  if (!checkXmModule(m, problem)) return false;
  bytes->clear();
  ByteSink out(bytes);
  out.text("Extended Module: ", 17);
  out.text(m.name, 20);
  out.u8(0x1A);
  out.text(m.tracker, 20);
  out.u16(0x0104);
  out.u32(kModuleHeaderSize);
  out.u16(static_cast<std::uint32_t>(m.orders.size()));
  out.u16(static_cast<std::uint32_t>(m.restartOrder));
  out.u16(static_cast<std::uint32_t>(m.channels));
  out.u16(static_cast<std::uint32_t>(m.patterns.size()));
  out.u16(static_cast<std::uint32_t>(m.instruments.size()));
  out.u16(m.linearPeriods ? 1 : 0);
  out.u16(static_cast<std::uint32_t>(m.speed));
  out.u16(static_cast<std::uint32_t>(m.tempo));
  for (std::size_t i = 0; i < 256; ++i) out.u8(i < m.orders.size() ? m.orders[i] : 0);
  for (const XmPattern& p : m.patterns) writePattern(out, p);
  for (const XmInstrument& in : m.instruments) {
    writeInstrument(out, in);
    writeSampleData(out, in.sample);
  }
  return true;
}
