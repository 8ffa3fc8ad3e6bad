// The internal visualisation's drawing as plain data: the oscilloscope from the waveform snapshot, the
// two-sided spectrum analyser with spreading peaks and decay from the spectrum snapshot, and the colour
// cloud. Frames are drawn into a pixel array laid out as a top-down 32-bit bitmap; no windows.h here.
#pragma once
#include <array>
#include <cstdint>

constexpr int32_t kVisWidth = 147;
constexpr int32_t kVisHeight = 42;
constexpr int32_t kVisCentre = 21;  // the centre row
constexpr int32_t kVisSnapshotValues = 576;  // per channel; left values, then right values

// Pixels as a top-down 32-bit bitmap stores them: 0x00RRGGBB.
using VisPixels = std::array<uint32_t, kVisWidth * kVisHeight>;
// A COLORREF (0x00BBGGRR) as a pixel, and back.
constexpr uint32_t PixelFromColour(uint32_t colour) {
  return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}
constexpr uint32_t ColourFromPixel(uint32_t pixel) { return PixelFromColour(pixel); }

// The snapshots a frame is drawn from: 576 left then 576 right values each, the waveform as signed
// bytes, the spectrum as unsigned ones.
struct VisSnapshots {
  std::array<uint8_t, 2 * kVisSnapshotValues> wave;
  std::array<uint8_t, 2 * kVisSnapshotValues> spectrum;
};

// The analyser's levels, kept from frame to frame: one per column above the centre row (left channel)
// and one below it (right channel).
struct AnalyserLevels {
  std::array<int32_t, kVisWidth> upper, lower;
};
// Colour of the bar pixel j rows from the centre (0..20), a COLORREF: from black on the centre row
// through green to orange at the tips.
uint32_t AnalyserColour(int32_t j);

// What the colour cloud keeps from frame to frame: its clock. The picture itself stays in the pixels.
struct ColourCloud {
  uint32_t frame;
};

enum VisMode : int32_t { kOscilloscope = 0, kSpectrumAnalyser = 1, kColourCloud = 2 };

// Fills the frame with the background colour.
void ClearVisFrame(VisPixels& pixels);
// Every third left waveform value, divided by 6, plotted around the centre row in `colour` (COLORREF).
void DrawOscilloscope(const VisSnapshots& snapshots, uint32_t colour, VisPixels& pixels);
// One analyser step: each column's levels fall by `decay` (held to 1..5), rise to the sum of three
// spectrum values, spread a third of a new peak into both neighbours (columns 2..145), and are drawn
// as bars of up to 21 pixels above (left) and below (right) the centre row.
void DrawAnalyser(const VisSnapshots& snapshots, int32_t decay, AnalyserLevels& levels, VisPixels& pixels);
// One colour-cloud step: the previous picture fades towards the background, and soft coloured blobs,
// one per frequency band and channel, glow where their band is loud while drifting slowly around;
// the left channel's blobs on the left half, the right channel's on the right.
void DrawColourCloud(const VisSnapshots& snapshots, ColourCloud& cloud, VisPixels& pixels);
// One frame in `mode`: cleared and drawn for the oscilloscope and the analyser, faded and drawn for
// the cloud, cleared for any other mode.
void DrawVisFrame(int32_t mode, const VisSnapshots& snapshots, int32_t decay, uint32_t scopeColour,
                  AnalyserLevels& levels, ColourCloud& cloud, VisPixels& pixels);
