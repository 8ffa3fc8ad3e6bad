// lame files with and without their header frame, decoded by zav and by ffmpeg: lengths, sample counts,
// samples at offset 0, seeks by the header frame's table, and two halves of one signal played in a row.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "decoder/frame_reader.h"
#include "playlist/track_scanner.h"
#include "tests/decode_file.h"
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
    {"mpeg1-44k-cbr", 44100, 2, "-b 128"},
    {"mpeg1-48k-vbr", 48000, 2, "-V 2"},
    {"mpeg1-32k-mono-vbr", 32000, 1, "-V 5 -m m"},
    {"mpeg2-22k-vbr", 22050, 2, "-V 4"},
    {"mpeg2-16k-mono-cbr", 16000, 1, "-b 32 -m m"},
    {"mpeg25-11k-vbr", 11025, 2, "-V 6"},
    {"mpeg25-8k-cbr", 8000, 1, "-b 16 -m m"},
    {"mpeg1-44k-no-header-frame", 44100, 2, "-b 128 -t"},
    // With -p the header frame carries a CRC word too, but lame writes its tag where an unprotected frame's stands.
    {"mpeg1-44k-cbr-crc", 44100, 2, "-b 128 -p"},
    {"mpeg1-32k-mono-vbr-crc", 32000, 1, "-V 5 -m m -p"},
    {"mpeg2-16k-mono-cbr-crc", 16000, 1, "-b 64 -m m -p"},
    {"mpeg25-11k-vbr-crc", 11025, 2, "-V 6 -p"},
};

// A signal that changes (so that VBR frames differ in size and alignments are unique): a sweep, noise
// bursts and a tone, `seconds` long, at moderate level.
std::string MakeWav(const std::string& base, int rate, int channels, double seconds) {
  const std::string wav = base + ".wav";
  char command[1024];
  std::snprintf(command, sizeof command,
                "sox -q -R -n -r %d -c %d '%s' synth %g sine 100-%d synth %g whitenoise amod 0.7 "
                "synth %g sine mix 440 vol 0.3",
                rate, channels, wav.c_str(), seconds, rate / 2 - 100, seconds, seconds);
  return RunCommand(command) == 0 ? wav : "";
}

std::string Encode(const std::string& wav, const std::string& mp3, const char* args, int rate) {
  char command[1024];
  std::snprintf(command, sizeof command, "lame --quiet --resample %g %s '%s' '%s'", rate / 1000.0, args,
                wav.c_str(), mp3.c_str());
  return RunCommand(command) == 0 ? mp3 : "";
}

DecodedFile Decode(const std::vector<std::string>& paths, int channels) {
  DecodeOptions options;
  options.channelSelect = channels == 1 ? 0 : -1;
  return DecodeFilesToPcm(paths, options);
}

class VbrEncodedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"sox", "lame", "ffmpeg"}) ASSERT_TRUE(HaveProgram(tool)) << tool << " is missing";
  }
};

TEST_F(VbrEncodedTest, CountsAndSamplesMatchFfmpegAtOffsetZero) {
  std::printf("  %-26s %10s %10s %8s %5s %7s\n", "file", "zav", "ffmpeg", "rms LSB", "max", "length");
  int withHeaderFrame = 0;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string base = ScratchPath(std::string("vbr-") + c.name);
    const std::string mp3 = Encode(MakeWav(base, c.rate, c.channels, 4.3), base + ".mp3", c.lameArgs, c.rate);
    ASSERT_FALSE(mp3.empty());
    const DecodedFile ours = Decode({mp3}, c.channels);
    ASSERT_EQ(ours.result, kTrackDone);
    const std::vector<int16_t> reference = FfmpegDecode(mp3, "mp3float");
    ASSERT_FALSE(reference.empty());
    const Difference d = Compare(ours.pcm, reference, 0);
    const int64_t samples = int64_t(ours.pcm.size()) / c.channels;
    const FileHandle file = FileOpenRead(mp3.c_str());
    const int32_t seconds = HeaderFrameSeconds(file);
    FileClose(file);
    std::printf("  %-26s %10lld %10zu %8.3f %5d %6ds\n", c.name, static_cast<long long>(samples),
                reference.size() / size_t(c.channels), d.rms, d.max, seconds);
    EXPECT_EQ(ours.pcm.size(), reference.size());
    EXPECT_EQ(ours.info.samples, samples);
    EXPECT_LE(d.rms, 1.0);
    // The scanner's length is the played length in whole seconds; without a header frame (lame writes
    // none with -t, nor where the frame is too small for it) there is none.
    const std::vector<uint8_t> bytes = ReadWholeFile(mp3);
    const std::string start(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 200));
    const bool headerFrame = start.find("Info") != std::string::npos || start.find("Xing") != std::string::npos;
    withHeaderFrame += headerFrame ? 1 : 0;
    EXPECT_EQ(seconds, headerFrame ? int32_t(samples / c.rate) : -1);
  }
  EXPECT_GE(withHeaderFrame, 9) << "most files carry the header frame whose delay and padding are trimmed";
}

// A damaged tag CRC leaves the LAME extension unused: the header frame still gives the length and is
// not played, but nothing is trimmed.
TEST_F(VbrEncodedTest, ADamagedLameTagTrimsNothing) {
  const std::string base = ScratchPath("vbr-damaged-tag");
  const std::string mp3 = Encode(MakeWav(base, 44100, 2, 2.0), base + ".mp3", "-V 4", 44100);
  ASSERT_FALSE(mp3.empty());
  std::vector<uint8_t> bytes = ReadWholeFile(mp3);
  const DecodedFile intact = Decode({mp3}, 2);
  ASSERT_GT(bytes.size(), 200u);
  bytes[36 + 120 + 10] ^= 0x55;  // the lowpass byte of the extension behind the Xing fields
  const std::string damaged = WriteScratchFile("vbr-damaged-tag-cut.mp3", bytes);
  const DecodedFile ours = Decode({damaged}, 2);
  EXPECT_EQ(ours.info.frames, intact.info.frames);
  EXPECT_EQ(int64_t(ours.pcm.size()) / 2, intact.info.frames * 1152);
  EXPECT_GT(ours.pcm.size(), intact.pcm.size());
}

void CheckSeeksByTable(const std::string& wav, const std::string& base, const char* args);

// Seeks by the table of contents land within 1 % of the length of the frame asked for, with and without
// CRC words.
TEST_F(VbrEncodedTest, SeeksByTheTableOfContents) {
  const std::string base = ScratchPath("vbr-seek");
  // Loud noise, then a quiet tone: the frames of the first half are much larger than those of the second.
  const std::string wav = base + ".wav";
  ASSERT_EQ(RunCommand("sox -q -R -n -r 44100 -c 2 '" + base + "-a.wav' synth 10 whitenoise vol 0.5 && "
                       "sox -q -R -n -r 44100 -c 2 '" + base + "-b.wav' synth 10 sine 440 vol 0.05 && "
                       "sox -q '" + base + "-a.wav' '" + base + "-b.wav' '" + wav + "'"),
            0);
  for (const char* args : {"-V 2", "-V 2 -p"}) {
    SCOPED_TRACE(args);
    CheckSeeksByTable(wav, base, args);
  }
}

void CheckSeeksByTable(const std::string& wav, const std::string& base, const char* args) {
  const std::string mp3 = Encode(wav, base + ".mp3", args, 44100);
  ASSERT_FALSE(mp3.empty());
  StreamState state{};
  ASSERT_GE(OpenStream(mp3.c_str()), 0);
  ResetSync();
  std::vector<int64_t> starts;  // file offset of each audio frame
  while (ReadFrame(&state, nullptr) == 1) {
    starts.push_back(StreamOffset() - gFrameReader.bodyLength - 4);
  }
  const int32_t frames = StreamFrames();
  EXPECT_EQ(frames, int32_t(starts.size()));
  EXPECT_EQ(gFrameReader.vbr.hasToc, 1);
  int32_t worst = 0;
  for (int percent : {10, 25, 50, 75, 90}) {
    const int32_t target = frames * percent / 100;
    ASSERT_EQ(SeekFrame(&state, target, nullptr), 1);
    ASSERT_EQ(ReadFrame(&state, nullptr), 1);
    const int64_t landedAt = StreamOffset() - gFrameReader.bodyLength - 4;
    int32_t landed = 0;
    while (landed + 1 < int32_t(starts.size()) && starts[size_t(landed) + 1] <= landedAt) ++landed;
    EXPECT_EQ(starts[size_t(landed)], landedAt) << "a seek lands on a frame";
    EXPECT_LE(std::abs(landed - target), frames / 100) << percent << " %";
    worst = std::max(worst, std::abs(landed - target));
  }
  CloseStream();
  std::printf("  %d frames; seeks land at most %d frames (%.2f %% of the length) from the target\n", frames,
              worst, 100.0 * worst / frames);
}

// One signal cut in two at a point that is no frame boundary, each half encoded on its own: played in a
// row, the halves give the uncut signal's length and join it without a step, silence or repeat.
TEST_F(VbrEncodedTest, TwoHalvesJoinWithoutAGap) {
  const std::string base = ScratchPath("vbr-gapless");
  const int rate = 44100;
  const std::string wav = MakeWav(base, rate, 2, 6.0);
  ASSERT_FALSE(wav.empty());
  const double cut = 2.7183;
  ASSERT_EQ(RunCommand("sox -q '" + wav + "' '" + base + "-1.wav' trim 0 " + std::to_string(cut) + " && sox -q '" +
                       wav + "' '" + base + "-2.wav' trim " + std::to_string(cut)),
            0);
  ASSERT_EQ(RunCommand("sox '" + wav + "' -t s16 '" + base + ".raw'"), 0);
  const std::vector<int16_t> input = ReadPcm16(base + ".raw");
  const std::string whole = Encode(wav, base + ".mp3", "-b 160", rate);
  const std::string first = Encode(base + "-1.wav", base + "-1.mp3", "-b 160", rate);
  const std::string second = Encode(base + "-2.wav", base + "-2.mp3", "-b 160", rate);
  ASSERT_FALSE(whole.empty() || first.empty() || second.empty());
  const DecodedFile uncut = Decode({whole}, 2);
  const DecodedFile joined = Decode({first, second}, 2);
  EXPECT_EQ(uncut.pcm.size(), input.size());
  EXPECT_EQ(joined.pcm.size(), input.size()) << "no samples lost or added at the join";
  EXPECT_LE(joined.shortBlocks, 1) << "only the last block is short: the player pads short blocks with silence";
  // Around the join the halves differ from the uncut decoding no more than elsewhere (each is its own
  // encoding), and best align with it at offset 0.
  const int64_t join = int64_t(std::llround(cut * rate)) * 2;
  auto Window = [](const std::vector<int16_t>& pcm, int64_t from, int64_t count) {
    return std::vector<int16_t>(pcm.begin() + from, pcm.begin() + from + count);
  };
  const int64_t span = 4096 * 2;
  const Difference atJoin =
      Compare(Window(joined.pcm, join - span / 2, span), Window(uncut.pcm, join - span / 2, span));
  const Difference inside = Compare(Window(joined.pcm, join / 2, span), Window(uncut.pcm, join / 2, span));
  const Difference codec = Compare(Window(uncut.pcm, join - span / 2, span), Window(input, join - span / 2, span));
  const Difference joinedVsInput =
      Compare(Window(joined.pcm, join - span / 2, span), Window(input, join - span / 2, span));
  std::printf("  at the join: halves vs uncut %.1f LSB RMS (max %d), inside a half %.1f; against the input: "
              "uncut %.1f, halves %.1f\n", atJoin.rms, atJoin.max, inside.rms, codec.rms, joinedVsInput.rms);
  EXPECT_EQ(BestAlignment(Window(joined.pcm, join - span / 2, span), Window(uncut.pcm, join - span / 2, span), 2,
                          2000, size_t(span)),
            0);
  EXPECT_LE(joinedVsInput.rms, 1.25 * codec.rms + 2) << "the join is no worse than the codec's own error";
}

}  // namespace
