// The equalizer's band model against an integer derivation, and its gains on the real decode path.
#include "eq/eq_gains.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "decoder/synthesis.h"
#include "tests/decode_file.h"
#include "tests/test_files.h"

namespace {

// The straight line between the anchors around subband j, in integers: levels are never negative, so
// truncation toward zero is integer division.
int32_t LineGain(const int32_t levels[kEqSliders], int32_t j) {
  int32_t i = 0;
  while (kEqAnchors[i + 1] < j) ++i;
  const int32_t a0 = kEqAnchors[i], a1 = kEqAnchors[i + 1];
  if (j == a1) return levels[i + 1];
  return (levels[i] * (a1 - a0) + (levels[i + 1] - levels[i]) * (j - a0)) / (a1 - a0);
}

TEST(EqGains, InterpolationFollowsTheLineBetweenAnchors) {
  int32_t levels[kEqSliders], gains[kEqSubbands];
  std::fill(levels, levels + kEqSliders, 10);
  InterpolateEqGains(levels, gains);
  EXPECT_TRUE(std::all_of(gains, gains + kEqSubbands, [](int32_t g) { return g == 10; }));

  levels[7] = 20;  // slider 1113, subband 10
  levels[8] = 0;   // slider 1114, subband 14
  levels[9] = 0;   // subband 18
  levels[10] = 7;  // subband 24
  InterpolateEqGains(levels, gains);
  EXPECT_EQ(std::vector<int32_t>(gains + 10, gains + 15), (std::vector<int32_t>{20, 15, 10, 5, 0}));
  EXPECT_EQ(std::vector<int32_t>(gains + 18, gains + 25), (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 7}));

  std::mt19937 random(157);
  std::uniform_int_distribution<int32_t> level(0, kEqLevelMax);
  for (int32_t round = 0; round < 500; ++round) {
    for (int32_t& l : levels) l = round == 0 ? 0 : (round == 1 ? kEqLevelMax : level(random));
    InterpolateEqGains(levels, gains);
    for (int32_t j = 0; j < kEqSubbands; ++j) {
      ASSERT_EQ(gains[j], LineGain(levels, j)) << "subband " << j << " round " << round;
      ASSERT_GE(gains[j], 0);
      ASSERT_LE(gains[j], kEqLevelMax);
    }
    for (int32_t i = 0; i + 1 < kEqSliders; ++i) {  // monotone from one anchor to the next
      const int32_t step = levels[i + 1] >= levels[i] ? 1 : -1;
      for (int32_t j = kEqAnchors[i]; j < kEqAnchors[i + 1]; ++j) ASSERT_GE(step * (gains[j + 1] - gains[j]), 0);
    }
  }
}

TEST(EqGains, SliderCaptionsAreTheAnchorCentresAt44100Hz) {
  // Subband k spans 44100 / 64 = 689.0625 Hz from k * 689.0625: its centre is (2k + 1) * 344.53 Hz.
  const char* expected[kEqSliders] = {"345", "1.0k", "1.7k", "2.4k", "3.1k", "4.5k",
                                      "5.9k", "7.2k", "10k",  "13k",  "17k",  "22k"};
  char text[8];
  for (int32_t i = 0; i < kEqSliders; ++i) {
    ASSERT_TRUE(FormatEqSliderCaption(i, text, sizeof text));
    EXPECT_STREQ(text, expected[i]);
  }
  EXPECT_FALSE(FormatEqSliderCaption(kEqSliders, text, sizeof text));
  EXPECT_FALSE(FormatEqSliderCaption(-1, text, sizeof text));
  EXPECT_FALSE(FormatEqSliderCaption(5, text, 4)) << "\"4.5k\" needs five bytes";
}

// Every subband at 0 silences a track; at 20 it doubles it up to clipping, within the one LSB that
// truncating the doubled sum instead of doubling the truncated one can make.
TEST(EqGains, ZeroSilencesAndTwentyDoublesTheDecodedTrack) {
  struct HandedGains {
    HandedGains() { SetEqualizerGains(gains, &enabled); }
    ~HandedGains() { SetEqualizerGains(nullptr, nullptr); }
    int32_t gains[kEqSubbands];
    int32_t enabled = 1;
  } handed;
  int32_t* gains = handed.gains;
  int32_t& enabled = handed.enabled;
  for (const char* name : {"l3-test45", "l2-fl11", "l1-fl1"}) {
    const std::string path = SharedPath(std::string("vectors/conformance/") + name + ".bit");
    std::fill(gains, gains + kEqSubbands, kEqNeutralLevel);
    const DecodedFile plain = DecodeFileToPcm(path, {});
    ASSERT_EQ(plain.result, kTrackDone) << name;
    std::fill(gains, gains + kEqSubbands, 0);
    const DecodedFile silent = DecodeFileToPcm(path, {});
    ASSERT_EQ(silent.pcm.size(), plain.pcm.size()) << name;
    EXPECT_TRUE(std::all_of(silent.pcm.begin(), silent.pcm.end(), [](int16_t s) { return s == 0; })) << name;
    enabled = 0;
    EXPECT_EQ(DecodeFileToPcm(path, {}).pcm, plain.pcm) << name << ": switched off, full quality ignores the gains";
    enabled = 1;

    std::fill(gains, gains + kEqSubbands, kEqLevelMax);
    const DecodedFile doubled = DecodeFileToPcm(path, {});
    ASSERT_EQ(doubled.pcm.size(), plain.pcm.size()) << name;
    size_t clipped = 0, worst = 0;
    for (size_t i = 0; i < plain.pcm.size(); ++i) {
      const int32_t expected = std::clamp(2 * plain.pcm[i], -32768, 32767);
      if (expected != 2 * plain.pcm[i]) ++clipped;
      worst = std::max<size_t>(worst, std::abs(doubled.pcm[i] - expected));
    }
    EXPECT_LE(worst, 1u) << name;
    EXPECT_GE(doubled.info.clipped, static_cast<int64_t>(clipped)) << name << ": clipped samples are counted";
    if (std::string(name) == "l3-test45") {
      EXPECT_GT(clipped, 0u) << "the doubling reaches full scale";
    }
  }
}

}  // namespace
