// The standard's synthesis subband filter written plainly in double precision, as a yardstick for tests:
// matrixing into a 1024-value FIFO, the 512-tap window D, 32 sums per call.
#pragma once
#include <cmath>
#include <vector>

#include "decoder/synthesis.h"

inline double SynthesisWindowD(int i) {
  return (((i / 64) & 1) ? -1.0 : 1.0) * kWindowBase[i <= 256 ? i : 512 - i] / 65536.0;
}

struct ReferenceSynth {
  std::vector<double> v = std::vector<double>(1024, 0.0);
  template <typename T>
  void Run(const T* s, double* out) {
    const double pi = 3.14159265358979323846;
    for (int i = 1023; i >= 64; --i) v[i] = v[i - 64];
    for (int i = 0; i < 64; ++i) {
      double sum = 0;
      for (int k = 0; k < 32; ++k) sum += std::cos((16 + i) * (2 * k + 1) * pi / 64) * double(s[k]);
      v[i] = sum;
    }
    double u[512];
    for (int i = 0; i < 8; ++i)
      for (int j = 0; j < 32; ++j) {
        u[64 * i + j] = v[128 * i + j];
        u[64 * i + 32 + j] = v[128 * i + 96 + j];
      }
    for (int j = 0; j < 32; ++j) {
      double sum = 0;
      for (int i = 0; i < 16; ++i) sum += u[j + 32 * i] * SynthesisWindowD(j + 32 * i);
      out[j] = sum;
    }
  }
};

// True when a stored 16-bit sample is what clipping and truncating the reference value (times 32767)
// gives, allowing for float rounding near an integer.
inline bool MatchesReference(int got, double reference) {
  const double scaled = reference * 32767.0;
  const double band = 0.01 + 8e-6 * std::fabs(scaled);
  const double lo = std::fmax(-32768, std::fmin(32767, std::trunc(scaled - band)));
  const double hi = std::fmax(-32768, std::fmin(32767, std::trunc(scaled + band)));
  return got >= lo && got <= hi;
}
