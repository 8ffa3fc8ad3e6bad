#include "shell/analyser.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint32_t kBackgroundPixel = PixelFromColour(0x212021);  // RGB(33, 32, 33)
constexpr int32_t kBarRows = 21;
constexpr int32_t kSpreadLimit = 50;

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

// g = trunc(12.19 j); red = g mod 256, green = trunc(256 - g / 1.4) mod 256.
constexpr std::array<uint32_t, kBarRows> BuildBarColours() {
  std::array<uint32_t, kBarRows> colours = {};
  for (int32_t j = 0; j < kBarRows; ++j) {
    const int32_t g = int32_t(12.19 * j);
    const int32_t green = int32_t(256 - 0.7142857142857143 * g);
    colours[size_t(j)] = Rgb(uint32_t(g) % 256, uint32_t(green) % 256, 0);
  }
  return colours;
}
constexpr std::array<uint32_t, kBarRows> kBarColours = BuildBarColours();

void SetPixel(VisPixels& pixels, int32_t x, int32_t y, uint32_t pixel) {
  if (x >= 0 && x < kVisWidth && y >= 0 && y < kVisHeight) pixels[size_t(y * kVisWidth + x)] = pixel;
}

// Sum of a column's three spectrum values, each divided by 3 first.
int32_t ColumnValue(const uint8_t* half, int32_t x) {
  return half[3 * x] / 3 + half[3 * x + 1] / 3 + half[3 * x + 2] / 3;
}

// Decay, a new peak and its spread into the neighbours, for one column of one side.
void StepColumn(std::array<int32_t, kVisWidth>& levels, int32_t x, int32_t value, int32_t decay) {
  if (levels[size_t(x)] > 0) levels[size_t(x)] = std::max(levels[size_t(x)] - decay, 0);
  if (value <= levels[size_t(x)]) return;
  if (x >= 2 && x <= kVisWidth - 2) {
    for (int32_t n : {x - 1, x + 1}) levels[size_t(n)] = std::min(levels[size_t(n)] + value / 3, kSpreadLimit);
  }
  levels[size_t(x)] = value;
}

// The colour cloud: six bands of subbands per channel (the spectrum record holds 18 values per
// subband, from subband 1), each with its own colour, from red for the bass to violet at the top.
constexpr int32_t kCloudBands = 6;
constexpr std::array<int32_t, kCloudBands + 1> kBandSubbands = {1, 2, 3, 5, 9, 17, 32};
constexpr std::array<float, kCloudBands> kBandGain = {1 / 16.f, 1 / 12.f, 1 / 10.f, 1 / 8.f, 1 / 5.f, 1 / 3.f};
constexpr std::array<std::array<float, 3>, kCloudBands> kBandColour = {{
    {255, 60, 40}, {255, 150, 30}, {240, 230, 50}, {60, 230, 90}, {50, 150, 255}, {190, 80, 255}}};

// How loud each band of one channel is, 0..1. Streams that carry no spectrum (all zero) glow with the
// loudness of their waveform instead, the low bands most.
std::array<float, kCloudBands> BandIntensities(const uint8_t* spectrum, const uint8_t* wave) {
  std::array<float, kCloudBands> intensity = {};
  bool anySpectrum = false;
  for (int32_t b = 0; b < kCloudBands; ++b) {
    const int32_t first = (kBandSubbands[size_t(b)] - 1) * 18, end = (kBandSubbands[size_t(b) + 1] - 1) * 18;
    int32_t sum = 0;
    for (int32_t i = first; i < end; ++i) sum += spectrum[i];
    anySpectrum |= sum != 0;
    // The square root lets quiet passages glow too.
    intensity[size_t(b)] = std::min(1.f, std::sqrt(float(sum) / float(end - first) * kBandGain[size_t(b)]));
  }
  if (anySpectrum) return intensity;
  int32_t loudness = 0;
  for (int32_t i = 0; i < kVisSnapshotValues; ++i) loudness += std::abs(int32_t(int8_t(wave[i])));
  const float level = std::min(1.f, 3.f * float(loudness) / float(kVisSnapshotValues * 127));
  for (int32_t b = 0; b < kCloudBands; ++b) intensity[size_t(b)] = level * (1.f - 0.12f * float(b));
  return intensity;
}

// Adds a soft round blob of `colour` scaled by `strength`, centred on (cx, cy), to the pixels.
void AddBlob(VisPixels& pixels, float cx, float cy, float radius, const std::array<float, 3>& colour,
             float strength) {
  const int32_t left = std::max(0, int32_t(cx - radius)), right = std::min(kVisWidth - 1, int32_t(cx + radius) + 1);
  const int32_t top = std::max(0, int32_t(cy - radius)), bottom = std::min(kVisHeight - 1, int32_t(cy + radius) + 1);
  const float r2 = radius * radius;
  for (int32_t y = top; y <= bottom; ++y) {
    for (int32_t x = left; x <= right; ++x) {
      const float dx = float(x) - cx, dy = float(y) - cy, d2 = dx * dx + dy * dy;
      if (d2 >= r2) continue;
      const float fall = 1.f - d2 / r2, weight = fall * fall * strength;
      uint32_t& pixel = pixels[size_t(y * kVisWidth + x)];
      uint32_t out = 0;
      for (int32_t c = 0; c < 3; ++c) {  // channels red, green, blue at bits 16, 8, 0
        const int32_t shift = 16 - 8 * c;
        const int32_t value = int32_t((pixel >> shift) & 0xFF) + int32_t(colour[size_t(c)] * weight);
        out |= uint32_t(std::min(value, 255)) << shift;
      }
      pixel = out;
    }
  }
}

}  // namespace

uint32_t AnalyserColour(int32_t j) { return kBarColours[size_t(std::clamp(j, 0, kBarRows - 1))]; }

void ClearVisFrame(VisPixels& pixels) { pixels.fill(kBackgroundPixel); }

void DrawOscilloscope(const VisSnapshots& snapshots, uint32_t colour, VisPixels& pixels) {
  const uint32_t pixel = PixelFromColour(colour);
  for (int32_t x = 0; x < kVisWidth; ++x) {
    const int32_t v = std::clamp(int32_t(int8_t(snapshots.wave[size_t(3 * x)])) / 6, -kBarRows, kBarRows);
    SetPixel(pixels, x, kVisCentre + v, pixel);  // v = 21 falls just below the canvas
  }
}

void DrawAnalyser(const VisSnapshots& snapshots, int32_t decay, AnalyserLevels& levels, VisPixels& pixels) {
  const int32_t fall = std::clamp(decay, 1, 5);
  const uint8_t* left = snapshots.spectrum.data();
  const uint8_t* right = left + kVisSnapshotValues;
  // Column by column: a peak spreads into the right neighbour before it is drawn and into the left one
  // after it was, so the left one shows it in the next frame.
  for (int32_t x = 0; x < kVisWidth; ++x) {
    StepColumn(levels.upper, x, ColumnValue(left, x), fall);
    StepColumn(levels.lower, x, ColumnValue(right, x), fall);
    const int32_t up = std::min(levels.upper[size_t(x)], kBarRows);
    const int32_t down = std::min(levels.lower[size_t(x)], kBarRows);
    for (int32_t j = 0; j < up; ++j) SetPixel(pixels, x, kVisCentre - j, PixelFromColour(kBarColours[size_t(j)]));
    for (int32_t j = 0; j < down; ++j) SetPixel(pixels, x, kVisCentre + j, PixelFromColour(kBarColours[size_t(j)]));
  }
}

void DrawColourCloud(const VisSnapshots& snapshots, ColourCloud& cloud, VisPixels& pixels) {
  // Fade: every colour channel keeps 7/8 of its distance from the background.
  for (uint32_t& pixel : pixels) {
    uint32_t out = 0;
    for (int32_t shift : {16, 8, 0}) {
      const int32_t ground = int32_t((kBackgroundPixel >> shift) & 0xFF);
      const int32_t value = int32_t((pixel >> shift) & 0xFF);
      out |= uint32_t(ground + (value - ground) * 7 / 8) << shift;
    }
    pixel = out;
  }
  const float t = float(cloud.frame++ % 100000u);
  for (int32_t channel = 0; channel < 2; ++channel) {
    const size_t half = size_t(channel * kVisSnapshotValues);
    const std::array<float, kCloudBands> intensity =
        BandIntensities(snapshots.spectrum.data() + half, snapshots.wave.data() + half);
    const float side = channel == 0 ? -1.f : 1.f;
    for (int32_t b = 0; b < kCloudBands; ++b) {
      if (intensity[size_t(b)] <= 0.02f) continue;
      const float phase = 1.9f * float(b) + 0.7f * float(channel);
      const float reach = 0.5f + 0.5f * std::sin(t * (0.011f + 0.003f * float(b)) + phase);
      const float cx = 73.f + side * (10.f + 52.f * reach);
      const float cy = float(kVisCentre) + 17.f * std::sin(t * (0.017f + 0.002f * float(b)) + 2.f * phase);
      AddBlob(pixels, cx, cy, 3.f + 9.f * intensity[size_t(b)], kBandColour[size_t(b)], 0.4f * intensity[size_t(b)]);
    }
  }
}

void DrawVisFrame(int32_t mode, const VisSnapshots& snapshots, int32_t decay, uint32_t scopeColour,
                  AnalyserLevels& levels, ColourCloud& cloud, VisPixels& pixels) {
  if (mode == kColourCloud) {
    DrawColourCloud(snapshots, cloud, pixels);
    return;
  }
  ClearVisFrame(pixels);
  if (mode == kOscilloscope) DrawOscilloscope(snapshots, scopeColour, pixels);
  if (mode == kSpectrumAnalyser) DrawAnalyser(snapshots, decay, levels, pixels);
}
