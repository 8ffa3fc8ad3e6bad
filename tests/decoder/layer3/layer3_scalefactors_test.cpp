// Tests of the Layer III scalefactor readers: which values are read with which widths, where they land,
// and the number of bits they report.
#include <gtest/gtest.h>

#include <vector>

#include "decoder/layer3/layer3_build.h"
#include "tests/decoder/layer3/layer3_test_support.h"

namespace {

class ScalefactorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitLayer3Tables(b, 0);
    for (int& v : sf) v = -7;  // anything the reader does not write shows up
    info = GranuleInfo{};
  }
  int32_t ReadMpeg1(const BitWriter& w) {
    LoadFrameBlock(w.Bytes());
    start = gBitReader.bitPointer;
    return ReadScalefactors(sf, info);
  }
  int32_t ReadLsf(const BitWriter& w, int intensity) {
    LoadFrameBlock(w.Bytes());
    start = gBitReader.bitPointer;
    return ReadScalefactorsLsf(b, sf, info, intensity);
  }
  Layer3Build& b = gLayer3Builds[0];
  int32_t sf[kScalefactorSlots];
  GranuleInfo info;
  const uint8_t* start = nullptr;
};

TEST_F(ScalefactorTest, Mpeg1LongBlocks) {
  // scalefac_compress 0 reads nothing and gives zeros.
  info.scfsi = -1;
  BitWriter none;
  none.Put(0xFFFF, 16);
  EXPECT_EQ(ReadMpeg1(none), 0);
  EXPECT_EQ(BitsReadSince(start), 0);
  for (int band = 0; band < 22; ++band) EXPECT_EQ(sf[band], 0) << band;

  // compress 15: 11 values of 4 bits, 10 of 3 bits; band 21 is 0.
  info.scalefac_compress = 15;
  BitWriter w;
  for (int band = 0; band < 11; ++band) w.Put(band, 4);
  for (int band = 11; band < 21; ++band) w.Put((band * 5) & 7, 3);
  EXPECT_EQ(ReadMpeg1(w), 74);
  EXPECT_EQ(BitsReadSince(start), 74);
  for (int band = 0; band < 11; ++band) EXPECT_EQ(sf[band], band);
  for (int band = 11; band < 21; ++band) EXPECT_EQ(sf[band], (band * 5) & 7);
  EXPECT_EQ(sf[21], 0);

  // Granule 1 with every scfsi bit set reads nothing and keeps granule 0's values.
  info.scfsi = 15;
  EXPECT_EQ(ReadMpeg1(none), 0);
  EXPECT_EQ(BitsReadSince(start), 0);
  EXPECT_EQ(sf[10], 10);
  EXPECT_EQ(sf[11], 7);

  // scfsi 1010: bands 6..10 (slen1) and 16..20 (slen2) are read, the others kept.
  info.scfsi = 0xA;
  info.scalefac_compress = 9;  // slen1 2, slen2 2
  BitWriter partial;
  for (int i = 0; i < 5; ++i) partial.Put(3, 2);
  for (int i = 0; i < 5; ++i) partial.Put(1, 2);
  EXPECT_EQ(ReadMpeg1(partial), 20);
  EXPECT_EQ(BitsReadSince(start), 20);
  for (int band = 0; band < 6; ++band) EXPECT_EQ(sf[band], band);
  for (int band = 6; band < 11; ++band) EXPECT_EQ(sf[band], 3);
  for (int band = 11; band < 16; ++band) EXPECT_EQ(sf[band], (band * 5) & 7);
  for (int band = 16; band < 21; ++band) EXPECT_EQ(sf[band], 1);
}

TEST_F(ScalefactorTest, Mpeg1ShortAndMixedBlocks) {
  info.block_type = 2;
  info.scalefac_compress = 15;  // slen1 4, slen2 3
  info.scfsi = 15;              // ignored for short blocks
  BitWriter w;
  for (int i = 0; i < 18; ++i) w.Put(i % 16, 4);
  for (int i = 0; i < 18; ++i) w.Put(i % 8, 3);
  EXPECT_EQ(ReadMpeg1(w), 18 * 4 + 18 * 3);
  EXPECT_EQ(BitsReadSince(start), 126);
  for (int i = 0; i < 18; ++i) EXPECT_EQ(sf[i], i % 16);
  for (int i = 0; i < 18; ++i) EXPECT_EQ(sf[18 + i], i % 8);
  for (int i = 36; i < 39; ++i) EXPECT_EQ(sf[i], 0);

  // Mixed: 8 long and 9 short values of slen1, 18 of slen2: 17 x 4 + 18 x 3 = 122 bits, 38 slots.
  info.mixed_block_flag = 1;
  BitWriter m;
  for (int i = 0; i < 17; ++i) m.Put(15 - i % 16, 4);
  for (int i = 0; i < 18; ++i) m.Put(7 - i % 8, 3);
  sf[38] = -7;
  EXPECT_EQ(ReadMpeg1(m), 122);
  EXPECT_EQ(BitsReadSince(start), 122);
  for (int i = 0; i < 17; ++i) EXPECT_EQ(sf[i], 15 - i % 16);
  for (int i = 0; i < 18; ++i) EXPECT_EQ(sf[17 + i], 7 - i % 8);
  for (int i = 35; i < 38; ++i) EXPECT_EQ(sf[i], 0);
  EXPECT_EQ(sf[38], -7);
}

TEST_F(ScalefactorTest, LowSamplingWidthsRowsAndPreflag) {
  // compress 500: row 2, preflag, all widths 0: nothing read, 21 + 1 zeros.
  info.scalefac_compress = 500;
  BitWriter none;
  none.Put(0xFFFF, 16);
  EXPECT_EQ(ReadLsf(none, 0), 0);
  EXPECT_EQ(BitsReadSince(start), 0);
  EXPECT_EQ(info.preflag, 1);
  for (int i = 0; i < 22; ++i) EXPECT_EQ(sf[i], 0) << i;
  EXPECT_EQ(sf[22], -7);

  // The intensity channel with compress 361 uses word 180: row 4, widths 0, 0, 0: nothing read.
  info.scalefac_compress = 361;
  EXPECT_EQ(ReadLsf(none, 1), 0);
  EXPECT_EQ(BitsReadSince(start), 0);
  EXPECT_EQ(info.preflag, 0);

  // compress 93: widths 1, 0, 3, 1 over the long groups of 6, 5, 5, 5 bands.
  info.scalefac_compress = 93;
  BitWriter w;
  for (int i = 0; i < 6; ++i) w.Put(i & 1, 1);
  for (int i = 0; i < 5; ++i) w.Put(i + 2, 3);
  for (int i = 0; i < 5; ++i) w.Put(1, 1);
  for (int& v : sf) v = -7;
  EXPECT_EQ(ReadLsf(w, 0), 6 + 15 + 5);
  EXPECT_EQ(BitsReadSince(start), 26);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(sf[i], i & 1);
  for (int i = 6; i < 11; ++i) EXPECT_EQ(sf[i], 0);
  for (int i = 11; i < 16; ++i) EXPECT_EQ(sf[i], i - 11 + 2);
  for (int i = 16; i < 21; ++i) EXPECT_EQ(sf[i], 1);
  EXPECT_EQ(sf[21], 0);

  // The same word on a short block: groups of 9 values each, then 3 zeros; on a mixed block the
  // groups are 6, 9, 9, 9, then 5 zeros.
  info.block_type = 2;
  BitWriter s;
  for (int i = 0; i < 9; ++i) s.Put(1, 1);
  for (int i = 0; i < 9; ++i) s.Put(7, 3);
  for (int i = 0; i < 9; ++i) s.Put(1, 1);
  EXPECT_EQ(ReadLsf(s, 0), 9 + 27 + 9);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(sf[i], 1);
  for (int i = 9; i < 18; ++i) EXPECT_EQ(sf[i], 0);
  for (int i = 18; i < 27; ++i) EXPECT_EQ(sf[i], 7);
  for (int i = 27; i < 39; ++i) EXPECT_EQ(sf[i], i < 36 ? 1 : 0);
  info.mixed_block_flag = 1;
  for (int& v : sf) v = -7;
  EXPECT_EQ(ReadLsf(s, 0), 6 + 27 + 9);
  for (int i = 33; i < 38; ++i) EXPECT_EQ(sf[i], 0);
  EXPECT_EQ(sf[38], -7);

  // Intensity words give up to 5-bit widths: compress 2 x 143 -> t = 143: widths 3, 5, 5.
  info.block_type = 0;
  info.mixed_block_flag = 0;
  info.scalefac_compress = 286;
  BitWriter is;
  for (int i = 0; i < 7; ++i) is.Put(7, 3);  // row 3: 7, 7, 7 bands
  for (int i = 0; i < 7; ++i) is.Put(31, 5);
  for (int i = 0; i < 7; ++i) is.Put(16, 5);
  EXPECT_EQ(ReadLsf(is, 1), 7 * 3 + 7 * 5 + 7 * 5);
  EXPECT_EQ(sf[6], 7);
  EXPECT_EQ(sf[13], 31);
  EXPECT_EQ(sf[20], 16);
  EXPECT_EQ(sf[21], 0);
}

}  // namespace
