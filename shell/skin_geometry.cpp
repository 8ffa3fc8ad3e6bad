#include "shell/skin_geometry.h"

#include <cmath>

#include "resources/resource_ids.h"

// The outline cuts, in the order they are applied: rounded corners, the left panel standing apart
// below y = 68, the notch between the panel and the title strip, the right edge; then the tab on the
// right edge at y = 76..90 is put back.
const std::array<RegionStep, 29> kRegionSteps = {{
    {{0, 76, 20, 162}, 0},   {{0, 70, 17, 75}, 0},    {{37, 14, 95, 18}, 0},   {{36, 15, 38, 18}, 0},
    {{36, 18, 95, 19}, 0},   {{37, 19, 94, 20}, 0},   {{94, 15, 96, 18}, 0},   {{0, 0, 3, 3}, 0},
    {{0, 0, 2, 5}, 0},       {{0, 0, 5, 2}, 0},       {{0, 68, 1, 69}, 0},     {{0, 69, 2, 70}, 0},
    {{0, 71, 18, 74}, 0},    {{0, 74, 19, 76}, 0},    {{32, 0, 103, 1}, 0},    {{33, 1, 101, 2}, 0},
    {{35, 2, 99, 3}, 0},     {{36, 3, 98, 4}, 0},     {{36, 4, 98, 5}, 0},     {{37, 5, 97, 6}, 0},
    {{37, 6, 97, 7}, 0},     {{38, 7, 96, 8}, 0},     {{252, 0, 258, 1}, 0},   {{253, 0, 258, 2}, 0},
    {{254, 0, 258, 20}, 0},  {{255, 0, 258, 140}, 0}, {{255, 76, 256, 91}, 1}, {{256, 76, 257, 88}, 1},
    {{257, 78, 258, 83}, 1},
}};

bool InWindowOutline(int32_t x, int32_t y) {
  if (x < 0 || y < 0 || x >= kSkinWidth || y >= kSkinHeight) return false;
  bool inside = RectContains(kRegionStart, x, y);
  for (const RegionStep& step : kRegionSteps) {
    if (RectContains(step.rect, x, y)) inside = step.add != 0;
  }
  return inside;
}

const std::array<SkinRect, kAreaCount> kAreaRects = {{
    {102, 4, 285, 19},   // title strip
    {3, 51, 19, 66},     // pin
    {27, 27, 283, 37},   // song-name strip
    {29, 42, 175, 83},   // display area
    {184, 41, 232, 85},  // seek ring box
    {236, 41, 244, 105}, // volume bar
}};

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kRingX = 207.0;
constexpr double kRingY = 64.0;
constexpr double kInnerRadius = 14.0;
constexpr double kOuterRadius = 23.0;

// Rounds to double through memory. The 32-bit build may keep intermediates in x87 extended registers;
// storing each step keeps the accumulated angle and the cut vertices the same in every build.
double StoreDouble(double value) {
  volatile double stored = value;
  return stored;
}

SkinPoint RingPoint(double radius, double sine, double cosine) {
  const double x = StoreDouble(kRingX + StoreDouble(radius * sine));
  const double y = StoreDouble(kRingY + StoreDouble(radius * cosine));
  return {static_cast<int32_t>(x), static_cast<int32_t>(y)};
}
}  // namespace

void BuildSeekSectors(std::array<SeekSector, kSeekSectors>& sectors) {
  // The angle runs counter-clockwise on the screen from 12 o'clock (x = sin, y = cos, y down), so step
  // k lands in sector 360 - k. The sum of the steps reaches pi a little late, which makes k = 360 the
  // last step: it is sector 0, the degree just before 12 o'clock. Step 0 (sector 360) is not kept.
  constexpr double kStep = kPi / 180.0;
  double angle = -kPi;
  for (int32_t k = 0;; ++k) {
    const double next = StoreDouble(angle + kStep);
    const int32_t sector = kSeekSectors - k;
    if (sector >= 0 && sector < kSeekSectors) {
      const double s0 = StoreDouble(std::sin(angle)), c0 = StoreDouble(std::cos(angle));
      const double s1 = StoreDouble(std::sin(next)), c1 = StoreDouble(std::cos(next));
      sectors[size_t(sector)].vertices = {RingPoint(kInnerRadius, s0, c0), RingPoint(kOuterRadius, s0, c0),
                                          RingPoint(kOuterRadius, s1, c1), RingPoint(kInnerRadius, s1, c1)};
    }
    // The sector number would go negative after k = 360; stop there whatever the sum does.
    if (!(next < kPi) || sector <= 0) break;
    angle = next;
  }
}

int32_t SeekTargetFrame(int32_t lengthFrames, int32_t sector) {
  if (lengthFrames <= 0 || sector < 0 || sector >= kSeekSectors) return 0;
  // 1/360 rounded to single precision, widened; the product in double is exact enough that every
  // build truncates it alike. It never exceeds the length: q * 359 < 1.
  constexpr float kDegreeFraction = 1.0f / 360.0f;
  return static_cast<int32_t>(double(lengthFrames) * double(kDegreeFraction) * double(sector));
}

int32_t LitSectorCount(int32_t lengthFrames, int32_t frame) {
  if (lengthFrames <= 0) return 0;
  const double lit = double(frame) / double(lengthFrames) * 360.0;
  if (!(lit > 0.0)) return 0;
  if (lit >= 360.0) return 360;
  return static_cast<int32_t>(lit);
}

SkinRect VolumeRowRect(int32_t row) {
  if (row < 0 || row >= kVolumeRows) return {0, 0, 0, 0};
  const SkinRect& bar = kAreaRects[kAreaVolume];
  return {bar.left, bar.bottom - 1 - row, bar.right, bar.bottom - row};
}

int32_t VolumeRowAt(int32_t x, int32_t y) {
  const SkinRect& bar = kAreaRects[kAreaVolume];
  if (!RectContains(bar, x, y)) return -1;
  return bar.bottom - 1 - y;
}

uint32_t VolumeLevelColour(int32_t volume) {
  if (volume < 0) volume = 0;
  if (volume > kVolumeRows - 1) volume = kVolumeRows - 1;
  // Green rising to full at 32, then shading to red at the top.
  const uint32_t c = uint32_t(volume) * 8;
  uint32_t red = 0, green = 0;
  if (c < 256) {
    green = c;
  } else if (c == 256) {
    green = 255;
  } else {
    red = c - 256;
    green = 512 - c;
  }
  return red | (green << 8);
}

const std::array<SkinButton, 9> kSkinButtons = {{
    {"Play", 26, IDM_PLAY, 0},
    {"Pause", 46, IDM_PAUSE, 20},
    {"Stop", 66, IDM_STOP, 40},
    {"Prev", 86, IDM_PREVIOUS, 60},
    {"Next", 106, IDM_NEXT, 80},
    {"Repeat", 136, IDM_REPEAT, 100},
    {"Shuffle", 156, IDM_SHUFFLE, 120},
    {"GEQ", 186, IDM_EQUALIZER, 160},
    {"PlayList", 206, IDM_PLAYLIST_EDITOR, 180},
}};
