// Deflate (RFC 1951) in a zlib wrapper (RFC 1950), written in one dynamic
// block: literals, runs as matches at distance 1, end of block. Two passes:
// the first turns the bytes into tokens and counts them, the second writes
// each token's code from one table.
#include "capture/run_deflate.h"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr int kLiteralLengthSymbols = 286;
constexpr int kEndOfBlock = 256;
constexpr int kMaxCodeLength = 15;
constexpr int kMaxCodeLengthCodeLength = 7;
constexpr int kShortestMatch = 3;
constexpr int kLongestMatch = 258;

// Length symbols 257..285: the shortest length of each and its extra bits.
constexpr std::array<int, 29> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                             31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtraBits = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
// The order in which the code-length code's own lengths are sent.
constexpr std::array<int, 19> kCodeLengthOrder = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// The length symbol (0-based, 257 less) for each match length.
constexpr std::array<std::uint8_t, kLongestMatch + 1> lengthSymbols() {
  std::array<std::uint8_t, kLongestMatch + 1> symbols{};
  int symbol = 0;
  for (int length = kShortestMatch; length <= kLongestMatch; ++length) {
    // 258 has a symbol of its own (285), not the last of 284's range.
    while (symbol + 1 < static_cast<int>(kLengthBase.size()) && kLengthBase[symbol + 1] <= length) ++symbol;
    symbols[length] = static_cast<std::uint8_t>(symbol);
  }
  return symbols;
}
constexpr std::array<std::uint8_t, kLongestMatch + 1> kLengthSymbol = lengthSymbols();

// Tokens: 0-255 a literal byte, 256 + (length - 3) a run of that length.
using Token = std::uint16_t;
constexpr int kTokenKinds = 256 + (kLongestMatch - kShortestMatch + 1);

std::uint32_t reverseBits(std::uint32_t code, int length) {
  std::uint32_t reversed = 0;
  for (int i = 0; i < length; ++i, code >>= 1) reversed = reversed << 1 | (code & 1);
  return reversed;
}

// Canonical codes for the lengths, bit-reversed: deflate sends Huffman
// codes from their top bit, into a stream packed from each byte's low bit.
void canonicalCodes(const std::uint8_t* lengths, int count, std::uint32_t* codes) {
  int perLength[kMaxCodeLength + 1] = {};
  for (int i = 0; i < count; ++i) ++perLength[lengths[i]];
  perLength[0] = 0;
  std::uint32_t next[kMaxCodeLength + 2] = {};
  std::uint32_t code = 0;
  for (int length = 1; length <= kMaxCodeLength; ++length) {
    code = (code + static_cast<std::uint32_t>(perLength[length - 1])) << 1;
    next[length] = code;
  }
  for (int i = 0; i < count; ++i) {
    codes[i] = lengths[i] != 0 ? reverseBits(next[lengths[i]]++, lengths[i]) : 0;
  }
}

// Bits packed from each byte's low bit. Every put stores eight bytes and
// moves on by the whole bytes done, with no branch: the buffer needs eight
// bytes of room past the last byte written.
class BitWriter {
 public:
  explicit BitWriter(std::uint8_t* at) : at_(at) {}
  // At most 42 bits at a time (at most 7 are pending before).
  void put(std::uint64_t bits, int count) {
    pending_ |= bits << pendingCount_;
    pendingCount_ += count;
    std::memcpy(at_, &pending_, 8);  // little-endian, as on every target
    at_ += pendingCount_ >> 3;
    pending_ >>= pendingCount_ & ~7;  // under 64: at most 49 bits were pending
    pendingCount_ &= 7;
  }
  // Writes the last partial byte, padded with zero bits.
  std::uint8_t* finish() {
    if (pendingCount_ > 0) *at_++ = static_cast<std::uint8_t>(pending_);
    pendingCount_ = 0;
    return at_;
  }

 private:
  std::uint8_t* at_;
  std::uint64_t pending_ = 0;
  int pendingCount_ = 0;
};

// Positions i in [0, 14) where data[i..i+3] are four equal bytes (a literal
// and a run of at least three), as bits; data has 17 readable bytes.
inline unsigned runStarts(const std::uint8_t* data) {
#ifdef __SSE2__
  const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
  const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 1));
  const unsigned same = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(here, next)));
#else
  unsigned same = 0;
  for (int i = 0; i < 16; ++i) same |= static_cast<unsigned>(data[i] == data[i + 1]) << i;
#endif
  return same & same >> 1 & same >> 2 & 0x3FFFu;
}

// The end of the run of `byte` that goes on from `from`.
inline std::size_t runEnd(const std::uint8_t* data, std::size_t from, std::size_t size, std::uint8_t byte) {
#ifdef __SSE2__
  const __m128i repeated = _mm_set1_epi8(static_cast<char>(byte));
  for (; from + 16 <= size; from += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from));
    const unsigned differ = ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, repeated))) & 0xFFFFu;
    if (differ != 0) return from + static_cast<std::size_t>(std::countr_zero(differ));
  }
#endif
  while (from < size && data[from] == byte) ++from;
  return from;
}

// The 16 bytes at `data` as literal tokens (the caller keeps those it needs;
// the token buffer has room for 16 past any start).
inline void storeTokens(const std::uint8_t* data, Token* tokens) {
#ifdef __SSE2__
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
  const __m128i zero = _mm_setzero_si128();
  _mm_storeu_si128(reinterpret_cast<__m128i*>(tokens), _mm_unpacklo_epi8(bytes, zero));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(tokens + 8), _mm_unpackhi_epi8(bytes, zero));
#else
  for (int k = 0; k < 16; ++k) tokens[k] = data[k];
#endif
}

// First pass: tokens into `tokens` (room for `size` + 16), frequencies counted.
// Stretches with no run go 14 bytes at a time; literals are counted in four
// tables, so that repeats of one byte do not wait on each other's counts.
std::size_t tokenize(const std::uint8_t* data, std::size_t size, Token* tokens, std::uint32_t* frequencies) {
  std::uint32_t literalCounts[4][256] = {};
  std::size_t count = 0;
  std::size_t i = 0;
  while (i < size) {
    if (i + 17 <= size) {
      const unsigned starts = runStarts(data + i);
      storeTokens(data + i, tokens + count);
      if (starts == 0) {  // the common case, a fixed count the compiler unrolls
        for (int k = 0; k < 14; ++k) ++literalCounts[k & 3][data[i + k]];
        count += 14;
        i += 14;
        continue;
      }
      const int literals = std::countr_zero(starts);
      for (int k = 0; k < literals; ++k) ++literalCounts[k & 3][data[i + k]];
      count += literals;
      i += literals;
    }
    const std::uint8_t byte = data[i];
    const std::size_t end = runEnd(data, i + 1, size, byte);
    tokens[count++] = byte;
    ++literalCounts[0][byte];
    std::size_t run = end - i - 1;
    while (run >= kShortestMatch) {
      const std::size_t length = std::min<std::size_t>(run, kLongestMatch);
      tokens[count++] = static_cast<Token>(256 + length - kShortestMatch);
      ++frequencies[257 + kLengthSymbol[length]];
      run -= length;
    }
    literalCounts[1][byte] += static_cast<std::uint32_t>(run);
    for (; run > 0; --run) tokens[count++] = byte;
    i = end;
  }
  for (int b = 0; b < 256; ++b) {
    frequencies[b] += literalCounts[0][b] + literalCounts[1][b] + literalCounts[2][b] + literalCounts[3][b];
  }
  return count;
}

// The code lengths of both codes as code-length symbols: 0-15 a length,
// 17 and 18 runs of zeros (3-10 and 11-138) with their extra bits.
struct LengthSymbol {
  std::uint8_t symbol;
  std::uint8_t extra;
};

std::vector<LengthSymbol> lengthSymbolsFor(const std::uint8_t* lengths, int count) {
  std::vector<LengthSymbol> symbols;
  int i = 0;
  while (i < count) {
    if (lengths[i] != 0) {
      symbols.push_back({lengths[i], 0});
      ++i;
      continue;
    }
    int zeros = 1;
    while (i + zeros < count && lengths[i + zeros] == 0 && zeros < 138) ++zeros;
    if (zeros >= 11) {
      symbols.push_back({18, static_cast<std::uint8_t>(zeros - 11)});
    } else if (zeros >= 3) {
      symbols.push_back({17, static_cast<std::uint8_t>(zeros - 3)});
    } else {
      for (int k = 0; k < zeros; ++k) symbols.push_back({0, 0});
    }
    i += zeros;
  }
  return symbols;
}

void putBigEndian32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

}  // namespace

void huffmanCodeLengths(const std::uint32_t* frequencies, int count, int maxLength, std::uint8_t* lengths) {
  std::fill(lengths, lengths + count, std::uint8_t{0});
  // Symbols that occur, rarest first (ties by symbol, so the result is fixed).
  std::vector<int> used;
  for (int i = 0; i < count; ++i) {
    if (frequencies[i] != 0) used.push_back(i);
  }
  if (used.size() < 2) {
    for (int i = 0; i < count && used.size() < 2; ++i) {
      if (frequencies[i] == 0) used.push_back(i);
    }
    for (int symbol : used) lengths[symbol] = 1;
    return;
  }
  std::stable_sort(used.begin(), used.end(), [&](int a, int b) { return frequencies[a] < frequencies[b]; });

  // Huffman's tree with two queues: the sorted leaves, and the inner nodes
  // in the order they are made (which is by weight too).
  const int leaves = static_cast<int>(used.size());
  std::vector<std::uint64_t> weight(2 * leaves - 1);
  std::vector<int> parent(2 * leaves - 1, 0);
  for (int i = 0; i < leaves; ++i) weight[i] = frequencies[used[i]];
  int nextLeaf = 0, nextInner = leaves;
  for (int made = leaves; made < 2 * leaves - 1; ++made) {
    int pair[2];
    for (int& pick : pair) {
      const bool leafFirst = nextLeaf < leaves && (nextInner >= made || weight[nextLeaf] <= weight[nextInner]);
      pick = leafFirst ? nextLeaf++ : nextInner++;
    }
    weight[made] = weight[pair[0]] + weight[pair[1]];
    parent[pair[0]] = parent[pair[1]] = made;
  }
  std::vector<int> depth(2 * leaves - 1, 0);
  for (int node = 2 * leaves - 3; node >= 0; --node) depth[node] = depth[parent[node]] + 1;

  // Too-long codes are shortened to the limit; then, while the code is
  // over-full, one code at the limit goes and one shorter code becomes two
  // codes a bit longer, each step taking exactly one limit-length slot back.
  std::vector<int> perLength(maxLength + 1, 0);
  for (int i = 0; i < leaves; ++i) ++perLength[std::min(depth[i], maxLength)];
  std::uint64_t slots = 0;
  for (int length = 1; length <= maxLength; ++length) {
    slots += static_cast<std::uint64_t>(perLength[length]) << (maxLength - length);
  }
  while (slots > (std::uint64_t{1} << maxLength)) {
    --perLength[maxLength];
    for (int length = maxLength - 1; length >= 1; --length) {
      if (perLength[length] > 0) {
        --perLength[length];
        perLength[length + 1] += 2;
        break;
      }
    }
    --slots;
  }
  // The commonest symbols get the shortest codes.
  int symbol = leaves - 1;
  for (int length = 1; length <= maxLength; ++length) {
    for (int k = 0; k < perLength[length]; ++k) lengths[used[symbol--]] = static_cast<std::uint8_t>(length);
  }
}

std::size_t compressRuns(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out) {
  thread_local std::vector<Token> tokens;
  tokens.resize(size + 16);
  std::uint32_t frequencies[kLiteralLengthSymbols] = {};
  const std::size_t tokenCount = tokenize(data, size, tokens.data(), frequencies);
  frequencies[kEndOfBlock] = 1;

  // The literal/length code, then the distance code: only distance 1 is
  // used, sent as a complete code of two 1-bit codes (symbols 0 and 1).
  constexpr int kDistanceCodes = 2;
  std::uint8_t lengths[kLiteralLengthSymbols];
  huffmanCodeLengths(frequencies, kLiteralLengthSymbols, kMaxCodeLength, lengths);
  int literalCodes = kLiteralLengthSymbols;
  while (literalCodes > 257 && lengths[literalCodes - 1] == 0) --literalCodes;
  // Both codes' lengths go out as one sequence, the distance code's right
  // after the literal code's last sent length.
  std::uint8_t sent[kLiteralLengthSymbols + kDistanceCodes];
  std::copy(lengths, lengths + literalCodes, sent);
  sent[literalCodes] = sent[literalCodes + 1] = 1;
  const std::vector<LengthSymbol> lengthSymbolList = lengthSymbolsFor(sent, literalCodes + kDistanceCodes);

  std::uint32_t lengthSymbolFrequencies[19] = {};
  for (const LengthSymbol& s : lengthSymbolList) ++lengthSymbolFrequencies[s.symbol];
  std::uint8_t codeLengthLengths[19];
  huffmanCodeLengths(lengthSymbolFrequencies, 19, kMaxCodeLengthCodeLength, codeLengthLengths);
  std::uint32_t codeLengthCodes[19];
  canonicalCodes(codeLengthLengths, 19, codeLengthCodes);
  int codeLengthCount = 19;
  while (codeLengthCount > 4 && codeLengthLengths[kCodeLengthOrder[codeLengthCount - 1]] == 0) --codeLengthCount;

  std::uint32_t codes[kLiteralLengthSymbols];
  canonicalCodes(lengths, kLiteralLengthSymbols, codes);

  // Every token's bits in one table: a run's length code, its extra bits,
  // then distance code 0 (a single 0 bit).
  struct Bits {
    std::uint32_t bits;
    std::uint32_t count;
  };
  std::array<Bits, kTokenKinds> table{};
  for (int literal = 0; literal < 256; ++literal) table[literal] = {codes[literal], lengths[literal]};
  for (int length = kShortestMatch; length <= kLongestMatch; ++length) {
    const int symbol = kLengthSymbol[length];
    const int codeLength = lengths[257 + symbol];
    const std::uint32_t extra = static_cast<std::uint32_t>(length - kLengthBase[symbol]);
    table[256 + length - kShortestMatch] = {codes[257 + symbol] | extra << codeLength,
                                            static_cast<std::uint32_t>(codeLength + kLengthExtraBits[symbol] + 1)};
  }

  // Each byte costs at most 15 bits (a literal); a run of three or more at
  // most 21. The header is under 400 bytes; the writer's stores need 8
  // bytes of room past the end.
  const std::size_t start = out.size();
  out.resize(start + 2 + 512 + size / 8 * 15 + 16 + 4 + 8);
  out[start] = 0x78;      // deflate, 32 KiB window
  out[start + 1] = 0x01;  // fastest-compression flag; (0x78 << 8 | 0x01) is a multiple of 31
  BitWriter writer(out.data() + start + 2);
  writer.put(1, 1);  // the final block
  writer.put(2, 2);  // dynamic Huffman codes
  writer.put(static_cast<std::uint32_t>(literalCodes - 257), 5);
  writer.put(kDistanceCodes - 1, 5);
  writer.put(static_cast<std::uint32_t>(codeLengthCount - 4), 4);
  for (int i = 0; i < codeLengthCount; ++i) writer.put(codeLengthLengths[kCodeLengthOrder[i]], 3);
  for (const LengthSymbol& s : lengthSymbolList) {
    writer.put(codeLengthCodes[s.symbol], codeLengthLengths[s.symbol]);
    if (s.symbol == 17) writer.put(s.extra, 3);
    if (s.symbol == 18) writer.put(s.extra, 7);
  }
  // Two tokens a store: together at most 42 bits.
  std::size_t i = 0;
  for (; i + 2 <= tokenCount; i += 2) {
    const Bits& first = table[tokens[i]];
    const Bits& second = table[tokens[i + 1]];
    writer.put(static_cast<std::uint64_t>(first.bits) | static_cast<std::uint64_t>(second.bits) << first.count,
               static_cast<int>(first.count + second.count));
  }
  if (i < tokenCount) writer.put(table[tokens[i]].bits, static_cast<int>(table[tokens[i]].count));
  writer.put(codes[kEndOfBlock], lengths[kEndOfBlock]);
  std::uint8_t* end = writer.finish();
  putBigEndian32(end, libdeflate_adler32(1, data, size));
  out.resize(static_cast<std::size_t>(end + 4 - out.data()));
  return out.size() - start;
}
