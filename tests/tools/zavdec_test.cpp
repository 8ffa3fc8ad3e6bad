// zavdec as a user runs it: its output files, messages and exit codes.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "tests/decode_file.h"
#include "tests/external_tools.h"
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

}  // namespace
