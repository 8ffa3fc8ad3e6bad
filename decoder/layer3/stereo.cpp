// Layer III intensity stereo and the antialias butterflies. Mid/side is done while decoding the side
// channel (spectrum.cpp); short blocks need no reordering, they are decoded in window-interleaved order.
#include <array>

#include "decoder/layer3/layer3_build.h"
#include "decoder/synthesis.h"

#if defined(__x86_64__) || defined(__i386__)
#define ZAV_HAVE_SSE2_PATH 1
#include <emmintrin.h>
#define ZAV_SSE2 __attribute__((target("sse2")))
#endif

namespace {

#ifdef ZAV_HAVE_SSE2_PATH
// The butterflies of Antialias four at a time, with the same products and sums in each lane: the lines
// below a boundary are loaded and stored in reverse, so lane i holds the pair of butterfly i.
ZAV_SSE2 void AntialiasSse2(const float* cs, const float* ca, float* x, int32_t boundaries) {
  const __m128 cs0 = _mm_loadu_ps(cs), cs1 = _mm_loadu_ps(cs + 4);
  const __m128 ca0 = _mm_loadu_ps(ca), ca1 = _mm_loadu_ps(ca + 4);
  for (int32_t s = 1; s <= boundaries; ++s) {
    float* up = x + 18 * s;
    const __m128 a0 = _mm_shuffle_ps(_mm_loadu_ps(up - 4), _mm_loadu_ps(up - 4), _MM_SHUFFLE(0, 1, 2, 3));
    const __m128 a1 = _mm_shuffle_ps(_mm_loadu_ps(up - 8), _mm_loadu_ps(up - 8), _MM_SHUFFLE(0, 1, 2, 3));
    const __m128 c0 = _mm_loadu_ps(up), c1 = _mm_loadu_ps(up + 4);
    const __m128 lo0 = _mm_sub_ps(_mm_mul_ps(a0, cs0), _mm_mul_ps(c0, ca0));
    const __m128 lo1 = _mm_sub_ps(_mm_mul_ps(a1, cs1), _mm_mul_ps(c1, ca1));
    _mm_storeu_ps(up - 4, _mm_shuffle_ps(lo0, lo0, _MM_SHUFFLE(0, 1, 2, 3)));
    _mm_storeu_ps(up - 8, _mm_shuffle_ps(lo1, lo1, _MM_SHUFFLE(0, 1, 2, 3)));
    _mm_storeu_ps(up, _mm_add_ps(_mm_mul_ps(c0, cs0), _mm_mul_ps(a0, ca0)));
    _mm_storeu_ps(up + 4, _mm_add_ps(_mm_mul_ps(c1, cs1), _mm_mul_ps(a1, ca1)));
  }
}
#endif

struct IntensityBands {
  float* left;
  float* right;
  const float* leftRatio;
  const float* rightRatio;
  const int32_t* positions;  // channel 1's scalefactors
  const int32_t* uncoded;    // per slot: the position that marks a band as not intensity coded
  int32_t positionCount;     // positions from here up are not intensity coded either
  int32_t lowSampling;

  // Splits the lines of one band (n values, `step` lines apart) by intensity position p, unless p is the
  // band's `uncodedAt` marker: such a band is coded normally and left as it is.
  inline void Split(int32_t first, int32_t step, int32_t n, int32_t p, int32_t uncodedAt) const {
    if (p < 0 || p >= positionCount || p == uncodedAt) return;
    const float fl = leftRatio[p], fr = rightRatio[p];
    for (int32_t k = 0; k < n; ++k) {
      const int32_t i = first + k * step;
      const float v = left[i];
      left[i] = v * fl;
      right[i] = v * fr;
    }
  }
  // A band with the position in scalefactor slot `slot`.
  inline void Process(int32_t first, int32_t step, int32_t n, int32_t slot) const {
    Split(first, step, n, positions[slot], uncoded[slot]);
  }
  // The top band (long 21, short 12) has no position of its own and takes that of the band below. At the
  // low sampling rates, when the band below holds coded lines of channel 1 (so its scalefactor is no
  // position), the top band goes unchanged to both channels, as position 0 does.
  inline void ProcessTop(int32_t first, int32_t step, int32_t n, int32_t belowSlot, bool belowCoded) const {
    if (lowSampling && belowCoded) {
      Split(first, step, n, 0, -1);
    } else {
      Process(first, step, n, belowSlot);
    }
  }
};

inline int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; }

// In MPEG-1 position 7 marks a band that is not intensity coded, whatever the scalefactor widths.
constexpr std::array<int32_t, kScalefactorSlots> kMpeg1Uncoded = [] {
  std::array<int32_t, kScalefactorSlots> a{};
  for (int32_t& v : a) v = 7;
  return a;
}();

// At the low sampling rates a band is not intensity coded when its position is the largest value its
// scalefactor can hold: 2^width - 1 for the width of the group the slot was read in (0 for a width of 0).
void LowSamplingUncodedPositions(const Layer3Build& b, const GranuleInfo& gi, int32_t* uncoded) {
  const LsfLayout layout = LsfLayoutOf(b, gi, 1);
  int32_t i = 0;
  for (int32_t g = 0; g < kLsfGroups; ++g) {
    const int32_t largest = (1 << LsfSlen(layout.word, g)) - 1;
    for (int32_t k = 0; k < layout.groupSlots[g] && i < kScalefactorSlots; ++k) uncoded[i++] = largest;
  }
  // The top band's slots are never read as positions.
  while (i < kScalefactorSlots) uncoded[i++] = -1;
}

}  // namespace

void IntensityStereo(const Layer3Build& b, float* spectra, const int32_t* sf, const GranuleInfo& gi,
                     int32_t rate, int32_t ms, int32_t lowSampling) {
  if (rate < 0 || rate >= kSampleRateCount) return;
  const BandTable& t = kBandTables[rate];
  const int32_t m = ms ? 1 : 0;
  int32_t uncoded[kScalefactorSlots];
  IntensityBands bands;
  bands.left = spectra;
  bands.right = spectra + kGranuleLines;
  bands.positions = sf;
  bands.lowSampling = lowSampling ? 1 : 0;
  if (!lowSampling) {
    // Positions 8..15 cannot come from a valid stream; their ratios are meaningless (position 9 divides
    // by zero), so they are treated like 7.
    bands.leftRatio = b.isLeft[m];
    bands.rightRatio = b.isRight[m];
    bands.positionCount = 7;
    bands.uncoded = kMpeg1Uncoded.data();
  } else {
    // Positions up to 30 (5-bit scalefactors, 31 marking an uncoded band); the k-selector is the lowest
    // bit of scalefac_compress.
    const int32_t k = gi.scalefac_compress & 1;
    bands.leftRatio = b.lsfIsLeft[m][k];
    bands.rightRatio = b.lsfIsRight[m][k];
    bands.positionCount = 32;
    LowSamplingUncodedPositions(b, gi, uncoded);
    bands.uncoded = uncoded;
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
        bands.Process(t.shortStart[sb] + w, 3, t.shortWidth[sb], base + 3 * sb + w);
      if (end <= kShortBandCount - 1)
        bands.ProcessTop(t.shortStart[12] + w, 3, t.shortWidth[12], base + 33 + w, end > 11);
    }
    if (longPart) {
      for (int32_t band = Clamp(gi.longBandEnd, 0, longBands); band < longBands; ++band)
        bands.Process(t.longStart[band], 1, t.longWidth[band], band);
    }
  } else {
    const int32_t start = Clamp(gi.longBandEnd, 0, kLongBandCount);
    for (int32_t band = start; band < kLongBandCount - 1; ++band)
      bands.Process(t.longStart[band], 1, t.longWidth[band], band);
    if (start <= kLongBandCount - 1) bands.ProcessTop(t.longStart[21], 1, t.longWidth[21], 20, start > 20);
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
#ifdef ZAV_HAVE_SSE2_PATH
  if (gSynthUsesSse2) {
    AntialiasSse2(cs, ca, x, boundaries);
    return;
  }
#endif
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
