// Layer III Huffman decoding with requantisation. Values are requantised as they are decoded, written
// straight into the window-interleaved order of short blocks, and the lines above the coded ones are
// cleared. The mid/side variant forms left and right while it decodes the side channel.
#include <cstring>

#include "decoder/bit_reader.h"
#include "decoder/layer3/huffman_trees.h"
#include "decoder/layer3/layer3_build.h"

static_assert(kFrameGuardBytes >= 8, "the Huffman reader loads eight bytes at its last possible position");

namespace {

constexpr uint32_t kLimitBits = static_cast<uint32_t>(kFrameBlockBytes) * 8;

// The bit reader's position as a bit index into the frame block. A reader held at the end of the
// areas (or pointing anywhere else) gives the end, where only guard zeros are read.
inline uint32_t ReaderPosition() {
  const uintptr_t p = reinterpret_cast<uintptr_t>(gBitReader.bitPointer);
  const uintptr_t base = reinterpret_cast<uintptr_t>(gFrameBlock);
  if (p < base || p - base >= static_cast<uintptr_t>(kFrameBlockBytes)) return kLimitBits;
  return static_cast<uint32_t>(p - base) * 8 + static_cast<uint32_t>(gBitReader.bitOffset & 7);
}

inline void SetReaderPosition(uint32_t pos) {
  if (pos >= kLimitBits) {
    gBitReader.bitPointer = gFrameBlock + kFrameBlockBytes;
    gBitReader.bitOffset = 0;
  } else {
    gBitReader.bitPointer = gFrameBlock + (pos >> 3);
    gBitReader.bitOffset = static_cast<int32_t>(pos & 7);
  }
}

// At least the next 57 bits from bit `pos`, the first in bit 63. Positions past the frame areas read
// the zero guard behind them.
inline uint64_t Peek(uint32_t pos) {
  if (pos > kLimitBits) pos = kLimitBits;
  const uint8_t* p = gFrameBlock + (pos >> 3);
  const uint64_t v = (uint64_t(p[0]) << 56) | (uint64_t(p[1]) << 48) | (uint64_t(p[2]) << 40) |
                     (uint64_t(p[3]) << 32) | (uint64_t(p[4]) << 24) | (uint64_t(p[5]) << 16) |
                     (uint64_t(p[6]) << 8) | uint64_t(p[7]);
  return v << (pos & 7);
}

// Decodes one code over the bits in w (first bit in bit 63): the lookup resolves the first bits, longer
// codes walk on through the tree. Returns the leaf and counts the bits.
inline int32_t DecodeCode(const HuffmanLookup& lookup, const int16_t* tree, uint64_t& w, int32_t& used) {
  const uint32_t e = lookup.entries[w >> (64 - kLookupBits)];
  if (!(e & kLookupContinue)) {
    const int32_t length = static_cast<int32_t>((e >> 8) & 0xFF);
    w <<= length;
    used += length;
    return static_cast<int32_t>(e & 0xFF);
  }
  w <<= kLookupBits;
  used += kLookupBits;
  int32_t idx = static_cast<int32_t>(e & 0xFFFF);
  int32_t node;
  while ((node = tree[idx]) < 0) {
    idx += (w >> 63) ? 1 - node : 1;
    w <<= 1;
    ++used;
  }
  return node;
}

// Where the decoded values go. The plain variant writes one channel; the mid/side variant combines each
// side value with the mid value already in channel 0.
template <bool kMs>
struct Lines {
  float* out;  // the channel being decoded (channel 1 for mid/side)
  float* mid;  // channel 0 for mid/side

  inline void Put(int32_t i, float v) const {
    if constexpr (kMs) {
      const float m = mid[i];
      mid[i] = m + v;
      out[i] = m - v;
    } else {
      out[i] = v;
    }
  }
  inline void Zero(int32_t i) const {
    if constexpr (kMs) {
      out[i] = mid[i];
    } else {
      out[i] = 0.0f;
    }
  }  // Zero on `count` lines `step` apart from `first`; consecutive lines in one block.
  inline void ZeroRun(int32_t first, int32_t count, int32_t step) const {
    if (count <= 0) return;
    if (step == 1) {
      if constexpr (kMs) {
        std::memcpy(out + first, mid + first, sizeof(float) * static_cast<size_t>(count));
      } else {
        std::memset(out + first, 0, sizeof(float) * static_cast<size_t>(count));
      }
      return;
    }
    for (int32_t k = 0; k < count; ++k) Zero(first + k * step);
  }
  // Put for a coded non-zero value, else Zero; without mid/side a zero value is +0 and is simply stored.
  inline void PutOrZero(int32_t i, float v, uint32_t nonZero) const {
    if constexpr (kMs) {
      if (nonZero) Put(i, v); else Zero(i);
    } else {
      out[i] = v;
    }
  }
};

// v with its sign bit flipped when `negative` is 1.
inline float WithSign(float v, uint32_t negative) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  bits ^= negative << 31;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

// Position in the band map, with the gain of the current run.
struct MapWalk {
  const BandMap* map;
  const int32_t* scalefactors;
  const float* gainTable;
  const GranuleInfo* info;
  bool pretab;
  int32_t shift;
  int32_t entry = -1;
  int32_t pairsLeft = 0;
  int32_t line = 0;
  int32_t step = 1;
  int32_t window = 3;
  int32_t band = 0;
  float gain = 0.0f;
  int32_t maxBand[4] = {-1, -1, -1, -1};  // per short window, and [3] for long bands

  // Moves to the next run of the map; false when the map is used up.
  inline bool Next() {
    if (entry + 1 >= map->count) return false;
    const BandMapEntry& e = map->entries[++entry];
    pairsLeft = e.pairs;
    line = e.firstLine;
    window = e.window;
    band = e.band;
    step = window == 3 ? 1 : 3;
    int32_t sf = scalefactors[entry];
    if (pretab) sf += kPretab[entry];
    int32_t k = (window == 3 ? info->gain : info->windowGain[window]) + (sf << shift);
    if (k < 0) k = 0;
    if (k > kGainPositions - 1) k = kGainPositions - 1;
    gain = gainTable[k];
    return true;
  }
};

template <bool kMs>
int32_t DecodeRecord(const Layer3Build& b, const Lines<kMs> lines, const int32_t* sf, GranuleInfo& gi,
                     int32_t rate, int32_t part2Bits) {
  if (rate < 0 || rate >= kSampleRateCount) rate = 0;
  const RateTables& rt = b.rates[rate];
  const bool shortBlock = gi.block_type == 2;
  const BandMap& map = !shortBlock ? rt.longMap : gi.mixed_block_flag ? rt.mixedMap : rt.shortMap;

  MapWalk walk;
  walk.map = &map;
  walk.scalefactors = sf;
  walk.gainTable = b.gainTable;
  walk.info = &gi;
  walk.pretab = !shortBlock && gi.preflag;
  walk.shift = 1 + (gi.scalefac_scale & 1);
  if (shortBlock && gi.mixed_block_flag) walk.maxBand[0] = walk.maxBand[1] = walk.maxBand[2] = 2;

  int32_t remaining = gi.part2_3_length - part2Bits;
  uint32_t pos = ReaderPosition();
  const float* power = b.powerTable;

  // Region sizes in pairs.
  int32_t bv = gi.big_values, r1 = gi.region1Begin, r2 = gi.region2Begin;
  if (bv < 0) bv = 0;
  if (bv > kMaxPairs) bv = kMaxPairs;
  if (r1 < 0) r1 = 0;
  if (r1 > kMaxPairs) r1 = kMaxPairs;
  if (r2 < r1) r2 = r1;
  if (r2 > kMaxPairs) r2 = kMaxPairs;
  int32_t regionPairs[3];
  if (bv <= r1) {
    regionPairs[0] = bv, regionPairs[1] = 0, regionPairs[2] = 0;
  } else if (bv <= r2) {
    regionPairs[0] = r1, regionPairs[1] = bv - r1, regionPairs[2] = 0;
  } else {
    regionPairs[0] = r1, regionPairs[1] = r2 - r1, regionPairs[2] = bv - r2;
  }

  bool mapLeft = true;
  for (int32_t r = 0; r < 3 && mapLeft; ++r) {
    int32_t pairs = regionPairs[r];
    const int32_t select = gi.table_select[r] & 31;
    const HuffmanLookup& lookup = b.bigValueLookup[select];
    const int16_t* tree = kBigValueTables[select].tree;
    const int32_t linbits = kBigValueTables[select].linbits;
    while (pairs > 0) {
      if (walk.pairsLeft == 0 && !walk.Next()) {
        mapLeft = false;
        break;
      }
      int32_t n = pairs < walk.pairsLeft ? pairs : walk.pairsLeft;
      pairs -= n;
      walk.pairsLeft -= n;
      const float gain = walk.gain;
      const int32_t step = walk.step;
      int32_t line = walk.line;
      int32_t any = 0;
      for (; n > 0; --n) {
        uint64_t w = Peek(pos);
        int32_t used = 0;
        const int32_t leaf = DecodeCode(lookup, tree, w, used);
        int32_t x = (leaf >> 4) & 15, y = leaf & 15;
        any |= x | y;
        // A non-zero value takes its extension bits (value 15 of a table with linbits), then a sign bit.
        // Zero reads no sign and comes out as +0, the power of 0; the signs are set without branches,
        // which the decoder could not predict.
        if (x == 15 && linbits) {
          x += static_cast<int32_t>(w >> (64 - linbits));
          w <<= linbits;
          used += linbits;
          if (x >= kPowerValues) x = kPowerValues - 1;
        }
        const uint32_t hasX = x != 0;
        const uint32_t signX = static_cast<uint32_t>(w >> 63) & hasX;
        w <<= hasX;
        if (y == 15 && linbits) {
          y += static_cast<int32_t>(w >> (64 - linbits));
          w <<= linbits;
          used += linbits;
          if (y >= kPowerValues) y = kPowerValues - 1;
        }
        const uint32_t hasY = y != 0;
        const uint32_t signY = static_cast<uint32_t>(w >> 63) & hasY;
        used += static_cast<int32_t>(hasX + hasY);
        const float vx = WithSign(power[x] * gain, signX);
        const float vy = WithSign(power[y] * gain, signY);
        pos += static_cast<uint32_t>(used);
        remaining -= used;
        lines.PutOrZero(line, vx, hasX);
        lines.PutOrZero(line + step, vy, hasY);
        line += 2 * step;
      }
      walk.line = line;
      if (any) walk.maxBand[walk.window] = walk.band;
    }
  }

  // Count1 region: quadruples of values -1, 0, +1 times the band gain, while bits remain. A quadruple
  // whose code or signs would pass part2_3_length stops there; its lines are cleared below.
  const HuffmanLookup& quadLookup = b.count1Lookup[gi.count1table_select & 1];
  const int16_t* quadTree = kCount1Trees[gi.count1table_select & 1];
  int32_t quads = (kMaxPairs - bv) / 2;
  while (mapLeft && quads > 0 && remaining > 0) {
    --quads;
    uint64_t w = Peek(pos);
    int32_t used = 0;
    int32_t pattern = DecodeCode(quadLookup, quadTree, w, used) & 15;
    if (used > remaining) {
      pos += static_cast<uint32_t>(remaining);
      remaining = 0;
      pattern = 0;
    } else {
      pos += static_cast<uint32_t>(used);
      remaining -= used;
    }
    bool stopped = false;
    for (int32_t half = 0; half < 2 && !stopped; ++half) {
      if (walk.pairsLeft == 0 && !walk.Next()) {
        mapLeft = false;
        break;
      }
      --walk.pairsLeft;
      const int32_t at[2] = {walk.line, walk.line + walk.step};
      walk.line += 2 * walk.step;
      for (int32_t j = 0; j < 2; ++j) {
        if (!stopped && (pattern & (8 >> (2 * half + j)))) {
          if (remaining == 0) {
            stopped = true;
            lines.Zero(at[j]);
            continue;
          }
          --remaining;
          ++pos;
          lines.Put(at[j], (w >> 63) ? -walk.gain : walk.gain);
          w <<= 1;
          walk.maxBand[walk.window] = walk.band;
        } else {
          lines.Zero(at[j]);
        }
      }
    }
  }

  // Clear whatever the walk did not reach: the rest of the current run, then every later run.
  lines.ZeroRun(walk.line, 2 * walk.pairsLeft, walk.step);
  for (int32_t e = walk.entry + 1; e < map.count; ++e) {
    const BandMapEntry& run = map.entries[e];
    lines.ZeroRun(run.firstLine, 2 * run.pairs, run.window == 3 ? 1 : 3);
  }

  if (!shortBlock) {
    gi.longBandEnd = walk.maxBand[3] + 1;
    gi.activeSubbands = rt.longLimit[gi.longBandEnd];
  } else {
    int32_t top = -1;
    for (int32_t w = 0; w < 3; ++w) {
      gi.shortBandEnd[w] = walk.maxBand[w] + 1;
      if (walk.maxBand[w] > top) top = walk.maxBand[w];
    }
    gi.longBandEnd = walk.maxBand[3] + 1;
    gi.activeSubbands = top + 1 > 0 ? rt.shortLimit[top + 1] : rt.longLimit[gi.longBandEnd];
  }

  if (remaining < 0) {
    SetReaderPosition(pos);
    return 1;
  }
  // Skip the stuffing bits to the end of the record.
  SetReaderPosition(pos + static_cast<uint32_t>(remaining));
  return 0;
}

}  // namespace

int32_t DecodeSpectrum(const Layer3Build& build, float* spectrum, const int32_t* scalefactors, GranuleInfo& info,
                       int32_t sampleRateIndex, int32_t part2Bits) {
  const Lines<false> lines{spectrum, nullptr};
  return DecodeRecord<false>(build, lines, scalefactors, info, sampleRateIndex, part2Bits);
}

int32_t DecodeSpectrumMs(const Layer3Build& build, float* spectra, const int32_t* scalefactors, GranuleInfo& info,
                         int32_t sampleRateIndex, int32_t part2Bits) {
  const Lines<true> lines{spectra + kGranuleLines, spectra};
  return DecodeRecord<true>(build, lines, scalefactors, info, sampleRateIndex, part2Bits);
}
