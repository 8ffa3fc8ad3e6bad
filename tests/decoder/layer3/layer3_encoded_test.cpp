// Layer III files made with lame, decoded by zav and by ffmpeg: the stereo modes, the lower sampling
// rates (MPEG-2 and MPEG 2.5) and the channel selections that the conformance streams do not cover.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "decoder/decode_buffer.h"
#include "decoder/decoder_builds.h"
#include "decoder/frame_decoding.h"
#include "decoder/frame_reader.h"
#include "decoder/layer3/layer3.h"
#include "decoder/synthesis.h"
#include "tests/decode_file.h"
#include "tests/decoder/layer3/layer3_test_support.h"
#include "tests/external_tools.h"
#include "tests/test_files.h"

namespace {

struct Case {
  const char* name;
  int rate;
  int channels;
  const char* lameArgs;
};

const Case kCases[] = {
    {"mpeg1-44k-joint", 44100, 2, "-b 128 -m j"},
    {"mpeg1-48k-stereo-crc", 48000, 2, "-b 192 -m s -p"},
    {"mpeg1-32k-forced-ms", 32000, 2, "-b 96 -m f"},
    {"mpeg1-44k-vbr", 44100, 2, "-V 2 -m j"},
    {"mpeg1-44k-mono", 44100, 1, "-b 64 -m m"},
    {"mpeg2-22k-joint", 22050, 2, "-b 64 -m j"},
    {"mpeg2-16k-mono", 16000, 1, "-b 32 -m m"},
    {"mpeg25-11k-joint", 11025, 2, "-b 32 -m j"},
    {"mpeg25-12k-mono", 12000, 1, "-b 24 -m m"},
    {"mpeg25-8k-joint", 8000, 2, "-b 16 -m j"},
};

// Encodes a test signal whose channels differ: noise, a sweep and a tone on the left; noise bursts and
// a lower tone on the right, so that block switching and both stereo modes occur. Mono files get the
// left channel.
std::string Encode(const Case& c) {
  const std::string base = ScratchPath(std::string("l3-") + c.name);
  const std::string mp3 = base + ".mp3";
  char command[2048];
  std::snprintf(command, sizeof command,
                "sox -q -R -n -r %d -c 1 '%s-l.wav' synth 6 whitenoise vol 0.05 synth 6 sine mix 200-%d "
                "synth 6 sine mix 440 vol 0.6 && "
                "sox -q -R -n -r %d -c 1 '%s-r.wav' synth 6 whitenoise synth 6 square amod 3 synth 6 sine mix 330 "
                "vol 0.4 && %s && lame --quiet --resample %g %s '%s.wav' '%s'",
                c.rate, base.c_str(), c.rate / 2 - 200, c.rate, base.c_str(),
                c.channels == 2 ? ("sox -q -M '" + base + "-l.wav' '" + base + "-r.wav' '" + base + ".wav'").c_str()
                                : ("cp '" + base + "-l.wav' '" + base + ".wav'").c_str(),
                c.rate / 1000.0, c.lameArgs, base.c_str(), mp3.c_str());
  if (RunCommand(command) != 0) return "";
  return mp3;
}

// Both decoders drop lame's header frame and trim its encoder delay and padding; the range covers a
// file that has no header frame.
constexpr int64_t kAlignRange = 2700;

class Layer3EncodedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"sox", "lame", "ffmpeg"}) ASSERT_TRUE(HaveProgram(tool)) << tool << " is missing";
  }
  DecodedFile Decode(const std::string& path, int channelSelect) {
    DecodeOptions options;
    options.channelSelect = channelSelect;
    return DecodeFileToPcm(path, options);
  }
};

TEST_F(Layer3EncodedTest, MatchesFfmpegWithinOneLsb) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string mp3 = Encode(c);
    ASSERT_FALSE(mp3.empty());
    const DecodedFile ours = Decode(mp3, c.channels == 1 ? 0 : -1);
    ASSERT_EQ(ours.result, kTrackDone);
    EXPECT_EQ(ours.info.layer, 3);
    EXPECT_EQ(ours.info.inputRate, c.rate);
    EXPECT_EQ(ours.info.streamErrors, 0);
    const std::vector<int16_t> reference = FfmpegDecode(mp3, "mp3float");
    ASSERT_FALSE(reference.empty());
    const int64_t offset = BestAlignment(ours.pcm, reference, c.channels, kAlignRange * c.channels);
    const Difference d = Compare(ours.pcm, reference, offset);
    std::printf("  %-22s offset %lld, rms %.3f LSB, max %d over %zu samples\n", c.name,
                static_cast<long long>(offset), d.rms, d.max, d.compared);
    EXPECT_GT(d.compared, size_t(c.rate) * c.channels * 5);
    EXPECT_LE(d.rms, 1.0);
  }
}

// One-channel output of a stereo stream: the first channel, the second channel, or both mixed at half
// gain, against ffmpeg's two channels.
TEST_F(Layer3EncodedTest, ChannelSelectionsOfAStereoStream) {
  for (const Case& c : {kCases[0], kCases[2], kCases[5]}) {
    SCOPED_TRACE(c.name);
    const std::string mp3 = Encode(c);
    ASSERT_FALSE(mp3.empty());
    const std::vector<int16_t> reference = FfmpegDecode(mp3, "mp3float");
    ASSERT_FALSE(reference.empty());
    const std::vector<int16_t> left = Channel(reference, 2, 0), right = Channel(reference, 2, 1);
    std::vector<int16_t> mix(left.size());
    for (size_t i = 0; i < left.size(); ++i) mix[i] = int16_t((int32_t(left[i]) + right[i]) / 2);

    const struct {
      int select;
      const std::vector<int16_t>* expected;
      double bar;  // the mix is formed before the synthesis, so it rounds differently from (L + R) / 2
    } selections[] = {{0, &left, 1.0}, {1, &right, 1.0}, {3, &mix, 1.0}};
    for (const auto& s : selections) {
      SCOPED_TRACE(s.select);
      const DecodedFile ours = Decode(mp3, s.select);
      ASSERT_EQ(ours.info.outputChannels, 1);
      const int64_t offset = BestAlignment(ours.pcm, *s.expected, 1, kAlignRange);
      const Difference d = Compare(ours.pcm, *s.expected, offset);
      std::printf("  %-22s selection %d: rms %.3f LSB, max %d\n", c.name, s.select, d.rms, d.max);
      EXPECT_GT(d.compared, size_t(c.rate) * 5);
      EXPECT_LE(d.rms, s.bar);
    }
  }
}

// At 24000 Hz ffmpeg is no reference: its output for the conformance stream M2L3_compl24 departs from
// the reference decoder's by about 54 LSB RMS (measured), where ours stays within one LSB. So a 24000 Hz
// file is checked against the encoder's input instead, next to ffmpeg's decoding of it.
TEST_F(Layer3EncodedTest, At24kHzFollowsTheEncodersInputAtLeastAsWellAsFfmpeg) {
  const std::string base = ScratchPath("l3-tone-24k");
  const std::string command = "sox -q -R -n -r 24000 -c 2 '" + base + ".wav' synth 6 sine 200-11800 sine 300-6000 "
                              "synth 6 sine mix 440 vol 0.5 && sox '" + base + ".wav' -t s16 '" + base +
                              ".raw' && lame --quiet -b 80 -m s '" + base + ".wav' '" + base + ".mp3'";
  ASSERT_EQ(RunCommand(command), 0);
  const std::vector<int16_t> input = ReadPcm16(base + ".raw");
  const DecodedFile ours = Decode(base + ".mp3", -1);
  ASSERT_EQ(ours.result, kTrackDone);
  EXPECT_EQ(ours.info.inputRate, 24000);
  const std::vector<int16_t> theirs = FfmpegDecode(base + ".mp3", "mp3float");
  ASSERT_FALSE(theirs.empty());
  const double oursSnr = SignalToNoiseDb(ours.pcm, input, 2, kAlignRange * 2);
  const double theirSnr = SignalToNoiseDb(theirs, input, 2, kAlignRange * 2);
  std::printf("  24000 Hz stereo: %.2f dB from the encoder's input (ffmpeg %.2f dB)\n", oursSnr, theirSnr);
  EXPECT_GT(oursSnr, 15.0);
  EXPECT_GE(oursSnr, theirSnr - 0.1);
}

// Two-channel output of a track decoded frame by frame as the Decode thread does, with one seek.
struct SeekRun {
  std::vector<int16_t> pcm;      // output since the seek (all of it without one)
  std::vector<int64_t> offsets;  // file offset of each frame decoded since the seek
  std::vector<size_t> starts;    // where each of those frames' output begins in pcm
};
std::vector<int16_t>* gSeekSink = nullptr;
int32_t CollectBlock(int32_t count, const uint8_t* pcm, const uint8_t*) {
  const int16_t* samples = reinterpret_cast<const int16_t*>(pcm);
  gSeekSink->insert(gSeekSink->end(), samples, samples + count / 2);
  return count;
}

SeekRun DecodeWithSeek(const std::string& path, int seekAfter, int seekTo) {
  SeekRun run;
  StartTrackDecoding(DecodeOptions{});
  ResetSynthStates();
  ResetLayer3Overlap();
  const WritePcmFn saved = gWritePcm;
  gWritePcm = CollectBlock;
  gSeekSink = &run.pcm;
  StreamState s{};
  PrepareTrack(&s, 1, -1, 0);
  EXPECT_GT(OpenStream(path.c_str()), 0);
  ResetSync();
  for (int n = 0;; ++n) {
    if (n == seekAfter) {
      EXPECT_EQ(SeekFrame(&s, seekTo, nullptr), 1);
      run = SeekRun{};  // the output is reset: what was queued is not played
      gDecodeBuffer.fill = 0;
    }
    const int64_t at = StreamOffset();
    const size_t start = run.pcm.size() + size_t(gDecodeBuffer.fill / 2);
    if (DecodeNextFrame(&s, nullptr) != 1) break;
    run.offsets.push_back(at);
    run.starts.push_back(start);
  }
  CloseStream();
  FinishTrackDecoding();
  gWritePcm = saved;
  return run;
}

// After a seek the first frames take their reservoir bytes from the frames read ahead for it, not from
// what the frame areas held before. A frame whose reservoir reaches further back than the bytes read
// since the seek gives no output; the first two granules that sound would carry the overlap and
// synthesis history of the audio before the seek and play as silence; from then on the output is the
// straight decode's.
TEST_F(Layer3EncodedTest, FramesAfterASeekAreRightOrSilent) {
  // A 128 kbit/s file that leans on the reservoir, and a tone at 8 kbit/s whose frames carry 5 bytes of
  // main data each while the reservoir grows to 230 bytes.
  const std::string tone = ScratchPath("l3-tone-8kbit");
  ASSERT_EQ(RunCommand("sox -q -R -n -r 22050 -c 2 '" + tone + ".wav' synth 6 sine 440 vol 0.3 && "
                       "lame --quiet -b 8 --resample 22.05 '" + tone + ".wav' '" + tone + ".mp3'"), 0);
  for (const std::string& mp3 : {Encode(kCases[0]), tone + ".mp3"}) {
    SCOPED_TRACE(mp3);
    ASSERT_FALSE(mp3.empty());
    const SeekRun straight = DecodeWithSeek(mp3, -1, 0);
    for (int seekTo : {50, 12}) {
      const SeekRun seek = DecodeWithSeek(mp3, 30, seekTo);
      size_t first = 0;
      while (first + 1 < seek.starts.size() && seek.starts[first + 1] == seek.starts[first]) ++first;
      ASSERT_LT(first + 1, seek.starts.size());
      const auto k = std::find(straight.offsets.begin(), straight.offsets.end(), seek.offsets[first]);
      ASSERT_NE(k, straight.offsets.end());
      // Samples [from, to) of a run's output, counted from where a frame's output begins.
      auto part = [](const SeekRun& run, size_t frame, size_t from, size_t to) {
        const size_t begin = std::min(run.starts[frame] + from, run.pcm.size());
        const size_t end = std::min(run.starts[frame] + to, run.pcm.size());
        return std::vector<int16_t>(run.pcm.begin() + long(begin), run.pcm.begin() + long(end));
      };
      const size_t same = size_t(k - straight.offsets.begin()), transition = 2 * 576 * 2, all = SIZE_MAX / 2;
      const std::vector<int16_t> head = part(seek, first, 0, transition);
      const Difference rest = Compare(part(seek, first, transition, all), part(straight, same, transition, all));
      std::printf("  seek to %2d: %zu frames without output, two granules of silence, then %.3f LSB RMS off "
                  "(max %d) over %zu samples\n", seekTo, first, rest.rms, rest.max, rest.compared);
      EXPECT_EQ(head, std::vector<int16_t>(transition, 0));
      EXPECT_GT(rest.compared, 100000u);
      EXPECT_LE(rest.max, 1);
    }
  }
}

}  // namespace

namespace {

// With nothing coded above the cut, the subbands that half and quarter quality leave out are silent at
// full quality too, so the lower qualities must give exactly every second and every fourth sample. The
// file has no header frame, so that no encoder delay is trimmed at a phase the lower rates cannot meet.
TEST(Layer3Quality, LowerQualitiesAreTheDecimatedFullRateOutput) {
  for (const char* tool : {"sox", "lame"}) ASSERT_TRUE(HaveProgram(tool)) << tool << " is missing";
  const std::string base = ScratchPath("l3-lowpass");
  const std::string command = "sox -q -R -n -r 44100 -c 2 '" + base + ".wav' synth 5 pinknoise vol 0.2 synth 5 sine mix "
                              "200-2000 vol 0.5 tremolo 3 100 && lame --quiet -t -b 128 --resample 44.1 --lowpass 3 '" +
                              base + ".wav' '" + base + ".mp3'";
  ASSERT_EQ(RunCommand(command), 0);
  DecodeOptions full;
  const DecodedFile f = DecodeFileToPcm(base + ".mp3", full);
  ASSERT_EQ(f.result, kTrackDone);
  for (int quality = 1; quality <= 2; ++quality) {
    DecodeOptions reduced;
    reduced.quality = quality;
    const DecodedFile r = DecodeFileToPcm(base + ".mp3", reduced);
    ASSERT_EQ(r.info.outputRate, 44100 >> quality);
    const size_t step = size_t(1) << quality;
    ASSERT_EQ(r.pcm.size() * step, f.pcm.size());
    size_t differing = 0;
    for (size_t i = 0; i < r.pcm.size() / 2; ++i)
      differing += r.pcm[2 * i] != f.pcm[2 * step * i] || r.pcm[2 * i + 1] != f.pcm[2 * step * i + 1];
    EXPECT_EQ(differing, 0u) << "quality " << quality;
  }
}

}  // namespace
