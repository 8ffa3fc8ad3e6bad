// The geometry of the player window's skin as plain data: window outline, hit areas, seek sectors,
// volume rows and colours, the nine buttons and their faces, the progress ring's arithmetic. No
// windows.h here: the Windows code turns these shapes into GDI regions and calls.
#pragma once
#include <array>
#include <cstdint>

constexpr int32_t kSkinWidth = 258;
constexpr int32_t kSkinHeight = 115;

// Right and bottom exclusive, as GDI regions take them.
struct SkinRect {
  int32_t left, top, right, bottom;
};
constexpr bool RectContains(const SkinRect& r, int32_t x, int32_t y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

struct SkinPoint {
  int32_t x, y;
};

// The window drawn at an integer `scale`: a skin rectangle as it lies on the enlarged window, and the
// skin rectangle whose enlargement covers a window rectangle (held to the skin).
constexpr SkinRect ScaledRect(const SkinRect& r, int32_t scale) {
  return {r.left * scale, r.top * scale, r.right * scale, r.bottom * scale};
}
constexpr int32_t SkinCoordinate(int32_t v, int32_t scale, int32_t roundUp, int32_t limit) {
  const int32_t skin = v <= 0 ? 0 : (v + roundUp) / scale;
  return skin > limit ? limit : skin;
}
constexpr SkinRect SkinRectCovering(const SkinRect& window, int32_t scale) {
  return {SkinCoordinate(window.left, scale, 0, kSkinWidth), SkinCoordinate(window.top, scale, 0, kSkinHeight),
          SkinCoordinate(window.right, scale, scale - 1, kSkinWidth),
          SkinCoordinate(window.bottom, scale, scale - 1, kSkinHeight)};
}

// Where a window at `at` of `width` x `height` goes to lie inside `area` (a monitor's work area): pushed
// back from the right and bottom edges, then from the left and top, so that a window larger than the
// area keeps its top left corner on it.
constexpr SkinPoint KeptInside(SkinPoint at, int32_t width, int32_t height, const SkinRect& area) {
  const int32_t x = at.x + width > area.right ? area.right - width : at.x;
  const int32_t y = at.y + height > area.bottom ? area.bottom - height : at.y;
  return {x < area.left ? area.left : x, y < area.top ? area.top : y};
}

// The window outline: the start rectangle, then each step subtracts (add = 0) or unites (add = 1).
struct RegionStep {
  SkinRect rect;
  int32_t add;
};
constexpr SkinRect kRegionStart = {0, 0, 310, 130};
extern const std::array<RegionStep, 29> kRegionSteps;
// Whether pixel (x, y) of the window belongs to the outline (the steps applied in order, clipped to
// the window).
bool InWindowOutline(int32_t x, int32_t y);

enum SkinArea : int32_t { kAreaTitle, kAreaPin, kAreaSongName, kAreaDisplay, kAreaSeekBox, kAreaVolume, kAreaCount };
extern const std::array<SkinRect, kAreaCount> kAreaRects;

// Seek sectors: sector i is the quadrilateral covering clockwise angles i - 1 .. i degrees from 12
// o'clock on the ring around (207, 64), radii 14 and 23, vertices truncated toward zero.
constexpr int32_t kSeekSectors = 360;
struct SeekSector {
  std::array<SkinPoint, 4> vertices;
};
void BuildSeekSectors(std::array<SeekSector, kSeekSectors>& sectors);
// Frame a click on sector `sector` seeks to, for a track of `lengthFrames` frames.
int32_t SeekTargetFrame(int32_t lengthFrames, int32_t sector);
// Lit sectors for a position report: trunc(frame / length * 360) held to 0..360; 0 for length <= 0.
int32_t LitSectorCount(int32_t lengthFrames, int32_t frame);

// Volume rows: row r (0..63) is the pixel row y = 104 - r of the volume bar.
constexpr int32_t kVolumeRows = 64;
SkinRect VolumeRowRect(int32_t row);
// The row under (x, y), or -1 outside the bar.
int32_t VolumeRowAt(int32_t x, int32_t y);
// The level colour of volume v (0..63) as a COLORREF value (0x00BBGGRR).
uint32_t VolumeLevelColour(int32_t volume);
constexpr uint32_t kBackgroundColour = 0x212021;  // RGB(33, 32, 33)

// The nine owner-drawn buttons along the bottom edge.
constexpr int32_t kButtonTop = 91;
constexpr int32_t kButtonWidth = 19;
constexpr int32_t kButtonHeight = 17;
struct SkinButton {
  const char* caption;
  int32_t left;
  int32_t commandId;
  int32_t faceColumn;  // x of the face column in the button bitmap
};
extern const std::array<SkinButton, 9> kSkinButtons;
// Row of the face to draw: 0 normal, 18 pressed, 36 lit, 54 lit and pressed.
constexpr int32_t ButtonFaceRow(bool pressed, bool lit) { return (pressed ? 18 : 0) + (lit ? 36 : 0); }

// Where the canvases and bitmaps go on the window.
constexpr SkinPoint kRingOrigin = {178, 38};   // 55 x 55 lit ring bitmap
constexpr int32_t kRingSize = 55;
constexpr SkinPoint kPinOrigin = {3, 50};      // 16 x 15 pin bitmap
constexpr SkinPoint kDisplayOrigin = {29, 42};  // 147 x 42 time or visualisation canvas
constexpr int32_t kDisplayWidth = 147;
constexpr int32_t kDisplayHeight = 42;
constexpr SkinRect kSongNameRect = {29, 28, 29 + 216, 28 + 8};
