#include "decoder/synthesis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "tests/decoder/reference_synthesis.h"

namespace {

const double kPi = 3.14159265358979323846;
double WindowD(int i) { return SynthesisWindowD(i); }

void ExpectStored(int16_t got, double reference, const char* what, int call, int n) {
  ASSERT_TRUE(MatchesReference(got, reference))
      << what << " call " << call << " sample " << n << ": got " << got << ", reference " << reference * 32767.0;
}

class SynthesisTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeSynthTables(32767);
    ResetSynthStates();
    for (int32_t& g : gains_) g = 10;
    SetEqualizerGains(gains_, &enabled_);
  }
  void TearDown() override { SetEqualizerGains(nullptr, nullptr); }
  int32_t gains_[32];
  int32_t enabled_ = 0;
};

// Random subband input with a level that sometimes drives the output past full scale.
std::vector<float> RandomInput(std::mt19937& rng, int calls, float level) {
  std::uniform_real_distribution<float> u(-level, level);
  std::vector<float> in(size_t(calls) * 32);
  for (auto& x : in) x = u(rng);
  return in;
}

TEST_F(SynthesisTest, FullQualityMatchesTheStandardFilterOnBothChannels) {
  std::mt19937 rng(1);
  const int calls = 300;
  const std::vector<float> left = RandomInput(rng, calls, 0.05f);
  const std::vector<float> right = RandomInput(rng, calls, 0.9f);
  ReferenceSynth refL, refR;
  int32_t clippedTotal = 0, expectedClips = 0;
  for (int c = 0; c < calls; ++c) {
    int16_t out[64];
    float l[32], r[32];
    std::copy_n(&left[size_t(c) * 32], 32, l);
    std::copy_n(&right[size_t(c) * 32], 32, r);
    clippedTotal += buildPentium::SynthFull(l, 0, out);
    clippedTotal += buildPentium::SynthFull(r, 1, out);
    double el[32], er[32];
    refL.Run(&left[size_t(c) * 32], el);
    refR.Run(&right[size_t(c) * 32], er);
    for (int n = 0; n < 32; ++n) {
      ExpectStored(out[2 * n], el[n], "left", c, n);
      ExpectStored(out[2 * n + 1], er[n], "right", c, n);
      for (double e : {el[n], er[n]})
        if (std::fabs(e * 32767.0) > 32768.5) ++expectedClips;
    }
  }
  EXPECT_GT(expectedClips, 0) << "the loud channel must exercise clipping";
  EXPECT_NEAR(clippedTotal, expectedClips, 2);
}

TEST_F(SynthesisTest, HalfAndQuarterQualityAreEveryOtherAndEveryFourthFullSample) {
  std::mt19937 rng(2);
  const int calls = 200;
  const std::vector<float> in0 = RandomInput(rng, calls, 0.3f);
  const std::vector<float> in1 = RandomInput(rng, calls, 0.3f);
  for (int c = 0; c < calls; ++c) {
    int16_t full[64], half[32], quarter[16];
    float a[32], b[32];
    for (int q = 0; q < 3; ++q) {
      std::copy_n(&in0[size_t(c) * 32], 32, a);
      std::copy_n(&in1[size_t(c) * 32], 32, b);
      int16_t* out = q == 0 ? full : q == 1 ? half : quarter;
      auto handler = q == 0 ? build486::SynthFull : q == 1 ? build486::SynthHalf : build486::SynthQuarter;
      handler(a, 0, out);
      handler(b, 1, out);
    }
    for (int n = 0; n < 16; ++n) {
      ASSERT_EQ(half[2 * n], full[4 * n]) << c << " " << n;
      ASSERT_EQ(half[2 * n + 1], full[4 * n + 1]) << c << " " << n;
    }
    for (int n = 0; n < 8; ++n) {
      ASSERT_EQ(quarter[2 * n], full[8 * n]) << c << " " << n;
      ASSERT_EQ(quarter[2 * n + 1], full[8 * n + 1]) << c << " " << n;
    }
  }
}

TEST_F(SynthesisTest, OneChannelAndDuplicatingHandlersUseThePentiumState) {
  std::mt19937 rng(3);
  const std::vector<float> in = RandomInput(rng, 50, 0.4f);
  for (int q = 0; q < 3; ++q) {
    const int count = 32 >> q;
    auto two = q == 0 ? buildPentium::SynthFull : q == 1 ? buildPentium::SynthHalf : buildPentium::SynthQuarter;
    auto mono = q == 0 ? SynthFullMono : q == 1 ? SynthHalfMono : SynthQuarterMono;
    auto dup = q == 0 ? SynthFullDup : q == 1 ? SynthHalfDup : SynthQuarterDup;
    std::vector<int16_t> expected, gotMono, gotDup;
    for (int pass = 0; pass < 3; ++pass) {
      ResetSynthStates();
      for (int c = 0; c < 50; ++c) {
        float s[32];
        std::copy_n(&in[size_t(c) * 32], 32, s);
        int16_t out[64] = {};
        if (pass == 0) {
          two(s, 0, out);
          for (int n = 0; n < count; ++n) expected.push_back(out[2 * n]);
        } else if (pass == 1) {
          int16_t guard[33];
          std::fill_n(guard, 33, int16_t(0x5555));
          mono(s, 0, guard);
          EXPECT_EQ(guard[count], 0x5555) << "writes exactly " << count << " samples";
          gotMono.insert(gotMono.end(), guard, guard + count);
        } else {
          dup(s, 0, out);
          for (int n = 0; n < count; ++n) {
            ASSERT_EQ(out[2 * n], out[2 * n + 1]);
            gotDup.push_back(out[2 * n]);
          }
        }
      }
    }
    EXPECT_EQ(gotMono, expected) << q;
    EXPECT_EQ(gotDup, expected) << q;
    EXPECT_EQ(gSynthStates[0][q].ringPos, 1) << "the 486 state is untouched";
  }
}

TEST_F(SynthesisTest, EqualizerScalesSubbandsOnlyWhereItMust) {
  std::mt19937 rng(4);
  const std::vector<float> in = RandomInput(rng, 40, 0.3f);
  auto run = [&](int quality, float inputScale) {
    ResetSynthStates();
    std::vector<int16_t> out;
    auto h = quality == 0 ? buildPentium::SynthFull : buildPentium::SynthHalf;
    for (int c = 0; c < 40; ++c) {
      float s[32];
      for (int n = 0; n < 32; ++n) s[n] = in[size_t(c) * 32 + n] * inputScale;
      int16_t o[64];
      h(s, 0, o);
      for (int n = 0; n < (32 >> quality); ++n) out.push_back(o[2 * n]);
    }
    return out;
  };
  const std::vector<int16_t> plainFull = run(0, 1.0f);
  const std::vector<int16_t> plainHalf = run(1, 1.0f);
  for (int32_t& g : gains_) g = 5;
  EXPECT_EQ(run(0, 1.0f), plainFull) << "disabled: full quality leaves the samples alone";
  const std::vector<int16_t> halfGain5 = run(1, 1.0f);
  for (int32_t& g : gains_) g = 10;
  EXPECT_EQ(halfGain5, run(1, 0.5f)) << "half quality applies the gains even when disabled";
  enabled_ = 1;
  for (int32_t& g : gains_) g = 5;
  EXPECT_EQ(run(0, 1.0f), [&] {
    for (int32_t& g : gains_) g = 10;
    auto r = run(0, 0.5f);
    for (int32_t& g : gains_) g = 5;
    return r;
  }()) << "enabled: full quality applies the gains";
  for (int32_t& g : gains_) g = 10;
  EXPECT_EQ(run(0, 1.0f), plainFull) << "gains of 10 change nothing";
  // Without gains of its own the synthesis is neutral at every quality.
  for (int32_t& g : gains_) g = 5;
  SetEqualizerGains(nullptr, nullptr);
  EXPECT_EQ(run(0, 1.0f), plainFull);
  EXPECT_EQ(run(1, 1.0f), plainHalf);
}

TEST_F(SynthesisTest, SilenceInGivesSilenceOutAndTheRingMovesOncePerPair) {
  float zero[32] = {};
  int16_t out[64];
  std::fill_n(out, 64, int16_t(7));
  EXPECT_EQ(build486::SynthFull(zero, 0, out), 0);
  EXPECT_EQ(gSynthStates[0][0].ringPos, 0);
  EXPECT_EQ(build486::SynthFull(zero, 1, out), 0);
  EXPECT_EQ(gSynthStates[0][0].ringPos, 0);
  for (int16_t s : out) EXPECT_EQ(s, 0);
  build486::SynthFull(zero, 0, out);
  EXPECT_EQ(gSynthStates[0][0].ringPos, 15);
}

TEST(SynthesisTables, WindowIsTheSmoothPrototypeFolded) {
  MakeSynthTables(32767);
  // The prototype low-pass behind D is smooth: a mistyped coefficient shows as a spike in the
  // fourth difference, which otherwise stays within what rounding to integers allows.
  for (int i = 2; i <= 254; ++i) {
    const int d4 = kWindowBase[i - 2] - 4 * kWindowBase[i - 1] + 6 * kWindowBase[i] - 4 * kWindowBase[i + 1] +
                   kWindowBase[i + 2];
    EXPECT_LE(std::abs(d4), 8) << "around index " << i;
  }
  EXPECT_EQ(kWindowBase[0], 0);
  EXPECT_EQ(kWindowBase[128], 2037);
  EXPECT_EQ(kWindowBase[255], 74992);
  EXPECT_EQ(kWindowBase[256], 75038);
  // Folded layout: window[32r + c] = window[32r + c + 16] = -scale * D[32c + r].
  for (int r = 0; r <= 16; ++r)
    for (int c = 0; c < 16; ++c) {
      const float expected = static_cast<float>(-32767.0 * WindowD(32 * c + r));
      ASSERT_EQ(gSynthTables.window[32 * r + c], expected) << r << " " << c;
      ASSERT_EQ(gSynthTables.window[32 * r + c + 16], expected) << r << " " << c;
    }
  EXPECT_FLOAT_EQ(gSynthTables.dct1[0], static_cast<float>(1.0 / (2.0 * std::cos(kPi / 64))));
  EXPECT_FLOAT_EQ(gSynthTables.dct5[0], static_cast<float>(1.0 / (2.0 * std::cos(kPi / 4))));
}

TEST(SynthesisStore, ClipsAndTruncatesExactly) {
  int32_t clipped = 0;
  EXPECT_EQ(StoreSample(32767.0f, clipped), 32767);
  EXPECT_EQ(clipped, 0);
  EXPECT_EQ(StoreSample(32767.5f, clipped), 32767);
  EXPECT_EQ(clipped, 1);
  EXPECT_EQ(StoreSample(-32768.0f, clipped), -32768);
  EXPECT_EQ(clipped, 1);
  EXPECT_EQ(StoreSample(-32768.5f, clipped), -32768);
  EXPECT_EQ(clipped, 2);
  EXPECT_EQ(StoreSample(-0.7f, clipped), 0);
  EXPECT_EQ(StoreSample(1.99f, clipped), 1);
  EXPECT_EQ(StoreSample(-1.99f, clipped), -1);
  EXPECT_EQ(clipped, 2);
}

}  // namespace

namespace {

// The SSE2 and the portable DCT and window sums add in the same order, so every build gives the same
// samples and clip counts whatever the processor offers.
TEST(SynthesisPaths, Sse2AndPortableSumsGiveIdenticalSamples) {
  MakeSynthTables(32767);
  if (!gSynthUsesSse2) GTEST_SKIP() << "no SSE2 path on this processor";
  std::mt19937 rng(9);
  std::uniform_real_distribution<float> u(-0.8f, 0.8f);
  std::vector<float> in(32 * 400);
  for (float& v : in) v = u(rng);
  std::vector<int16_t> out[2];
  int32_t clipped[2] = {0, 0};
  for (int path = 0; path < 2; ++path) {
    gSynthUsesSse2 = path == 0;
    ResetSynthStates();
    for (int q = 0; q < 3; ++q)
      for (size_t c = 0; c + 64 <= in.size(); c += 64) {
        float left[32], right[32];
        std::copy_n(&in[c], 32, left);
        std::copy_n(&in[c + 32], 32, right);
        int16_t pcm[64];
        const auto h = q == 0 ? buildPentium::SynthFull : q == 1 ? buildPentium::SynthHalf : buildPentium::SynthQuarter;
        clipped[path] += h(left, 0, pcm);
        clipped[path] += h(right, 1, pcm);
        out[path].insert(out[path].end(), pcm, pcm + (64 >> q));
      }
  }
  gSynthUsesSse2 = true;
  EXPECT_EQ(out[0], out[1]);
  EXPECT_GT(clipped[0], 0);
  EXPECT_EQ(clipped[0], clipped[1]);
}

}  // namespace
