// What the playlist editor shows: the time texts, and its lines and times from walks of the playlist.
#include "playlist/playlist_view.h"

#include <gtest/gtest.h>

#include <string>

#include "playlist/playlist.h"
#include "settings/settings.h"
#include "tests/playlist/playlist_test_support.h"
#include "tests/settings_guard.h"

namespace {

std::string Text(const char* label, int64_t seconds) { return FormatPlaylistTime(label, seconds).text; }

TEST(PlaylistViewTest, TimeTexts) {
  EXPECT_EQ(Text("Total Time", 0), "Total Time: 00:00:00");
  EXPECT_EQ(Text("Total Time", 61 + 3599 + CountedSeconds(-1)), "Total Time: 01:01:00");
  EXPECT_EQ(Text("Song Time", 30 + 45), "Song Time: 00:01:15");
  // Hours grow past two digits rather than wrap, even for a sum of 10,000 entries of the longest time.
  EXPECT_EQ(Text("Total Time", 360000), "Total Time: 100:00:00");
  EXPECT_EQ(Text("Total Time", 10000 * int64_t(2147483)), "Total Time: 5965230:33:20");
  EXPECT_EQ(Text("Total Time", -5), "Total Time: 00:00:00");
}

TEST(PlaylistViewTest, LinesTimesAndSelectionFromOneWalk) {
  SettingsGuard settings;
  NotifyRecorder::Start();
  ClearPlaylist();
  PlaylistLines lines;
  GatherPlaylistLines(&lines);
  EXPECT_TRUE(lines.lines.empty());

  // Tagged entries of 2 and 3 seconds (one with a title of the full 30 characters) around an untagged
  // entry of unknown duration.
  const std::string two = ScratchPath("view-two.mp3"), three = ScratchPath("view-three.mp3");
  ASSERT_TRUE(WriteWholeFile(two, TaggedTrack(2, "Two")));
  ASSERT_TRUE(WriteWholeFile(three, TaggedTrack(3, std::string(30, 'T'))));
  gSettings.readInfoOnAdd = 1;
  AddTrack(two.c_str());
  gSettings.readInfoOnAdd = 0;
  AddTrack("C:\\music\\unknown.mp3");
  gSettings.readInfoOnAdd = 1;
  AddTrack(three.c_str());
  for (int pass = 0; pass < 2; ++pass) {
    const char* before = lines.text.data();
    GatherPlaylistLines(&lines);
    if (pass == 1) {
      EXPECT_EQ(lines.text.data(), before) << "a refill of the same list reuses the buffer";
    }
    ASSERT_EQ(lines.lines.size(), 3u);
    auto line = [&](size_t i) { return std::string(lines.text.data() + lines.lines[i].offset); };
    EXPECT_EQ(line(0) + "|" + line(1) + "|" + line(2),
              "Artist / Two|C:\\music\\unknown.mp3|Artist / " + std::string(30, 'T'));
    EXPECT_FALSE(lines.lines[0].isPath);
    EXPECT_TRUE(lines.lines[1].isPath);
    EXPECT_EQ(lines.totalSeconds, 5);
  }
  EXPECT_EQ(PlaylistTotalSeconds(), 5);
  const int32_t selection[] = {0, 1, 2, 7};
  EXPECT_EQ(SelectedSeconds(selection, 4), 5) << "unknown durations and indices past the end count 0";
  EXPECT_EQ(SelectedSeconds(selection + 1, 3), 3);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  ClearPlaylist();
  NotifyRecorder::Stop();
}

}  // namespace
