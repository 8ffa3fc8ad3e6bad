// The skin's geometry checked against independent derivations: the seek sectors against the ring they
// are meant to tile, the outline, volume rows and colours, and the seek and progress arithmetic.
#include "shell/skin_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Even-odd test of the point (px / 2, py / 2) against a quadrilateral, in exact integer arithmetic on
// doubled coordinates. Shared edges of neighbouring quadrilaterals count for exactly one of them.
bool QuadContainsHalfPoint(const SeekSector& sector, int64_t px, int64_t py) {
  bool inside = false;
  for (size_t i = 0, j = 3; i < 4; j = i++) {
    const int64_t xi = 2 * sector.vertices[i].x, yi = 2 * sector.vertices[i].y;
    const int64_t xj = 2 * sector.vertices[j].x, yj = 2 * sector.vertices[j].y;
    if ((yi > py) == (yj > py)) continue;
    // px < xi + (xj - xi) * (py - yi) / (yj - yi), multiplied through by (yj - yi) with its sign.
    const int64_t lhs = (px - xi) * (yj - yi);
    const int64_t rhs = (xj - xi) * (py - yi);
    if (yj > yi ? lhs < rhs : lhs > rhs) inside = !inside;
  }
  return inside;
}

// The sectors containing the centre of pixel (x, y).
std::vector<int32_t> SectorsAt(const std::array<SeekSector, kSeekSectors>& sectors, int32_t x, int32_t y) {
  std::vector<int32_t> found;
  for (int32_t i = 0; i < kSeekSectors; ++i) {
    if (QuadContainsHalfPoint(sectors[size_t(i)], 2 * int64_t(x) + 1, 2 * int64_t(y) + 1)) found.push_back(i);
  }
  return found;
}

TEST(SkinGeometry, SeekSectorsAreTheTruncatedStepsOfTheAccumulatedAngleAndTileTheRing) {
  std::array<SeekSector, kSeekSectors> sectors;
  BuildSeekSectors(sectors);

  // The angles the steps reach, summed in double as the ring is defined, kept until one is not below
  // pi. The sum arrives late: 362 angles, so the steps run k = 0 .. 360 and step 360 is sector 0.
  const double pi = std::acos(-1.0);
  std::vector<double> angles{-pi};
  while (angles.back() < pi) angles.push_back(angles.back() + pi / 180.0);
  ASSERT_EQ(angles.size(), 362u);

  // Vertices from the same angles with long double trigonometry: no vertex lies close enough to a
  // whole pixel for the wider arithmetic to cut it differently.
  const auto cut = [](long double centre, long double radius, long double trig) {
    return int32_t(std::trunc(centre + radius * trig));
  };
  for (int32_t k = 1; k <= 360; ++k) {
    const long double a0 = angles[size_t(k)], a1 = angles[size_t(k) + 1];
    const SkinPoint expected[4] = {
        {cut(207, 14, std::sin(a0)), cut(64, 14, std::cos(a0))},
        {cut(207, 23, std::sin(a0)), cut(64, 23, std::cos(a0))},
        {cut(207, 23, std::sin(a1)), cut(64, 23, std::cos(a1))},
        {cut(207, 14, std::sin(a1)), cut(64, 14, std::cos(a1))},
    };
    const SeekSector& built = sectors[size_t(360 - k)];
    for (size_t v = 0; v < 4; ++v) {
      EXPECT_EQ(built.vertices[v].x, expected[v].x) << "sector " << 360 - k << " vertex " << v;
      EXPECT_EQ(built.vertices[v].y, expected[v].y) << "sector " << 360 - k << " vertex " << v;
    }
  }

  // Every pixel well inside the ring lies in exactly one sector, and that sector is the clockwise
  // angle from 12 o'clock, give or take the cut vertices.
  int32_t tested = 0;
  for (int32_t y = 38; y < 92; ++y) {
    for (int32_t x = 180; x < 236; ++x) {
      const double dx = x + 0.5 - 207.0, dy = y + 0.5 - 64.0;
      const double radius = std::hypot(dx, dy);
      if (radius < 15.0 || radius > 22.0) continue;
      ++tested;
      const std::vector<int32_t> found = SectorsAt(sectors, x, y);
      ASSERT_EQ(found.size(), 1u) << "pixel " << x << "," << y;
      double clockwise = std::atan2(dx, -dy) * 180.0 / pi;
      if (clockwise < 0) clockwise += 360.0;
      double apart = std::fabs(found[0] - std::ceil(clockwise));
      if (apart > 180.0) apart = 360.0 - apart;
      EXPECT_LE(apart, 4.0) << "pixel " << x << "," << y << " in sector " << found[0];
    }
  }
  EXPECT_GT(tested, 800);

  // A click at 3 o'clock seeks about a quarter into the track (pixel centres sit half a pixel below
  // and right of the pixel's corner, and the cut vertices half a pixel above and left of the ring).
  for (int32_t y : {63, 64}) {
    const std::vector<int32_t> threeOClock = SectorsAt(sectors, 226, y);
    ASSERT_EQ(threeOClock.size(), 1u);
    EXPECT_NEAR(threeOClock[0], 90, 3);
    EXPECT_NEAR(SeekTargetFrame(36000, threeOClock[0]), 9000, 300);
    EXPECT_TRUE(RectContains(kAreaRects[kAreaSeekBox], 226, y));
  }
}

TEST(SkinGeometry, SeekTargetsAndLitCountsStayWithinTheTrack) {
  // The single-precision 1/360 is a hair above the true one: targets land on the whole quotient or
  // just above it, never past the track.
  for (int32_t length : {1, 359, 360, 1000, 12345, 600000, 0x7fffffff}) {
    for (int32_t sector = 0; sector < kSeekSectors; ++sector) {
      const int64_t exact = int64_t(length) * sector / 360;
      const int32_t target = SeekTargetFrame(length, sector);
      ASSERT_GE(target, exact) << length << " " << sector;
      ASSERT_LE(target, exact + 1 + length / 10000000) << length << " " << sector;
      ASSERT_LT(target, length) << length << " " << sector;
    }
  }
  EXPECT_EQ(SeekTargetFrame(36000, 180), 18000);
  EXPECT_EQ(SeekTargetFrame(0, 90), 0);
  EXPECT_EQ(SeekTargetFrame(-500, 90), 0);
  EXPECT_EQ(SeekTargetFrame(1000, 360), 0);

  EXPECT_EQ(LitSectorCount(1000, 250), 90);
  EXPECT_EQ(LitSectorCount(1000, 1000), 360);
  EXPECT_EQ(LitSectorCount(1000, 5000), 360);
  EXPECT_EQ(LitSectorCount(1000, -5), 0);
  EXPECT_EQ(LitSectorCount(0, 10), 0);
  EXPECT_EQ(LitSectorCount(-1, 10), 0);
  EXPECT_EQ(LitSectorCount(0x7fffffff, 0x7ffffffe), 359);
  int32_t previous = 0;
  for (int32_t frame = 0; frame <= 7919; ++frame) {
    const int32_t lit = LitSectorCount(7919, frame);
    ASSERT_GE(lit, previous);
    ASSERT_LE(lit, int64_t(frame) * 360 / 7919);
    ASSERT_GE(lit, int64_t(frame) * 360 / 7919 - 1);
    previous = lit;
  }
}

TEST(SkinGeometry, OutlineKeepsTheArtworkAndCutsCornersNotchAndPanelGap) {
  struct Spot {
    int32_t x, y;
    bool kept;
  };
  const Spot spots[] = {
      {0, 0, false},    {1, 4, false},    {4, 1, false},   {3, 3, true},    {5, 5, true},     // top-left corner
      {257, 0, false},  {255, 10, false}, {253, 1, false}, {251, 0, true},  {254, 60, true},  // right edge
      {50, 16, false},  {36, 16, false},  {95, 16, false}, {50, 10, true},  {50, 21, true},   // notch
      {60, 0, false},   {40, 7, false},   {30, 0, true},   {110, 0, true},                    // title cut
      {0, 68, false},   {1, 69, false},   {10, 72, false}, {18, 75, false}, {10, 90, false},  // panel gap
      {10, 66, true},   {19, 70, true},   {20, 80, true},                                     // panel, body
      {256, 80, true},  {257, 80, true},  {255, 90, true}, {256, 88, false}, {257, 84, false}, // tab
      {257, 76, false}, {255, 100, false},
      {128, 60, true},  {200, 114, true}, {258, 50, false}, {100, 115, false}, {-1, 50, false},
  };
  for (const Spot& spot : spots) EXPECT_EQ(InWindowOutline(spot.x, spot.y), spot.kept) << spot.x << "," << spot.y;
  EXPECT_EQ(kRegionSteps[25].add, 0);
  EXPECT_EQ(kRegionSteps[26].add, 1);
  // Every area a click can hit lies on the kept outline where it overlaps the window.
  for (const SkinRect& area : kAreaRects) {
    EXPECT_TRUE(InWindowOutline(area.left, area.top)) << area.left << "," << area.top;
    EXPECT_TRUE(InWindowOutline((area.left + area.right) / 2, (area.top + area.bottom) / 2));
  }
}

TEST(SkinGeometry, VolumeRowsColoursAndButtons) {
  EXPECT_EQ(VolumeRowAt(236, 41), 63);
  EXPECT_EQ(VolumeRowAt(243, 104), 0);
  EXPECT_EQ(VolumeRowAt(240, 72), 32);
  EXPECT_EQ(VolumeRowAt(235, 60), -1);
  EXPECT_EQ(VolumeRowAt(244, 60), -1);
  EXPECT_EQ(VolumeRowAt(240, 40), -1);
  EXPECT_EQ(VolumeRowAt(240, 105), -1);
  // The rows stack into the bar, one pixel row each, bottom up.
  for (int32_t row = 0; row < kVolumeRows; ++row) {
    const SkinRect r = VolumeRowRect(row);
    EXPECT_EQ(r.bottom - r.top, 1);
    EXPECT_EQ(r.right - r.left, 8);
    EXPECT_EQ(VolumeRowAt(r.left, r.top), row);
    EXPECT_EQ(VolumeRowAt(r.right - 1, r.top), row);
  }
  const SkinRect outside = VolumeRowRect(64);
  EXPECT_EQ(outside.right - outside.left, 0);

  const auto rgb = [](uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; };
  EXPECT_EQ(VolumeLevelColour(0), rgb(0, 0, 0));
  EXPECT_EQ(VolumeLevelColour(31), rgb(0, 248, 0));
  EXPECT_EQ(VolumeLevelColour(32), rgb(0, 255, 0));
  EXPECT_EQ(VolumeLevelColour(33), rgb(8, 248, 0));
  EXPECT_EQ(VolumeLevelColour(63), rgb(248, 8, 0));
  EXPECT_EQ(VolumeLevelColour(-4), VolumeLevelColour(0));
  EXPECT_EQ(VolumeLevelColour(99), VolumeLevelColour(63));

  // The nine buttons sit side by side on the window, each with a face cell of its own in the bitmap.
  for (size_t i = 0; i < kSkinButtons.size(); ++i) {
    const SkinButton& b = kSkinButtons[i];
    EXPECT_TRUE(InWindowOutline(b.left, kButtonTop) && InWindowOutline(b.left + kButtonWidth - 1,
                                                                      kButtonTop + kButtonHeight - 1));
    EXPECT_LE(b.faceColumn + kButtonWidth, 200);
    EXPECT_EQ(b.faceColumn % 20, 0);
    if (i > 0) {
      EXPECT_GE(b.left, kSkinButtons[i - 1].left + kButtonWidth);
      EXPECT_GT(b.faceColumn, kSkinButtons[i - 1].faceColumn);
    }
  }
  EXPECT_STREQ(kSkinButtons[0].caption, "Play");
  EXPECT_EQ(kSkinButtons[0].commandId, 40009);
  EXPECT_EQ(kSkinButtons[8].commandId, 40017);
  EXPECT_EQ(ButtonFaceRow(true, true) + kButtonHeight, 71);
}

}  // namespace
