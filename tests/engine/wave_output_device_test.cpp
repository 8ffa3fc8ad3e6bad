// The wave output on the real wave-out device of Wine, whose ALSA default device (set up by the test
// runner) writes everything played to a capture file: the bytes that reach the device must be exactly
// the bytes written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/wave_output.h"
#include "platform/notify.h"
#include "settings/settings.h"
#include "tests/background_work.h"
#include "tests/box_recorder.h"
#include "tests/engine/capture_file.h"
#include "tests/settings_guard.h"
#include "tests/test_files.h"

namespace {

// What the device wrote, once it has at least `expected` bytes or nothing more arrives for a while.
std::vector<uint8_t> WaitForCapture(size_t expected) {
  std::vector<uint8_t> bytes = ReadWholeFile(CapturePath());
  size_t last = bytes.size();
  for (int quiet = 0; bytes.size() < expected && quiet < 20;) {
    Sleep(100);
    bytes = ReadWholeFile(CapturePath());
    quiet = bytes.size() == last ? quiet + 1 : 0;
    last = bytes.size();
  }
  return bytes;
}

// The same, without the silence Wine adds when its buffer runs dry.
std::vector<uint8_t> Captured(const std::vector<uint8_t>& played) {
  std::vector<uint8_t> bytes = WaitForCapture(played.size());
  RemoveUnderrunSilence(bytes, played.size(), 0, [&](uint8_t b, size_t i) { return b == played[i]; }, 256);
  return bytes;
}

class WaveOutputDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gSettings.bufferBlocks = 50;
    gSettings.preBufferPercent = 50;
    gSettings.preBufferEnabled = 1;
    gSettings.visActive = 0;
    BoxRecorder::Start();
    SetWaveOutApi(nullptr);
    ASSERT_TRUE(WriteWholeFile(CapturePath(), {}));
  }
  void TearDown() override {
    CloseOutput(1);
    BoxRecorder::Stop();
  }
  SettingsGuard settings_;
};

TEST_F(WaveOutputDeviceTest, DeviceHasANameAndABadIdIsRefused) {
  ASSERT_GE(OutputDeviceCount(), 1);
  char name[64];
  EXPECT_EQ(GetDeviceName(0, name, sizeof(name)), 1);
  EXPECT_GT(std::strlen(name), 0u);
  EXPECT_STRNE(name, "Bad Device");
  EXPECT_EQ(GetDeviceName(OutputDeviceCount() + 5, name, sizeof(name)), 0);
  EXPECT_STREQ(name, "Bad Device");

  EXPECT_EQ(OpenOutput(2, 44100, OutputDeviceCount() + 5, 2048, nullptr), -1);
  EXPECT_EQ(IsOutputOpen(), 0);
  const std::vector<RecordedBox> boxes = BoxRecorder::Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Audio System Error...");
  EXPECT_EQ(boxes[0].style, static_cast<uint32_t>(MB_ICONERROR));
  EXPECT_GT(boxes[0].text.size(), 0u);  // the system's own text for the error
}

TEST_F(WaveOutputDeviceTest, BytesReachTheDeviceExactlyAsWritten) {
  struct Format {
    int32_t channels;
    int32_t rate;
  };
  // 90 blocks pass the pre-buffer target of 24 on the way; at 44.1 kHz stereo they are one second.
  for (const Format f : {Format{2, 44100}, Format{1, 22050}}) {
    SCOPED_TRACE(f.rate);
    ASSERT_TRUE(WriteWholeFile(CapturePath(), {}));
    gSettings.visActive = 1;
    const auto pcm = NoiseBytes(90 * 2048, static_cast<uint32_t>(f.rate));
    const std::vector<uint8_t> spectrum(1152, 0x31);
    ASSERT_EQ(OpenOutput(f.channels, f.rate, -1, 2048, nullptr), 0);
    for (size_t i = 0; i < 90; ++i) ASSERT_EQ(WritePcm(2048, pcm.data() + i * 2048, spectrum.data()), 2048);
    CloseOutput(0);
    EXPECT_EQ(IsOutputOpen(), 0);
    EXPECT_EQ(QueuedBlockCount(), 0);
    // Every block came back through the callback: 184320 bytes.
    EXPECT_EQ(ElapsedSeconds(), 184320 / (f.rate * f.channels * 2));
    const auto captured = Captured(pcm);
    ASSERT_EQ(captured.size(), pcm.size());
    EXPECT_TRUE(captured == pcm);

    // The snapshot is of the last block heard.
    std::vector<uint8_t> wave(1152), heardSpectrum(1152);
    CopyWaveSnapshot(wave.data());
    CopySpectrumSnapshot(heardSpectrum.data());
    int16_t first;
    std::memcpy(&first, &pcm[89 * 2048], 2);
    EXPECT_EQ(static_cast<int8_t>(wave[0]), std::clamp(first / 192, -127, 127));
    EXPECT_EQ(heardSpectrum, spectrum);
  }
}

TEST_F(WaveOutputDeviceTest, ShortTrackHeldForPreBufferingStillPlaysOut) {
  const auto pcm = NoiseBytes(5 * 2048, 7);
  ASSERT_EQ(OpenOutput(2, 44100, -1, 2048, nullptr), 0);
  for (size_t i = 0; i < 5; ++i) ASSERT_EQ(WritePcm(2048, pcm.data() + i * 2048, pcm.data()), 2048);
  // Resuming lets the device play so that the test can end and report.
  EXPECT_TRUE(FinishesWithin(10000, [] { CloseOutput(0); }, [] { ResumeOutput(); }))
      << "a draining close of a held device must end";
  const auto captured = Captured(pcm);
  EXPECT_TRUE(captured == pcm) << captured.size() << " bytes captured";
}

TEST_F(WaveOutputDeviceTest, VolumeScalesBothChannelsOnTheDevice) {
  gSettings.preBufferEnabled = 0;
  const auto pcm = NoiseBytes(20 * 2048, 3);
  ASSERT_EQ(OpenOutput(2, 44100, -1, 2048, nullptr), 0);
  SetOutputVolume(32);  // 32768 of 65535 in each channel
  for (size_t i = 0; i < 20; ++i) ASSERT_EQ(WritePcm(2048, pcm.data() + i * 2048, pcm.data()), 2048);
  CloseOutput(0);
  // Each sample at half level, within 1.
  const std::vector<uint8_t> bytes = WaitForCapture(pcm.size());
  std::vector<int16_t> in(pcm.size() / 2), out(bytes.size() / 2);
  std::memcpy(in.data(), pcm.data(), pcm.size());
  std::memcpy(out.data(), bytes.data(), out.size() * 2);
  const auto agrees = [&](int16_t sample, size_t i) {
    return std::abs(sample - static_cast<int>(in[i] * (32768.0 / 65535.0))) <= 1;
  };
  RemoveUnderrunSilence(out, in.size(), 0, agrees);
  ASSERT_EQ(out.size(), in.size());
  size_t agreeing = 0;
  while (agreeing < in.size() && agrees(out[agreeing], agreeing)) ++agreeing;
  EXPECT_EQ(agreeing, in.size()) << "first off at sample " << agreeing;
}

}  // namespace
