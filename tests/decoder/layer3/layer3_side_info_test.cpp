// Tests of the Layer III side information: field order and widths for MPEG-1 and the low sampling
// frequencies, the derived gains and region boundaries, and the block_type 0 error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder/layer3/layer3_build.h"
#include "platform/notify.h"
#include "tests/box_recorder.h"
#include "tests/decoder/layer3/layer3_test_support.h"

namespace {

struct Record {
  int part23 = 0, bigValues = 0, globalGain = 0, compress = 0;
  bool switching = false;
  int blockType = 0, mixed = 0, tables[3] = {0, 0, 0}, subblockGain[3] = {0, 0, 0};
  int region0 = 0, region1 = 0;
  int preflag = 0, scale = 0, count1 = 0;
};

void PutRecord(BitWriter& w, const Record& r, bool lowSampling) {
  w.Put(r.part23, 12);
  w.Put(r.bigValues, 9);
  w.Put(r.globalGain, 8);
  w.Put(r.compress, lowSampling ? 9 : 4);
  w.Put(r.switching, 1);
  if (r.switching) {
    w.Put(r.blockType, 2);
    w.Put(r.mixed, 1);
    w.Put(r.tables[0], 5);
    w.Put(r.tables[1], 5);
    for (int g : r.subblockGain) w.Put(g, 3);
  } else {
    for (int t : r.tables) w.Put(t, 5);
    w.Put(r.region0, 4);
    w.Put(r.region1, 3);
  }
  if (!lowSampling) w.Put(r.preflag, 1);
  w.Put(r.scale, 1);
  w.Put(r.count1, 1);
}

StreamState MakeState(int channels, int lowSampling, int rateIndex, int mode = -1, int modeExt = 0,
                      int channelSelect = -1) {
  StreamState s{};
  s.channels = channels;
  s.mode = mode >= 0 ? mode : channels == 1 ? 3 : 0;
  s.modeExt = modeExt;
  s.lowSampling = lowSampling;
  s.sampleRateIndex = rateIndex;
  s.channelSelect = channelSelect;
  return s;
}

class SideInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitLayer3Tables(b, 0);
    BoxRecorder::Start();
  }
  void TearDown() override { BoxRecorder::Stop(); }
  // Loads the bits, reads the side information and returns the bits it took.
  int64_t Read(const BitWriter& w, const StreamState& s, int32_t* result = nullptr) {
    LoadFrameBlock(w.Bytes());
    const uint8_t* start = gBitReader.bitPointer;
    const int32_t r = ReadSideInfo(b, MakeFrameSetup(s));
    if (result) *result = r;
    return BitsReadSince(start);
  }
  Layer3Build& b = gLayer3Builds[1];
};

TEST_F(SideInfoTest, Mpeg1MonoAndStereoLayouts) {
  // One channel: 9 + 5 private + 4 scfsi bits, then one record per granule: 17 bytes.
  BitWriter mono;
  mono.Put(300, 9);
  mono.Put(0x1F, 5);
  mono.Put(0xA, 4);
  Record r0, r1;
  r0.part23 = 1234, r0.bigValues = 100, r0.globalGain = 210, r0.compress = 9, r0.tables[0] = 7, r0.tables[1] = 24,
  r0.tables[2] = 31, r0.region0 = 3, r0.region1 = 2, r0.preflag = 1, r0.scale = 1, r0.count1 = 1;
  r1.part23 = 77, r1.bigValues = 5, r1.globalGain = 100, r1.switching = true, r1.blockType = 3;
  PutRecord(mono, r0, false);
  PutRecord(mono, r1, false);
  ASSERT_EQ(mono.size(), 136u);
  EXPECT_EQ(Read(mono, MakeState(1, 0, 0)), 136);
  const SideInfo& si = b.side;
  EXPECT_EQ(si.main_data_begin, 300u);
  EXPECT_EQ(si.private_bits, 0x1Fu);
  const GranuleInfo& g0 = si.granules[0][0];
  const GranuleInfo& g1 = si.granules[0][1];
  EXPECT_EQ(g0.scfsi, -1);
  EXPECT_EQ(g1.scfsi, 0xA);
  EXPECT_EQ(g0.part2_3_length, 1234);
  EXPECT_EQ(g0.big_values, 100);
  EXPECT_EQ(g0.gain, 256 - 210);
  EXPECT_EQ(g0.scalefac_compress, 9);
  EXPECT_EQ(g0.block_type, 0);
  EXPECT_EQ(g0.table_select[0], 7);
  EXPECT_EQ(g0.table_select[1], 24);
  EXPECT_EQ(g0.table_select[2], 31);
  // Long band starts at 44100 Hz: band 4 begins at line 16, band 7 at 30.
  EXPECT_EQ(g0.region1Begin, 16 / 2);
  EXPECT_EQ(g0.region2Begin, 30 / 2);
  EXPECT_EQ(g0.preflag, 1);
  EXPECT_EQ(g0.scalefac_scale, 1);
  EXPECT_EQ(g0.count1table_select, 1);
  EXPECT_EQ(g1.part2_3_length, 77);
  EXPECT_EQ(g1.block_type, 3);

  // Two channels: 3 private bits, two scfsi nibbles, four records in granule-then-channel order: 32 bytes.
  BitWriter stereo;
  stereo.Put(5, 9);
  stereo.Put(6, 3);
  stereo.Put(0x3, 4);
  stereo.Put(0xC, 4);
  for (int i = 0; i < 4; ++i) {
    Record r;
    r.part23 = 100 + i;
    PutRecord(stereo, r, false);
  }
  ASSERT_EQ(stereo.size(), 256u);
  EXPECT_EQ(Read(stereo, MakeState(2, 0, 1)), 256);
  EXPECT_EQ(si.private_bits, 6u);
  EXPECT_EQ(si.granules[0][1].scfsi, 0x3);
  EXPECT_EQ(si.granules[1][1].scfsi, 0xC);
  EXPECT_EQ(si.granules[0][0].part2_3_length, 100);
  EXPECT_EQ(si.granules[1][0].part2_3_length, 101);
  EXPECT_EQ(si.granules[0][1].part2_3_length, 102);
  EXPECT_EQ(si.granules[1][1].part2_3_length, 103);
}

TEST_F(SideInfoTest, LowSamplingLayouts) {
  // Two channels: 8 bits of main_data_begin, 2 private bits, one 63-bit record per channel: 17 bytes.
  BitWriter stereo;
  stereo.Put(255, 8);
  stereo.Put(2, 2);
  Record r;
  r.part23 = 4095, r.compress = 511, r.scale = 1, r.count1 = 0;
  PutRecord(stereo, r, true);
  r.compress = 3, r.count1 = 1;
  PutRecord(stereo, r, true);
  ASSERT_EQ(stereo.size(), 136u);
  EXPECT_EQ(Read(stereo, MakeState(2, 1, 3)), 136);
  EXPECT_EQ(b.side.main_data_begin, 255u);
  EXPECT_EQ(b.side.private_bits, 2u);
  EXPECT_EQ(b.side.granules[0][0].scalefac_compress, 511);
  EXPECT_EQ(b.side.granules[0][0].part2_3_length, 4095);
  EXPECT_EQ(b.side.granules[1][0].scalefac_compress, 3);
  EXPECT_EQ(b.side.granules[1][0].count1table_select, 1);

  // One channel: 8 + 1 + 63 bits = 9 bytes. The record has no preflag bit; the reader keeps it.
  BitWriter mono;
  mono.Put(17, 8);
  mono.Put(1, 1);
  r.scale = 0;
  PutRecord(mono, r, true);
  ASSERT_EQ(mono.size(), 72u);
  b.side.granules[0][0].preflag = 1;
  EXPECT_EQ(Read(mono, MakeState(1, 1, 5)), 72);
  EXPECT_EQ(b.side.main_data_begin, 17u);
  EXPECT_EQ(b.side.granules[0][0].preflag, 1);
}

TEST_F(SideInfoTest, GainsAndBigValuesLimit) {
  auto readOne = [&](const Record& r, const StreamState& s) {
    BitWriter w;
    w.Put(0, 9);
    w.Put(0, s.channels == 1 ? 5 : 3);
    for (int c = 0; c < s.channels; ++c) w.Put(0, 4);
    for (int i = 0; i < 2 * s.channels; ++i) PutRecord(w, r, false);
    Read(w, s);
  };
  Record r;
  r.bigValues = 300;
  r.globalGain = 170;
  readOne(r, MakeState(1, 0, 0));
  EXPECT_EQ(b.side.granules[0][0].big_values, 288);
  EXPECT_EQ(b.side.granules[0][0].gain, 86);
  // Mid/side adds two positions (1/sqrt(2)), the mix of both channels four (1/2).
  readOne(r, MakeState(2, 0, 0, 1, 2));
  EXPECT_EQ(b.side.granules[1][1].gain, 88);
  readOne(r, MakeState(2, 0, 0, 1, 2, 3));
  EXPECT_EQ(b.side.granules[0][0].gain, 92);
  // Intensity alone changes no gain.
  readOne(r, MakeState(2, 0, 0, 1, 1));
  EXPECT_EQ(b.side.granules[0][1].gain, 86);
  // Subblock gains: eight positions per step, on top of the global gain.
  r.switching = true, r.blockType = 2, r.subblockGain[0] = 0, r.subblockGain[1] = 3, r.subblockGain[2] = 7;
  readOne(r, MakeState(1, 0, 0));
  const GranuleInfo& g = b.side.granules[0][0];
  EXPECT_EQ(g.windowGain[0], 86);
  EXPECT_EQ(g.windowGain[1], 86 + 24);
  EXPECT_EQ(g.windowGain[2], 86 + 56);
  EXPECT_EQ(g.table_select[2], 0);
  EXPECT_EQ(g.region2Begin, 288);
}

TEST_F(SideInfoTest, RegionBoundaries) {
  auto regions = [&](const Record& r, int lowSampling, int rateIndex) {
    BitWriter w;
    if (lowSampling) {
      w.Put(0, 8);
      w.Put(0, 1);
    } else {
      w.Put(0, 9);
      w.Put(0, 5);
      w.Put(0, 4);
    }
    for (int i = 0; i < (lowSampling ? 1 : 2); ++i) PutRecord(w, r, lowSampling);
    Read(w, MakeState(1, lowSampling, rateIndex));
    return std::make_pair(b.side.granules[0][0].region1Begin, b.side.granules[0][0].region2Begin);
  };
  Record r;
  // Counts reaching past the last band end the regions at the end of the spectrum.
  r.region0 = 15, r.region1 = 7;
  EXPECT_EQ(regions(r, 0, 0), std::make_pair(kBandTables[0].longStart[16] / 2, 288));
  r.region0 = 0, r.region1 = 0;
  EXPECT_EQ(regions(r, 0, 2), std::make_pair(2, 4));  // 32000 Hz: bands of 4 lines
  // Window switching: a start block opens region 1 after long band 7: 36 lines at the MPEG-1 rates,
  // 54 at 22050 Hz; a short block after short band 2: 36 lines. The 8000 Hz bands are twice as wide.
  r.switching = true;
  for (int type : {1, 3}) {
    r.blockType = type;
    EXPECT_EQ(regions(r, 0, 0).first, 18);
    EXPECT_EQ(regions(r, 0, 2).first, 18);
    EXPECT_EQ(regions(r, 1, 3).first, 27);
    EXPECT_EQ(regions(r, 1, 4).first, 27);
    EXPECT_EQ(regions(r, 1, 8).first, 54);
  }
  r.blockType = 2;
  EXPECT_EQ(regions(r, 0, 1).first, 18);
  EXPECT_EQ(regions(r, 1, 3).first, 18);
  EXPECT_EQ(regions(r, 1, 7).first, 18);
  EXPECT_EQ(regions(r, 1, 8).first, 36);
}

// block_type 0 with window switching is reported, and the reading stops: later records keep what they
// held, and the frame goes on to the reservoir step.
TEST_F(SideInfoTest, BlockTypeZeroWithWindowSwitchingIsReported) {
  for (auto& channel : b.side.granules)
    for (GranuleInfo& g : channel) g.part2_3_length = 999;
  gStreamErrors = 0;  // as at the start of a track, whatever the tests before decoded
  BitWriter w;
  w.Put(0, 9);
  w.Put(0, 3);
  w.Put(0, 8);
  Record good, bad;
  good.part23 = 10;
  bad.part23 = 20, bad.switching = true, bad.blockType = 0;
  PutRecord(w, good, false);  // granule 0, channel 0
  PutRecord(w, bad, false);   // granule 0, channel 1
  PutRecord(w, good, false);
  PutRecord(w, good, false);
  int32_t result = 1;
  Read(w, MakeState(2, 0, 0), &result);
  EXPECT_EQ(result, 0);
  const RecordedBox streamError = {gDecoderWindow, "Error In Stream...", "Error..", kBoxOk};
  EXPECT_EQ(BoxRecorder::Boxes(), std::vector<RecordedBox>{streamError});
  EXPECT_EQ(gStreamErrors, 1);
  EXPECT_EQ(b.side.granules[0][0].part2_3_length, 10);
  EXPECT_EQ(b.side.granules[1][0].part2_3_length, 20);
  EXPECT_EQ(b.side.granules[0][1].part2_3_length, 999);
  EXPECT_EQ(b.side.granules[1][1].part2_3_length, 999);
}

TEST_F(SideInfoTest, FrameSetupFromTheHeader) {
  FrameSetup f = MakeFrameSetup(MakeState(2, 0, 0, 1, 3));
  EXPECT_EQ(f.ms, 1);
  EXPECT_EQ(f.is, 1);
  EXPECT_EQ(f.outChannels, 2);
  EXPECT_EQ(f.granules, 2);
  // Mode extension bits mean nothing outside joint stereo.
  f = MakeFrameSetup(MakeState(2, 1, 3, 0, 3));
  EXPECT_EQ(f.ms, 0);
  EXPECT_EQ(f.is, 0);
  EXPECT_EQ(f.granules, 1);
  // A one-channel stream always takes its only channel, at full gain.
  f = MakeFrameSetup(MakeState(1, 0, 0, 3, 0, 3));
  EXPECT_EQ(f.selection, 0);
  EXPECT_EQ(f.outChannels, 1);
  EXPECT_EQ(f.gainOffset, 0);
  f = MakeFrameSetup(MakeState(2, 0, 0, 0, 0, 3));
  EXPECT_EQ(f.selection, 3);
  EXPECT_EQ(f.outChannels, 1);
  EXPECT_EQ(f.gainOffset, 4);
  f = MakeFrameSetup(MakeState(2, 0, 0, 0, 0, 1));
  EXPECT_EQ(f.selection, 1);
  EXPECT_EQ(f.gainOffset, 0);
}

}  // namespace
