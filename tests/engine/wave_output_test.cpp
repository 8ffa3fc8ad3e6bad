// The wave output against a double of the wave-out device: ring layout, pre-buffering, the free count,
// elapsed seconds, volume, snapshots, blocking and releasing the writer, closing, and failures.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "engine/wave_output.h"
#include "platform/notify.h"
#include "settings/settings.h"
#include "tests/background_work.h"
#include "tests/box_recorder.h"
#include "tests/engine/wave_out_double.h"
#include "tests/settings_guard.h"
#include "tests/test_files.h"

namespace {

// A block of PCM that differs from every other block the tests write.
std::vector<uint8_t> Block(int32_t bytes, uint32_t seed) {
  return NoiseBytes(static_cast<size_t>(bytes), seed * 2654435761u + 12345u);
}

std::vector<uint8_t> Spectrum(uint8_t seed) {
  std::vector<uint8_t> s(1152);
  for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<uint8_t>(seed + i * 7);
  return s;
}

const std::vector<uint8_t> kZeroSpectrum(1152, 0);

// Writes `count` whole blocks numbered from `first`; each must be taken whole.
void WriteBlocks(int count, uint32_t first = 0) {
  for (int i = 0; i < count; ++i) {
    const auto pcm = Block(2048, first + static_cast<uint32_t>(i));
    ASSERT_EQ(WritePcm(2048, pcm.data(), kZeroSpectrum.data()), 2048) << "block " << i;
  }
}

class WaveOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gSettings.bufferBlocks = 50;
    gSettings.preBufferPercent = 50;
    gSettings.preBufferEnabled = 1;
    gSettings.visActive = 0;
    gPluginRunning = 0;
    BoxRecorder::Start();
    InstallWaveOutDouble();
  }
  void TearDown() override {
    StopDriverThread();
    CloseOutput(1);
    EXPECT_EQ(gDouble->badCalls, 0);
    EXPECT_EQ(gDouble->liveAllocations, 0);
    RemoveWaveOutDouble();
    BoxRecorder::Stop();
    gPluginRunning = 0;
  }
  // Opens 44.1 kHz stereo with `blocks` blocks and pre-buffering off.
  void OpenPlain(int32_t blocks) {
    gSettings.bufferBlocks = blocks;
    gSettings.preBufferEnabled = 0;
    ASSERT_EQ(OpenOutput(2, 44100, -1, 2048, nullptr), 0);
  }
  SettingsGuard settings_;
};

TEST(WaveOutputFigures, PreBufferTargetAndBlockInterval) {
  EXPECT_EQ(PreBufferTarget(50, 50), 24);  // the single-precision hundredth
  EXPECT_EQ(PreBufferTarget(50, 10), 4);
  EXPECT_EQ(PreBufferTarget(100, 400), 399);  // never the whole ring
  // Out-of-range percentages from a damaged settings file stay within 0..blocks-1.
  EXPECT_EQ(PreBufferTarget(2000000000, 50), 49);
  EXPECT_EQ(PreBufferTarget(-40, 50), 0);

  EXPECT_EQ(BlockIntervalMs(176400, 2048), 11);  // 44100 Hz stereo
  EXPECT_EQ(BlockIntervalMs(88200, 2048), 23);   // 22050 Hz stereo
  EXPECT_EQ(BlockIntervalMs(22050, 2048), 92);   // 11025 Hz mono
  EXPECT_EQ(BlockIntervalMs(0, 2048), 1);
}

TEST_F(WaveOutputTest, OpenDescribesTheFormatAndLaysOutTheRing) {
  OpenPlain(12);
  EXPECT_EQ(IsOutputOpen(), 1);
  const WAVEFORMATEX& f = gDouble->format;
  EXPECT_EQ(f.wFormatTag, WAVE_FORMAT_PCM);
  EXPECT_EQ(f.nChannels, 2);
  EXPECT_EQ(f.nSamplesPerSec, 44100u);
  EXPECT_EQ(f.wBitsPerSample, 16);
  EXPECT_EQ(f.nBlockAlign, 4);
  EXPECT_EQ(f.nAvgBytesPerSec, 176400u);
  EXPECT_EQ(f.cbSize, 0);
  EXPECT_EQ(gDouble->deviceId, WAVE_MAPPER);
  EXPECT_EQ(gDouble->openFlags, 0x30002u);
  EXPECT_EQ(gDouble->prepares, 12);
  EXPECT_EQ(gDouble->pauses, 0);
  EXPECT_EQ(QueuedBlockCount(), 0);

  WriteBlocks(12);
  ASSERT_EQ(gDouble->written.size(), 12u);
  const WAVEHDR* first = gDouble->written[0];
  const char* data = first[0].lpData;
  // Headers first, then the blocks, all in one area.
  EXPECT_EQ(data, reinterpret_cast<const char*>(first) + 12 * sizeof(WAVEHDR));
  for (size_t i = 0; i < 12; ++i) {
    const WAVEHDR* h = gDouble->written[i];
    EXPECT_EQ(h, first + i);
    EXPECT_EQ(h->lpData, data + i * 2048);
    EXPECT_EQ(h->dwBufferLength, 2048u);
    EXPECT_EQ(h->dwUser, i);
  }
  ReturnQueuedBlocks();
  CloseOutput(1);
  EXPECT_EQ(IsOutputOpen(), 0);
  EXPECT_EQ(gDouble->unprepares, 12);
  EXPECT_EQ(gDouble->closes, 1);

  gSettings.bufferBlocks = 10;
  ASSERT_EQ(OpenOutput(1, 22050, 3, 2048, nullptr), 0);
  EXPECT_EQ(gDouble->format.nChannels, 1);
  EXPECT_EQ(gDouble->format.nBlockAlign, 2);
  EXPECT_EQ(gDouble->format.nAvgBytesPerSec, 44100u);
  EXPECT_EQ(gDouble->deviceId, 3u);
}

TEST_F(WaveOutputTest, OpeningAgainClosesTheOpenDeviceFirst) {
  OpenPlain(10);
  WriteBlocks(3);
  ASSERT_EQ(OpenOutput(2, 22050, -1, 2048, nullptr), 0);
  EXPECT_EQ(gDouble->opens, 2);
  EXPECT_EQ(gDouble->closes, 1);
  EXPECT_EQ(gDouble->returnedByReset, 3);
  EXPECT_EQ(gDouble->liveAllocations, 2);  // one store and one area, not two of each
  EXPECT_EQ(QueuedBlockCount(), 0);
}

TEST_F(WaveOutputTest, DeviceStartsWhenTheTargetBlockIsWritten) {
  // Defaults: 50 blocks at 50 % hold the device until the 24th block.
  ASSERT_EQ(OpenOutput(2, 44100, -1, 2048, nullptr), 0);
  EXPECT_EQ(gDouble->pauses, 1);
  WriteBlocks(23);
  EXPECT_EQ(gDouble->restarts, 0);
  WriteBlocks(1, 23);
  EXPECT_EQ(gDouble->restarts, 1);
  EXPECT_EQ(gDouble->restartsAtWrite, 23);  // released as the 24th is written
  WriteBlocks(10, 24);
  EXPECT_EQ(gDouble->restarts, 1);

  // A reset holds it again for another 24 blocks.
  ResetOutput();
  EXPECT_EQ(gDouble->pauses, 2);
  EXPECT_EQ(QueuedBlockCount(), 0);
  WriteBlocks(23, 100);
  EXPECT_EQ(gDouble->restarts, 1);
  WriteBlocks(1, 123);
  EXPECT_EQ(gDouble->restarts, 2);
}

TEST_F(WaveOutputTest, APauseDuringPreBufferingOutlastsTheFilledBuffer) {
  ASSERT_EQ(OpenOutput(2, 44100, -1, 2048, nullptr), 0);  // held until the 24th block
  WriteBlocks(5);
  PauseOutput();
  ResumeOutput();
  EXPECT_EQ(gDouble->restarts, 0) << "a resume before the target keeps the device held";
  PauseOutput();
  WriteBlocks(19, 5);
  EXPECT_EQ(gDouble->restarts, 0) << "the filled pre-buffer must not undo the pause";
  EXPECT_TRUE(gDouble->paused);
  ResumeOutput();
  EXPECT_EQ(gDouble->restarts, 1);
  EXPECT_FALSE(gDouble->paused);

  // A pause asked for while no device is open holds the next one, also without pre-buffering.
  CloseOutput(1);
  PauseOutput();
  OpenPlain(10);
  WriteBlocks(10);
  EXPECT_TRUE(gDouble->paused);
  EXPECT_EQ(gDouble->restarts, 1);
}

TEST_F(WaveOutputTest, OtherPreBufferSharesStartTheDeviceAtTheirTarget) {
  struct Case {
    int32_t blocks, percent, enabled;
    int pauses;   // at open
    int startsAt; // writes done before the device is restarted; -1: never restarted
  };
  // 100 % of 10 gives 9 (N - 1); 5 % of 10 gives 0, which must still start the device at the first
  // block; pre-buffering off never holds it.
  for (const Case c : {Case{10, 100, 1, 1, 8}, Case{10, 5, 1, 1, 0}, Case{10, 50, 0, 0, -1}}) {
    SCOPED_TRACE(c.percent);
    InstallWaveOutDouble();
    gSettings.bufferBlocks = c.blocks;
    gSettings.preBufferPercent = c.percent;
    gSettings.preBufferEnabled = c.enabled;
    ASSERT_EQ(OpenOutput(2, 44100, -1, 2048, nullptr), 0);
    EXPECT_EQ(gDouble->pauses, c.pauses);
    WriteBlocks(c.blocks);
    EXPECT_EQ(gDouble->restartsAtWrite, c.startsAt);
    EXPECT_EQ(gDouble->restarts, c.startsAt < 0 ? 0 : 1);
    CloseOutput(1);
  }
  // Pause and resume reach the device directly, held or not.
  ASSERT_EQ(OpenOutput(2, 44100, -1, 2048, nullptr), 0);
  PauseOutput();
  ResumeOutput();
  EXPECT_EQ(gDouble->pauses, 1);
  EXPECT_EQ(gDouble->restarts, 1);
}

TEST_F(WaveOutputTest, FreeCountFollowsWritesAndFinishedBlocks) {
  OpenPlain(10);
  WriteBlocks(10);
  EXPECT_EQ(QueuedBlockCount(), 10);
  ASSERT_EQ(PlayQueuedBlocks(3), 3);
  EXPECT_EQ(QueuedBlockCount(), 7);
  // The ring wraps: the eleventh block goes into the first slot.
  WriteBlocks(1, 10);
  EXPECT_EQ(QueuedBlockCount(), 8);
  ASSERT_EQ(gDouble->written.size(), 11u);
  EXPECT_EQ(gDouble->written[10], gDouble->written[0]);
  WriteBlocks(2, 11);
  EXPECT_EQ(QueuedBlockCount(), 10);
  ASSERT_EQ(PlayQueuedBlocks(10), 10);
  EXPECT_EQ(QueuedBlockCount(), 0);
  // The device got every block's bytes, in order.
  ASSERT_EQ(gDouble->played.size(), 13u);
  for (uint32_t i = 0; i < 13; ++i) EXPECT_EQ(gDouble->played[i], Block(2048, i)) << "block " << i;
}

TEST_F(WaveOutputTest, WritePcmTakesOneBlockAndSilencesTheRestOfAShortOne) {
  OpenPlain(10);
  const auto big = Block(4000, 77);
  EXPECT_EQ(WritePcm(4000, big.data(), kZeroSpectrum.data()), 2048);
  WriteBlocks(9, 1);
  ASSERT_EQ(PlayQueuedBlocks(10), 10);
  EXPECT_EQ(gDouble->played[0], std::vector<uint8_t>(big.begin(), big.begin() + 2048));

  // Slot 0 now holds old audio; a short write must not send it again.
  const auto tail = Block(1000, 78);
  EXPECT_EQ(WritePcm(1000, tail.data(), kZeroSpectrum.data()), 1000);
  ASSERT_EQ(PlayQueuedBlocks(1), 1);
  const auto& sent = gDouble->played.back();
  ASSERT_EQ(sent.size(), 2048u);
  EXPECT_TRUE(std::equal(tail.begin(), tail.end(), sent.begin()));
  EXPECT_EQ(std::vector<uint8_t>(sent.begin() + 1000, sent.end()), std::vector<uint8_t>(1048, 0));

  // Nothing to write: nothing queued.
  EXPECT_EQ(WritePcm(0, tail.data(), kZeroSpectrum.data()), 0);
  EXPECT_EQ(WritePcm(-5, tail.data(), kZeroSpectrum.data()), 0);
  EXPECT_EQ(WritePcm(2048, nullptr, kZeroSpectrum.data()), 0);
  EXPECT_EQ(gDouble->writes, 11);
}

TEST_F(WaveOutputTest, ElapsedSecondsCountPlayedBytesWithTheRemainderCarried) {
  OpenPlain(200);
  EXPECT_EQ(ElapsedSeconds(), 0);
  WriteBlocks(87);
  PlayQueuedBlocks(86);
  EXPECT_EQ(ElapsedSeconds(), 0);  // 176128 bytes
  PlayQueuedBlocks(1);
  EXPECT_EQ(ElapsedSeconds(), 1);  // 178176 bytes: one second, 1776 over
  WriteBlocks(86, 87);
  PlayQueuedBlocks(85);
  EXPECT_EQ(ElapsedSeconds(), 1);
  PlayQueuedBlocks(1);
  EXPECT_EQ(ElapsedSeconds(), 2);  // 173 blocks hold two seconds only with the 1776 carried

  SetElapsedSeconds(26);
  EXPECT_EQ(ElapsedSeconds(), 26);
  ClearElapsedSeconds();
  EXPECT_EQ(ElapsedSeconds(), 0);
  // A clear starts the next second afresh: the earlier remainder does not shorten it.
  WriteBlocks(87, 200);
  PlayQueuedBlocks(86);
  EXPECT_EQ(ElapsedSeconds(), 0);
  PlayQueuedBlocks(1);
  EXPECT_EQ(ElapsedSeconds(), 1);

  SetElapsedSeconds(5);
  WriteBlocks(3, 300);
  ResetOutput();  // the blocks a reset returns unplayed are not seconds heard after it
  EXPECT_EQ(ElapsedSeconds(), 0);
  EXPECT_EQ(gDouble->returnedByReset, 3);
}

TEST_F(WaveOutputTest, VolumeWordsCarryTheLevelInBothChannels) {
  SetOutputVolume(20);  // closed: nothing reaches a device
  OpenPlain(10);
  for (int32_t level : {32, 63, 64, 0, 1, 65}) SetOutputVolume(level);
  const std::vector<DWORD> expected = {0x80008000u, 0xFC00FC00u, 0u, 0u, 0x04000400u, 0x04000400u};
  EXPECT_EQ(gDouble->volumes, expected);
}

TEST_F(WaveOutputTest, ResetReleasesAWriterWaitingForABlock) {
  OpenPlain(10);
  // Fill the ring so that the next free slot would be the fourth: 10 blocks, 3 played, 3 more.
  WriteBlocks(10);
  PlayQueuedBlocks(3);
  WriteBlocks(3, 10);
  ASSERT_EQ(QueuedBlockCount(), 10);
  std::atomic<int32_t> taken{-1};
  const auto pcm = Block(2048, 500);
  std::atomic<bool> started{false};
  BackgroundWork writer([&] {
    started = true;
    taken = WritePcm(2048, pcm.data(), kZeroSpectrum.data());
  });
  while (!started) Sleep(1);
  Sleep(100);
  EXPECT_EQ(taken.load(), -1) << "the writer must wait while every block is queued";
  ResetOutput();
  EXPECT_TRUE(writer.Finish(3000, [] { CloseOutput(1); }));
  EXPECT_EQ(taken.load(), 2048);
  EXPECT_EQ(gDouble->returnedByReset, 10);
  EXPECT_EQ(QueuedBlockCount(), 1);
  // The write index went back to the first slot, not on to the fourth.
  ASSERT_EQ(gDouble->written.size(), 14u);
  EXPECT_EQ(gDouble->written.back(), gDouble->written.front());
}

TEST_F(WaveOutputTest, PauseHoldsTheWriterUntilResumed) {
  OpenPlain(10);
  StartDriverThread();
  PauseOutput();
  size_t playedWhilePaused = 99;
  const bool finished = FinishesWithin(
      200, [] { WriteBlocks(12); },
      [&] {
        playedWhilePaused = PlayedCount();
        ResumeOutput();
      });
  EXPECT_FALSE(finished) << "twelve blocks cannot be queued in ten while paused";
  EXPECT_EQ(playedWhilePaused, 0u);
  // Resuming let the device play and the writer finish.
  EXPECT_GE(PlayedCount(), 2u);
  StopDriverThread();
  EXPECT_EQ(gDouble->written.size(), 12u);
}

TEST_F(WaveOutputTest, DrainingCloseWhileHeldPlaysTheShortTrackOut) {
  // Five blocks never reach the target of 24: the device is still held when the close begins.
  ASSERT_EQ(OpenOutput(2, 44100, -1, 2048, nullptr), 0);
  StartDriverThread();
  WriteBlocks(5);
  Sleep(30);
  EXPECT_EQ(PlayedCount(), 0u);
  const bool finished = FinishesWithin(
      5000, [] { CloseOutput(0); }, [] { ReturnQueuedBlocks(); });
  EXPECT_TRUE(finished) << "a draining close of a held device must end";
  EXPECT_EQ(IsOutputOpen(), 0);
  ASSERT_EQ(gDouble->played.size(), 5u);
  for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(gDouble->played[i], Block(2048, i));
  EXPECT_EQ(gDouble->returnedByReset, 0);
}

TEST_F(WaveOutputTest, DrainingCloseWaitsForEveryBlockAndImmediateCloseDoesNot) {
  OpenPlain(10);
  WriteBlocks(5);
  BackgroundWork closer([] { CloseOutput(0); });
  Sleep(60);
  EXPECT_FALSE(closer.Done());
  PlayQueuedBlocks(4);
  Sleep(60);
  EXPECT_FALSE(closer.Done());
  PlayQueuedBlocks(1);
  EXPECT_TRUE(closer.Finish(3000, [] { ReturnQueuedBlocks(); }));
  EXPECT_EQ(gDouble->played.size(), 5u);
  EXPECT_EQ(gDouble->returnedByReset, 0);
  EXPECT_EQ(gDouble->unprepares, 10);
  EXPECT_EQ(gDouble->closes, 1);

  ASSERT_EQ(OpenOutput(2, 44100, -1, 2048, nullptr), 0);
  WriteBlocks(5);
  EXPECT_TRUE(FinishesWithin(
      1000, [] { CloseOutput(1); }, [] { ReturnQueuedBlocks(); }));
  EXPECT_EQ(gDouble->played.size(), 5u);
  EXPECT_EQ(gDouble->returnedByReset, 5);
  EXPECT_EQ(gDouble->closes, 2);
  CloseOutput(1);  // closing again does nothing
  EXPECT_EQ(gDouble->closes, 2);
}

TEST_F(WaveOutputTest, ARefusedBlockLeavesTheRingAsItWas) {
  OpenPlain(10);
  WriteBlocks(6);
  ASSERT_EQ(PlayQueuedBlocks(2), 2);  // slots 2..5 stay queued
  gDouble->writeResult = MMSYSERR_NOMEM;
  const auto refused = Block(2048, 99);
  EXPECT_EQ(WritePcm(2048, refused.data(), kZeroSpectrum.data()), 0) << "a refused block is not taken";
  EXPECT_EQ(QueuedBlockCount(), 4);
  EXPECT_EQ(OutputRefused(), 0);
  // Blocks 6..11 fill slots 6..9, 0 and 1; none of them touches a queued slot.
  gDouble->writeResult = MMSYSERR_NOERROR;
  WriteBlocks(6, 6);
  EXPECT_EQ(QueuedBlockCount(), 10);
  ASSERT_EQ(gDouble->written.size(), 12u);
  EXPECT_EQ(gDouble->written[6], gDouble->written[0] + 6);
  EXPECT_EQ(gDouble->written[10], gDouble->written[0]);
  ASSERT_EQ(PlayQueuedBlocks(10), 10);
  ASSERT_EQ(gDouble->played.size(), 12u);
  for (uint32_t i = 0; i < 12; ++i) EXPECT_EQ(gDouble->played[i], Block(2048, i)) << "block " << i;
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(WaveOutputTest, ADeviceThatRefusesEveryBlockIsGivenUpAfterAboutASecond) {
  HWND owner = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x4321));
  gSettings.bufferBlocks = 10;
  gSettings.preBufferEnabled = 0;
  ASSERT_EQ(OpenOutput(2, 44100, -1, 2048, owner), 0);
  gDouble->writeResult = MMSYSERR_NODRIVER;
  const auto pcm = Block(2048, 1);
  const DWORD start = GetTickCount();
  int calls = 0;
  while (!OutputRefused() && calls < 500) {
    EXPECT_EQ(WritePcm(2048, pcm.data(), kZeroSpectrum.data()), 0);
    ++calls;
  }
  const DWORD elapsed = GetTickCount() - start;
  // 176400 bytes a second make 86 blocks; the writer waits a block interval after each refusal.
  EXPECT_EQ(calls, 86);
  EXPECT_GE(elapsed, 600u) << "the writer must not spin";
  EXPECT_LE(elapsed, 5000u);
  EXPECT_EQ(QueuedBlockCount(), 0);
  // Given up: nothing more reaches the device, and the box is shown once.
  const int writes = gDouble->writes;
  EXPECT_EQ(WritePcm(2048, pcm.data(), kZeroSpectrum.data()), 0);
  EXPECT_EQ(gDouble->writes, writes);
  const RecordedBox refused = {owner, "Double error 6", "Audio System Error...", MB_ICONERROR};
  EXPECT_EQ(BoxRecorder::Boxes(), std::vector<RecordedBox>{refused});
  // A reset tries the device again.
  ResetOutput();
  EXPECT_EQ(OutputRefused(), 0);
  gDouble->writeResult = MMSYSERR_NOERROR;
  EXPECT_EQ(WritePcm(2048, pcm.data(), kZeroSpectrum.data()), 2048);
}

TEST_F(WaveOutputTest, DrainingCloseOfAPausedDeviceEnds) {
  // Paused before the close: the queued blocks are dropped, not waited for.
  OpenPlain(10);
  StartDriverThread();
  PauseOutput();
  WriteBlocks(5);
  EXPECT_TRUE(FinishesWithin(
      3000, [] { CloseOutput(0); }, [] { ReturnQueuedBlocks(); }));
  EXPECT_EQ(IsOutputOpen(), 0);
  EXPECT_EQ(PlayedCount(), 0u);
  EXPECT_EQ(gDouble->returnedByReset, 5);
  StopDriverThread();
  EXPECT_EQ(IsOutputPaused(), 1) << "the user's pause outlives the device";
  ResumeOutput();

  // Paused while the close drains: what has played stays played, the rest is dropped.
  OpenPlain(10);
  WriteBlocks(5, 10);
  BackgroundWork closer([] { CloseOutput(0); });
  PlayQueuedBlocks(2);
  Sleep(50);
  EXPECT_FALSE(closer.Done());
  PauseOutput();
  EXPECT_TRUE(closer.Finish(3000, [] { ReturnQueuedBlocks(); }));
  EXPECT_EQ(gDouble->played.size(), 2u);
  EXPECT_EQ(gDouble->returnedByReset, 8);
}

// Samples of one block: pair k holds (left, right).
std::vector<uint8_t> PairsBlock(const std::vector<std::pair<int16_t, int16_t>>& pairs) {
  std::vector<uint8_t> data(2048);
  for (size_t k = 0; k < pairs.size() && k < 512; ++k) {
    std::memcpy(&data[4 * k], &pairs[k].first, 2);
    std::memcpy(&data[4 * k + 2], &pairs[k].second, 2);
  }
  return data;
}

TEST_F(WaveOutputTest, WaveSnapshotScalesTheFinishedBlock) {
  OpenPlain(10);
  gSettings.visActive = 1;
  std::vector<std::pair<int16_t, int16_t>> pairs(512);
  for (int k = 0; k < 512; ++k) pairs[k] = {static_cast<int16_t>(k * 40 - 10000), static_cast<int16_t>(-k * 45)};
  pairs[0] = {-191, 191};     // toward zero, not down: 0 and 0
  pairs[1] = {-32768, 32767};  // limited to -127 and 127
  pairs[2] = {192, -192};      // 1 and -1
  pairs[3] = {-385, 24384};    // -2 and 127
  pairs[4] = {24576, -24576};  // 128 and -128, limited
  pairs[511] = {1920, -1921};  // 10 and -10
  const auto block = PairsBlock(pairs);
  const auto spectrum = Spectrum(9);
  ASSERT_EQ(WritePcm(2048, block.data(), spectrum.data()), 2048);
  PlayQueuedBlocks(1);

  std::vector<uint8_t> snap(1152, 0x55);
  CopyWaveSnapshot(snap.data());
  auto left = [&](int k) { return static_cast<int8_t>(snap[k]); };
  auto right = [&](int k) { return static_cast<int8_t>(snap[576 + k]); };
  EXPECT_EQ(left(0), 0);
  EXPECT_EQ(right(0), 0);
  EXPECT_EQ(left(1), -127);
  EXPECT_EQ(right(1), 127);
  EXPECT_EQ(left(2), 1);
  EXPECT_EQ(right(2), -1);
  EXPECT_EQ(left(3), -2);
  EXPECT_EQ(right(3), 127);
  EXPECT_EQ(left(4), 127);
  EXPECT_EQ(right(4), -127);
  for (int k = 5; k < 511; ++k) {
    ASSERT_EQ(left(k), (k * 40 - 10000) / 192) << k;
    ASSERT_EQ(right(k), (-k * 45) / 192) << k;
  }
  EXPECT_EQ(left(511), 10);
  EXPECT_EQ(right(511), -10);
  // The block holds 512 pairs: the last 64 values run back through it from pair 511.
  for (int k = 512; k < 576; ++k) {
    ASSERT_EQ(left(k), left(1023 - k)) << k;
    ASSERT_EQ(right(k), right(1023 - k)) << k;
  }

  std::vector<uint8_t> heardSpectrum(1152, 0);
  CopySpectrumSnapshot(heardSpectrum.data());
  EXPECT_EQ(heardSpectrum, spectrum);
}

TEST_F(WaveOutputTest, SnapshotsFollowTheBlockThatFinishedOnlyWhileAVisualisationRuns) {
  OpenPlain(10);
  const auto s1 = Spectrum(1), s2 = Spectrum(2), s3 = Spectrum(3), s4 = Spectrum(4);
  const auto quiet = PairsBlock(std::vector<std::pair<int16_t, int16_t>>(512, {1920, 1920}));
  const auto loud = PairsBlock(std::vector<std::pair<int16_t, int16_t>>(512, {-3840, 3840}));
  gSettings.visActive = 1;
  ASSERT_EQ(WritePcm(2048, quiet.data(), s1.data()), 2048);
  ASSERT_EQ(WritePcm(2048, loud.data(), s2.data()), 2048);
  std::vector<uint8_t> wave(1152), heardSpectrum(1152);
  PlayQueuedBlocks(1);
  CopySpectrumSnapshot(heardSpectrum.data());
  CopyWaveSnapshot(wave.data());
  EXPECT_EQ(heardSpectrum, s1);
  EXPECT_EQ(static_cast<int8_t>(wave[0]), 10);
  PlayQueuedBlocks(1);
  CopySpectrumSnapshot(heardSpectrum.data());
  CopyWaveSnapshot(wave.data());
  EXPECT_EQ(heardSpectrum, s2);
  EXPECT_EQ(static_cast<int8_t>(wave[0]), -20);
  EXPECT_EQ(static_cast<int8_t>(wave[576]), 20);

  // Nothing running: the snapshots stay as they were.
  gSettings.visActive = 0;
  ASSERT_EQ(WritePcm(2048, quiet.data(), s3.data()), 2048);
  PlayQueuedBlocks(1);
  CopySpectrumSnapshot(heardSpectrum.data());
  CopyWaveSnapshot(wave.data());
  EXPECT_EQ(heardSpectrum, s2);
  EXPECT_EQ(static_cast<int8_t>(wave[0]), -20);

  // A running plug-in is enough.
  gPluginRunning = 1;
  ASSERT_EQ(WritePcm(2048, quiet.data(), s4.data()), 2048);
  PlayQueuedBlocks(1);
  CopySpectrumSnapshot(heardSpectrum.data());
  CopyWaveSnapshot(wave.data());
  EXPECT_EQ(heardSpectrum, s4);
  EXPECT_EQ(static_cast<int8_t>(wave[0]), 10);

  // A spectrum pointer of null is stored as silence, not as what the slot held.
  ASSERT_EQ(WritePcm(2048, quiet.data(), nullptr), 2048);
  PlayQueuedBlocks(1);
  CopySpectrumSnapshot(heardSpectrum.data());
  EXPECT_EQ(heardSpectrum, kZeroSpectrum);
}

TEST_F(WaveOutputTest, FailedOpenIsReportedWithTheSystemText) {
  gDouble->openResult = MMSYSERR_BADDEVICEID;
  HWND owner = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1234));
  EXPECT_EQ(OpenOutput(2, 44100, 7, 2048, owner), -1);
  const RecordedBox failed = {owner, "Double error 2", "Audio System Error...", MB_ICONERROR};
  EXPECT_EQ(BoxRecorder::Boxes(), std::vector<RecordedBox>{failed});
  EXPECT_EQ(IsOutputOpen(), 0);
  EXPECT_EQ(QueuedBlockCount(), 0);
  EXPECT_EQ(gDouble->liveAllocations, 0);
  const auto pcm = Block(2048, 1);
  EXPECT_EQ(WritePcm(2048, pcm.data(), kZeroSpectrum.data()), 0);
}

TEST_F(WaveOutputTest, ShortMemoryAndUnplayableFormatsAreReportedLikeAFailedOpen) {
  gDouble->failAllocation = 1;  // the spectrum store
  EXPECT_EQ(OpenOutput(2, 44100, -1, 2048, nullptr), -1);
  EXPECT_EQ(gDouble->opens, 0);
  gDouble->failAllocation = 2;  // the header and data area, after the device opened
  EXPECT_EQ(OpenOutput(2, 44100, -1, 2048, nullptr), -1);
  EXPECT_EQ(gDouble->opens, 1);
  EXPECT_EQ(gDouble->closes, 1);
  EXPECT_EQ(IsOutputOpen(), 0);
  EXPECT_EQ(gDouble->liveAllocations, 0);
  gDouble->failAllocation = 0;
  EXPECT_EQ(OpenOutput(3, 44100, -1, 2048, nullptr), -1);
  EXPECT_EQ(OpenOutput(2, 0, -1, 2048, nullptr), -1);
  EXPECT_EQ(OpenOutput(2, 44100, -1, 2047, nullptr), -1);
  EXPECT_EQ(gDouble->opens, 1);
  const std::vector<RecordedBox> boxes = BoxRecorder::Boxes();
  const char* expected[] = {"Double error 7", "Double error 7", "Double error 32", "Double error 32",
                            "Double error 32"};  // MMSYSERR_NOMEM, WAVERR_BADFORMAT
  ASSERT_EQ(boxes.size(), 5u);
  for (size_t i = 0; i < boxes.size(); ++i) {
    EXPECT_EQ(boxes[i].text, expected[i]);
    EXPECT_EQ(boxes[i].caption, "Audio System Error...");
    EXPECT_EQ(boxes[i].style, static_cast<uint32_t>(MB_ICONERROR));
  }
}

TEST_F(WaveOutputTest, BlockCountFromADamagedSettingsRecordStaysInRange) {
  gSettings.preBufferEnabled = 0;
  for (auto [setting, blocks] : {std::pair<int32_t, int>{0, 10}, {-3, 10}, {100000, 400}, {400, 400}, {10, 10}}) {
    gSettings.bufferBlocks = setting;
    const int before = gDouble->prepares;
    ASSERT_EQ(OpenOutput(2, 44100, -1, 2048, nullptr), 0);
    EXPECT_EQ(gDouble->prepares - before, blocks) << setting;
    WriteBlocks(blocks);
    EXPECT_EQ(QueuedBlockCount(), blocks);
    CloseOutput(1);
  }
}

TEST_F(WaveOutputTest, DeviceNamesAreCopiedWithinTheDestination) {
  char name[64];
  std::memset(name, '#', sizeof(name));
  EXPECT_EQ(GetDeviceName(0, name, sizeof(name)), 1);
  EXPECT_STREQ(name, "Double Device");

  gDouble->deviceName = std::string(32, 'N');  // fills szPname with no terminator
  std::memset(name, '#', sizeof(name));
  EXPECT_EQ(GetDeviceName(0, name, sizeof(name)), 1);
  EXPECT_EQ(std::string(name), std::string(32, 'N'));

  std::memset(name, '#', sizeof(name));
  EXPECT_EQ(GetDeviceName(0, name, 5), 1);
  EXPECT_STREQ(name, "NNNN");
  EXPECT_EQ(name[5], '#');

  gDouble->capsResult = MMSYSERR_BADDEVICEID;
  EXPECT_EQ(GetDeviceName(9, name, sizeof(name)), 0);
  EXPECT_STREQ(name, "Bad Device");
  std::memset(name, '#', sizeof(name));
  EXPECT_EQ(GetDeviceName(9, name, 4), 0);
  EXPECT_STREQ(name, "Bad");
  EXPECT_EQ(name[4], '#');

  gDouble->deviceCount = 3;
  EXPECT_EQ(OutputDeviceCount(), 3);
}

}  // namespace
