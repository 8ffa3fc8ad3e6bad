// Layer I and Layer II decoding: conformance streams against their reference output, Layer I frames
// written bit by bit against the standard's requantisation and synthesis, and the channel and quality
// variants against what they must equal.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "tests/bit_writer.h"
#include "tests/decode_file.h"
#include "tests/decoder/reference_synthesis.h"
#include "tests/frame_header_builder.h"
#include "tests/test_files.h"

namespace {

struct Conformance {
  const char* name;
  int channels;
};
const Conformance kStreams[] = {{"l1-fl1", 2}, {"l1-fl2", 2}, {"l1-fl3", 2},  {"l1-fl4", 1},
                                {"l2-fl10", 2}, {"l2-fl11", 2}, {"l2-fl12", 2}, {"l2-fl13", 1}};

TEST(Layer12Conformance, EveryStreamIsWithinOneLsbOfItsReference) {
  for (const Conformance& c : kStreams) {
    DecodeOptions options;
    options.channelSelect = c.channels == 1 ? 0 : -1;
    const DecodedFile out = DecodeFileToPcm(ConformancePath(c.name), options);
    ASSERT_EQ(out.result, kTrackDone) << c.name;
    const std::vector<int16_t> reference = ReadPcm16(ConformancePath(c.name, ".pcm"));
    const Difference d = Compare(out.pcm, reference);
    std::printf("  %-8s rms %.3f LSB, max %d, %zu samples\n", c.name, d.rms, d.max, d.compared);
    EXPECT_GT(d.compared, 15000u) << c.name;
    EXPECT_LE(d.rms, 1.0) << c.name;
    EXPECT_LE(d.max, 2) << c.name;
  }
}

TEST(Layer12Conformance, ChannelSelectionsAreTheChannelsOfTheStereoOutput) {
  for (const Conformance& c : kStreams) {
    DecodeOptions stereo;
    const DecodedFile both = DecodeFileToPcm(ConformancePath(c.name), stereo);
    ASSERT_EQ(both.info.outputChannels, 2);
    for (int select : {0, 1, 3}) {
      DecodeOptions one;
      one.channelSelect = select;
      const DecodedFile single = DecodeFileToPcm(ConformancePath(c.name), one);
      ASSERT_EQ(single.info.outputChannels, 1);
      // A single-channel stream plays its one channel; the mix of Layers I and II is the first channel.
      const int expected = (c.channels == 1 || select == 3) ? 0 : select;
      EXPECT_EQ(single.pcm, Channel(both.pcm, 2, expected)) << c.name << " selection " << select;
    }
    if (c.channels == 1) {
      EXPECT_EQ(Channel(both.pcm, 2, 0), Channel(both.pcm, 2, 1)) << c.name;
    }
  }
}

TEST(Layer12Conformance, BothDecoderBuildsGiveTheSameOutput) {
  for (const Conformance& c : kStreams) {
    DecodeOptions pentium, i486;
    i486.processor = 0;
    EXPECT_EQ(DecodeFileToPcm(ConformancePath(c.name), i486).pcm, DecodeFileToPcm(ConformancePath(c.name), pentium).pcm)
        << c.name;
  }
}

// One Layer I frame as the encoder sees it: allocations (bits per sample - 1), scalefactor indices
// and sample codes.
struct Layer1Frame {
  int mode = 0;     // 0 stereo, 1 joint stereo, 3 single channel
  int modeExt = 0;
  int alloc[2][32] = {};
  int scf[2][32] = {};
  uint32_t code[12][2][32] = {};
};

// MPEG-1 Layer I at 448 kbit/s, 32 kHz: 168 slots of 4 bytes.
constexpr int kFrameBytes = 12 * 448000 / 32000 * 4;

std::vector<uint8_t> EncodeLayer1(const Layer1Frame& f) {
  BitWriter w;
  w.Put(FrameHeader(kMpeg1, 1, 14, 2, 0, f.mode, f.modeExt), 32);  // 448 kbit/s, 32 kHz, no CRC
  const int channels = f.mode == 3 ? 1 : 2;
  const int bound = f.mode == 1 ? 4 * f.modeExt + 4 : 32;
  for (int sb = 0; sb < 32; ++sb)
    for (int ch = 0; ch < (sb < bound ? channels : 1); ++ch) w.Put(uint32_t(f.alloc[ch][sb]), 4);
  for (int sb = 0; sb < 32; ++sb)
    for (int ch = 0; ch < channels; ++ch)
      if (f.alloc[sb < bound ? ch : 0][sb]) w.Put(uint32_t(f.scf[ch][sb]), 6);
  for (int s = 0; s < 12; ++s)
    for (int sb = 0; sb < 32; ++sb)
      for (int ch = 0; ch < (sb < bound ? channels : 1); ++ch)
        if (f.alloc[ch][sb]) w.Put(f.code[s][ch][sb], f.alloc[ch][sb] + 1);
  EXPECT_LE(w.size(), size_t(kFrameBytes) * 8) << "test frame too large";
  std::vector<uint8_t> bytes = w.Bytes();
  bytes.resize(kFrameBytes, 0);
  return bytes;
}

// The standard's Layer I requantisation: invert the first bit of the nb-bit code, read it as a two's
// complement fraction, then s'' = 2^nb / (2^nb - 1) * (s''' + 2^(1 - nb)), times the scalefactor
// 2 * 2^(-index / 3).
double Requantise(uint32_t code, int nb, int scfIndex) {
  const int32_t flipped = int32_t(code ^ (1u << (nb - 1)));
  const int32_t asSigned = flipped >= (1 << (nb - 1)) ? flipped - (1 << nb) : flipped;
  const double fraction = double(asSigned) / double(1 << (nb - 1));
  const double value = std::ldexp(1.0, nb) / (std::ldexp(1.0, nb) - 1) * (fraction + std::ldexp(1.0, 1 - nb));
  return scfIndex == 63 ? 0.0 : value * 2.0 * std::pow(2.0, -scfIndex / 3.0);
}

// Expected output of a sequence of frames, both channels, from a fresh synthesis.
std::vector<std::vector<double>> Expected(const std::vector<Layer1Frame>& frames) {
  std::vector<std::vector<double>> out(2);
  ReferenceSynth synth[2];
  for (const Layer1Frame& f : frames) {
    const int channels = f.mode == 3 ? 1 : 2;
    const int bound = f.mode == 1 ? 4 * f.modeExt + 4 : 32;
    for (int s = 0; s < 12; ++s) {
      for (int ch = 0; ch < 2; ++ch) {
        const int src = channels == 1 ? 0 : ch;
        double sub[32];
        for (int sb = 0; sb < 32; ++sb) {
          const int owner = sb < bound ? src : 0;
          const int nb = f.alloc[owner][sb] + 1;
          sub[sb] = nb == 1 ? 0.0 : Requantise(f.code[s][owner][sb], nb, f.scf[src][sb]);
        }
        double pcm[32];
        synth[ch].Run(sub, pcm);
        out[ch].insert(out[ch].end(), pcm, pcm + 32);
      }
    }
  }
  return out;
}

std::string WriteFrames(const std::vector<Layer1Frame>& frames, const char* name) {
  std::vector<uint8_t> file;
  for (const Layer1Frame& f : frames) {
    const std::vector<uint8_t> bytes = EncodeLayer1(f);
    file.insert(file.end(), bytes.begin(), bytes.end());
  }
  return WriteScratchFile(name, file);
}

// Random frames: a few subbands with wide codes, allocation 15 (16-bit codes) somewhere, and
// scalefactor 63 (silence) somewhere, within the frame's bit budget.
std::vector<Layer1Frame> RandomFrames(int mode, int modeExt, int count, int topSubband, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<Layer1Frame> frames(static_cast<size_t>(count));
  for (Layer1Frame& f : frames) {
    f.mode = mode;
    f.modeExt = modeExt;
    const int channels = mode == 3 ? 1 : 2;
    for (int sb = 0; sb < topSubband; sb += 1 + int(rng() % 3)) {
      for (int ch = 0; ch < channels; ++ch) {
        f.alloc[ch][sb] = sb == 1 ? 15 : int(rng() % 6);
        f.scf[ch][sb] = sb == 2 && ch == 0 ? 63 : int(rng() % 40);
      }
    }
    for (int s = 0; s < 12; ++s)
      for (int ch = 0; ch < 2; ++ch)
        for (int sb = 0; sb < 32; ++sb) {
          const int nb = f.alloc[ch][sb] + 1;
          uint32_t c = rng() & ((1u << nb) - 1);
          if (c == (1u << nb) - 1) c = 0;  // the all-ones code is not a sample
          f.code[s][ch][sb] = c;
        }
  }
  return frames;
}

void ExpectDecodesAsTheStandardSays(const std::vector<Layer1Frame>& frames, const char* name) {
  DecodeOptions options;
  const DecodedFile out = DecodeFileToPcm(WriteFrames(frames, name), options);
  ASSERT_EQ(out.result, kTrackDone);
  const std::vector<std::vector<double>> expected = Expected(frames);
  ASSERT_EQ(out.pcm.size(), expected[0].size() * 2);
  for (size_t i = 0; i < expected[0].size(); ++i)
    for (int ch = 0; ch < 2; ++ch)
      ASSERT_TRUE(MatchesReference(out.pcm[2 * i + size_t(ch)], expected[size_t(ch)][i]))
          << name << " sample " << i << " channel " << ch << ": got " << out.pcm[2 * i + size_t(ch)]
          << ", expected " << expected[size_t(ch)][i] * 32767;
}

TEST(Layer1Frames, StereoFramesRequantiseAsTheStandardSays) {
  ExpectDecodesAsTheStandardSays(RandomFrames(0, 0, 6, 12, 11), "l1-stereo.mp1");
}

TEST(Layer1Frames, JointStereoSharesSamplesAboveTheBound) {
  for (int modeExt : {0, 2}) {
    std::vector<Layer1Frame> frames = RandomFrames(1, modeExt, 5, 20, 12 + uint32_t(modeExt));
    const int bound = 4 * modeExt + 4;
    // Above the bound one allocation and one set of codes serves both channels.
    for (Layer1Frame& f : frames)
      for (int sb = bound; sb < 32; ++sb) {
        f.alloc[1][sb] = f.alloc[0][sb];
        for (int s = 0; s < 12; ++s) f.code[s][1][sb] = f.code[s][0][sb];
      }
    ExpectDecodesAsTheStandardSays(frames, "l1-joint.mp1");
  }
}

TEST(Layer1Frames, OneChannelFramesPlayInBothOutputChannels) {
  ExpectDecodesAsTheStandardSays(RandomFrames(3, 0, 6, 24, 13), "l1-mono.mp1");
}

TEST(Layer1Frames, HalfAndQuarterQualityAreEveryOtherAndEveryFourthSample) {
  // With nothing above subband 7 the silenced subbands change nothing, so the lower qualities must be
  // exactly the decimated full-quality output.
  const std::string path = WriteFrames(RandomFrames(0, 0, 8, 8, 14), "l1-lowband.mp1");
  DecodeOptions full, half, quarter;
  half.quality = 1;
  quarter.quality = 2;
  const DecodedFile f = DecodeFileToPcm(path, full);
  const DecodedFile h = DecodeFileToPcm(path, half);
  const DecodedFile q = DecodeFileToPcm(path, quarter);
  EXPECT_EQ(h.info.outputRate, 16000);
  EXPECT_EQ(q.info.outputRate, 8000);
  ASSERT_EQ(h.pcm.size() * 2, f.pcm.size());
  ASSERT_EQ(q.pcm.size() * 4, f.pcm.size());
  for (size_t i = 0; i < h.pcm.size() / 2; ++i) {
    ASSERT_EQ(h.pcm[2 * i], f.pcm[4 * i]) << i;
    ASSERT_EQ(h.pcm[2 * i + 1], f.pcm[4 * i + 1]) << i;
  }
  for (size_t i = 0; i < q.pcm.size() / 2; ++i) {
    ASSERT_EQ(q.pcm[2 * i], f.pcm[8 * i]) << i;
    ASSERT_EQ(q.pcm[2 * i + 1], f.pcm[8 * i + 1]) << i;
  }
  // With content above subband 7, quarter quality silences it and no longer matches.
  const std::string wide = WriteFrames(RandomFrames(0, 0, 4, 30, 15), "l1-wideband.mp1");
  const DecodedFile fw = DecodeFileToPcm(wide, full);
  const DecodedFile qw = DecodeFileToPcm(wide, quarter);
  size_t differing = 0;
  for (size_t i = 0; i < qw.pcm.size() / 2; ++i) differing += qw.pcm[2 * i] != fw.pcm[8 * i];
  EXPECT_GT(differing, qw.pcm.size() / 8);
}

TEST(DamagedStreams, EveryOneDecodesToTheEndWithoutHarm) {
  for (const std::string& path : DamagedStreamPaths()) {
    for (int quality = 0; quality < 3; ++quality) {
      for (int select : {-1, 1, 3}) {
        DecodeOptions options;
        options.quality = quality;
        options.channelSelect = select;
        const DecodedFile out = DecodeFileToPcm(path, options);
        EXPECT_NE(out.result, kTrackCannotOpen) << path;
        EXPECT_LE(out.pcm.size(), size_t(20 * 1152 * 2)) << path;
      }
    }
  }
}

}  // namespace
