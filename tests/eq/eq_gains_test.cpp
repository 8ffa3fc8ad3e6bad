// The equalizer's band model against an integer derivation, and its gains on the real decode path.
#include "eq/eq_gains.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "decoder/synthesis.h"
#include "eq/eq_presets.h"
#include "platform/profile.h"
#include "tests/settings/profile_test_support.h"
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

// Presets: the built-in curves, the user's saved and deleted under clean names, the file written and
// read back; lines of a hostile file that name no usable preset give none (the fuzz target goes on).
TEST(EqPresets, BuiltInsUserPresetsAndTheirFileWhateverItHolds) {
  ASSERT_STREQ(BuiltInEqPreset(0).name, "Flat");
  for (int32_t i = 0; i < BuiltInEqPresetCount(); ++i)
    EXPECT_EQ(FindEqPreset(BuiltInEqPreset(i).name), &BuiltInEqPreset(i)) << "names are unique";
  EXPECT_EQ(FindEqPreset("techno"), FindEqPreset("TECHNO"));
  const std::string file = TestWindowsFolder() + kEqPresetsFile;
  RemoveProfileFile(file);
  EXPECT_EQ(LoadUserEqPresets(), 0) << "no file, no presets";
  int32_t levels[kEqSliders] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 20, 25};
  EXPECT_EQ(StoreUserEqPreset("  Night \xD0\x96  ", levels), 1);
  EXPECT_STREQ(EqPresetAt(BuiltInEqPresetCount())->name, "Night \xD0\x96") << "after the built-ins, blanks gone";
  levels[0] = 12;
  EXPECT_EQ(StoreUserEqPreset("NIGHT \xD0\x96", levels), 1);  // replaces it
  const std::string tooLong(128, 'n');
  for (const char* bad : {"Rock", "", "a=b", "[x", "tab\tin", tooLong.c_str()}) EXPECT_EQ(StoreUserEqPreset(bad, levels), -1);
  ASSERT_EQ(SaveUserEqPresets(), 1);
  ASSERT_EQ(LoadUserEqPresets(), 1);
  EXPECT_STREQ(gUserEqPresets.presets[0].name, "NIGHT \xD0\x96");
  EXPECT_EQ(std::vector<int32_t>(gUserEqPresets.presets[0].levels, gUserEqPresets.presets[0].levels + kEqSliders),
            (std::vector<int32_t>{12, 1, 2, 3, 4, 5, 6, 7, 8, 9, 20, 20}));
  EXPECT_EQ(DeleteUserEqPreset("Rock"), 0) << "built-ins stay";
  EXPECT_EQ(DeleteUserEqPreset("night \xD0\x96"), 1);
  EXPECT_EQ(gUserEqPresets.count, 0);

  const std::string ten = "10,10,10,10,10,10,10,10,10,10,10,";
  EqPresetList list;
  EXPECT_EQ(ParseEqPresets("[Other]\nA=" + ten + "10\n[presets]\n B = " + ten + " 9 \nb=" + ten + "8\nRock=" + ten +
                               "7\nC=" + ten + "21\nD=" + ten + "-1\nE=" + ten + "10,10\nF=" + ten + "\nG=" + ten +
                               "1e1\nI\x01=" + ten + "1\n" + tooLong + "=" + ten + "1\n",
                           &list),
            1);
  EXPECT_EQ(list.presets[0].levels[11], 9);
  PutProfileFile(file, "[Presets]\nA=" + ten + "1\n" + std::string(kMaxEqPresetsFileBytes, ';'));
  EXPECT_EQ(LoadUserEqPresets(), 0) << "too large to be a presets file";
  RemoveProfileFile(file);
}

}  // namespace
