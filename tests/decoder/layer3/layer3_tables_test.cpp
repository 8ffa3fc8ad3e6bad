// Tests of the tables InitLayer3Tables computes, each against an independent derivation or a property
// the standard's definitions imply.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "decoder/layer3/huffman_trees.h"
#include "decoder/layer3/layer3_build.h"

namespace {

const double kPi = 3.14159265358979323846;

class Layer3TablesTest : public ::testing::Test {
 protected:
  void SetUp() override { InitLayer3Tables(b, 0); }
  Layer3Build& b = gLayer3Builds[1];
};

TEST_F(Layer3TablesTest, GainTableStepsByAQuarterPowerOfTwo) {
  EXPECT_EQ(b.gainTable[46], 1.0f);
  EXPECT_FLOAT_EQ(b.gainTable[0], float(std::exp2(11.5)));
  // Four positions halve, eight quarter: the relations the side information relies on.
  for (int k = 0; k + 8 < kGainPositions; ++k) {
    EXPECT_FLOAT_EQ(b.gainTable[k + 4], b.gainTable[k] * 0.5f) << k;
    EXPECT_FLOAT_EQ(b.gainTable[k + 8], b.gainTable[k] * 0.25f) << k;
  }
  // Position 256 - global_gain addresses 2^((global_gain - 210) / 4).
  for (int gg = 0; gg < 256; gg += 17) EXPECT_FLOAT_EQ(b.gainTable[256 - gg], float(std::exp2((gg - 210) / 4.0))) << gg;
}

TEST_F(Layer3TablesTest, PowerTableIsXTimesCubeRootOfX) {
  for (int x = 0; x < kPowerValues; ++x) {
    const double expected = double(x) * std::cbrt(double(x));
    ASSERT_NEAR(b.powerTable[x], expected, expected * 1e-6 + 1e-9) << x;
  }
  // Perfect cubes come out exact.
  EXPECT_EQ(b.powerTable[8], 16.0f);
  EXPECT_EQ(b.powerTable[27], 81.0f);
  EXPECT_EQ(b.powerTable[1000], 10000.0f);
  // The largest value 13 linbits can make is in the table.
  int maxLinbits = 0;
  for (const HuffmanTable& t : kBigValueTables) maxLinbits = std::max(maxLinbits, int(t.linbits));
  EXPECT_EQ(15 + (1 << maxLinbits) - 1, kPowerValues - 1);
}

// Every map must write each of the 576 lines exactly once, in whole pairs, with the scalefactor slots
// in reading order; the mixed map switches from long to short bands where short band 3 begins.
TEST_F(Layer3TablesTest, BandMapsCoverEveryLineOnce) {
  for (int r = 0; r < kSampleRateCount; ++r) {
    SCOPED_TRACE(r);
    const RateTables& rt = b.rates[r];
    const BandTable& t = kBandTables[r];
    for (const BandMap* map : {&rt.longMap, &rt.shortMap, &rt.mixedMap}) {
      std::vector<int> hits(576, 0);
      int pairs = 0;
      for (int e = 0; e < map->count; ++e) {
        const BandMapEntry& run = map->entries[e];
        const int step = run.window == 3 ? 1 : 3;
        for (int k = 0; k < 2 * run.pairs; ++k) {
          const int line = run.firstLine + k * step;
          ASSERT_GE(line, 0);
          ASSERT_LT(line, 576);
          ++hits[line];
        }
        pairs += run.pairs;
      }
      EXPECT_EQ(pairs, 288);
      for (int i = 0; i < 576; ++i) ASSERT_EQ(hits[i], 1) << "line " << i;
    }
    EXPECT_EQ(rt.longMap.count, 22);
    EXPECT_EQ(rt.shortMap.count, 39);
    // MPEG-1 mixed blocks start with long bands 0..7, the lower rates with long bands 0..5.
    EXPECT_EQ(rt.mixedLongBands, r < 3 ? 8 : 6);
    EXPECT_EQ(t.longStart[rt.mixedLongBands], t.shortStart[3]);
    EXPECT_EQ(rt.mixedMap.count, rt.mixedLongBands + 30);
    // Short runs: band b, windows 0, 1, 2 in turn.
    for (int e = 0; e < 39; ++e) {
      EXPECT_EQ(rt.shortMap.entries[e].band, e / 3);
      EXPECT_EQ(rt.shortMap.entries[e].window, e % 3);
    }
  }
}

// The subband limits cover every line that can be non-zero: the band's lines and, for long bands,
// the eight lines below each boundary that the antialias butterflies reach into the next subband.
TEST_F(Layer3TablesTest, SubbandLimitsCoverTheButterflyReach) {
  for (int quality = 0; quality <= 2; ++quality) {
    InitLayer3Tables(b, quality);
    const int top = 32 >> quality;
    for (int r = 0; r < kSampleRateCount; ++r) {
      const RateTables& rt = b.rates[r];
      const BandTable& t = kBandTables[r];
      EXPECT_EQ(rt.longLimit[0], 1);
      for (int i = 1; i <= 22; ++i) {
        // The last line of band i - 1, spread eight lines on by the butterflies.
        const int highestLine = std::min(t.longStart[i] - 1 + 8, 575);
        const int limit = rt.longLimit[i];
        if (limit < top) {
          EXPECT_LT(highestLine, 18 * limit) << r << " " << i;  // covers it
        }
        EXPECT_GE(highestLine, 18 * (limit - 1)) << r << " " << i;             // and no more
        EXPECT_LE(limit, top);
      }
      for (int i = 1; i <= 13; ++i) {
        const int highestLine = t.shortStart[i] - 1;
        const int limit = rt.shortLimit[i];
        if (limit < top) {
          EXPECT_LT(highestLine, 18 * limit) << r << " " << i;
        }
        EXPECT_GE(highestLine, 18 * (limit - 1)) << r << " " << i;
        EXPECT_LE(limit, top);
      }
    }
  }
  // A full-band long block at quarter quality processes 8 subbands.
  EXPECT_EQ(b.rates[0].longLimit[22], 8);
}

TEST_F(Layer3TablesTest, IntensityRatios) {
  // MPEG-1: the two ratios add up to one; position 0 is all right, 6 all left, 3 an even split.
  for (int p = 0; p < 7; ++p) {
    const double t = std::tan(p * kPi / 12);
    EXPECT_NEAR(b.isLeft[0][p] + b.isRight[0][p], 1.0, 1e-6) << p;
    EXPECT_NEAR(b.isLeft[0][p], t / (1 + t), 1e-6) << p;
    EXPECT_NEAR(b.isLeft[1][p], std::sqrt(2.0) * b.isLeft[0][p], 1e-6) << p;
    EXPECT_NEAR(b.isRight[1][p], std::sqrt(2.0) * b.isRight[0][p], 1e-6) << p;
  }
  EXPECT_EQ(b.isLeft[0][0], 0.0f);
  EXPECT_EQ(b.isRight[0][0], 1.0f);
  EXPECT_NEAR(b.isLeft[0][6], 1.0f, 1e-7);
  EXPECT_NEAR(b.isRight[0][6], 0.0f, 1e-7);
  EXPECT_FLOAT_EQ(b.isLeft[0][3], 0.5f);
  EXPECT_FLOAT_EQ(b.isRight[0][3], 0.5f);
  // Low sampling: odd positions attenuate the left channel, even ones the right, by k per two steps.
  for (int c = 0; c < 2; ++c) {
    const double k = std::exp2(-(c + 1) / 4.0);
    EXPECT_EQ(b.lsfIsLeft[0][c][0], 1.0f);
    EXPECT_EQ(b.lsfIsRight[0][c][0], 1.0f);
    for (int p = 1; p < 32; ++p) {
      const double attenuated = std::pow(k, (p + 1) / 2);
      EXPECT_NEAR(b.lsfIsLeft[0][c][p], (p & 1) ? attenuated : 1.0, 1e-6) << c << " " << p;
      EXPECT_NEAR(b.lsfIsRight[0][c][p], (p & 1) ? 1.0 : attenuated, 1e-6) << c << " " << p;
      EXPECT_NEAR(b.lsfIsLeft[1][c][p], std::sqrt(2.0) * b.lsfIsLeft[0][c][p], 1e-6);
    }
  }
  EXPECT_FLOAT_EQ(b.lsfIsLeft[0][1][3], 0.5f);
  EXPECT_EQ(b.lsfIsRight[0][1][3], 1.0f);
}

TEST_F(Layer3TablesTest, AntialiasButterfliesAreRotations) {
  const double c[8] = {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037};
  for (int i = 0; i < 8; ++i) {
    EXPECT_NEAR(double(b.cs[i]) * b.cs[i] + double(b.ca[i]) * b.ca[i], 1.0, 1e-6) << i;
    EXPECT_NEAR(b.ca[i] / b.cs[i], c[i], 1e-6) << i;
    EXPECT_GT(b.cs[i], 0.0f);
  }
}

// With the output factors taken out, the windows are the sine windows of the standard; the stop window
// is the start window reversed; the second set negates the odd taps.
TEST_F(Layer3TablesTest, WindowsAreTheStandardShapesWithTheTransformFactors) {
  for (int type = 0; type < 4; ++type) {
    const int taps = type == 2 ? 12 : 36;
    for (int i = 0; i < taps; ++i) {
      const double factor = type == 2 ? 0.5 / std::cos(kPi * (2 * i + 7) / 24) : 0.5 / std::cos(kPi * (2 * i + 19) / 72);
      const double shape = b.windows[0][type][i] / factor;
      double expected;
      if (type == 0) {
        expected = std::sin(kPi / 36 * (i + 0.5));
      } else if (type == 2) {
        expected = std::sin(kPi / 12 * (i + 0.5));
      } else {
        const int j = type == 1 ? i : 35 - i;  // stop = start reversed
        expected = j < 18 ? std::sin(kPi / 36 * (j + 0.5)) : j < 24 ? 1.0 : j < 30 ? std::sin(kPi / 12 * (j - 18 + 0.5)) : 0.0;
      }
      EXPECT_NEAR(shape, expected, 1e-6) << type << " " << i;
      EXPECT_EQ(b.windows[1][type][i], (i & 1) ? -b.windows[0][type][i] : b.windows[0][type][i]);
    }
  }
}

// The code trees must keep every walk inside the table for any bit pattern, since the decoder reads
// whatever bits a damaged stream holds.
TEST(Layer3Trees, EveryBranchStaysInsideItsTable) {
  auto check = [](const int16_t* tree, int size) {
    for (int i = 0; i < size; ++i) {
      if (tree[i] >= 0) continue;
      ASSERT_LT(i + 1, size) << i;
      ASSERT_LT(i + 1 - tree[i], size) << i;
    }
  };
  for (const HuffmanTable& t : kBigValueTables) check(t.tree, t.treeSize);
  for (int i = 0; i < 2; ++i) check(kCount1Trees[i], kCount1TreeSizes[i]);
  for (const HuffmanTable& t : kBigValueTables) EXPECT_LE(t.linbits, 13);
}

}  // namespace
