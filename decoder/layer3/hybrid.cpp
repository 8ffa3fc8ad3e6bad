// Layer III hybrid filterbank: per subband an IMDCT (one 36-point or three 12-point transforms), windowed
// by block type and overlapped with the previous granule. Odd subbands use windows with every odd tap
// negated, which is the frequency inversion of the subband samples at no run-time cost.
#include <cstring>

#include "decoder/layer3/layer3_build.h"
#include "decoder/synthesis.h"

#if defined(__x86_64__) || defined(__i386__)
#define ZAV_HAVE_SSE2_PATH 1
#include <emmintrin.h>
#define ZAV_SSE2 __attribute__((target("sse2")))
#endif

namespace {

// The transform stages are written once for a value type T: float for one subband, or an SSE2 vector
// holding four subbands side by side, each lane taking exactly the operations of the scalar code. Both
// paths therefore give identical samples.

// E[v] = sum over m = 0..8 of a[m] cos(m (2v + 1) pi / 18), v = 0..8, with a[m] = x[2m].
// Pairs v and 8 - v differ only in the sign of the odd-m terms, and the m = 3, 6 and v = 4 terms have
// simple factors, so the nine outputs take 22 multiplications.
template <class T>
__attribute__((always_inline)) inline void Dct9(const T* x, const float* c, T* out) {
  const T a0 = x[0], a1 = x[2], a2 = x[4], a3 = x[6], a4 = x[8];
  const T a5 = x[10], a6 = x[12], a7 = x[14], a8 = x[16];
  const float c1 = c[1], c2 = c[2], c3 = c[3], c4 = c[4], c5 = c[5], c7 = c[7], c8 = c[8];

  const T t0 = a0 + 0.5f * a6;
  const T even0 = t0 + a2 * c2 + a4 * c4 + a8 * c8;
  const T even1 = a0 - a6 + 0.5f * (a2 - a4 - a8);
  const T even2 = t0 - a2 * c8 - a4 * c2 + a8 * c4;
  const T even3 = t0 - a2 * c4 + a4 * c8 - a8 * c2;

  const T m3 = a3 * c3;
  const T odd0 = a1 * c1 + m3 + a5 * c5 + a7 * c7;
  const T odd1 = c3 * (a1 - a5 - a7);
  const T odd2 = a1 * c5 - m3 - a5 * c7 + a7 * c1;
  const T odd3 = a1 * c7 - m3 + a5 * c1 - a7 * c5;

  out[0] = even0 + odd0;
  out[8] = even0 - odd0;
  out[1] = even1 + odd1;
  out[7] = even1 - odd1;
  out[2] = even2 + odd2;
  out[6] = even2 - odd2;
  out[3] = even3 + odd3;
  out[5] = even3 - odd3;
  out[4] = a0 - a2 + a4 - a6 + a8;
}

// The 36-point IMDCT of the 18 lines in a (overwritten) up to the windowing: output pairs 8 - v, 9 + v of
// the first half take diff[v], those of the second half sum[v]. First a[i] += a[i - 1], then
// a[i] += a[i - 2] for odd i, each from the top down, so every sum takes the lower value before it changes.
template <class T>
__attribute__((always_inline)) inline void Imdct36Halves(const Layer3Build& b, T* a, T* sum, T* diff) {
  for (int32_t i = 17; i > 0; --i) a[i] += a[i - 1];
  for (int32_t i = 17; i > 2; i -= 2) a[i] += a[i - 2];
  T even[9], odd[9];
  Dct9(a, b.cos18, even);
  Dct9(a + 1, b.cos18, odd);
  for (int32_t v = 0; v < 9; ++v) {
    const T o = odd[v] * b.oddScale36[v];
    sum[v] = even[v] + o;
    diff[v] = even[v] - o;
  }
}

#ifdef ZAV_HAVE_SSE2_PATH
// Four neighbouring subbands s .. s + 3 (s even) of a long, start or stop block at once: their lines are
// transposed into lanes, the windowed halves go to the subband samples and the overlap store, whose
// slot-major layout holds the four subbands of a slot side by side.
ZAV_SSE2 void Imdct36Four(const Layer3Build& b, const float* x, const float* prev, float* next,
                          const float (*w)[4], float* out) {
  __m128 a[18];
  for (int32_t i = 0; i < 16; i += 4) {
    a[i] = _mm_loadu_ps(x + i);
    a[i + 1] = _mm_loadu_ps(x + 18 + i);
    a[i + 2] = _mm_loadu_ps(x + 36 + i);
    a[i + 3] = _mm_loadu_ps(x + 54 + i);
    _MM_TRANSPOSE4_PS(a[i], a[i + 1], a[i + 2], a[i + 3]);
  }
  a[16] = _mm_setr_ps(x[16], x[34], x[52], x[70]);
  a[17] = _mm_setr_ps(x[17], x[35], x[53], x[71]);
  __m128 sum[9], diff[9];
  Imdct36Halves(b, a, sum, diff);
  for (int32_t v = 0; v < 9; ++v) {
    const int32_t lo = 8 - v, hi = 9 + v;
    _mm_storeu_ps(next + hi * kSubbands, sum[v] * _mm_load_ps(w[27 + v]));
    _mm_storeu_ps(next + lo * kSubbands, sum[v] * _mm_load_ps(w[26 - v]));
    _mm_storeu_ps(out + lo * kSubbands, _mm_loadu_ps(prev + lo * kSubbands) + diff[v] * _mm_load_ps(w[lo]));
    _mm_storeu_ps(out + hi * kSubbands, _mm_loadu_ps(prev + hi * kSubbands) + diff[v] * _mm_load_ps(w[hi]));
  }
}
#endif

// Six lines of one short window (x[0], x[3], ..., x[15]) to the 12 windowed IMDCT outputs y.
inline void ShortWindowImdct(const Layer3Build& b, const float* x, const float* window, float* y) {
  float a[6] = {x[0], x[3], x[6], x[9], x[12], x[15]};
  for (int32_t i = 5; i > 0; --i) a[i] += a[i - 1];
  a[5] += a[3];
  a[3] += a[1];
  const float c = b.cos6;
  const float e0 = a[0] + a[2] * c + 0.5f * a[4];
  const float e1 = a[0] - a[4];
  const float e2 = a[0] - a[2] * c + 0.5f * a[4];
  const float o0 = (a[1] + a[3] * c + 0.5f * a[5]) * b.oddScale12[0];
  const float o1 = (a[1] - a[5]) * b.oddScale12[1];
  const float o2 = (a[1] - a[3] * c + 0.5f * a[5]) * b.oddScale12[2];
  const float e[3] = {e0, e1, e2}, o[3] = {o0, o1, o2};
  for (int32_t v = 0; v < 3; ++v) {
    const float sum = e[v] + o[v], diff = e[v] - o[v];
    y[9 + v] = sum * window[9 + v];
    y[8 - v] = sum * window[8 - v];
    y[2 - v] = diff * window[2 - v];
    y[3 + v] = diff * window[3 + v];
  }
}

}  // namespace

void Imdct36(const Layer3Build& b, float* x, const float* prev, float* next, const float* w, float* out) {
  float sum[9], diff[9];
  Imdct36Halves(b, x, sum, diff);
  for (int32_t v = 0; v < 9; ++v) {
    const int32_t lo = 8 - v, hi = 9 + v;
    next[hi * kSubbands] = sum[v] * w[27 + v];
    next[lo * kSubbands] = sum[v] * w[26 - v];
    out[lo * kSubbands] = prev[lo * kSubbands] + diff[v] * w[lo];
    out[hi * kSubbands] = prev[hi * kSubbands] + diff[v] * w[hi];
  }
}

void Imdct12(const Layer3Build& b, float* x, const float* prev, float* next, const float* w, float* out) {
  // The three windows sit at offsets 6, 12 and 18 of the 36-sample span.
  float y0[12], y1[12], y2[12];
  ShortWindowImdct(b, x, w, y0);
  ShortWindowImdct(b, x + 1, w, y1);
  ShortWindowImdct(b, x + 2, w, y2);
  for (int32_t t = 0; t < 6; ++t) {
    out[t * kSubbands] = prev[t * kSubbands];
    out[(6 + t) * kSubbands] = prev[(6 + t) * kSubbands] + y0[t];
    out[(12 + t) * kSubbands] = prev[(12 + t) * kSubbands] + y0[6 + t] + y1[t];
    next[t * kSubbands] = y1[6 + t] + y2[t];
    next[(6 + t) * kSubbands] = y2[6 + t];
    next[(12 + t) * kSubbands] = 0.0f;
  }
}

void Hybrid(Layer3Build& b, float* spectrum, float* samples, int32_t c, const GranuleInfo& gi) {
  c &= 1;
  const int32_t set = b.overlapSet[c] & 1;
  const float* prev = b.overlap[set][c];
  float* next = b.overlap[1 - set][c];
  b.overlapSet[c] = 1 - set;

  int32_t active = gi.activeSubbands;
  if (active < 0) active = 0;
  if (active > kSubbands) active = kSubbands;
  const int32_t type = gi.block_type & 3;

  int32_t s = 0;
  if (gi.mixed_block_flag) {
    // The two lowest subbands of a mixed block use the normal long window.
    Imdct36(b, spectrum, prev, next, b.windows[0][0], samples);
    Imdct36(b, spectrum + 18, prev + 1, next + 1, b.windows[1][0], samples + 1);
    s = 2;
  }
  // Subbands go in pairs (even, odd), so an odd count also transforms the subband above it.
  if (type == 2) {
    for (; s < active; s += 2) {
      Imdct12(b, spectrum + 18 * s, prev + s, next + s, b.windows[0][2], samples + s);
      Imdct12(b, spectrum + 18 * s + 18, prev + s + 1, next + s + 1, b.windows[1][2], samples + s + 1);
    }
  } else {
#ifdef ZAV_HAVE_SSE2_PATH
    if (gSynthUsesSse2)
      for (; s + 4 <= active + (active & 1); s += 4)
        Imdct36Four(b, spectrum + 18 * s, prev + s, next + s, b.laneWindows[type], samples + s);
#endif
    for (; s < active; s += 2) {
      Imdct36(b, spectrum + 18 * s, prev + s, next + s, b.windows[0][type], samples + s);
      Imdct36(b, spectrum + 18 * s + 18, prev + s + 1, next + s + 1, b.windows[1][type], samples + s + 1);
    }
  }
  // Above the coded subbands only the tail of the last transformed granule sounds out.
  if (s < kSubbands) {
    const size_t bytes = sizeof(float) * static_cast<size_t>(kSubbands - s);
    for (int32_t t = 0; t < kSlots; ++t) {
      std::memcpy(samples + t * kSubbands + s, prev + t * kSubbands + s, bytes);
      std::memset(next + t * kSubbands + s, 0, bytes);
    }
  }
}
