// Tests of the Layer III spectrum decoders: Huffman walk, linbits and signs, the count1 region and its
// bit budget, requantisation against the standard's formula, short and mixed block ordering, mid/side,
// and survival of arbitrary records and bits.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "decoder/layer3/layer3_build.h"
#include "tests/decoder/layer3/layer3_test_support.h"

namespace {

// The standard's requantisation of value v in a long band (global_gain from the gain position).
double Requantised(int v, int gainPosition, int sf, int pretab, int scalefacScale) {
  const double globalGain = 256 - gainPosition;
  const double magnitude = std::pow(std::abs(double(v)), 4.0 / 3.0);
  const double scale = std::exp2((globalGain - 210) / 4.0) * std::exp2(-0.5 * (1 + scalefacScale) * (sf + pretab));
  return (v < 0 ? -1 : 1) * magnitude * scale;
}

// Appends a big-value pair of table t with its linbits and sign bits.
void PutValues(BitWriter& w, int table, int x, int y) {
  const int linbits = kBigValueTables[table].linbits;
  const int ax = std::min(std::abs(x), 15), ay = std::min(std::abs(y), 15);
  PutPair(w, table, ax, ay);
  if (ax) {
    if (ax == 15 && linbits) w.Put(std::abs(x) - 15, linbits);
    w.Put(x < 0, 1);
  }
  if (ay) {
    if (ay == 15 && linbits) w.Put(std::abs(y) - 15, linbits);
    w.Put(y < 0, 1);
  }
}

class SpectrumTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitLayer3Tables(b, 0);
    gi = GranuleInfo{};
    gi.region1Begin = 288;
    gi.region2Begin = 288;
    gi.gain = 46;
    for (int& v : sf) v = 0;
    for (float& v : spectra) v = 12345.0f;  // stale values must all be overwritten
  }
  // Places the bits and decodes; `bits` of scalefactors are taken as read already.
  int32_t Decode(const BitWriter& w, int rate = 0, int part2 = 0, bool ms = false) {
    std::vector<uint8_t> bytes = w.Bytes();
    bytes.push_back(0xA5);  // bits behind the record that it must not consume
    LoadFrameBlock(bytes, 1000);
    start = gBitReader.bitPointer;
    return ms ? DecodeSpectrumMs(b, spectra, sf, gi, rate, part2) : DecodeSpectrum(b, spectra, sf, gi, rate, part2);
  }
  Layer3Build& b = gLayer3Builds[1];
  GranuleInfo gi;
  int32_t sf[kScalefactorSlots];
  float spectra[2 * kGranuleLines];
  const uint8_t* start = nullptr;
};

TEST_F(SpectrumTest, EmptyRecordGivesASilentSpectrum) {
  BitWriter w;
  EXPECT_EQ(Decode(w), 0);
  EXPECT_EQ(BitsReadSince(start), 0);
  for (int i = 0; i < 576; ++i) ASSERT_EQ(spectra[i], 0.0f) << i;
  EXPECT_EQ(spectra[576], 12345.0f);  // the other channel is not touched
  EXPECT_EQ(gi.longBandEnd, 0);
  EXPECT_EQ(gi.activeSubbands, 1);
}

TEST_F(SpectrumTest, LinbitsAndSigns) {
  // (15, 3) from table 24 (4 linbits) with extension 0101: x = 20, negative; y = 3, positive.
  BitWriter w;
  PutPair(w, 24, 15, 3);
  w.Put(5, 4);
  w.Put(1, 1);
  w.Put(0, 1);
  // Table 15 has no linbits: 15 is a plain value with one sign bit.
  PutPair(w, 15, 15, 0);
  w.Put(0, 1);
  gi.big_values = 2;
  gi.region1Begin = 1;
  gi.table_select[0] = 24;
  gi.table_select[1] = 15;
  gi.part2_3_length = int(w.size());
  EXPECT_EQ(Decode(w), 0);
  EXPECT_EQ(BitsReadSince(start), gi.part2_3_length);
  EXPECT_FLOAT_EQ(spectra[0], -std::pow(20.0f, 4.0f / 3.0f));
  EXPECT_FLOAT_EQ(spectra[1], std::pow(3.0f, 4.0f / 3.0f));
  EXPECT_FLOAT_EQ(spectra[2], std::pow(15.0f, 4.0f / 3.0f));
  EXPECT_EQ(spectra[3], 0.0f);
  EXPECT_EQ(gi.longBandEnd, 1);  // lines 0..3 are long band 0 at 44100 Hz

  // The largest escape, 13 linbits all set: 15 + 8191.
  BitWriter big;
  PutPair(big, 23, 15, 0);
  big.Put(8191, 13);
  big.Put(0, 1);
  gi.big_values = 1;
  gi.table_select[0] = 23;
  gi.part2_3_length = int(big.size());
  EXPECT_EQ(Decode(big), 0);
  EXPECT_FLOAT_EQ(spectra[0], std::pow(8206.0f, 4.0f / 3.0f));
}

// Random long-block records in all three regions and the count1 region, against the standard's
// requantisation formula computed here in double precision.
TEST_F(SpectrumTest, LongBlocksRequantiseAsTheStandardSays) {
  std::mt19937 rng(7);
  const int tables[] = {1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 16, 18, 21, 23, 24, 27, 31};
  for (int trial = 0; trial < 40; ++trial) {
    SCOPED_TRACE(trial);
    SetUp();
    const int rate = int(rng() % 9);
    const BandTable& bands = kBandTables[rate];
    gi.gain = 30 + int(rng() % 120);
    gi.scalefac_scale = int(rng() % 2);
    gi.preflag = int(rng() % 2);
    gi.count1table_select = int(rng() % 2);
    for (int band = 0; band < 22; ++band) sf[band] = int(rng() % 16);
    gi.big_values = 20 + int(rng() % 200);
    gi.region1Begin = int(rng() % (gi.big_values + 1));
    gi.region2Begin = gi.region1Begin + int(rng() % (gi.big_values - gi.region1Begin + 1));
    for (int& t : gi.table_select) t = tables[rng() % (sizeof tables / sizeof tables[0])];

    std::vector<int> values(576, 0);
    BitWriter w;
    for (int pair = 0; pair < gi.big_values; ++pair) {
      const int region = pair < gi.region1Begin ? 0 : pair < gi.region2Begin ? 1 : 2;
      const int table = gi.table_select[region];
      const int linbits = kBigValueTables[table].linbits;
      // The largest magnitude the table codes directly: 1, 2, 3, 5, 7 or 15.
      int top = 0;
      for (int i = 0; i < kBigValueCodeLists[table].count; ++i) top = std::max(top, kBigValueCodeLists[table].codes[i].value & 15);
      int v[2];
      for (int& x : v) {
        x = int(rng() % (top + 1));
        if (x == 15 && linbits) x += int(rng() % (1u << linbits));
        if (rng() % 2) x = -x;
      }
      PutValues(w, table, v[0], v[1]);
      values[2 * pair] = v[0];
      values[2 * pair + 1] = v[1];
    }
    const int quads = int(rng() % ((288 - gi.big_values) / 2 + 1));
    for (int q = 0; q < quads; ++q) {
      const int pattern = int(rng() % 16);
      PutQuad(w, gi.count1table_select, pattern);
      for (int k = 0; k < 4; ++k) {
        if (!(pattern & (8 >> k))) continue;
        const int negative = int(rng() % 2);
        w.Put(negative, 1);
        values[2 * gi.big_values + 4 * q + k] = negative ? -1 : 1;
      }
    }
    const int part2 = int(rng() % 40);
    const int stuffing = int(rng() % 30);
    for (int i = 0; i < stuffing; ++i) w.Put(rng() % 2, 1);
    // Zero bits past the end so that the count1 region stops at the budget, not at a code.
    gi.part2_3_length = int(w.size()) + part2;

    ASSERT_EQ(Decode(w, rate, part2), 0);
    // Count1 codes made of stuffing bits may be decoded, but only up to the budget.
    EXPECT_EQ(BitsReadSince(start), int64_t(w.size()));
    int highest = -1;
    for (int band = 0; band < 22; ++band) {
      for (int i = bands.longStart[band]; i < bands.longStart[band + 1]; ++i) {
        const int pre = gi.preflag ? kPretab[band] : 0;
        const double expected = Requantised(values[i], gi.gain, sf[band], pre, gi.scalefac_scale);
        if (i < 2 * gi.big_values + 4 * quads) {
          ASSERT_NEAR(spectra[i], expected, std::fabs(expected) * 2e-6) << "line " << i;
        } else if (stuffing == 0) {
          ASSERT_EQ(spectra[i], 0.0f) << "line " << i;
        }
        if (values[i] != 0) highest = band;
      }
    }
    if (stuffing == 0) {
      EXPECT_EQ(gi.longBandEnd, highest + 1);
      EXPECT_EQ(gi.activeSubbands, b.rates[rate].longLimit[highest + 1]);
    }
  }
}

TEST_F(SpectrumTest, Count1QuadrupleStopsAtTheBitBudget) {
  // Pattern 1111 with room for only two of its four sign bits: the first two values are decoded, the
  // rest of the spectrum is zero and the record succeeds with its budget used exactly.
  BitWriter w;
  PutQuad(w, 1, 15);
  w.Put(1, 1);
  w.Put(0, 1);
  gi.count1table_select = 1;
  gi.part2_3_length = int(w.size());
  w.Put(0xF, 4);  // more sign bits that lie beyond the record
  EXPECT_EQ(Decode(w), 0);
  EXPECT_EQ(BitsReadSince(start), gi.part2_3_length);
  EXPECT_EQ(spectra[0], -1.0f);
  EXPECT_EQ(spectra[1], 1.0f);
  for (int i = 2; i < 576; ++i) ASSERT_EQ(spectra[i], 0.0f) << i;
  EXPECT_EQ(gi.longBandEnd, 1);

  // A count1 code cut by the budget counts as pattern 0.
  BitWriter cut;
  PutQuad(cut, 1, 0);  // table B: four bits
  gi.part2_3_length = 2;
  EXPECT_EQ(Decode(cut), 0);
  EXPECT_EQ(BitsReadSince(start), 2);
  for (int i = 0; i < 576; ++i) ASSERT_EQ(spectra[i], 0.0f) << i;
}

TEST_F(SpectrumTest, RecordLongerThanItsBudgetFails) {
  BitWriter w;
  for (int i = 0; i < 10; ++i) PutValues(w, 13, 9, -4);
  gi.big_values = 10;
  gi.table_select[0] = 13;
  gi.part2_3_length = int(w.size()) - 1;
  EXPECT_EQ(Decode(w), 1);
  // Scalefactor bits count against the same budget.
  gi.part2_3_length = int(w.size()) + 10;
  EXPECT_EQ(Decode(w, 0, 11), 1);
  EXPECT_EQ(Decode(w, 0, 10), 0);
  EXPECT_EQ(BitsReadSince(start), int64_t(w.size()));
}

// Short blocks: the k-th value of window w in short band b lands on line 3 * start(b) + 3k + w, with the
// window's subblock gain and its own scalefactor; band ends are tracked per window.
TEST_F(SpectrumTest, ShortBlocksAreWrittenWindowInterleaved) {
  std::mt19937 rng(3);
  for (int rate : {0, 4, 8}) {
    SCOPED_TRACE(rate);
    SetUp();
    const BandTable& bands = kBandTables[rate];
    gi.block_type = 2;
    gi.scalefac_scale = 1;
    gi.gain = 60;
    gi.windowGain[0] = 60, gi.windowGain[1] = 68, gi.windowGain[2] = 76;
    for (int i = 0; i < 39; ++i) sf[i] = int(rng() % 8);
    gi.table_select[0] = gi.table_select[1] = 9;
    gi.region1Begin = 18;
    std::vector<int> values;
    BitWriter w;
    // Non-zero values up to short band 5 in window 0, band 3 in window 1, none in window 2.
    for (int b = 0; b < 13; ++b)
      for (int win = 0; win < 3; ++win)
        for (int k = 0; k < bands.shortWidth[b]; ++k) {
          const bool coded = (win == 0 && b <= 5) || (win == 1 && b <= 3);
          values.push_back(coded ? int(rng() % 8) - 3 : 0);
        }
    int pairs = 0;
    for (int b = 0; b <= 5; ++b) pairs += 3 * bands.shortWidth[b] / 2;
    for (int p = 0; p < pairs; ++p) PutValues(w, 9, values[2 * p], values[2 * p + 1]);
    gi.big_values = pairs;
    gi.part2_3_length = int(w.size());
    ASSERT_EQ(Decode(w, rate), 0);
    size_t n = 0;
    int highest[3] = {-1, -1, -1};
    for (int b = 0; b < 13; ++b)
      for (int win = 0; win < 3; ++win)
        for (int k = 0; k < bands.shortWidth[b]; ++k, ++n) {
          const int line = bands.shortStart[b] + 3 * k + win;
          const int position = gi.windowGain[win] + (sf[3 * b + win] << 2);
          const double expected = Requantised(values[n], position, 0, 0, 0);
          ASSERT_NEAR(spectra[line], expected, std::fabs(expected) * 2e-6) << b << " " << win << " " << k;
          if (values[n]) highest[win] = b;
        }
    for (int win = 0; win < 3; ++win) EXPECT_EQ(gi.shortBandEnd[win], highest[win] + 1) << win;
    const int top = std::max(highest[0], std::max(highest[1], highest[2])) + 1;
    EXPECT_EQ(gi.activeSubbands, b.rates[rate].shortLimit[top]);
  }
}

// Mixed blocks: long bands up to where short band 3 begins (with the global gain and the first
// scalefactors), then short bands 3..12 window-interleaved with the following scalefactors.
TEST_F(SpectrumTest, MixedBlocksStartWithLongBands) {
  for (int rate : {1, 3}) {
    SCOPED_TRACE(rate);
    SetUp();
    const BandTable& bands = kBandTables[rate];
    const int longBands = b.rates[rate].mixedLongBands;
    gi.block_type = 2;
    gi.mixed_block_flag = 1;
    gi.gain = 50;
    gi.windowGain[0] = 58, gi.windowGain[1] = 66, gi.windowGain[2] = 74;
    for (int i = 0; i < 39; ++i) sf[i] = i % 5;
    gi.table_select[0] = gi.table_select[1] = 13;
    gi.region1Begin = 18;
    BitWriter w;
    // Every line gets value (line % 7) - 3: 288 pairs of big values.
    for (int p = 0; p < 288; ++p) PutValues(w, 13, (2 * p) % 7 - 3, (2 * p + 1) % 7 - 3);
    gi.big_values = 288;
    gi.part2_3_length = int(w.size());
    ASSERT_EQ(Decode(w, rate), 0);
    int n = 0;
    for (int band = 0; band < longBands; ++band)
      for (int i = bands.longStart[band]; i < bands.longStart[band + 1]; ++i, ++n) {
        const double expected = Requantised(n % 7 - 3, gi.gain, sf[band], 0, 0);
        ASSERT_NEAR(spectra[i], expected, std::fabs(expected) * 2e-6) << i;
      }
    ASSERT_EQ(n, 36);
    int slot = longBands;
    for (int sb = 3; sb < 13; ++sb)
      for (int win = 0; win < 3; ++win, ++slot)
        for (int k = 0; k < bands.shortWidth[sb]; ++k, ++n) {
          const int line = bands.shortStart[sb] + 3 * k + win;
          const double expected = Requantised(n % 7 - 3, gi.windowGain[win], sf[slot], 0, 0);
          ASSERT_NEAR(spectra[line], expected, std::fabs(expected) * 2e-6) << line;
        }
    EXPECT_EQ(n, 576);
    EXPECT_EQ(gi.activeSubbands, 32);
    EXPECT_EQ(gi.longBandEnd, longBands);
  }
}

// Mid/side: each side value s combines with the mid value m: left m + s, right m - s; where the side
// channel has no value the right channel takes the mid value.
TEST_F(SpectrumTest, MidSideFormsLeftAndRight) {
  std::mt19937 rng(11);
  std::vector<float> mid(576);
  for (int i = 0; i < 576; ++i) mid[i] = spectra[i] = float(int(rng() % 2001) - 1000) / 256.0f;
  BitWriter w;
  std::vector<int> side(576, 0);
  for (int p = 0; p < 40; ++p) {
    side[2 * p] = int(rng() % 5) - 2;
    side[2 * p + 1] = int(rng() % 5) - 2;
    PutValues(w, 7, side[2 * p], side[2 * p + 1]);
  }
  PutQuad(w, 0, 0x9);
  w.Put(1, 1);
  w.Put(0, 1);
  side[80] = -1;
  side[83] = 1;
  gi.big_values = 40;
  gi.table_select[0] = 7;
  gi.part2_3_length = int(w.size());
  ASSERT_EQ(Decode(w, 0, 0, true), 0);
  for (int i = 0; i < 576; ++i) {
    const float s = side[i] == 0 ? 0.0f : float(Requantised(side[i], gi.gain, 0, 0, 0));
    ASSERT_FLOAT_EQ(spectra[i], side[i] ? mid[i] + s : mid[i]) << i;
    ASSERT_FLOAT_EQ(spectra[576 + i], mid[i] - s) << i;
  }
}

TEST_F(SpectrumTest, QuarterQualityLimitsTheSubbands) {
  InitLayer3Tables(b, 2);
  BitWriter w;
  for (int p = 0; p < 288; ++p) PutValues(w, 1, 1, 0);
  gi.big_values = 288;
  gi.table_select[0] = 1;
  gi.part2_3_length = int(w.size());
  ASSERT_EQ(Decode(w), 0);
  EXPECT_EQ(gi.longBandEnd, 22);
  EXPECT_EQ(gi.activeSubbands, 8);
}

// Whatever a damaged record claims and whatever bits follow, the decoders stay inside their tables and
// buffers (the sanitizers watch), leave finite values, and keep the reader inside the frame block.
TEST_F(SpectrumTest, ArbitraryRecordsAndBitsStayInBounds) {
  std::mt19937 rng(5);
  for (int trial = 0; trial < 3000; ++trial) {
    for (size_t i = 0; i < sizeof gFrameBlock - kFrameGuardBytes; ++i) gFrameBlock[i] = uint8_t(rng());
    // Start anywhere, including right before the end of the areas.
    const int offset = trial % 4 == 0 ? kFrameBlockBytes - int(rng() % 16) : int(rng() % kFrameBlockBytes);
    SetBitPointer(gFrameBlock + offset);
    gi.part2_3_length = int(rng() % 4096);
    gi.big_values = int(rng() % 289);
    gi.region1Begin = int(rng() % 300);
    gi.region2Begin = int(rng() % 300);
    for (int& t : gi.table_select) t = int(rng() % 32);
    gi.block_type = int(rng() % 4);
    gi.mixed_block_flag = int(rng() % 2);
    gi.count1table_select = int(rng() % 2);
    gi.preflag = int(rng() % 2);
    gi.scalefac_scale = int(rng() % 2);
    gi.gain = int(rng() % 263);
    for (int& g : gi.windowGain) g = gi.gain + 8 * int(rng() % 8);
    for (int& v : sf) v = int(rng() % 128);
    const int rate = int(rng() % 9);
    const int part2 = int(rng() % 200);
    if (trial % 2) {
      DecodeSpectrumMs(b, spectra, sf, gi, rate, part2);
    } else {
      DecodeSpectrum(b, spectra, sf, gi, rate, part2);
    }
    ASSERT_GE(gBitReader.bitPointer, gFrameBlock);
    ASSERT_LE(gBitReader.bitPointer, gFrameBlock + kFrameBlockBytes);
    ASSERT_GE(gi.activeSubbands, 1);
    ASSERT_LE(gi.activeSubbands, 32);
    for (float v : spectra) ASSERT_TRUE(std::isfinite(v));
  }
}

}  // namespace
