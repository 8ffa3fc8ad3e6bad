// Layer III intensity stereo and the antialias butterflies. Mid/side is done while decoding the side
// channel (spectrum.cpp); short blocks need no reordering, they are decoded in window-interleaved order.
#include "decoder/layer3/layer3_build.h"

namespace {

struct IntensityBands {
  float* left;
  float* right;
  const float* leftRatio;
  const float* rightRatio;
  int32_t positions;  // positions from here up are not intensity coded

  // Splits the lines of one band (n values, `step` lines apart) by intensity position p. Position 7
  // marks a band coded normally, which is left as it is.
  inline void Process(int32_t first, int32_t step, int32_t n, int32_t p) const {
    if (p < 0 || p >= positions || p == 7) return;
    const float fl = leftRatio[p], fr = rightRatio[p];
    for (int32_t k = 0; k < n; ++k) {
      const int32_t i = first + k * step;
      const float v = left[i];
      left[i] = v * fl;
      right[i] = v * fr;
    }
  }
};

inline int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; }

}  // namespace

void IntensityStereo(const Layer3Build& b, float* spectra, const int32_t* sf, const GranuleInfo& gi,
                     int32_t rate, int32_t ms, int32_t lowSampling) {
  if (rate < 0 || rate >= kSampleRateCount) return;
  const BandTable& t = kBandTables[rate];
  const int32_t m = ms ? 1 : 0;
  IntensityBands bands;
  bands.left = spectra;
  bands.right = spectra + kGranuleLines;
  if (!lowSampling) {
    // Positions 8..15 cannot come from a valid stream; the ratios there are meaningless (position 9
    // divides by zero), so they are treated like 7.
    bands.leftRatio = b.isLeft[m];
    bands.rightRatio = b.isRight[m];
    bands.positions = 7;
  } else {
    const int32_t k = gi.scalefac_compress & 1;
    bands.leftRatio = b.lsfIsLeft[m][k];
    bands.rightRatio = b.lsfIsRight[m][k];
    bands.positions = 32;
  }

  if (gi.block_type == 2) {
    const int32_t mixed = gi.mixed_block_flag ? 1 : 0;
    const int32_t longBands = b.rates[rate].mixedLongBands;
    // Slot of short band sb, window w in the scalefactor array: 3 sb + w, behind the long bands of a
    // mixed block, which start at short band 3.
    const int32_t base = mixed ? longBands - 9 : 0;
    const int32_t lowest = mixed ? 3 : 0;
    bool longPart = mixed != 0;
    for (int32_t w = 0; w < 3; ++w) {
      const int32_t end = Clamp(gi.shortBandEnd[w], lowest, kShortBandCount);
      if (end > 3) longPart = false;
      for (int32_t sb = end; sb < kShortBandCount - 1; ++sb)
        bands.Process(t.shortStart[sb] + w, 3, t.shortWidth[sb], sf[base + 3 * sb + w]);
      // Band 12 has no position of its own and takes band 11's, unless it holds coded lines.
      if (end <= kShortBandCount - 1)
        bands.Process(t.shortStart[12] + w, 3, t.shortWidth[12], sf[base + 33 + w]);
    }
    if (longPart) {
      for (int32_t band = Clamp(gi.longBandEnd, 0, longBands); band < longBands; ++band)
        bands.Process(t.longStart[band], 1, t.longWidth[band], sf[band]);
    }
  } else {
    const int32_t start = Clamp(gi.longBandEnd, 0, kLongBandCount);
    for (int32_t band = start; band < kLongBandCount - 1; ++band)
      bands.Process(t.longStart[band], 1, t.longWidth[band], sf[band]);
    // Band 21 takes band 20's position.
    if (start <= kLongBandCount - 1) bands.Process(t.longStart[21], 1, t.longWidth[21], sf[20]);
  }
}

void Antialias(const Layer3Build& b, float* x, const GranuleInfo& gi) {
  int32_t boundaries;
  if (gi.block_type == 2) {
    if (!gi.mixed_block_flag) return;
    boundaries = 1;
  } else {
    boundaries = Clamp(gi.activeSubbands, 1, kSubbands) - 1;
  }
  const float* cs = b.cs;
  const float* ca = b.ca;
  for (int32_t s = 1; s <= boundaries; ++s) {
    float* lo = x + 18 * s - 1;
    float* up = x + 18 * s;
    for (int32_t i = 0; i < 8; ++i) {
      const float a = lo[-i], c = up[i];
      lo[-i] = a * cs[i] - c * ca[i];
      up[i] = c * cs[i] + a * ca[i];
    }
  }
}
