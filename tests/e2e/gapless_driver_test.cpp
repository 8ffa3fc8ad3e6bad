// Gapless playback through the window: two halves of one signal, each encoded on its own, played as a
// two-track list reach the device as one stream, sample for sample what zavdec decodes, as long as the
// uncut file and aligned with it across the join.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/decode_file.h"
#include "tests/e2e/player_driver.h"
#include "tests/engine/capture_file.h"
#include "tests/test_files.h"

namespace {

TEST(GaplessDriver, TwoHalvesOfOneSignalPlayAsTheUncutFile) {
  PrepareDesktop();
  Settings before{};
  const bool hadSettings = ReadSavedSettings(&before);
  const Settings settings = DefaultSettings();
  ASSERT_TRUE(WriteSavedSettings(settings));
  ASSERT_TRUE(WriteWholeFile(CapturePath(), {}));
  const std::string first = MediaPath("gapless-1.mp3"), second = MediaPath("gapless-2.mp3");
  const DecodedFile halves = DecodeFilesToPcm({first, second}, DecodeOptions{});
  const DecodedFile uncut = DecodeFileToPcm(MediaPath("gapless-whole.mp3"), DecodeOptions{});
  const size_t join = DecodeFileToPcm(first, DecodeOptions{}).pcm.size();
  ASSERT_EQ(halves.result, kTrackDone);
  ASSERT_EQ(uncut.result, kTrackDone);
  EXPECT_EQ(halves.pcm.size(), uncut.pcm.size()) << "the halves are as long as the uncut file";

  Process zav;
  ASSERT_TRUE(zav.StartPlayer(Quoted(first) + " " + Quoted(second)));
  const HWND player = WaitForPlayerWindow(30000);
  ASSERT_NE(player, nullptr);
  ASSERT_TRUE(WaitForState(player, kPlaying, 10000));
  const size_t whole = halves.pcm.size() / 1024 * 1024;  // up to the last whole 2048-byte block
  EXPECT_TRUE(WaitUntil(
      [&] { return PlayState(player) == kStopped && ReadWholeFile(CapturePath()).size() >= whole * 2; }, 30000, 100));
  const std::vector<int16_t> captured = ReadPcm16(CapturePath());
  ASSERT_GE(captured.size(), whole);
  size_t mismatches = 0, firstMismatch = whole;
  for (size_t i = 0; i < whole; ++i) {
    if (captured[i] != AtWineVolume(halves.pcm[i], settings.volume) && mismatches++ == 0) firstMismatch = i;
  }
  EXPECT_EQ(mismatches, 0u) << "first at sample " << firstMismatch << " of " << whole << ", join at " << join;
  // Across the join the device's stream lines up with the uncut file: nothing left out or played twice.
  ASSERT_GT(join, 8192u);
  ASSERT_LT(join + 8192, whole);
  std::vector<int16_t> heard(captured.begin() + long(join) - 4096, captured.begin() + long(join) + 4096);
  std::vector<int16_t> reference;
  for (size_t i = join - 4096; i < join + 4096; ++i) reference.push_back(AtWineVolume(uncut.pcm[i], settings.volume));
  int64_t best = 0;
  double bestRms = 1e30;
  for (int64_t shift = -1152; shift <= 1152; ++shift) {
    const Difference d = Compare(heard, reference, 2 * shift);
    if (d.rms < bestRms) {
      bestRms = d.rms;
      best = shift;
    }
  }
  EXPECT_EQ(best, 0) << "best alignment with the uncut file across the join, in samples";

  Command(player, kCommandClose);
  EXPECT_EQ(zav.WaitExit(10000), 0);
  if (hadSettings) {
    WriteSavedSettings(before);
  } else {
    DeleteFileA(IniPath().c_str());  // as the scenario found it
  }
}

}  // namespace
