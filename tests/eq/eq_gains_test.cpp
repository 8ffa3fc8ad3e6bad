// The equalizer's band model against an integer derivation, and its gains on the real decode path.
#include "eq/eq_gains.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "decoder/synthesis.h"
#include "tests/decode_file.h"
#include "tests/test_files.h"

namespace {

TEST(EqGains, InterpolationFollowsTheLineBetweenAnchorsAndCaptionsNameTheirCentres) {
  int32_t levels[kEqSliders] = {10, 10, 10, 10, 10, 10, 10, 20, 0, 0, 7, 10}, gains[kEqSubbands];
  InterpolateEqGains(levels, gains);
  EXPECT_EQ(std::vector<int32_t>(gains + 8, gains + 25),
            (std::vector<int32_t>{10, 15, 20, 15, 10, 5, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 7}));
  std::mt19937 random(157);
  for (int32_t round = 0; round < 300; ++round) {
    for (int32_t& l : levels) l = round < 2 ? round * kEqLevelMax : int32_t(random() % 21);
    InterpolateEqGains(levels, gains);
    for (int32_t i = 0, j = 0; j < kEqSubbands; ++j) {
      // Levels are never negative, so truncation toward zero is integer division.
      while (kEqAnchors[i + 1] < j) ++i;
      const int32_t a = kEqAnchors[i], w = kEqAnchors[i + 1] - a;
      ASSERT_EQ(gains[j], (levels[i] * w + (levels[i + 1] - levels[i]) * (j - a)) / w) << j;
      ASSERT_TRUE(std::min(levels[i], levels[i + 1]) <= gains[j] && gains[j] <= std::max(levels[i], levels[i + 1]));
      ASSERT_TRUE(j == a || (gains[j] - gains[j - 1]) * (levels[i + 1] - levels[i]) >= 0) << "monotone " << j;
    }
  }
  // Subband k spans 44100 / 64 = 689.0625 Hz from k * 689.0625 Hz.
  const char* expected[kEqSliders] = {"345", "1.0k", "1.7k", "2.4k", "3.1k", "4.5k",
                                      "5.9k", "7.2k", "10k",  "13k",  "17k",  "22k"};
  char text[8];
  for (int32_t i = 0; i < kEqSliders; ++i) EXPECT_TRUE(FormatEqSliderCaption(i, text, 8) && !strcmp(text, expected[i]));
  EXPECT_FALSE(FormatEqSliderCaption(kEqSliders, text, 8) || FormatEqSliderCaption(5, text, 4));
}

// Every subband at 0 silences a track; at 20 it doubles it up to clipping, within the one LSB that
// truncating the doubled sum instead of doubling the truncated one can make.
TEST(EqGains, ZeroSilencesAndTwentyDoublesTheDecodedTrack) {
  struct Handed {
    Handed() { SetEqualizerGains(gains, &enabled); }
    ~Handed() { SetEqualizerGains(nullptr, nullptr); }
    int32_t gains[kEqSubbands];
    int32_t enabled = 1;
  } handed;
  for (const char* name : {"l3-test45", "l2-fl11", "l1-fl1"}) {
    const std::string path = ConformancePath(name);
    auto decode = [&](int32_t gain) {
      std::fill(handed.gains, handed.gains + kEqSubbands, gain);
      return DecodeFileToPcm(path, {}).pcm;
    };
    const std::vector<int16_t> plain = decode(10), silent = decode(0), doubled = decode(20);
    ASSERT_TRUE(!plain.empty() && silent.size() == plain.size() && doubled.size() == plain.size()) << name;
    EXPECT_TRUE(std::all_of(silent.begin(), silent.end(), [](int16_t s) { return s == 0; })) << name;
    size_t clipped = 0;
    for (size_t i = 0; i < plain.size(); ++i) {
      const int32_t expected = std::clamp(2 * plain[i], -32768, 32767);
      clipped += expected != 2 * plain[i];
      ASSERT_LE(std::abs(doubled[i] - expected), 1) << name << " sample " << i;
    }
    if (name[1] == '3') {
      EXPECT_GT(clipped, 0u) << "the doubling reaches full scale";
    }
  }
}

}  // namespace
