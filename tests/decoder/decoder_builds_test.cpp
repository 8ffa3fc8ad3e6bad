// Choosing the decoder build and the synthesis handlers for a track.
#include "decoder/decoder_builds.h"

#include <gtest/gtest.h>

#include "decoder/synthesis.h"

namespace {

TEST(DecoderBuilds, HandlersFollowProcessorChannelsAndQuality) {
  StreamState s{};
  const SynthFn full[2] = {build486::SynthFull, buildPentium::SynthFull};
  const SynthFn half[2] = {build486::SynthHalf, buildPentium::SynthHalf};
  const SynthFn quarter[2] = {build486::SynthQuarter, buildPentium::SynthQuarter};
  for (int32_t processor = 0; processor < 3; ++processor) {
    const int build = processor == 0 ? 0 : 1;
    for (int32_t quality = 0; quality < 3; ++quality) {
      PrepareTrack(&s, processor, -1, quality);
      EXPECT_EQ(gBuildSelect, processor);
      EXPECT_EQ(SelectedBuild(), build);
      EXPECT_EQ(s.synth, quality == 0 ? full[build] : quality == 1 ? half[build] : quarter[build]);
      // A one-channel stream played in two channels goes through the duplicating handler.
      EXPECT_EQ(s.synthMono, quality == 0 ? SynthFullDup : quality == 1 ? SynthHalfDup : SynthQuarterDup);
      EXPECT_EQ(s.blockBytes, 128 >> quality);
      for (int32_t select : {0, 1, 3}) {
        PrepareTrack(&s, processor, select, quality);
        const SynthFn mono = quality == 0 ? SynthFullMono : quality == 1 ? SynthHalfMono : SynthQuarterMono;
        EXPECT_EQ(s.synth, mono);
        EXPECT_EQ(s.synthMono, mono);
        EXPECT_EQ(s.channelSelect, select);
        EXPECT_EQ(s.blockBytes, 64 >> quality);
      }
    }
  }
  // Out-of-range preferences are held to the nearest meaningful value.
  PrepareTrack(&s, 7, -5, 9);
  EXPECT_EQ(gBuildSelect, 2);
  EXPECT_EQ(s.channelSelect, -1);
  EXPECT_EQ(s.quality, 2);
  PrepareTrack(&s, 1, -1, 0);
}

TEST(DecoderBuilds, EachBuildInstallsItsOwnLayerRoutines) {
  StreamState s{};
  PrepareTrack(&s, 0, -1, 0);
  const DecodeFrameFn l2of486 = LayerRoutine(2);
  PrepareTrack(&s, 2, -1, 0);
  const DecodeFrameFn l2ofPentium = LayerRoutine(2);
  EXPECT_NE(l2of486, nullptr);
  EXPECT_NE(l2ofPentium, nullptr);
  EXPECT_NE(l2of486, l2ofPentium);
  EXPECT_EQ(LayerRoutine(1), gDecoderBuilds[1].layers[0]);
  EXPECT_NE(gDecoderBuilds[0].layers[0], gDecoderBuilds[1].layers[0]);
  PrepareTrack(&s, 1, -1, 0);
}

}  // namespace
