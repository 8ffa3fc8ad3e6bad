// Tests of the Layer III hybrid filterbank against the standard's IMDCT and windows evaluated here term
// by term in double precision, and of the spectrum record.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "decoder/layer3/layer3_build.h"
#include "decoder/synthesis.h"

namespace {

const double kPi = 3.14159265358979323846;

// The standard's window of a block type (type 2: the 12-point short window).
double StandardWindow(int type, int i) {
  switch (type) {
    case 1:
      return i < 18 ? std::sin(kPi / 36 * (i + 0.5)) : i < 24 ? 1.0 : i < 30 ? std::sin(kPi / 12 * (i - 18 + 0.5)) : 0.0;
    case 2:
      return std::sin(kPi / 12 * (i + 0.5));
    case 3:
      return i < 6 ? 0.0 : i < 12 ? std::sin(kPi / 12 * (i - 6 + 0.5)) : i < 18 ? 1.0 : std::sin(kPi / 36 * (i + 0.5));
    default:
      return std::sin(kPi / 36 * (i + 0.5));
  }
}

// The windowed 36-sample span of one subband: z[i] = w[i] * sum X[k] cos(pi / 72 (2i + 19)(2k + 1)), or
// for short blocks the three windowed 12-point transforms placed at 6, 12 and 18.
std::vector<double> WindowedSpan(const float* x, int type) {
  std::vector<double> z(36, 0.0);
  if (type != 2) {
    for (int i = 0; i < 36; ++i) {
      double y = 0;
      for (int k = 0; k < 18; ++k) y += x[k] * std::cos(kPi / 72 * (2 * i + 19) * (2 * k + 1));
      z[i] = y * StandardWindow(type, i);
    }
  } else {
    for (int u = 0; u < 3; ++u)
      for (int i = 0; i < 12; ++i) {
        double y = 0;
        for (int k = 0; k < 6; ++k) y += x[3 * k + u] * std::cos(kPi / 24 * (2 * i + 7) * (2 * k + 1));
        z[6 + 6 * u + i] += y * StandardWindow(2, i);
      }
  }
  return z;
}

class HybridTest : public ::testing::Test {
 protected:
  void SetUp() override { InitLayer3Tables(b, 0); }
  Layer3Build& b = gLayer3Builds[0];
};

// Imdct36 and Imdct12 with every window, plain and frequency-inverted: output slot t is the previous
// overlap plus the first half of the span (negated on odd t for the inverted set), the next overlap the
// second half. For short blocks that leaves slots 0..5 to the previous overlap and next[12..17] zero.
TEST_F(HybridTest, TransformsMatchTheStandardFormulas) {
  std::mt19937 rng(4);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  for (int type = 0; type < 4; ++type) {
    for (int inverted = 0; inverted < 2; ++inverted) {
      SCOPED_TRACE(type * 2 + inverted);
      for (int trial = 0; trial < 20; ++trial) {
        float x[18], lines[18], prev[18 * 32], next[18 * 32], out[18 * 32];
        for (int i = 0; i < 18; ++i) x[i] = lines[i] = u(rng), prev[32 * i] = u(rng);
        const std::vector<double> z = WindowedSpan(x, type);
        if (type == 2) {
          Imdct12(b, lines, prev, next, b.windows[inverted][2], out);
        } else {
          Imdct36(b, lines, prev, next, b.windows[inverted][type], out);
        }
        for (int t = 0; t < 18; ++t) {
          const double sign = inverted && (t & 1) ? -1.0 : 1.0;
          ASSERT_NEAR(out[32 * t], prev[32 * t] + sign * z[t], 2e-5) << "slot " << t;
          ASSERT_NEAR(next[32 * t], sign * z[18 + t], 2e-5) << "overlap " << t;
        }
      }
    }
  }
}

TEST_F(HybridTest, HybridTransformsActiveSubbandsAndReleasesTheRest) {
  std::mt19937 rng(8);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  for (auto& set : b.overlap)
    for (auto& channel : set)
      for (float& v : channel) v = u(rng);
  b.overlapSet[1] = 1;
  float spectrum[576], copy[576], samples[576];
  for (int i = 0; i < 576; ++i) spectrum[i] = copy[i] = u(rng);
  float prev[576];
  std::copy(b.overlap[1][1], b.overlap[1][1] + 576, prev);

  GranuleInfo gi{};
  gi.block_type = 1;
  gi.activeSubbands = 5;  // subbands go in pairs: 0..5 are transformed
  Hybrid(b, spectrum, samples, 1, gi);
  EXPECT_EQ(b.overlapSet[1], 0);
  const float* next = b.overlap[0][1];
  for (int s = 0; s < 32; ++s) {
    SCOPED_TRACE(s);
    if (s < 6) {
      const std::vector<double> z = WindowedSpan(copy + 18 * s, 1);
      for (int t = 0; t < 18; ++t) {
        const double sign = (s & 1) && (t & 1) ? -1.0 : 1.0;  // odd subbands come out frequency-inverted
        ASSERT_NEAR(samples[32 * t + s], prev[32 * t + s] + sign * z[t], 2e-5) << t;
        ASSERT_NEAR(next[32 * t + s], sign * z[18 + t], 2e-5) << t;
      }
    } else {
      // The lines above are ignored; the old tail sounds out and the store is cleared.
      for (int t = 0; t < 18; ++t) {
        ASSERT_EQ(samples[32 * t + s], prev[32 * t + s]) << t;
        ASSERT_EQ(next[32 * t + s], 0.0f) << t;
      }
    }
  }

  // A silent long granule after it: the slots carry the tail just stored, the store becomes zero.
  float tail[576];
  std::copy(next, next + 576, tail);
  for (float& v : spectrum) v = 0.0f;
  gi.block_type = 0;
  gi.activeSubbands = 32;
  Hybrid(b, spectrum, samples, 1, gi);
  for (int s = 0; s < 32; ++s)
    for (int t = 0; t < 18; ++t) {
      ASSERT_EQ(samples[32 * t + s], tail[32 * t + s]);
      ASSERT_EQ(b.overlap[1][1][32 * t + s], 0.0f);
    }
}

// Mixed blocks: the two lowest subbands go through the normal long window, the rest through the short
// transform.
TEST_F(HybridTest, MixedBlocksUseLongWindowsBelowSubbandTwo) {
  for (auto& set : b.overlap)
    for (auto& channel : set)
      for (float& v : channel) v = 0.0f;
  b.overlapSet[0] = 0;
  float spectrum[576], copy[576], samples[576];
  for (int i = 0; i < 576; ++i) spectrum[i] = copy[i] = float((i * 7) % 11) - 5.0f;
  GranuleInfo gi{};
  gi.block_type = 2;
  gi.mixed_block_flag = 1;
  gi.activeSubbands = 4;
  Hybrid(b, spectrum, samples, 0, gi);
  for (int s = 0; s < 4; ++s) {
    const std::vector<double> z = WindowedSpan(copy + 18 * s, s < 2 ? 0 : 2);
    for (int t = 0; t < 18; ++t) {
      const double sign = (s & 1) && (t & 1) ? -1.0 : 1.0;
      ASSERT_NEAR(samples[32 * t + s], sign * z[t], 1e-4) << s << " " << t;
    }
  }
}

// The SSE2 path transforms four subbands at once with the scalar code's operations in each lane: over
// long, start, stop and mixed blocks and odd and even subband counts it gives the same samples and
// overlap, bit for bit, as the portable path.
TEST_F(HybridTest, Sse2AndPortableTransformsGiveIdenticalResults) {
  MakeSynthTables(32767);
  if (!gSynthUsesSse2) GTEST_SKIP() << "no SSE2 path on this processor";
  std::mt19937 rng(12);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  float spectra[6][576];
  for (auto& spectrum : spectra)
    for (float& v : spectrum) v = u(rng);
  const int kinds[6][3] = {{0, 0, 32}, {1, 0, 27}, {3, 0, 7}, {0, 0, 32}, {1, 1, 14}, {3, 0, 32}};
  std::vector<float> results[2];
  for (int path = 0; path < 2; ++path) {
    gSynthUsesSse2 = path == 0;
    for (auto& set : b.overlap)
      for (auto& channel : set) std::fill(channel, channel + 576, 0.0f);
    for (int g = 0; g < 6; ++g) {
      float spectrum[576], samples[576];
      std::copy(spectra[g], spectra[g] + 576, spectrum);
      GranuleInfo gi{};
      gi.block_type = kinds[g][0];
      gi.mixed_block_flag = kinds[g][1];
      gi.activeSubbands = kinds[g][2];
      Hybrid(b, spectrum, samples, 0, gi);
      results[path].insert(results[path].end(), samples, samples + 576);
    }
    const float* next = b.overlap[b.overlapSet[0]][0];
    results[path].insert(results[path].end(), next, next + 576);
  }
  gSynthUsesSse2 = true;
  ASSERT_EQ(results[0].size(), results[1].size());
  EXPECT_EQ(0, std::memcmp(results[0].data(), results[1].data(), results[0].size() * sizeof(float)));
}

TEST(SpectrumRecord, BytesAreMagnitudesOfTheLowByte) {
  std::vector<float> left(576, 0.0f), right(576, 0.0f);
  left[32 * 0 + 1] = 0.25f;    // 64
  left[32 * 5 + 1] = 0.6f;     // 153 -> low byte -103 -> 103
  left[32 * 17 + 31] = -0.6f;  // -153 -> low byte 103
  left[32 * 3 + 2] = 0.5f;     // 128 -> -128 -> 128
  left[32 * 4 + 0] = 0.9f;     // subband 0 is not shown
  right[32 * 2 + 7] = -0.25f;  // -64 -> 64
  right[32 * 9 + 9] = 1e30f;   // out of any range: no fault
  uint8_t record[1152];
  for (uint8_t& v : record) v = 0xEE;
  BuildSpectrumRecord(left.data(), right.data(), record);
  EXPECT_EQ(record[0 * 18 + 0], 64);
  EXPECT_EQ(record[0 * 18 + 5], 103);
  EXPECT_EQ(record[30 * 18 + 17], 103);
  EXPECT_EQ(record[1 * 18 + 3], 128);
  EXPECT_EQ(record[576 + 6 * 18 + 2], 64);
  int nonZero = 0;
  for (int i = 0; i < 1152; ++i) nonZero += record[i] != 0;
  EXPECT_LE(nonZero, 6);
  for (int i = 558; i < 576; ++i) {
    EXPECT_EQ(record[i], 0);
    EXPECT_EQ(record[576 + i], 0);
  }
}

// Both paths give the same record from ordinary, huge, negative and NaN samples.
TEST(SpectrumRecord, Sse2AndPortablePathsGiveTheSameBytes) {
  MakeSynthTables(32767);
  if (!gSynthUsesSse2) GTEST_SKIP() << "no SSE2 path on this processor";
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> u(-3.0f, 3.0f);
  std::vector<float> samples(1152);
  for (float& v : samples) v = u(rng);
  const float special[] = {1e30f, -1e30f, NAN, 0.5f, -0.5f, 127.99f / 256, -128.0f / 256, 1e7f};
  for (int i = 0; i < 8; ++i) samples[37 * i + 3] = samples[600 + 61 * i] = special[i];
  uint8_t records[2][1152];
  for (int path = 0; path < 2; ++path) {
    gSynthUsesSse2 = path == 0;
    BuildSpectrumRecord(samples.data(), samples.data() + 576, records[path]);
  }
  gSynthUsesSse2 = true;
  EXPECT_EQ(0, std::memcmp(records[0], records[1], sizeof records[0]));
}

}  // namespace
