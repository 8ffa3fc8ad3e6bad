// The visualisation's frames: bar colours against exact integer arithmetic, the analyser's columns,
// spreading peaks and decay frame by frame, the oscilloscope's points, and the colour cloud's bounds.
#include "shell/analyser.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kBackground = PixelFromColour(0x212021);

uint32_t At(const VisPixels& pixels, int32_t x, int32_t y) { return pixels[size_t(y * kVisWidth + x)]; }

// Rows of column x that differ from the background.
int32_t LitRows(const VisPixels& pixels, int32_t x) {
  int32_t lit = 0;
  for (int32_t y = 0; y < kVisHeight; ++y) lit += At(pixels, x, y) != kBackground;
  return lit;
}

TEST(Analyser, BarColoursRunFromBlackAtTheCentreToOrangeAtTheTips) {
  // g = trunc(12.19 j) = 1219 j div 100; green = trunc(256 - 5g/7) = (1792 - 5g) div 7, both mod 256.
  for (int32_t j = 0; j <= 20; ++j) {
    const uint32_t g = uint32_t(1219 * j / 100), green = (1792 - 5 * g) / 7 % 256;
    EXPECT_EQ(AnalyserColour(j), (g % 256) | (green << 8)) << j;
  }
  EXPECT_EQ(AnalyserColour(0), 0u) << "the centre-line pixel is black";
  EXPECT_EQ(AnalyserColour(20), 243u | (82u << 8));
  EXPECT_EQ(PixelFromColour(0x00332211), 0x00112233u);
}

TEST(Analyser, ColumnsRiseSpreadTheirPeaksAndFallByTheDecayRate) {
  VisSnapshots snap = {};
  uint8_t* left = snap.spectrum.data();
  uint8_t* right = left + kVisSnapshotValues;
  for (int32_t i = 0; i < 3; ++i) {
    left[30 + i] = uint8_t(30 + i);  // column 10: 10 + 10 + 10
    left[3 + i] = 60;                // column 1: 60, spreads nowhere
    left[438 + i] = 90;              // column 146: 90, spreads nowhere
    left[60 + i] = 255;              // column 20: 255, spreads 85, held to 50
    right[i] = 9;                    // column 0 below the centre: 9
  }
  AnalyserLevels levels = {};
  VisPixels pixels;
  ClearVisFrame(pixels);
  DrawAnalyser(snap, 3, levels, pixels);
  EXPECT_EQ(levels.upper[10], 30);
  EXPECT_EQ(levels.upper[9], 10) << "the left neighbour takes a third after it was drawn";
  EXPECT_EQ(levels.upper[11], 7) << "the right neighbour takes a third, then falls by the decay";
  EXPECT_EQ(levels.upper[0], 0);
  EXPECT_EQ(levels.upper[2], 0);
  EXPECT_EQ(levels.upper[145], 0);
  EXPECT_EQ(levels.upper[19], 50);
  EXPECT_EQ(levels.upper[21], 47);
  EXPECT_EQ(levels.lower[0], 9);
  EXPECT_EQ(LitRows(pixels, 9), 0);
  EXPECT_EQ(LitRows(pixels, 11), 7);
  EXPECT_EQ(LitRows(pixels, 0), 9);
  // A bar of 21 rows: centre row black, colour j at j rows above it, nothing above row 1.
  for (int32_t j = 0; j < 21; ++j) EXPECT_EQ(At(pixels, 10, 21 - j), PixelFromColour(AnalyserColour(j))) << j;
  EXPECT_EQ(At(pixels, 10, 0), kBackground);
  for (int32_t j = 0; j < 9; ++j) EXPECT_EQ(At(pixels, 0, 21 + j), PixelFromColour(AnalyserColour(j))) << j;

  // Silence (paused): each frame the levels fall by the decay rate, held to 1..5, down to nothing.
  const VisSnapshots silence = {};
  ClearVisFrame(pixels);
  DrawAnalyser(silence, 3, levels, pixels);
  EXPECT_EQ(levels.upper[9], 7);
  EXPECT_EQ(levels.upper[10], 27);
  EXPECT_EQ(LitRows(pixels, 9), 7);
  DrawAnalyser(silence, 1, levels, pixels);
  EXPECT_EQ(levels.upper[10], 26);
  DrawAnalyser(silence, 9, levels, pixels);
  EXPECT_EQ(levels.upper[10], 21);
  EXPECT_EQ(levels.upper[146], 81);
  for (int32_t frame = 0; frame < 50; ++frame) DrawAnalyser(silence, 5, levels, pixels);
  for (int32_t x = 0; x < kVisWidth; ++x) EXPECT_EQ(levels.upper[size_t(x)] + levels.lower[size_t(x)], 0) << x;
}

TEST(Analyser, OscilloscopePlotsEveryThirdLeftValueAroundTheCentreRow) {
  VisSnapshots snap = {};
  snap.wave[3] = 127;                // column 1: 21 rows down, just below the canvas
  snap.wave[6] = uint8_t(-127);      // column 2: row 0
  snap.wave[9] = uint8_t(-11);       // column 3: -1 (toward zero), row 20
  snap.wave[12] = 11;                // column 4: row 22
  snap.wave[13] = snap.wave[576] = 100;  // neither every third value nor the left channel
  VisPixels pixels;
  const uint32_t colour = 0x0000AA00;
  ColourCloud cloud = {};
  AnalyserLevels levels = {};
  DrawVisFrame(kOscilloscope, snap, 3, colour, levels, cloud, pixels);
  const uint32_t dot = PixelFromColour(colour);
  EXPECT_EQ(At(pixels, 0, 21), dot);
  EXPECT_EQ(LitRows(pixels, 1), 0);
  EXPECT_EQ(At(pixels, 2, 0), dot);
  EXPECT_EQ(At(pixels, 3, 20), dot);
  EXPECT_EQ(At(pixels, 4, 22), dot);
  int32_t dots = 0;
  for (uint32_t p : pixels) dots += p == dot;
  EXPECT_EQ(dots, kVisWidth - 1);

  // Silence is a flat line on the centre row.
  DrawVisFrame(kOscilloscope, VisSnapshots{}, 3, colour, levels, cloud, pixels);
  for (int32_t x = 0; x < kVisWidth; ++x) ASSERT_EQ(At(pixels, x, 21), dot) << x;
  // An unknown mode shows only the background.
  DrawVisFrame(7, snap, 3, colour, levels, cloud, pixels);
  for (uint32_t p : pixels) ASSERT_EQ(p, kBackground);
}

TEST(Analyser, TheColourCloudGlowsWithItsChannelAndFadesToTheBackground) {
  VisSnapshots snap = {};
  for (int32_t i = 0; i < kVisSnapshotValues; ++i) snap.spectrum[size_t(i)] = 60;  // left channel only
  VisPixels pixels;
  ClearVisFrame(pixels);
  ColourCloud cloud = {};
  AnalyserLevels levels = {};
  int32_t lit = 0;
  for (int32_t frame = 0; frame < 200; ++frame) {
    DrawVisFrame(kColourCloud, snap, 3, 0, levels, cloud, pixels);
    for (int32_t x = 0; x < kVisWidth; ++x) {
      for (int32_t y = 0; y < kVisHeight; ++y) {
        if (At(pixels, x, y) == kBackground) continue;
        ++lit;
        ASSERT_LT(x, 77) << "the left channel glows on the left";
      }
    }
  }
  EXPECT_GT(lit, 200 * 100);

  // A stream without spectrum values glows with its waveform's loudness, right channel on the right.
  VisSnapshots waveOnly = {};
  for (int32_t i = 0; i < kVisSnapshotValues; ++i) waveOnly.wave[size_t(kVisSnapshotValues + i)] = i % 2 ? 60 : 196;
  ClearVisFrame(pixels);
  DrawVisFrame(kColourCloud, waveOnly, 3, 0, levels, cloud, pixels);
  int32_t litRight = 0;
  for (int32_t x = 70; x < kVisWidth; ++x) litRight += LitRows(pixels, x);
  EXPECT_GT(litRight, 100);

  for (int32_t frame = 0; frame < 60; ++frame) DrawVisFrame(kColourCloud, VisSnapshots{}, 3, 0, levels, cloud, pixels);
  for (uint32_t p : pixels) ASSERT_EQ(p, kBackground) << "silence fades to the background";
}

}  // namespace
