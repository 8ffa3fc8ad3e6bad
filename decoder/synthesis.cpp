#include "decoder/synthesis.h"

#include <array>
#include <cmath>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#define ZAV_HAVE_SSE2_PATH 1
#include <emmintrin.h>
#define ZAV_SSE2 __attribute__((target("sse2")))
#endif

namespace {

// D[0..256] of the synthesis window as the standard lists it, times 65536 and rounded.
constexpr int32_t kWindowD[257] = {
         0,     -1,     -1,     -1,     -1,     -1,     -1,     -2,
        -2,     -2,     -2,     -3,     -3,     -4,     -4,     -5,
        -5,     -6,     -7,     -7,     -8,     -9,    -10,    -11,
       -13,    -14,    -16,    -17,    -19,    -21,    -24,    -26,
       -29,    -31,    -35,    -38,    -41,    -45,    -49,    -53,
       -58,    -63,    -68,    -73,    -79,    -85,    -91,    -97,
      -104,   -111,   -117,   -125,   -132,   -139,   -147,   -154,
      -161,   -169,   -176,   -183,   -190,   -196,   -202,   -208,
       213,    218,    222,    225,    227,    228,    228,    227,
       224,    221,    215,    208,    200,    189,    177,    163,
       146,    127,    106,     83,     57,     29,     -2,    -36,
       -72,   -111,   -153,   -197,   -244,   -294,   -347,   -401,
      -459,   -519,   -581,   -645,   -711,   -779,   -848,   -919,
      -991,  -1064,  -1137,  -1210,  -1283,  -1356,  -1428,  -1498,
     -1567,  -1634,  -1698,  -1759,  -1817,  -1870,  -1919,  -1962,
     -2001,  -2032,  -2057,  -2075,  -2085,  -2087,  -2080,  -2063,
      2037,   2000,   1952,   1893,   1822,   1739,   1644,   1535,
      1414,   1280,   1131,    970,    794,    605,    402,    185,
       -45,   -288,   -545,   -814,  -1095,  -1388,  -1692,  -2006,
     -2330,  -2663,  -3004,  -3351,  -3705,  -4063,  -4425,  -4788,
     -5153,  -5517,  -5879,  -6237,  -6589,  -6935,  -7271,  -7597,
     -7910,  -8209,  -8491,  -8755,  -8998,  -9219,  -9416,  -9585,
     -9727,  -9838,  -9916,  -9959,  -9966,  -9935,  -9863,  -9750,
     -9592,  -9389,  -9139,  -8840,  -8492,  -8092,  -7640,  -7134,
      6574,   5959,   5288,   4561,   3776,   2935,   2037,   1082,
        70,   -998,  -2122,  -3300,  -4533,  -5818,  -7154,  -8540,
     -9975, -11455, -12980, -14548, -16155, -17799, -19478, -21189,
    -22929, -24694, -26482, -28289, -30112, -31947, -33791, -35640,
    -37489, -39336, -41176, -43006, -44821, -46617, -48390, -50137,
    -51853, -53534, -55178, -56778, -58333, -59838, -61289, -62684,
    -64019, -65290, -66494, -67629, -68692, -69679, -70590, -71420,
    -72169, -72835, -73415, -73908, -74313, -74630, -74856, -74992,
     75038,
};

constexpr std::array<int32_t, 257> MakeWindowBase() {
  std::array<int32_t, 257> base{};
  for (int i = 0; i < 257; ++i) base[i] = ((i / 64) & 1) ? -kWindowD[i] : kWindowD[i];
  return base;
}
constexpr std::array<int32_t, 257> kWindowBaseArray = MakeWindowBase();

// The 32-point DCT C[m] = sum x[n] cos((2n + 1) m pi / 64), in five butterfly stages.
inline void Butterflies(float* x, int32_t length, const float* factors) {
  const int32_t half = length / 2;
  for (int32_t block = 0; block < 32; block += length) {
    float* v = x + block;
    const bool negate = ((block / length) & 1) != 0;
    for (int32_t i = 0; i < half; ++i) {
      const float a = v[i];
      const float b = v[length - 1 - i];
      v[i] = a + b;
      const float d = (a - b) * factors[i];
      v[length - 1 - i] = negate ? -d : d;
    }
  }
}

// The butterfly stages of the DCT into e.
inline void DctStages(const float* in, float* e) {
  const SynthTables& t = gSynthTables;
  for (int32_t i = 0; i < 16; ++i) {
    e[i] = in[i] + in[31 - i];
    e[31 - i] = (in[i] - in[31 - i]) * t.dct1[i];
  }
  Butterflies(e, 16, t.dct2);
  Butterflies(e, 8, t.dct3);
  Butterflies(e, 4, t.dct4);
  Butterflies(e, 2, t.dct5);
}

// Where the 33 values a call adds to the history go: output m <= 16 to down[16 (16 - m)], output m >= 16
// to up[16 (m - 16)] (output 16 to both).
struct DctOutputs {
  float* down;
  float* up;
  inline void Put(int32_t m, float v) const {
    if (m <= 16) down[16 * (16 - m)] = v;
    if (m >= 16) up[16 * (m - 16)] = v;
  }
};

// The closing additions after the stages, and the outputs.
inline void DctFinish(float* e, const DctOutputs& c) {
  for (int32_t a = 0; a < 32; a += 4) e[a + 2] += e[a + 3];
  for (int32_t a = 0; a < 32; a += 8) {
    e[a + 4] += e[a + 6];
    e[a + 6] += e[a + 5];
    e[a + 5] += e[a + 7];
  }
  for (int32_t a = 0; a < 32; a += 16) {
    e[a + 8] += e[a + 12];
    e[a + 12] += e[a + 10];
    e[a + 10] += e[a + 14];
    e[a + 14] += e[a + 9];
    e[a + 9] += e[a + 13];
    e[a + 13] += e[a + 11];
    e[a + 11] += e[a + 15];
  }
  c.Put(0, e[0]);
  c.Put(16, e[1]);
  c.Put(8, e[2]);
  c.Put(24, e[3]);
  c.Put(4, e[4]);
  c.Put(20, e[5]);
  c.Put(12, e[6]);
  c.Put(28, e[7]);
  c.Put(2, e[8]);
  c.Put(18, e[9]);
  c.Put(10, e[10]);
  c.Put(26, e[11]);
  c.Put(6, e[12]);
  c.Put(22, e[13]);
  c.Put(14, e[14]);
  c.Put(30, e[15]);
  c.Put(1, e[16] + e[24]);
  c.Put(3, e[24] + e[20]);
  c.Put(5, e[20] + e[28]);
  c.Put(7, e[28] + e[18]);
  c.Put(9, e[18] + e[26]);
  c.Put(11, e[26] + e[22]);
  c.Put(13, e[22] + e[30]);
  c.Put(15, e[30] + e[17]);
  c.Put(17, e[17] + e[25]);
  c.Put(19, e[25] + e[21]);
  c.Put(21, e[21] + e[29]);
  c.Put(23, e[29] + e[19]);
  c.Put(25, e[19] + e[27]);
  c.Put(27, e[27] + e[23]);
  c.Put(29, e[23] + e[31]);
  c.Put(31, e[31]);
}

inline void Dct32(const float* in, const DctOutputs& c) {
  float e[32];
  DctStages(in, e);
  DctFinish(e, c);
}

#ifdef ZAV_HAVE_SSE2_PATH
ZAV_SSE2 inline __m128 Reversed(__m128 v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)); }

// The stages of DctStages on four values at a time, each value taking the same sum or product of the
// same two operands (negation is exact, so a negated factor stands for a negated product).
ZAV_SSE2 void DctStagesSse2(const float* in, float* e) {
  const SynthTables& t = gSynthTables;
  const __m128 sign = _mm_set1_ps(-0.0f);
  __m128 v[8];
  // Length 32: lane j of vector k pairs in[4k + j] with in[31 - 4k - j].
  for (int32_t k = 0; k < 4; ++k) {
    const __m128 a = _mm_loadu_ps(in + 4 * k);
    const __m128 b = Reversed(_mm_loadu_ps(in + 28 - 4 * k));
    v[k] = _mm_add_ps(a, b);
    v[7 - k] = Reversed(_mm_mul_ps(_mm_sub_ps(a, b), _mm_loadu_ps(t.dct1 + 4 * k)));
  }
  // Lengths 16 and 8: whole vectors pair with reversed ones; odd blocks negate their factors.
  for (int32_t block = 0; block < 2; ++block) {
    __m128* x = v + 4 * block;
    for (int32_t k = 0; k < 2; ++k) {
      __m128 f = _mm_loadu_ps(t.dct2 + 4 * k);
      if (block) f = _mm_xor_ps(f, sign);
      const __m128 a = x[k], b = Reversed(x[3 - k]);
      x[k] = _mm_add_ps(a, b);
      x[3 - k] = Reversed(_mm_mul_ps(_mm_sub_ps(a, b), f));
    }
  }
  const __m128 f8 = _mm_loadu_ps(t.dct3);
  for (int32_t block = 0; block < 4; ++block) {
    const __m128 f = (block & 1) ? _mm_xor_ps(f8, sign) : f8;
    const __m128 a = v[2 * block], b = Reversed(v[2 * block + 1]);
    v[2 * block] = _mm_add_ps(a, b);
    v[2 * block + 1] = Reversed(_mm_mul_ps(_mm_sub_ps(a, b), f));
  }
  // Length 4 inside each vector: lanes 0, 1 take v0 + v3, v1 + v2; lanes 2, 3 take (v1 - v2) and
  // (v0 - v3) times the factors.
  const __m128 f4 = _mm_setr_ps(0.0f, 0.0f, t.dct4[1], t.dct4[0]);
  // Length 2: lanes 0, 2 take v0 + v1, v2 + v3; lanes 1, 3 take (v0 - v1) and -(v2 - v3) times the factor.
  const __m128 f2 = _mm_setr_ps(0.0f, t.dct5[0], 0.0f, -t.dct5[0]);
  for (int32_t k = 0; k < 8; ++k) {
    const __m128 f = (k & 1) ? _mm_xor_ps(f4, sign) : f4;
    __m128 x = v[k];
    __m128 r = Reversed(x);
    x = _mm_shuffle_ps(_mm_add_ps(x, r), _mm_mul_ps(_mm_sub_ps(r, x), f), _MM_SHUFFLE(3, 2, 1, 0));
    r = _mm_shuffle_ps(x, x, _MM_SHUFFLE(2, 3, 0, 1));
    const __m128 mixed = _mm_shuffle_ps(_mm_add_ps(x, r), _mm_mul_ps(_mm_sub_ps(r, x), f2), _MM_SHUFFLE(3, 1, 2, 0));
    _mm_storeu_ps(e + 4 * k, _mm_shuffle_ps(mixed, mixed, _MM_SHUFFLE(3, 1, 2, 0)));
  }
}

ZAV_SSE2 void Dct32Sse2(const float* in, const DctOutputs& c) {
  float e[32];
  DctStagesSse2(in, e);
  DctFinish(e, c);
}
#endif


// A window sum: 16 products added in four running sums (products 0, 4, 8, 12 into the first, and so on),
// then the first and third and the second and fourth, then those two.
inline float Dot16(const float* c, const float* x) {
  float lane[4];
  for (int32_t k = 0; k < 4; ++k) lane[k] = c[k] * x[k];
  for (int32_t j = 4; j < 16; j += 4)
    for (int32_t k = 0; k < 4; ++k) lane[k] += c[j + k] * x[j + k];
  return (lane[0] + lane[2]) + (lane[1] + lane[3]);
}

// Where output m's 16 history values start: 16 * m for m <= 16, 16 * (32 - m) above.
constexpr std::array<int16_t, 32> MakeHistoryOffsets() {
  std::array<int16_t, 32> offsets{};
  for (int32_t m = 0; m < 32; ++m) offsets[m] = static_cast<int16_t>(16 * (m <= 16 ? m : 32 - m));
  return offsets;
}
constexpr std::array<int16_t, 32> kHistoryOffsets = MakeHistoryOffsets();

// The window sums of one call; lower qualities compute every second or fourth output.
template <int32_t kQuality>
int32_t WindowPortable(const float (*taps)[16], const float* x, int16_t* out) {
  int32_t clipped = 0;
  for (int32_t m = 0; m < 32; m += 1 << kQuality) {
    *out = StoreSample(Dot16(taps[m], x + kHistoryOffsets[m]), clipped);
    out += 2;
  }
  return clipped;
}

#ifdef ZAV_HAVE_SSE2_PATH
// The same sums four outputs at a time in SSE2 registers: the four running sums of each output are
// transposed so that the closing additions, the clipping and the conversion run on four outputs at once.
template <int32_t kQuality>
ZAV_SSE2 int32_t WindowSse2(const float (*taps)[16], const float* x, int16_t* out) {
  constexpr int32_t kStep = 1 << kQuality;
  const __m128 high = _mm_set1_ps(32767.0f);
  const __m128 low = _mm_set1_ps(-32768.0f);
  __m128i clipped = _mm_setzero_si128();  // per lane: minus the count of clipped sums
#pragma GCC unroll 8
  for (int32_t m0 = 0; m0 < 32; m0 += 4 * kStep) {
    __m128 acc[4];
    for (int32_t k = 0; k < 4; ++k) {
      const int32_t m = m0 + k * kStep;
      const float* c = taps[m];
      const float* xp = x + kHistoryOffsets[m];
      __m128 a = _mm_mul_ps(_mm_load_ps(c), _mm_load_ps(xp));
      a = _mm_add_ps(a, _mm_mul_ps(_mm_load_ps(c + 4), _mm_load_ps(xp + 4)));
      a = _mm_add_ps(a, _mm_mul_ps(_mm_load_ps(c + 8), _mm_load_ps(xp + 8)));
      acc[k] = _mm_add_ps(a, _mm_mul_ps(_mm_load_ps(c + 12), _mm_load_ps(xp + 12)));
    }
    _MM_TRANSPOSE4_PS(acc[0], acc[1], acc[2], acc[3]);
    const __m128 sums = _mm_add_ps(_mm_add_ps(acc[0], acc[2]), _mm_add_ps(acc[1], acc[3]));
    clipped = _mm_add_epi32(clipped, _mm_castps_si128(_mm_or_ps(_mm_cmpgt_ps(sums, high), _mm_cmplt_ps(sums, low))));
    // Clamped first, so the saturating pack changes nothing.
    const __m128i v = _mm_cvttps_epi32(_mm_min_ps(_mm_max_ps(sums, low), high));
    const __m128i packed = _mm_packs_epi32(v, v);
    out[0] = static_cast<int16_t>(_mm_extract_epi16(packed, 0));
    out[2] = static_cast<int16_t>(_mm_extract_epi16(packed, 1));
    out[4] = static_cast<int16_t>(_mm_extract_epi16(packed, 2));
    out[6] = static_cast<int16_t>(_mm_extract_epi16(packed, 3));
    out += 8;
  }
  alignas(16) int32_t counts[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(counts), clipped);
  return -(counts[0] + counts[1] + counts[2] + counts[3]);
}
#endif

// The equalizer's gains and switch: the neutral ones until SetEqualizerGains points elsewhere.
const int32_t kNeutralGains[32] = {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10,
                                   10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10};
const int32_t kEqualizerOff = 0;
const int32_t* gEqGains = kNeutralGains;
const int32_t* gEqEnabled = &kEqualizerOff;
// The track's gain, and whether it differs from 1.0 (then the equalizer's step or its own multiply
// applies it).
float gTrackGain = 1.0f;
bool gTrackGainOn = false;

void ApplyTrackGain(float* samples) {
  const float gain = gTrackGain;
  for (int32_t n = 0; n < 32; ++n) samples[n] *= gain;
}

template <int32_t kQuality>
int32_t SynthTwoChannel(SynthState& st, float* samples, int32_t channel, int16_t* out) {
  if (kQuality > 0 || *gEqEnabled) {
    ApplyEqualizer(samples);
  } else if (gTrackGainOn) {
    ApplyTrackGain(samples);
  }
  if (channel == 0) st.ringPos = (st.ringPos + 15) & 15;
  const int32_t ch = channel & 1;
  const int32_t p = st.ringPos;

  // The new values go to ring position p of one array (outputs 16 down to 0) and p + 1 of the other
  // (outputs 16 up to 31); the window sums read the array with the odd position.
  float* h0 = st.history[ch][0];
  float* h1 = st.history[ch][1];
  const float* x;
  int32_t q;
  DctOutputs c;
  if (p & 1) {
    c = {h1 + ((p + 1) & 15), h0 + p};
    q = p;
    x = h0;
  } else {
    c = {h0 + p, h1 + p + 1};
    q = p + 1;
    x = h1;
  }
#ifdef ZAV_HAVE_SSE2_PATH
  if (gSynthUsesSse2) {
    Dct32Sse2(samples, c);
  } else {
    Dct32(samples, c);
  }
#else
  Dct32(samples, c);
#endif

  const float(*taps)[16] = gSynthTables.taps[q >> 1];
  out += ch;
#ifdef ZAV_HAVE_SSE2_PATH
  const int32_t clipped = gSynthUsesSse2 ? WindowSse2<kQuality>(taps, x, out) : WindowPortable<kQuality>(taps, x, out);
#else
  const int32_t clipped = WindowPortable<kQuality>(taps, x, out);
#endif
  return clipped;
}

template <int32_t kQuality>
int32_t SynthOneChannel(float* samples, int16_t* out) {
  int16_t scratch[64];
  const int32_t clipped = SynthTwoChannel<kQuality>(gSynthStates[1][kQuality], samples, 0, scratch);
  for (int32_t i = 0; i < (32 >> kQuality); ++i) out[i] = scratch[2 * i];
  return clipped;
}

template <int32_t kQuality>
int32_t SynthDuplicate(float* samples, int16_t* out) {
  const int32_t clipped = SynthTwoChannel<kQuality>(gSynthStates[1][kQuality], samples, 0, out);
  for (int32_t i = 0; i < (32 >> kQuality); ++i) out[2 * i + 1] = out[2 * i];
  return clipped;
}

}  // namespace

const int32_t kWindowBase[257] = {
#define W8(i) kWindowBaseArray[i], kWindowBaseArray[i + 1], kWindowBaseArray[i + 2], kWindowBaseArray[i + 3], \
              kWindowBaseArray[i + 4], kWindowBaseArray[i + 5], kWindowBaseArray[i + 6], kWindowBaseArray[i + 7]
#define W64(i) W8(i), W8(i + 8), W8(i + 16), W8(i + 24), W8(i + 32), W8(i + 40), W8(i + 48), W8(i + 56)
    W64(0), W64(64), W64(128), W64(192), kWindowBaseArray[256],
#undef W64
#undef W8
};

SynthTables gSynthTables;
SynthState gSynthStates[2][3];
bool gSynthUsesSse2 = false;

namespace {
struct InitialStates {
  InitialStates() { ResetSynthStates(); }
} gInitialStates;
}  // namespace

void ResetSynthStates() {
  std::memset(gSynthStates, 0, sizeof gSynthStates);
  for (auto& build : gSynthStates)
    for (SynthState& st : build) st.ringPos = 1;
}

void MakeSynthTables(double scale) {
  const double pi = 3.14159265358979323846;
  float* const tables[5] = {gSynthTables.dct1, gSynthTables.dct2, gSynthTables.dct3, gSynthTables.dct4,
                            gSynthTables.dct5};
  for (int32_t s = 0; s < 5; ++s) {
    const int32_t n = 64 >> s;
    for (int32_t k = 0; k < n / 4; ++k) tables[s][k] = static_cast<float>(1.0 / (2.0 * std::cos(pi * (2 * k + 1) / n)));
  }
  int32_t t = 0;
  double f = -scale;
  for (int32_t i = 0; i < 512; ++i) {
    const int32_t j = i <= 256 ? i : 512 - i;
    if (t < 528) {
      const float v = static_cast<float>(kWindowBase[j] * f / 65536.0);
      gSynthTables.window[t] = v;
      gSynthTables.window[t + 16] = v;
    }
    if (i % 32 == 31) t -= 1023;
    if (i % 64 == 63) f = -f;
    t += 32;
  }
  // Unfold the window sums of every phase q (odd, 1..15) and output m into plain dot products over
  // x[b .. b + 15]: the first 16 outputs alternate the signs of W[w .. w + 15], the middle one takes
  // the even terms, the last 15 run down the window from w - 1 and end with W[w], all negated.
  const float* W = gSynthTables.window;
  for (int32_t q = 1; q < 16; q += 2) {
    float(*taps)[16] = gSynthTables.taps[q >> 1];
    for (int32_t m = 0; m < 16; ++m)
      for (int32_t j = 0; j < 16; ++j) taps[m][j] = (j & 1) ? -W[16 - q + 32 * m + j] : W[16 - q + 32 * m + j];
    for (int32_t j = 0; j < 16; ++j) taps[16][j] = (j & 1) ? 0.0f : W[528 - q + j];
    for (int32_t m = 17; m < 32; ++m) {
      const int32_t w = 496 + q - 32 * (m - 17);
      for (int32_t j = 0; j < 15; ++j) taps[m][j] = -W[w - 1 - j];
      taps[m][15] = -W[w];
    }
  }
#if defined(__x86_64__)
  gSynthUsesSse2 = true;
#elif defined(__i386__)
  __builtin_cpu_init();
  gSynthUsesSse2 = __builtin_cpu_supports("sse2");
#endif
}

void SetEqualizerGains(const int32_t* gains, const int32_t* enabled) {
  const bool given = gains != nullptr && enabled != nullptr;
  gEqGains = given ? gains : kNeutralGains;
  gEqEnabled = given ? enabled : &kEqualizerOff;
}

void SetTrackGain(float gain) {
  gTrackGain = gain;
  gTrackGainOn = gain != 1.0f;
}

// At a track gain of 1.0 the factor is the subband gain's own, bit for bit.
void ApplyEqualizer(float* samples) {
  const int32_t* gains = gEqGains;
  const float track = gTrackGain;
  for (int32_t n = 0; n < 32; ++n) samples[n] = static_cast<float>(gains[n]) * 0.1f * track * samples[n];
}

namespace build486 {
int32_t SynthFull(float* s, int32_t ch, int16_t* out) { return SynthTwoChannel<0>(gSynthStates[0][0], s, ch, out); }
int32_t SynthHalf(float* s, int32_t ch, int16_t* out) { return SynthTwoChannel<1>(gSynthStates[0][1], s, ch, out); }
int32_t SynthQuarter(float* s, int32_t ch, int16_t* out) { return SynthTwoChannel<2>(gSynthStates[0][2], s, ch, out); }
}  // namespace build486
namespace buildPentium {
int32_t SynthFull(float* s, int32_t ch, int16_t* out) { return SynthTwoChannel<0>(gSynthStates[1][0], s, ch, out); }
int32_t SynthHalf(float* s, int32_t ch, int16_t* out) { return SynthTwoChannel<1>(gSynthStates[1][1], s, ch, out); }
int32_t SynthQuarter(float* s, int32_t ch, int16_t* out) { return SynthTwoChannel<2>(gSynthStates[1][2], s, ch, out); }
}  // namespace buildPentium

int32_t SynthFullMono(float* s, int32_t, int16_t* out) { return SynthOneChannel<0>(s, out); }
int32_t SynthHalfMono(float* s, int32_t, int16_t* out) { return SynthOneChannel<1>(s, out); }
int32_t SynthQuarterMono(float* s, int32_t, int16_t* out) { return SynthOneChannel<2>(s, out); }
int32_t SynthFullDup(float* s, int32_t, int16_t* out) { return SynthDuplicate<0>(s, out); }
int32_t SynthHalfDup(float* s, int32_t, int16_t* out) { return SynthDuplicate<1>(s, out); }
int32_t SynthQuarterDup(float* s, int32_t, int16_t* out) { return SynthDuplicate<2>(s, out); }
