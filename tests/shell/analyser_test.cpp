// The visualisation's frames: bar colours against exact integer arithmetic, the analyser's columns,
// spreading peaks and decay frame by frame, the oscilloscope's points, and the colour cloud's bounds.
#include "shell/analyser.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kBackground = PixelFromColour(0x212021);

uint32_t At(const VisPixels& pixels, int32_t x, int32_t y) { return pixels[size_t(y * kVisWidth + x)]; }

// Pixels differing from the background in columns first .. last - 1.
int32_t Lit(const VisPixels& pixels, int32_t first, int32_t last) {
  int32_t lit = 0;
  for (int32_t y = 0; y < kVisHeight; ++y)
    for (int32_t x = first; x < last; ++x) lit += At(pixels, x, y) != kBackground;
  return lit;
}

TEST(Analyser, BarColoursRunFromBlackAtTheCentreToOrangeAtTheTips) {
  // g = trunc(12.19 j) = 1219 j div 100; green = trunc(256 - 5g/7) = (1792 - 5g) div 7, both mod 256.
  for (uint32_t j = 0; j <= 20; ++j) {
    const uint32_t g = 1219 * j / 100;
    EXPECT_EQ(AnalyserColour(int32_t(j)), (g % 256) | ((1792 - 5 * g) / 7 % 256) << 8) << j;
  }
  EXPECT_EQ(AnalyserColour(0), 0u);
  EXPECT_EQ(PixelFromColour(0x00332211), 0x00112233u);
}

TEST(Analyser, ColumnsRiseSpreadTheirPeaksAndFallByTheDecayRate) {
  VisSnapshots snap = {};
  uint8_t* left = snap.spectrum.data();
  for (int32_t i = 0; i < 3; ++i) {
    left[30 + i] = uint8_t(30 + i);  // column 10: 10 + 10 + 10
    left[3 + i] = left[438 + i] = 60;  // columns 1 and 146 spread nowhere
    left[60 + i] = 255;              // column 20 spreads 85, held to 50
    left[kVisSnapshotValues + i] = 9;  // right channel, column 0: 9 below the centre
  }
  AnalyserLevels levels = {};
  VisPixels pixels;
  ClearVisFrame(pixels);
  DrawAnalyser(snap, 3, levels, pixels);
  // The left neighbour takes a third after it was drawn, the right one before, then falls by the decay.
  EXPECT_EQ(levels.upper[9], 10);
  EXPECT_EQ(levels.upper[10], 30);
  EXPECT_EQ(levels.upper[11], 7);
  EXPECT_EQ(levels.upper[0] + levels.upper[2] + levels.upper[145], 0);
  EXPECT_EQ(levels.upper[19], 50);
  EXPECT_EQ(levels.upper[21], 47);
  EXPECT_EQ(levels.lower[0], 9);
  EXPECT_EQ(Lit(pixels, 9, 10), 0);
  EXPECT_EQ(Lit(pixels, 11, 12), 7);
  for (int32_t j = 0; j < 21; ++j) EXPECT_EQ(At(pixels, 10, 21 - j), PixelFromColour(AnalyserColour(j))) << j;
  for (int32_t j = 0; j < 9; ++j) EXPECT_EQ(At(pixels, 0, 21 + j), PixelFromColour(AnalyserColour(j))) << j;
  EXPECT_EQ(At(pixels, 10, 0), kBackground);

  // Silence: the levels fall by the decay rate (held to 1..5) each frame, down to nothing.
  const VisSnapshots silence = {};
  DrawAnalyser(silence, 3, levels, pixels);
  EXPECT_EQ(levels.upper[9], 7);
  DrawAnalyser(silence, 1, levels, pixels);
  DrawAnalyser(silence, 9, levels, pixels);
  EXPECT_EQ(levels.upper[10], 30 - 3 - 1 - 5);
  for (int32_t frame = 0; frame < 50; ++frame) DrawAnalyser(silence, 5, levels, pixels);
  for (int32_t x = 0; x < kVisWidth; ++x) ASSERT_EQ(levels.upper[size_t(x)] + levels.lower[size_t(x)], 0) << x;
}

TEST(Analyser, OscilloscopeAndColourCloud) {
  VisSnapshots snap = {};
  snap.wave[3] = 127;            // column 1: 21 rows down, just below the canvas
  snap.wave[6] = uint8_t(-127);  // column 2: row 0
  snap.wave[9] = uint8_t(-11);   // column 3: -1 (toward zero), row 20
  snap.wave[13] = snap.wave[576] = 100;  // neither every third value nor the left channel
  VisPixels pixels;
  AnalyserLevels levels = {};
  ColourCloud cloud = {};
  DrawVisFrame(kOscilloscope, snap, 3, 0x00AA00, levels, cloud, pixels);
  const uint32_t dot = PixelFromColour(0x00AA00);
  EXPECT_EQ(At(pixels, 0, 21), dot);
  EXPECT_EQ(At(pixels, 2, 0), dot);
  EXPECT_EQ(At(pixels, 3, 20), dot);
  EXPECT_EQ(Lit(pixels, 0, kVisWidth), kVisWidth - 1);
  DrawVisFrame(7, snap, 3, 0x00AA00, levels, cloud, pixels);
  EXPECT_EQ(Lit(pixels, 0, kVisWidth), 0) << "an unknown mode shows the background";

  // The cloud: the left channel's bands glow on the left only; a stream without spectrum values glows
  // with its waveform; silence fades to the background.
  for (int32_t i = 0; i < kVisSnapshotValues; ++i) snap.spectrum[size_t(i)] = 60;
  int32_t lit = 0;
  for (int32_t frame = 0; frame < 200; ++frame) {
    DrawVisFrame(kColourCloud, snap, 3, 0, levels, cloud, pixels);
    lit += Lit(pixels, 0, 77);
    ASSERT_EQ(Lit(pixels, 77, kVisWidth), 0) << frame;
  }
  EXPECT_GT(lit, 200 * 100);
  VisSnapshots waveOnly = {};
  for (int32_t i = 0; i < kVisSnapshotValues; ++i) waveOnly.wave[size_t(kVisSnapshotValues + i)] = i % 2 ? 60 : 196;
  ClearVisFrame(pixels);
  DrawVisFrame(kColourCloud, waveOnly, 3, 0, levels, cloud, pixels);
  EXPECT_GT(Lit(pixels, 70, kVisWidth), 100);
  for (int32_t frame = 0; frame < 60; ++frame) DrawVisFrame(kColourCloud, VisSnapshots{}, 3, 0, levels, cloud, pixels);
  EXPECT_EQ(Lit(pixels, 0, kVisWidth), 0);
}

}  // namespace
