#include "eq/eq_gains.h"

#include <cstdio>

void InterpolateEqGains(const int32_t levels[kEqSliders], int32_t gains[kEqSubbands]) {
  for (int32_t i = 0; i + 1 < kEqSliders; ++i) {
    const int32_t from = kEqAnchors[i];
    const int32_t width = kEqAnchors[i + 1] - from;
    const int32_t rise = levels[i + 1] - levels[i];
    for (int32_t j = from + 1; j < kEqAnchors[i + 1]; ++j)
      gains[j] = static_cast<int32_t>(levels[i] + static_cast<double>(rise * (j - from)) / width);
  }
  for (int32_t i = 0; i < kEqSliders; ++i) gains[kEqAnchors[i]] = levels[i];
}

bool FormatEqSliderCaption(int32_t slider, char* text, size_t size) {
  if (slider < 0 || slider >= kEqSliders || !text || size == 0) return false;
  const double hertz = (kEqAnchors[slider] + 0.5) * 44100.0 / 64.0;
  int written;
  if (hertz < 1000.0) {
    written = std::snprintf(text, size, "%d", static_cast<int>(hertz + 0.5));
  } else if (hertz < 9950.0) {
    written = std::snprintf(text, size, "%.1fk", hertz / 1000.0);
  } else {
    written = std::snprintf(text, size, "%dk", static_cast<int>(hertz / 1000.0 + 0.5));
  }
  return written > 0 && static_cast<size_t>(written) < size;
}
