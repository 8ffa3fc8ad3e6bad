// zavdec as a user runs it: its output files, messages and exit codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "tests/decode_file.h"
#include "decoder/synthesis.h"
#include "tests/external_tools.h"
#include "tests/id3v2_tag_builder.h"
#include "tests/test_files.h"

namespace {

// Runs zavdec with the arguments; standard error goes to a file whose text is returned in `err`.
int Zavdec(const std::string& args, std::string* err = nullptr) {
  const std::string errFile = ScratchPath("zavdec-stderr.txt");
  const int code = RunCommand(std::string("'") + ZAVDEC_PATH + "' " + args + " 2>'" + errFile + "'");
  if (err) {
    const std::vector<uint8_t> bytes = ReadWholeFile(errFile);
    err->assign(bytes.begin(), bytes.end());
  }
  return code;
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// No file of the output's name, and no temporary file beside it.
void ExpectNothingWritten(const std::string& output) {
  EXPECT_FALSE(FileExists(output)) << output;
  const std::filesystem::path dir = std::filesystem::path(output).parent_path();
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    EXPECT_EQ(entry.path().string().find(".zavdec-"), std::string::npos) << entry.path();
}

TEST(Zavdec, WritesAWavFileOfTheDecodedPcm) {
  const std::string out = ScratchPath("zavdec-out.wav");
  std::string err;
  ASSERT_EQ(Zavdec("'" + ConformancePath("l2-fl11") + "' '" + out + "'", &err), 0) << err;
  EXPECT_NE(err.find("layer 2, MPEG-1, 44100 Hz in, 44100 Hz out, 2 channels, 49 frames"), std::string::npos) << err;
  const std::vector<uint8_t> wav = ReadWholeFile(out);
  ASSERT_GT(wav.size(), 44u);
  EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
  EXPECT_EQ(Le32(wav, 4), wav.size() - 8);
  EXPECT_EQ(Le32(wav, 24), 44100u);
  EXPECT_EQ(wav[22], 2);
  EXPECT_EQ(Le32(wav, 40), wav.size() - 44);
  const DecodedFile inProcess = DecodeFileToPcm(ConformancePath("l2-fl11"), DecodeOptions{});
  EXPECT_EQ(ReadPcm16(out, 44), inProcess.pcm);

  // Raw output and standard output carry the same samples.
  const std::string raw = ScratchPath("zavdec-out.raw");
  ASSERT_EQ(Zavdec("--raw '" + ConformancePath("l2-fl11") + "' '" + raw + "'"), 0);
  EXPECT_EQ(ReadPcm16(raw), inProcess.pcm);
  const std::string piped = ScratchPath("zavdec-piped.wav");
  ASSERT_EQ(RunCommand(std::string("'") + ZAVDEC_PATH + "' '" + ConformancePath("l2-fl11") + "' - >'" + piped + "' 2>/dev/null"), 0);
  EXPECT_EQ(ReadPcm16(piped, 44), inProcess.pcm);
#ifndef _WIN32
  // A named pipe as the output is written straight and stays a pipe: nothing is renamed onto it.
  const std::string pipe = ScratchPath("zavdec-pipe");
  std::filesystem::remove(pipe);
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const std::string drained = ScratchPath("zavdec-drained.wav");
  ASSERT_EQ(RunCommand("timeout 10 cat '" + pipe + "' >'" + drained + "' & '" + std::string(ZAVDEC_PATH) + "' '" +
                       ConformancePath("l2-fl11") + "' '" + pipe + "' 2>/dev/null; wait"), 0);
  EXPECT_EQ(std::filesystem::status(pipe).type(), std::filesystem::file_type::fifo);
  EXPECT_EQ(ReadPcm16(drained, 44), inProcess.pcm);
#endif
}

TEST(Zavdec, OptionsChooseQualityChannelsAndBuild) {
  const std::string out = ScratchPath("zavdec-options.wav");
  std::string err;
  ASSERT_EQ(Zavdec("--quality quarter --channels right --build 486 '" + ConformancePath("l2-fl11") + "' '" + out + "'", &err), 0);
  EXPECT_NE(err.find("44100 Hz in, 11025 Hz out, 1 channel,"), std::string::npos) << err;
  const std::vector<uint8_t> wav = ReadWholeFile(out);
  EXPECT_EQ(Le32(wav, 24), 11025u);
  EXPECT_EQ(wav[22], 1);
  DecodeOptions options;
  options.quality = 2;
  options.channelSelect = 1;
  options.processor = 0;
  EXPECT_EQ(ReadPcm16(out, 44), DecodeFileToPcm(ConformancePath("l2-fl11"), options).pcm);
}

TEST(Zavdec, SeveralInputsPlayOnWithoutAGap) {
  const std::string out = ScratchPath("zavdec-two.wav");
  const std::string a = ConformancePath("l1-fl2"), b = ConformancePath("l2-fl11");  // both 44100 Hz stereo
  ASSERT_EQ(Zavdec("'" + a + "' '" + b + "' '" + out + "'"), 0);
  EXPECT_EQ(ReadPcm16(out, 44), DecodeFilesToPcm({a, b}, DecodeOptions{}).pcm);
  const std::vector<int16_t> first = DecodeFileToPcm(a, DecodeOptions{}).pcm;
  const std::vector<int16_t> joined = ReadPcm16(out, 44);
  ASSERT_GT(joined.size(), first.size());
  // The first track's last partial block is not held back: the second track follows it directly.
  EXPECT_TRUE(std::equal(first.begin(), first.end(), joined.begin()));
}

TEST(Zavdec, FailuresSayWhatWentWrongAndLeaveNoOutput) {
  const std::string out = ScratchPath("failures/out.wav");
  std::filesystem::create_directories(ScratchPath("failures"));
  std::string err;
  EXPECT_EQ(Zavdec("", &err), 2);
  EXPECT_NE(err.find("usage:"), std::string::npos);
  EXPECT_EQ(Zavdec("--quality best '" + ConformancePath("l2-fl11") + "' '" + out + "'", &err), 2);
  EXPECT_EQ(Zavdec("--bogus a b", &err), 2);

  EXPECT_EQ(Zavdec("'" + ScratchPath("missing.mp3") + "' '" + out + "'", &err), 3);
  EXPECT_NE(err.find("cannot open"), std::string::npos) << err;
  ExpectNothingWritten(out);

  const std::string junk = ScratchPath("junk.mp3");
  WriteWholeFile(junk, std::vector<uint8_t>(5000, 0x41));
  EXPECT_EQ(Zavdec("'" + junk + "' '" + out + "'", &err), 4);
  EXPECT_NE(err.find("no MPEG audio frame found"), std::string::npos) << err;
  ExpectNothingWritten(out);

  EXPECT_EQ(Zavdec("'" + ConformancePath("l2-fl11") + "' '" + ScratchPath("no-such-dir/out.wav") + "'", &err), 5);
  EXPECT_NE(err.find("cannot write"), std::string::npos) << err;

  // 32 kHz then 44.1 kHz cannot share one output.
  EXPECT_EQ(Zavdec("'" + ConformancePath("l2-fl10") + "' '" + ConformancePath("l2-fl11") + "' '" + out + "'", &err), 6);
  EXPECT_NE(err.find("must share one output rate"), std::string::npos) << err;
  ExpectNothingWritten(out);

  // A failed run leaves an existing output untouched.
  WriteWholeFile(out, {1, 2, 3});
  EXPECT_EQ(Zavdec("'" + junk + "' '" + out + "'"), 4);
  EXPECT_EQ(ReadWholeFile(out), (std::vector<uint8_t>{1, 2, 3}));
  std::remove(out.c_str());
}

// The largest difference between `pcm` and `reference` scaled by `factor`, in LSB.
double WorstAgainstScaled(const std::vector<int16_t>& pcm, const std::vector<int16_t>& reference, double factor) {
  double worst = pcm.size() == reference.size() ? 0 : 1e9;
  for (size_t i = 0; i < pcm.size() && i < reference.size(); ++i) worst = std::max(worst, std::fabs(pcm[i] - reference[i] * factor));
  return worst;
}

// ReplayGain from an ID3v2 TXXX frame, an APEv2 tag before an ID3v1 tag and lame's own header alone; a
// +12 dB request on a file whose peak is 1.0 held at 0 dB; off changing no sample.
TEST(Zavdec, ReplayGainPlaysEachTrackAtItsTaggedGain) {
  const std::string base = ScratchPath("rg"), lame = base + ".mp3", plain = base + "-plain.mp3", out = base + "-out.wav";
  ASSERT_EQ(RunCommand("sox -q -R -n -r 44100 -c 2 '" + base + ".wav' synth 3 sine 200-4000 synth 3 whitenoise amod 0.7 "
                       "vol 0.6 && lame --quiet -b 160 '" + base + ".wav' '" + lame + "' && lame --quiet -b 160 "
                       "--noreplaygain '" + base + ".wav' '" + plain + "'"), 0);
  auto tagged = [&](const char* name, const std::vector<uint8_t>& id3, const std::vector<uint8_t>& end) {
    return WriteScratchFile(name, Cat({id3.empty() ? id3 : Id3v2TagOf(3, 0, id3), ReadWholeFile(lame), end}));
  };
  auto txxx = [](const std::string& text) { return Id3v2Frame(3, "TXXX", Id3v2Text(0, text)); };
  const std::string id3 = tagged("rg-id3.mp3", txxx(std::string("replaygain_track_gain\0-6.02 dB", 30)), {});
  const std::string ape = tagged("rg-ape.mp3", {}, Cat({ApeTag({{"REPLAYGAIN_TRACK_GAIN", "-6.02 dB"}}, true), {'T', 'A', 'G'}, std::vector<uint8_t>(125, 0)}));
  const std::string loud = tagged("rg-loud.mp3", Cat({txxx(std::string("REPLAYGAIN_TRACK_GAIN\0+12.00 dB", 31)),
                                                       txxx(std::string("REPLAYGAIN_TRACK_PEAK\0" "1.000000", 30))}), {});
  std::string err;
  auto decode = [&](const std::string& args, const std::string& in) {
    EXPECT_EQ(Zavdec(args + " '" + in + "' '" + out + "'", &err), 0) << err;
    return ReadPcm16(out, 44);
  };
  const std::vector<int16_t> untagged = DecodeFileToPcm(lame, DecodeOptions{}).pcm;
  for (const std::string& in : {lame, id3, ape, loud})
    EXPECT_TRUE(decode("--replaygain off", in) == untagged && err.find(" 0 clipped") != std::string::npos) << err;
  ReplayGainInfo lameTags{};
  ASSERT_EQ(ReadReplayGain(lame.c_str(), &lameTags), 1);
  ASSERT_EQ(lameTags.from[kTrackGain], kGainFromLame) << "lame writes its radio gain by default";
  const std::pair<std::string, const char*> gained[] = {{id3, "-6.02 dB (ID3v2 tag)"}, {ape, "-6.02 dB (APEv2 tag)"}, {lame, "(LAME header)"}};
  for (const auto& [in, said] : gained) {
    const double db = in == lame ? lameTags.value[kTrackGain] : -6.02;
    const double worst = WorstAgainstScaled(decode("--replaygain album --preamp 0", in), untagged, std::pow(10, db / 20));
    std::printf("FIGURE %s at %.2f dB: at most %.2f LSB from the scaled untagged decoding\n", in.c_str(), db, worst);
    EXPECT_LE(worst, 1.5);
    EXPECT_NE(err.find(said), std::string::npos) << err;
  }
  // +12 dB on a peak of 1.0 is held at 0 dB, the untagged samples exactly; without the prevention it clips.
  EXPECT_EQ(decode("--replaygain track", loud), untagged);
  EXPECT_NE(err.find("ReplayGain +0.00 dB (ID3v2 tag)"), std::string::npos) << err;
  decode("--replaygain track --prevent-clipping off", loud);
  std::printf("FIGURE +12 dB on a peak of 1.0 without clipping prevention: %s", err.c_str() + err.rfind(", ") + 2);
  EXPECT_GT(std::atoll(err.c_str() + err.rfind(", ") + 2), 1000) << "without";

  // In process: two tracks joined, each at its own gain (the second untagged, at 0 dB); the equalizer on
  // (the track's gain folded into its gains) and half quality (where its step always runs).
  DecodeOptions off, on;
  on.replayGain.mode = kReplayGainTrack;
  std::vector<int16_t> both = DecodeFileToPcm(id3, on).pcm, second = DecodeFileToPcm(plain, off).pcm;
  both.insert(both.end(), second.begin(), second.end());
  EXPECT_EQ(DecodeFilesToPcm({id3, plain}, on).pcm, both);
  int32_t gains[32], enabled = 1;
  for (int i = 0; i < 32; ++i) gains[i] = 4 + i % 7;
  SetEqualizerGains(gains, &enabled);
  for (const int quality : {0, 1}) {
    off.quality = on.quality = quality;
    EXPECT_LE(WorstAgainstScaled(DecodeFileToPcm(id3, on).pcm, DecodeFileToPcm(id3, off).pcm, 0.5), 1.5) << quality;
  }
  SetEqualizerGains(nullptr, nullptr);
}

}  // namespace
