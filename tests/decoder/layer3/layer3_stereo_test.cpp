// Tests of Layer III intensity stereo and the antialias butterflies.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "decoder/layer3/layer3_build.h"
#include "decoder/synthesis.h"
#include "tests/decoder/layer3/layer3_test_support.h"

namespace {

const double kPi = 3.14159265358979323846;

// The standard's MPEG-1 ratios (without mid/side); position 7 and above are not intensity coded.
bool Mpeg1Ratios(int p, double* left, double* right) {
  if (p >= 7) return false;
  const double t = std::tan(p * kPi / 12);
  *left = p == 6 ? 1.0 : t / (1 + t);
  *right = p == 6 ? 0.0 : 1 / (1 + t);
  return true;
}

class IntensityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitLayer3Tables(b, 0);
    std::mt19937 rng(1);
    for (int i = 0; i < 576; ++i) {
      left[i] = spectra[i] = float(int(rng() % 2001) - 1000) / 100.0f;
      right[i] = spectra[576 + i] = 5000.0f + float(i);
    }
    gi = GranuleInfo{};
    for (int& v : sf) v = 7;
  }
  // Checks one line: processed with the ratios, or untouched.
  void ExpectLine(int i, bool processed, double l, double r, const char* what) {
    if (processed) {
      ASSERT_NEAR(spectra[i], left[i] * l, 1e-5 + std::fabs(left[i]) * 1e-6) << what << " line " << i;
      ASSERT_NEAR(spectra[576 + i], left[i] * r, 1e-5 + std::fabs(left[i]) * 1e-6) << what << " line " << i;
    } else {
      ASSERT_EQ(spectra[i], left[i]) << what << " line " << i;
      ASSERT_EQ(spectra[576 + i], right[i]) << what << " line " << i;
    }
  }
  Layer3Build& b = gLayer3Builds[1];
  float spectra[1152];
  float left[576], right[576];
  int32_t sf[kScalefactorSlots];
  GranuleInfo gi;
};

TEST_F(IntensityTest, Mpeg1LongBlocks) {
  const BandTable& t = kBandTables[0];
  gi.longBandEnd = 10;
  for (int band = 0; band < 22; ++band) sf[band] = (band * 3) % 8;  // every position, 7 included
  IntensityStereo(b, spectra, sf, gi, 0, 0, 0);
  for (int band = 0; band < 22; ++band) {
    // Band 21 has no position of its own and takes band 20's.
    const int p = sf[band == 21 ? 20 : band];
    double l = 0, r = 0;
    const bool processed = band >= 10 && Mpeg1Ratios(p, &l, &r);
    for (int i = t.longStart[band]; i < t.longStart[band + 1]; ++i) ExpectLine(i, processed, l, r, "long");
  }
  // Position 0 sends everything right, 6 everything left, 3 splits evenly.
  EXPECT_EQ(spectra[576 + t.longStart[16]], left[t.longStart[16]]);  // band 16: position 0
  EXPECT_EQ(spectra[t.longStart[16]], 0.0f);
  EXPECT_FLOAT_EQ(spectra[t.longStart[18]], left[t.longStart[18]]);  // band 18: position 6
  EXPECT_FLOAT_EQ(spectra[t.longStart[17]], 0.5f * left[t.longStart[17]]);  // band 17: position 3
  EXPECT_EQ(spectra[t.longStart[13]], left[t.longStart[13]]);               // band 13: position 7
}

TEST_F(IntensityTest, NothingAboveACodedTopBand) {
  // Channel 1 holds lines up to band 21: no band is intensity coded, band 21 included.
  for (int band = 0; band < 22; ++band) sf[band] = 3;
  gi.longBandEnd = 22;
  IntensityStereo(b, spectra, sf, gi, 0, 0, 0);
  for (int i = 0; i < 576; ++i) ExpectLine(i, false, 0, 0, "top");
  // Coded lines up to band 20: only band 21 is processed, with band 20's position.
  gi.longBandEnd = 21;
  IntensityStereo(b, spectra, sf, gi, 0, 0, 0);
  const BandTable& t = kBandTables[0];
  for (int i = t.longStart[20]; i < 576; ++i) ExpectLine(i, i >= t.longStart[21], 0.5, 0.5, "band 21");
}

TEST_F(IntensityTest, MidSideScalesByRootTwo) {
  for (int band = 0; band < 22; ++band) sf[band] = 2;
  IntensityStereo(b, spectra, sf, gi, 2, 1, 0);
  double l, r;
  Mpeg1Ratios(2, &l, &r);
  for (int i = 0; i < 576; ++i) ExpectLine(i, true, std::sqrt(2.0) * l, std::sqrt(2.0) * r, "ms");
}

// The low-sampling factors: position 0 leaves both channels at the coded value, an odd position scales
// the left channel by k^((p + 1) / 2), an even one the right by k^(p / 2); k = 2^(-1/4) or 2^(-1/2).
void LowSamplingRatios(int p, int selector, double* left, double* right) {
  const double k = std::exp2(-(selector + 1) / 4.0);
  *left = (p & 1) ? std::pow(k, (p + 1) / 2) : 1.0;
  *right = (p & 1) ? 1.0 : std::pow(k, p / 2);
}

// Low-sampling intensity positions written bit by bit as channel 1's scalefactors, read back with the
// intensity widths and applied. Each group's largest value (2^width - 1) marks a band as not intensity
// coded; the top band takes the position of the band below, and goes to both channels unchanged when
// the band below holds coded lines.
TEST_F(IntensityTest, LowSamplingPositionsFromWrittenScalefactors) {
  // Writes one value per slot with the widths of the intensity word t and reads them back.
  auto readPositions = [&](int t, int selector, const std::vector<int>& values, const int* widths,
                           const uint8_t* groupSlots) {
    gi.scalefac_compress = 2 * t + selector;
    BitWriter w;
    size_t i = 0;
    for (int g = 0; g < 3; ++g)
      for (int n = 0; n < groupSlots[g]; ++n) w.Put(uint32_t(values.at(i++)), widths[g]);
    LoadFrameBlock(w.Bytes());
    ASSERT_EQ(ReadScalefactorsLsf(b, sf, gi, 1), int(w.size()));
  };

  // Long block at 22050 Hz, t = 105: widths 2, 5, 3 over bands 0..6, 7..13, 14..20, so the markers are
  // 3, 31 and 7. Bands 0 and 1 hold coded lines of channel 1.
  const int longWidths[3] = {2, 5, 3};
  const uint8_t longSlots[3] = {7, 7, 7};
  const std::vector<int> longValues = {2, 2, 0, 3, 1, 2, 3, 7, 30, 31, 8, 13, 31, 4, 7, 0, 3, 2, 5, 6, 7};
  const BandTable& t = kBandTables[3];
  for (int selector = 0; selector < 2; ++selector) {
    SCOPED_TRACE(selector);
    SetUp();
    readPositions(105, selector, longValues, longWidths, longSlots);
    gi.longBandEnd = 2;
    IntensityStereo(b, spectra, sf, gi, 3, 0, 1);
    for (int band = 0; band < 22; ++band) {
      const int p = longValues[band == 21 ? 20 : band];
      const int marker = band < 7 ? 3 : band < 14 ? 31 : 7;
      double l, r;
      LowSamplingRatios(p, selector, &l, &r);
      const bool processed = band >= 2 && p != marker;
      for (int i = t.longStart[band]; i < t.longStart[band + 1]; ++i) ExpectLine(i, processed, l, r, "long");
    }
    // Position 7 is an ordinary one in band 7; 3 with k-selector 1 halves the left channel (band 16).
    EXPECT_NE(spectra[t.longStart[7]], left[t.longStart[7]]);
    if (selector) {
      EXPECT_FLOAT_EQ(spectra[t.longStart[16]], 0.5f * left[t.longStart[16]]);
    }

    // With coded lines up to band 20, band 21 goes to both channels; mid/side adds sqrt(2) to both.
    SetUp();
    readPositions(105, selector, longValues, longWidths, longSlots);
    gi.longBandEnd = 21;
    IntensityStereo(b, spectra, sf, gi, 3, 1, 1);
    const double root2 = std::sqrt(2.0);
    for (int i = t.longStart[20]; i < 576; ++i) ExpectLine(i, i >= t.longStart[21], root2, root2, "top");
  }

  // Mixed block at 24000 Hz, t = 62: widths 1, 4, 2 over long bands 0..5 (slots 0..5), short bands 3..7
  // (slots 6..20) and short bands 8..11 (slots 21..32); markers 1, 15 and 3. First with no window coded
  // above short band 2, so the long bands above longBandEnd are processed too; then with windows coded
  // up to bands 7 and 11, where window 2's band 12 goes to both channels.
  const int mixedWidths[3] = {1, 4, 2};
  const uint8_t mixedSlots[3] = {6, 15, 12};
  std::vector<int> mixedValues;
  for (int i = 0; i < 33; ++i) mixedValues.push_back(i < 6 ? i & 1 : i < 21 ? (i * 7) % 16 : i % 4);
  const BandTable& m = kBandTables[4];
  const int ends[2][3] = {{3, 3, 3}, {3, 8, 12}};
  for (const auto& end : ends) {
    SCOPED_TRACE(end[2]);
    SetUp();
    gi.block_type = 2;
    gi.mixed_block_flag = 1;
    readPositions(62, 0, mixedValues, mixedWidths, mixedSlots);
    for (int w = 0; w < 3; ++w) gi.shortBandEnd[w] = end[w];
    gi.longBandEnd = 2;
    IntensityStereo(b, spectra, sf, gi, 4, 0, 1);
    double l, r;
    for (int band = 0; band < 6; ++band) {
      LowSamplingRatios(mixedValues[band], 0, &l, &r);
      const bool processed = end[2] == 3 && band >= 2 && mixedValues[band] != 1;
      for (int i = m.longStart[band]; i < m.longStart[band + 1]; ++i) ExpectLine(i, processed, l, r, "mixed long");
    }
    for (int sb = 3; sb < 13; ++sb) {
      for (int w = 0; w < 3; ++w) {
        const int slot = 6 + 3 * ((sb == 12 ? 11 : sb) - 3) + w;
        const int p = sb == 12 && end[w] == 12 ? 0 : mixedValues[slot];
        const bool processed = sb >= end[w] && p != (sb == 12 && end[w] == 12 ? -1 : slot < 21 ? 15 : 3);
        LowSamplingRatios(p, 0, &l, &r);
        for (int k = 0; k < m.shortWidth[sb]; ++k)
          ExpectLine(m.shortStart[sb] + 3 * k + w, processed, l, r, "mixed short");
      }
    }
  }
}

TEST_F(IntensityTest, ShortBlocksPerWindow) {
  const BandTable& t = kBandTables[0];
  gi.block_type = 2;
  for (int i = 0; i < 39; ++i) sf[i] = i % 7;
  // Window 0 has coded lines in band 12: nothing of it is processed. Window 1 from band 5, window 2
  // only band 12, which takes band 11's position.
  gi.shortBandEnd[0] = 13, gi.shortBandEnd[1] = 5, gi.shortBandEnd[2] = 12;
  IntensityStereo(b, spectra, sf, gi, 0, 0, 0);
  for (int sb = 0; sb < 13; ++sb) {
    for (int w = 0; w < 3; ++w) {
      const int p = sf[3 * (sb == 12 ? 11 : sb) + w];
      double l = 0, r = 0;
      const bool processed = sb >= gi.shortBandEnd[w] && Mpeg1Ratios(p, &l, &r);
      for (int k = 0; k < t.shortWidth[sb]; ++k) ExpectLine(t.shortStart[sb] + 3 * k + w, processed, l, r, "short");
    }
  }
}

// A mixed block processes its long bands as well when no window has coded lines above short band 2.
TEST_F(IntensityTest, MixedBlocksAndTheirLongBands) {
  const BandTable& t = kBandTables[1];
  for (int topWindow1 : {3, 4}) {
    SCOPED_TRACE(topWindow1);
    SetUp();
    gi.block_type = 2;
    gi.mixed_block_flag = 1;
    for (int i = 0; i < 39; ++i) sf[i] = (i * 5) % 7;
    gi.shortBandEnd[0] = 3, gi.shortBandEnd[1] = topWindow1, gi.shortBandEnd[2] = 3;
    gi.longBandEnd = 5;
    IntensityStereo(b, spectra, sf, gi, 1, 0, 0);
    for (int band = 0; band < 8; ++band) {
      double l = 0, r = 0;
      const bool processed = topWindow1 == 3 && band >= 5 && Mpeg1Ratios(sf[band], &l, &r);
      for (int i = t.longStart[band]; i < t.longStart[band + 1]; ++i) ExpectLine(i, processed, l, r, "mixed long");
    }
    for (int sb = 3; sb < 13; ++sb) {
      for (int w = 0; w < 3; ++w) {
        const int p = sf[8 + 3 * ((sb == 12 ? 11 : sb) - 3) + w];
        double l = 0, r = 0;
        const bool processed = sb >= gi.shortBandEnd[w] && Mpeg1Ratios(p, &l, &r);
        for (int k = 0; k < t.shortWidth[sb]; ++k)
          ExpectLine(t.shortStart[sb] + 3 * k + w, processed, l, r, "mixed short");
      }
    }
  }
}

TEST(Antialias, ButterfliesAtTheSubbandBoundaries) {
  Layer3Build& b = gLayer3Builds[0];
  InitLayer3Tables(b, 0);
  const double c[8] = {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037};
  std::mt19937 rng(2);
  float x[576], original[576];
  for (int i = 0; i < 576; ++i) original[i] = float(int(rng() % 2001) - 1000) / 10.0f;

  auto run = [&](int blockType, int mixed, int active) {
    GranuleInfo gi{};
    gi.block_type = blockType;
    gi.mixed_block_flag = mixed;
    gi.activeSubbands = active;
    std::copy(original, original + 576, x);
    Antialias(b, x, gi);
  };
  auto expectBoundaries = [&](int boundaries) {
    double y[576];
    for (int i = 0; i < 576; ++i) y[i] = original[i];
    for (int s = 1; s <= boundaries; ++s)
      for (int i = 0; i < 8; ++i) {
        const double n = std::sqrt(1 + c[i] * c[i]);
        const double lo = y[18 * s - 1 - i], up = y[18 * s + i];
        y[18 * s - 1 - i] = lo / n - up * c[i] / n;
        y[18 * s + i] = up / n + lo * c[i] / n;
      }
    for (int i = 0; i < 576; ++i) ASSERT_NEAR(x[i], y[i], 1e-3) << boundaries << " line " << i;
  };
  // Both paths, where the processor offers SSE2: each within the bound, and the same bit for bit.
  MakeSynthTables(32767);
  const int paths = gSynthUsesSse2 ? 2 : 1;
  std::vector<float> results[2];
  for (int path = 0; path < paths; ++path) {
    SCOPED_TRACE(path);
    gSynthUsesSse2 = path == 1;
    run(2, 0, 32);  // pure short blocks: nothing
    expectBoundaries(0);
    run(0, 0, 1);   // one subband: no boundary
    expectBoundaries(0);
    run(1, 0, 5);
    expectBoundaries(4);
    run(3, 0, 32);
    expectBoundaries(31);
    results[path].assign(x, x + 576);
    run(2, 1, 32);  // mixed: only between the two long subbands
    expectBoundaries(1);
  }
  MakeSynthTables(32767);
  if (paths == 2) {
    EXPECT_EQ(0, std::memcmp(results[0].data(), results[1].data(), 576 * sizeof(float)));
  }
}

}  // namespace
